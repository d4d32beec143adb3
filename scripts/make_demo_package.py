#!/usr/bin/python3
"""Writes a sample application and its update for the demo:
make_demo_package.py FOLDER URL [SHOW_TYPE [TRAY]]

FOLDER/              the sample application 1.0.0 beside the client: the
                     program demo_app, doc/readme.txt, data/colors.txt
FOLDER/upgrade.bin   the client's configuration archive (pre.dat with the log
                     on, client.dat with file0, file1 and dir0 at 1.0.0 and the
                     server location URL + "/server.ini", a skin with pictures)
FOLDER/srv/          what the server offers, version 1.1.0: server.ini, the new
                     demo_app (file0), docs.zip (file1: unpacked into doc/, its
                     first file whatsnew.sh runs afterwards) and the folder
                     data/ (dir0, read as a local folder, with a sub-folder)

SHOW_TYPE (default 2, silent) is the items' show_type; the run is automatic.
TRAY (default 1) 0 switches the tray icon off in pre.dat: a check then shows
no window at all.

Every text is written as GBK, as the client reads it. The archive is made
with tests/support/make_zip.py (Python's zipfile).
"""
import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
MAKE_ZIP = os.path.join(HERE, "..", "tests", "support", "make_zip.py")


def bmp(width, height, pixel):
    """A 24-bit BMP; pixel(x, y) gives (r, g, b) with y = 0 at the top."""
    row_size = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):  # stored bottom-up
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + data


def side_picture(x, y):
    # A warm gradient with a white disc (white is transparent on the page).
    if (x - 60) ** 2 + (y - 80) ** 2 <= 36 ** 2:
        return (255, 255, 255)
    if 20 <= x < 100 and (200 <= y < 206 or (214 <= y < 220 and x < 76)):
        return (250, 200, 60)
    t = y / 339
    return (int(200 - 110 * t), int(60 - 40 * t), int(20 + 60 * t))


def icon_strip(x, y):
    # Four 16 x 16 frames of a dot going round; black is transparent.
    frame, fx = divmod(x, 16)
    cx, cy = [(8, 4), (12, 8), (8, 12), (4, 8)][frame]
    if (fx - 8) ** 2 + (y - 8) ** 2 <= 49:
        if (fx - cx) ** 2 + (y - cy) ** 2 <= 5:
            return (255, 255, 255)
        return (40, 120, 220)
    return (0, 0, 0)


LABEL = ("static{n}=show=1;;clrtext={colour};;clrnormal=16776960;;clrHover=65535;;nor_underline=0;;"
         "hov_underline=1;;fontsize={size};;fontweight={weight};;fontitalic=0;;fontunderline=0;;"
         "rect={rect};;text={text}{url}\r\n")


def page(k, title, subtitle, extras, buttons):
    lines = [
        "[win%d]\r\n" % k,
        "attr=show=1;;clrbk=3158064;;rect=0,0,480,340\r\n",
        "image0=show=1;;clrtp=0;;rect=0,0,120,340;;bmpfile=res\\side.bmp\r\n",
        "image1=show=0;;clrtp=0;;rect=0,0,0,0;;bmpfile=\r\n",
        LABEL.format(n=0, colour=65535, size=22, weight=700, rect="136,14,330,26", text=title, url=""),
        LABEL.format(n=1, colour=15790320, size=14, weight=400, rect="136,46,330,16", text=subtitle,
                     url="") if subtitle else "static1=show=0;;rect=0,0,0,0\r\n",
        "static2=show=0;;rect=0,0,0,0\r\n",
        LABEL.format(n=3, colour=0, size=13, weight=400, rect="136,306,150,16", text="更新说明",
                     url=";;url=http://www.example.com/news"),
        "button0=show=1;;rect=296,300,82,28;;text=%s\r\n" % buttons[0],
        "button1=show=1;;rect=386,300,82,28;;text=%s\r\n" % buttons[1],
    ]
    return "".join(lines) + "".join(e + "\r\n" for e in extras)


SKIN = (
    "[UI]\r\ntitle=演示程序 更新\r\nsysicon=res\\sysicon.bmp:4\r\n"
    + page(0, "发现新版本", "下列文件有新版本：", ["list=show=1;;rect=136,72,332,212"],
           ("开始(&N)", "以后再说(&X)"))
    + page(1, "正在下载", "", ["list=show=1;;rect=136,48,332,100", "rich_edit=show=1;;rect=136,154,332,70",
                              "status0=show=1;;rect=136,230,332,16", "progress0=show=1;;rect=136,248,332,14",
                              "status1=show=1;;rect=136,266,332,16", "progress1=show=1;;rect=136,284,332,10"],
           ("暂停(&P)", "取消(&X)"))
    + page(2, "下载完成", "新文件已经准备好，请关闭正在运行的程序后继续。", [], ("安装(&N)", "取消(&X)"))
    + page(3, "正在安装", "", ["rich_edit=show=1;;rect=136,48,332,180", "status0=show=1;;rect=136,236,332,16",
                              "progress0=show=1;;rect=136,256,332,14"], ("", "完成"))
)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    if len(argv) not in (3, 4, 5):
        sys.stderr.write(__doc__)
        return 2
    folder, url = argv[1], argv[2].rstrip("/")
    show_type = int(argv[3]) if len(argv) >= 4 else 2
    tray = int(argv[4]) if len(argv) == 5 else 1
    members = {
        "pre.dat": ("[pre]\r\ncloselog=0\r\nclosetray=%d\r\n" % (0 if tray else 1)).encode("gbk"),
        "client.dat": ("[system]\r\nurls=url0=%s/server.ini\r\n[file0]\r\nver=1.0.0\r\n"
                       "[file1]\r\nver=1.0.0\r\n[dir0]\r\nver=1.0.0\r\n" % url).encode("gbk"),
        "ui.dat": SKIN.encode("gbk"),
        "res\\side.bmp": bmp(120, 340, side_picture),
        "res\\sysicon.bmp": bmp(64, 16, icon_strip),
    }
    parts = os.path.join(folder, "parts")
    args = [sys.executable, MAKE_ZIP, os.path.join(folder, "upgrade.bin")]
    for i, (name, data) in enumerate(members.items()):
        source = os.path.join(parts, str(i))
        write(source, data)
        args += [name, source]
    subprocess.run(args, check=True)

    # The application as installed today.
    write(os.path.join(folder, "demo_app"), b"#!/bin/sh\necho 'demo app 1.0.0'\n")
    os.chmod(os.path.join(folder, "demo_app"), 0o755)
    write(os.path.join(folder, "doc", "readme.txt"), b"Demo app 1.0.0: first release.\n")
    write(os.path.join(folder, "data", "colors.txt"), b"red green blue\n")

    # What version 1.1.0 brings.
    srv = os.path.join(folder, "srv")
    write(os.path.join(srv, "files", "demo_app"), b"#!/bin/sh\necho 'demo app 1.1.0'\n")
    whatsnew = os.path.join(parts, "whatsnew.sh")
    write(whatsnew, ("#!/bin/sh\n# runs after the update (runme); $1 is runme_param\n"
                     "echo \"What's new in $1: shapes, and a brighter palette.\" > \"$(dirname \"$0\")/whatsnew.txt\"\n"
                     ).encode())
    readme = os.path.join(parts, "readme.txt")
    write(readme, b"Demo app 1.1.0: shapes and a brighter palette.\n")
    subprocess.run([sys.executable, MAKE_ZIP, os.path.join(srv, "files", "docs.zip"),
                    "whatsnew.sh", whatsnew, "readme.txt", readme], check=True)
    write(os.path.join(srv, "data", "colors.txt"), b"crimson lime azure\n")
    write(os.path.join(srv, "data", "shapes", "shapes.txt"), b"circle square triangle\n")

    common = "show_type=%d\r\nop_mode=1\r\n" % show_type
    server = (
        "[system]\r\nrun_after=\r\n"
        "[file0]\r\nver=1.1.0\r\nurls=url0=%s/files/demo_app\r\ndescribe=演示程序主文件\r\n%s"
        "[file1]\r\nver=1.1.0\r\nurls=url0=%s/files/docs.zip\r\npath=doc\r\nuncompress=1\r\n"
        "runme=1\r\nrunme_param=1.1.0\r\nrunme_pause=1\r\ndescribe=说明文档\r\n%s"
        "[dir0]\r\nver=1.1.0\r\nurls=url0=file://%s/\r\npath=data\r\nis_inc_subdir=1\r\n"
        "describe=演示数据\r\n%s"
        "[UI]\r\nstart_win_msg=发现演示程序的新版本，现在升级吗？\r\n"
        % (url, common, url, common, os.path.join(srv, "data"), common)
    )
    write(os.path.join(srv, "server.ini"), server.encode("gbk"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
