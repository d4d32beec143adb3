"""Python's zipfile as an independent peer for the archive tests.

  zip_tool.py write ARCHIVE NAME_HEX=DATA_HEX ...
      Writes a deflated archive; names are taken as given (ZipInfo keeps
      "../x" and "/x"), non-ASCII ones are stored as UTF-8 with the UTF-8 mark.
  zip_tool.py write-modes ARCHIVE NAME_HEX:MODE_OCTAL=DATA_HEX ...
      The same with a Unix mode stored with each member (type bits
      included: 0o120777 makes a symbolic link whose data is its text).
  zip_tool.py dump ARCHIVE [PASSWORD]
      One line per member: raw-name-hex compress-type level-6-match data-hex,
      where level-6-match is 1 when the stored deflate stream has exactly the
      size zlib's default level gives (either memory level) for that data and level 9 does not.
"""

import sys
import zipfile
import zlib


def raw_name(info):
    if info.flag_bits & 0x800:
        return info.filename.encode("utf-8")
    return info.filename.encode("cp437")


def deflated_sizes(data, level):
    sizes = set()
    for mem_level in (8, 9):  # zlib's default and libzip's choice
        c = zlib.compressobj(level, zlib.DEFLATED, -15, mem_level)
        sizes.add(len(c.compress(data) + c.flush()))
    return sizes


def main():
    cmd, archive = sys.argv[1], sys.argv[2]
    if cmd == "write":
        with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as zf:
            for arg in sys.argv[3:]:
                name_hex, data_hex = arg.split("=")
                name = bytes.fromhex(name_hex).decode("utf-8")
                zf.writestr(zipfile.ZipInfo(name), bytes.fromhex(data_hex), zipfile.ZIP_DEFLATED)
    elif cmd == "write-modes":
        with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as zf:
            for arg in sys.argv[3:]:
                head, data_hex = arg.split("=")
                name_hex, mode = head.split(":")
                info = zipfile.ZipInfo(bytes.fromhex(name_hex).decode("utf-8"))
                info.create_system = 3
                info.external_attr = int(mode, 8) << 16
                zf.writestr(info, bytes.fromhex(data_hex), zipfile.ZIP_DEFLATED)
    elif cmd == "dump":
        pwd = sys.argv[3].encode() if len(sys.argv) > 3 else None
        with zipfile.ZipFile(archive) as zf:
            for info in zf.infolist():
                data = zf.read(info, pwd=pwd)
                stored = info.compress_size - (12 if info.flag_bits & 1 else 0)
                level6 = stored in deflated_sizes(data, 6) and stored not in deflated_sizes(data, 9)
                print(raw_name(info).hex(), info.compress_type, int(level6), data.hex())
    else:
        sys.exit("unknown command " + cmd)


main()
