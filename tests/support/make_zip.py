#!/usr/bin/python3
"""Writes a ZIP archive for the tests: make_zip.py OUT NAME FILE [NAME FILE ...].

Each member NAME (taken as raw bytes, so GBK names stay byte for byte) gets
the bytes of FILE, deflated. Made with Python's zipfile so the archives the
client reads do not come from the project's own ZIP code.
"""
import os
import sys
import zipfile


def main(argv):
    if len(argv) < 2 or len(argv) % 2 != 0:
        sys.stderr.write(__doc__)
        return 2
    out = argv[1]
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as zf:
        for i in range(2, len(argv), 2):
            name = os.fsencode(argv[i]).decode("cp437")
            with open(argv[i + 1], "rb") as f:
                zf.writestr(zipfile.ZipInfo(name), f.read(), zipfile.ZIP_DEFLATED)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
