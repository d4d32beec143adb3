#!/usr/bin/python3
"""Writes a ZIP archive for the tests: make_zip.py OUT NAME FILE [NAME FILE ...].

Each member NAME (taken as raw bytes, so GBK names stay byte for byte) gets
the bytes of FILE, deflated. Made with Python's zipfile so the archives the
client reads do not come from the project's own ZIP code.
"""
import os
import sys
import zipfile


class RawNameInfo(zipfile.ZipInfo):
    """Stores the name's bytes as given, without the UTF-8 mark, the way
    archives written on a Chinese desktop carry GBK names."""

    def __init__(self, raw):
        super().__init__(raw.decode("cp437"))
        self.raw = raw

    def _encodeFilenameFlags(self):
        return self.raw, self.flag_bits & ~0x800


def main(argv):
    if len(argv) < 2 or len(argv) % 2 != 0:
        sys.stderr.write(__doc__)
        return 2
    out = argv[1]
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as zf:
        for i in range(2, len(argv), 2):
            info = RawNameInfo(os.fsencode(argv[i]))
            with open(argv[i + 1], "rb") as f:
                zf.writestr(info, f.read(), zipfile.ZIP_DEFLATED)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
