#!/usr/bin/python3
"""Writes the fuzz seeds: small, valid inputs for each harness, made here
so the fuzzers start from every branch a real file takes. Run it again
after changing it; the files it writes are kept in seeds/<harness>/."""
import io
import os
import hashlib
import struct
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))


def put(harness, name, data):
    folder = os.path.join(HERE, "seeds", harness)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("gbk")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# --- pictures -------------------------------------------------------------

def dib(width, height, bits, rows, palette=(), compression=0, masks=(), header=40):
    """Info header + masks + colour table + rows (rows: list of row bytes)."""
    stride = ((width * bits + 31) // 32) * 4
    pixels = b"".join(r.ljust(stride, b"\0") for r in rows)
    if header == 12:
        head = struct.pack("<IHHHH", 12, width, height & 0xFFFF, 1, bits)
        table = b"".join(struct.pack("<BBB", c & 255, (c >> 8) & 255, c >> 16) for c in palette)
    else:
        head = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression,
                           len(pixels), 2835, 2835, len(palette), 0)
        table = b"".join(struct.pack("<I", c) for c in palette)
    return head + b"".join(struct.pack("<I", m) for m in masks) + table, pixels


def bmp(width, height, bits, rows, **kw):
    head, pixels = dib(width, height, bits, rows, **kw)
    offset = 14 + len(head)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + head + pixels


def bmps():
    yield "rgb24.bmp", bmp(3, 2, 24, [b"\x00\x00\xff\x00\xff\x00\xff\x00\x00", b"\xff" * 9])
    yield "topdown24.bmp", bmp(2, -2, 24, [b"\x10" * 6, b"\x20" * 6])
    yield "pal8.bmp", bmp(4, 2, 8, [b"\x00\x01\x02\x03", b"\x03\x02\x01\x00"],
                          palette=(0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF))
    yield "pal4.bmp", bmp(5, 1, 4, [b"\x01\x23\x10"], palette=tuple(range(0, 16 * 0x111111, 0x111111)))
    yield "mono.bmp", bmp(9, 2, 1, [b"\xaa\x80", b"\x55\x00"], palette=(0, 0xFFFFFF))
    yield "rgb16.bmp", bmp(2, 2, 16, [b"\x1f\x00\xe0\x03", b"\x00\x7c\xff\x7f"])
    yield "bitfields16.bmp", bmp(2, 1, 16, [b"\x1f\x00\xe0\x07"], compression=3,
                                 masks=(0xF800, 0x07E0, 0x001F))
    yield "rgb32.bmp", bmp(2, 1, 32, [b"\x01\x02\x03\x04\x05\x06\x07\x08"])
    yield "core12.bmp", bmp(2, 2, 8, [b"\x00\x01", b"\x01\x00"], palette=(0x123456, 0xABCDEF), header=12)


def ico():
    head, pixels = dib(2, 4, 32, [b"\x01\x02\x03\xff\x04\x05\x06\x80"] * 2)
    andmask = b"\x00\x00\x00\x00" * 2
    image = head + pixels + andmask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 2, 2, 0, 0, 1, 32, len(image), 22)
    return directory + image


def gif(width, height, pixels, interlace=False, transparent=None):
    """One frame, 4-colour table, code size 2, a clear code every two pixels
    so every code stays 3 bits wide (no compression needed)."""
    out = b"GIF89a" + struct.pack("<HHBBB", width, height, 0x81, 0, 0)
    out += bytes([0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 0, 255])
    if transparent is not None:
        out += b"\x21\xf9\x04\x01\x00\x00" + bytes([transparent]) + b"\x00"
    out += b"\x2c" + struct.pack("<HHHHB", 0, 0, width, height, 0x40 if interlace else 0)
    codes = []
    for i, p in enumerate(pixels):
        if i % 2 == 0:
            codes.append(4)
        codes.append(p)
    codes.append(5)
    bits, acc, data = 0, 0, bytearray()
    for c in codes:
        acc |= c << bits
        bits += 3
        while bits >= 8:
            data.append(acc & 255)
            acc >>= 8
            bits -= 8
    if bits:
        data.append(acc & 255)
    out += b"\x02"
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out += bytes([len(chunk)]) + chunk
    return out + b"\x00\x3b"


def jpeg_grey8():
    """An 8 x 8 grey baseline JPEG: one block, DC difference 0, end of block
    at once; both Huffman tables hold the one code "0"."""
    def seg(marker, body):
        return bytes([0xFF, marker]) + struct.pack(">H", len(body) + 2) + body
    out = b"\xff\xd8"
    out += seg(0xE0, b"JFIF\0\x01\x01\x00\x00\x01\x00\x01\x00\x00")
    out += seg(0xDB, b"\x00" + bytes([1] * 64))
    out += seg(0xC0, b"\x08" + struct.pack(">HH", 8, 8) + b"\x01\x01\x11\x00")
    one_code = bytes([1] + [0] * 15) + b"\x00"
    out += seg(0xC4, b"\x00" + one_code)
    out += seg(0xC4, b"\x10" + one_code)
    out += seg(0xDA, b"\x01\x01\x00\x00\x3f\x00")
    return out + b"\x3f\xff\xd9"


def pictures():
    for name, data in bmps():
        put("picture", name, data)
        put("skin_bitmap", name, data)
    put("picture", "icon.ico", ico())
    put("picture", "plain.gif", gif(4, 2, [0, 1, 2, 3, 3, 2, 1, 0]))
    put("picture", "interlaced.gif", gif(3, 4, [1] * 12, interlace=True, transparent=1))
    put("picture", "grey.jpg", jpeg_grey8())


# --- texts ----------------------------------------------------------------

SERVER = (
    "[file0]\r\nver=1.1.0\r\nurls=url0=http://h/a/b.exe;;url1=ftp://h/b.exe,,anna,,pw\r\n"
    "path={temp}bin\r\nmd5=" + "f" * 32 + "\r\nshow_type=1\r\nop_mode=1\r\nrunme=1\r\nrename=c.exe\r\n"
    "[file1]\r\nver=2.0\r\nurls=url0=http://h/c.dll\r\nshow_type=0\r\nuncompress=1\r\n"
    "[dir0]\r\nver=1.0\r\nurls=url0=http://h/dir/\r\npath={temp}\r\nfilter=*.dll\r\nis_inc_subdir=1\r\n"
    "[system]\r\nrun_before={parent}\\pre.sh\r\nclose_proc1= a.exe, b.exe ,,\r\nclose_items=file0\r\n"
    "[UI]\r\nstart_win=0\r\nend_win1_msg=好了\r\n")


def every_key_config():
    """All 20 file items and 10 dir items, every key the client reads, in a
    long configuration: the reader's longest path."""
    item = ("ver=1.{n}.0\r\nurls=url0=http://h/{s}/a.bin;;url1=ftp://h/{s}/a.bin,,u,,p\r\n"
            "randomsel=1\r\ntryallurl=1\r\npath={{parent}}\\{s}\r\nmodify_ver=0\r\nshow_type={t}\r\n"
            "op_mode=1\r\ndescribe=项{n}\r\n")
    file_keys = ("uncompress=1\r\nrunme=1\r\nrunme_pause=1\r\nrunme_param=-x {n}\r\nmd5=" + "0" * 32 +
                 "\r\nsha256=" + "A" * 64 + "\r\nrename=r{n}.exe\r\n")
    out = ""
    for n in range(20):
        out += "[file%d]\r\n" % n + item.format(n=n, s="file%d" % n, t=n % 3) + file_keys.format(n=n)
    for n in range(10):
        out += ("[dir%d]\r\n" % n + item.format(n=n, s="dir%d" % n, t=n % 3) +
                "filter=*.dat\r\nis_inc_subdir=1\r\n")
    out += "[system]\r\n" + "".join("%s={temp}%s.sh\r\n%s_pause=1\r\n" % (k, k, k) for k in ("run_before", "run_after"))
    out += "".join("run_%s={pf}\\%s\r\n" % (k, k) for k in
                   ("nonetwork", "udbefore", "udafters", "udafterf", "dlbefore", "dlafters", "dlafterf"))
    out += "close_proc1=a.exe, b.exe\r\nclose_proc2=标题\r\nclose_proc3=Cls\r\nclose_items=file0,dir9\r\n[UI]\r\n"
    for k in ("noupdate_win", "start_win", "close_win", "dl_win", "end_win1", "end_win2"):
        out += "%s=0\r\n%s_msg=%s 文字\r\n" % (k, k, k)
    return out


def texts():
    put("ini_document", "basic.ini", "system=urls\n[system]\r\nurls=a\r\n  urls = b \r\n[other]\r\nk=v\r\n")
    put("ini_document", "gbk.ini", "乗=键\n[乗]\r\n键=誠\\\r\n[乗]\r\n键=second\r\n")
    put("ini_document", "server.ini", "file0=ver\n" + SERVER)
    put("value_syntax", "urls", "url0=http://h/a.exe,,u,,p;;url1=ftp:\\\\h\\b.exe;;url2=;;url3=file:///x")
    put("value_syntax", "macro", "{temp}{temp}sub\\file;;show=1")
    put("value_syntax", "gbk", "text=乗;;url=誠,,乕;;name=乚")
    put("version_compare", "plain", b"1.2.10\x001.2.9")
    put("version_compare", "short", b"2\x001.9.9.9")
    put("version_compare", "signs", b"-1.+2. 3\x000.0.0")
    put("server_config", "full.ini", SERVER)
    put("update_config", "full.ini", SERVER)
    put("update_config", "every_key.ini", every_key_config())
    put("update_config", "lf_only.ini", every_key_config().replace("\r\n", "\n"))
    put("command_line", "host", "/HWND:12345 /OP:CheckVer")
    put("command_line", "preview", "\"/tmp/a b\" /op:preview /hwnd:-7")
    put("command_line", "self", "/SelfUpdate /SelfFinish /HWND:")
    put("host_message", "completed", struct.pack("<qqq", 2021, 1, -5))
    put("host_message", "progress", struct.pack("<qqq", 2022, 50, 1 << 40))
    skin = ("[UI]\r\ntitle=皮肤\r\nsysicon=res\\sysicon.bmp:4\r\n"
            "[win0]\r\nattr=show=1;;rect=0,0,400,300;;clrbk=16777215\r\n"
            "image0=show=1;;rect=0,0,400,60;;bmpfile=res\\top.bmp\r\n"
            "button0=rect=300,260,80,24;;text=下一步\r\n"
            "static0=show=1;;rect=10,70,380,20;;text=发现新版本;;url=http://h/;;clrtext=255;;fontsize=12\r\n"
            "list=show=1;;rect=10,100,380,150\r\n"
            "[win1]\r\nattr=show=1;;rect=0,0,400,300\r\nprogress0=show=1;;rect=10,200,380,16\r\n"
            "status0=show=1;;rect=10,220,380,16\r\nrich_edit=show=1;;rect=10,10,380,180\r\n"
            "[win3]\r\nattr=show=1;;rect=-5,-5,100,100\r\n")
    put("skin_description", "ui.dat", skin)
    put("skin_description", "rect", "10,20,30,40")
    put("ftp_listing", "unix", "total 12\r\n-rw-r--r--   1 ftp ftp      1234 Jan 01 12:00 a file.exe\r\n"
        "drwxr-xr-x   2 ftp ftp      4096 Jan 01  2020 sub\r\n"
        "lrwxrwxrwx   1 ftp ftp         7 Jan 01 12:00 link -> target\r\n"
        "-rw-r--r--   1 ftp ftp         1 Jan 01 12:00 ..\r\n")
    put("ftp_listing", "dos", "01-02-20  10:00AM       <DIR>          sub\r\n"
        "01-02-20  10:00AM                 1234 文件.dll\r\n")
    put("ftp_listing", "mlsd", "type=cdir;modify=20200101;  .\r\ntype=file;size=12;modify=20200101; a.exe\r\n"
        "type=dir; sub\r\ntype=OS.unix=slink:/x; l\r\n")


def zips():
    def archive(members, method=zipfile.ZIP_DEFLATED):
        buf = io.BytesIO()
        with zipfile.ZipFile(buf, "w", method) as z:
            for name, data in members:
                info = zipfile.ZipInfo(name, (2020, 1, 1, 0, 0, 0))
                info.compress_type = method
                z.writestr(info, data)
        return buf.getvalue()
    put("zip_archive", "config.zip", archive([("ui.dat", b"[UI]\r\ntitle=t\r\n"), ("client.dat", b"[system]\r\n"),
                                              ("res\\top.bmp", bmp(1, 1, 24, [b"\0\0\0"]))]))
    put("zip_archive", "stored.zip", archive([("a/b.txt", b"hello" * 10), ("a/", b"")], zipfile.ZIP_STORED))
    put("zip_archive", "slip.zip", archive([("../up.txt", b"x"), ("/abs.txt", b"y"), ("ok\\..\\..\\z", b"z")]))
    zip64 = zip64_archive([("client.dat", b"[file0]\r\nver=1.0.0\r\n"), ("ui.dat", b"[UI]\r\n" * 40)])
    put("zip_archive", "zip64.zip", zip64)
    put("zip_archive", "zip64_stored.zip", zip64_archive([("a.txt", b"x" * 100)], zipfile.ZIP_STORED))
    put("config_archive", "config.zip", archive([("pre.dat", b"[pre]\r\ncloselog=0\r\n"),
                                                 ("client.dat", b"[system]\r\nurls=url0=http://h/s.ini\r\n"),
                                                 ("res\\top.bmp", bmp(1, 1, 24, [b"\0\0\0"]))]))
    put("config_archive", "no_client.zip", archive([("ui.dat", b"[UI]\r\n")], zipfile.ZIP_STORED))
    put("config_archive", "zip64.zip", zip64)
    put("config_archive", "empty.zip", b"PK\x05\x06" + b"\0" * 18)


def zip64_archive(members, method=zipfile.ZIP_DEFLATED):
    """An archive with ZIP64 local headers and a ZIP64 end of central
    directory (record and locator) in front of a classic end record whose
    counts and offsets say "see ZIP64"."""
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", method, allowZip64=True) as z:
        for name, data in members:
            info = zipfile.ZipInfo(name, (2020, 1, 1, 0, 0, 0))
            info.compress_type = method
            with z.open(info, "w", force_zip64=True) as f:
                f.write(data)
    data = buf.getvalue()
    end = data.rfind(b"PK\x05\x06")
    if data.rfind(b"PK\x06\x06") != -1:
        return data
    _, _, _, entries, _, cd_size, cd_offset, _ = struct.unpack("<IHHHHIIH", data[end:end + 22])
    record = struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, entries, entries, cd_size, cd_offset)
    locator = struct.pack("<IIQI", 0x07064B50, 0, end, 1)
    classic = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
    return data[:end] + record + locator + classic


def client_texts():
    journal = "upgrade install journal 1\n"
    put("install_journal", "undo", journal + "b /app/a\nB /app/a\nN /app/a\nN /app/new.so\nT /app/.tmp1\n"
        "A /app/upgrade.bin\nb /app/half\n")
    put("install_journal", "committed", journal + "B /app/a\nN /app/a\nC\n")
    put("install_journal", "cut", journal + "B /app/a\nN /app/a.ebk\nN /app/b")
    put("install_journal", "foreign", "not a journal\nB /etc/passwd\n")
    put("signature", "plain", "[system]\r\nurls=url0=http://h/s.ini\r\n\0"
        + "A" * 86 + "==\0" + "B" * 43 + "=\0")
    put("signature", "lf", "[file0]\nver=1\n\0  " + "QUJD" * 21 + "QQ==\r\n\0" + "AAAA" * 11)
    put("signature", "bad", "x\0!!!!\0====\0Zg")
    put("self_update_switch", "relaunch", "/HWND:1234 /self_update:3-1.2.0")
    put("self_update_switch", "finish", "/hwnd:1234 /self_finish:3-1.2.0")
    put("self_update_switch", "dash", "/self_update: 3 - 1.2.0-beta  /x \"a b\"")
    put("self_update_switch", "path", "/opt/app/upgrade.NEW")
    put("url_tools", "http", "http://user:pw@example.com:8080/dir/文件 名.exe?x=1#f")
    put("url_tools", "ftp", "ftp://h/pub/a%20b/c/")
    put("url_tools", "file", "file:///C:\\app\\乗.dat\\")
    put("url_tools", "bare", "host/only\\path")
    body = "[file0]\r\nver=1.0.0\r\n"
    put("http_header", "ok", "HTTP/1.1 200 OK\r\nContent-Length: %d\r\nContent-Type: text/plain\r\n\r\n%s"
        % (len(body), body))
    put("http_header", "chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n")
    put("http_header", "continue", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nno!")
    put("http_header", "redirect", "HTTP/1.1 302 Found\r\nLocation: http://elsewhere.example/x\r\n"
        "Content-Length: 0\r\n\r\n")
    put("http_header", "short", "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nabc")
    put("http_header", "folded", "HTTP/1.1 200 OK\r\nX-A: 1\r\n  folded\r\nContent-Length: 1\r\n\r\nZ")


def tool_files():
    put("project_file", "p.epj", "[system]\r\nurls=url0=http://h/cfg/s.ini,,u,,p\r\nrandomsel=1\r\n"
        "[file0]\r\nver=1.0.0\r\nurls=url0=ftp://h/a.exe\r\npath={parent}\\bin\\\r\nmd5=abc\r\n"
        "[dir0]\r\nver=1.0\r\nurls=url0=file:///srv/d\r\nfilter=*.dll,*.ocx\r\n"
        "[UI]\r\nuse_custom=1\r\ntitle=升级\r\n[win0]\r\nattr=show=1;;rect=0,0,400,300\r\n"
        "image0=show=1;;rect=0,0,400,60;;bmpfile=res\\top.bmp\r\n")
    put("project_file", "gbk.epj", "[file3]\r\nver=乗.1\r\nrename=誠\\x\r\n[乕]\r\n")
    put("recent_projects", "status.cfg", "//Created by Quillmate\r\n[prj]\r\nname0=/home/u/a/a.epj\r\n"
        "name1=/home/u/誠/b.epj\r\nhave_prj=1\r\ncursel=3\r\n[umb]\r\nname0=/x/t.umb\r\n")
    put("private_key", "seed", "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWY=\n")
    put("private_key", "short", "QUJD\n")
    put("gbk_viewer", "gbk", "[UI]\r\ntitle=发现新版本\r\n乗誠媆\r\n")
    put("gbk_viewer", "broken", b"abc\x81\x00\xff\xfe\x80 end\r\n\xd5")
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("umb.dat", (2020, 1, 1, 0, 0, 0)),
                   "[UI]\r\nmbname=青山\r\nmbauthor=me\r\n[win0]\r\nattr=show=1;;rect=0,0,400,300\r\n"
                   "image0=show=1;;rect=0,0,40,40;;bmpfile=res\\a.bmp\r\n".encode("gbk"))
        z.writestr(zipfile.ZipInfo("res\\a.bmp", (2020, 1, 1, 0, 0, 0)), bmp(1, 1, 24, [b"\0\0\0"]))
    put("umb_template", "t.umb", buf.getvalue())


# --- suffix patches -------------------------------------------------------

def fuzz_old_file():
    """The old file the suffix_patch harness applies its input to."""
    return bytes((i * 7 + i // 13) & 0xFF for i in range(4096))


def zstd_frame(data):
    """One zstd frame that declares its size (the command line writes it
    for a file, not for a pipe)."""
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "stream")
        with open(path, "wb") as f:
            f.write(data)
        return subprocess.run(["zstd", "-q", "-c", "--check", path], check=True, stdout=subprocess.PIPE).stdout


def suffix_patch(new, steps, diff, extra):
    control = b"".join(struct.pack("<QQq", *step) for step in steps)
    frames = [zstd_frame(control), zstd_frame(diff), zstd_frame(extra)]
    header = b"UPGSFXP1" + struct.pack("<Q", len(new)) + hashlib.sha256(new).digest()
    return header + struct.pack("<QQQ", *(len(f) for f in frames)) + b"".join(frames)


def suffix_patches():
    old = fuzz_old_file()
    # 100 bytes with two changed, 5 new bytes, then 50 bytes from further back.
    diff = bytearray(150)
    diff[10] = 1
    diff[120] = 0xFF
    new = bytearray((old[i] + diff[i]) & 0xFF for i in range(100)) + b"hello"
    new += bytes((old[60 + i] + diff[100 + i]) & 0xFF for i in range(50))
    put("suffix_patch", "edit.patch", suffix_patch(bytes(new), [(100, 5, -40), (50, 0, 0)], bytes(diff), b"hello"))
    put("suffix_patch", "empty.patch", suffix_patch(b"", [], b"", b""))
    put("suffix_patch", "extra_only.patch", suffix_patch(b"brand new", [(0, 9, 4096)], b"", b"brand new"))


def main():
    suffix_patches()
    pictures()
    texts()
    client_texts()
    tool_files()
    zips()
    return 0


if __name__ == "__main__":
    sys.exit(main())
