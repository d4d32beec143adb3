"""Prints what a 24-bit BMP file holds, parsed with struct alone, so the
writer's output is checked by a reader that shares no code with ours.

Output: one line "size offset header width height planes bits compression
imagesize", then one line per picture row, top row first, of RRGGBB values.
"""
import struct
import sys

data = open(sys.argv[1], "rb").read()
magic, size, _, offset = struct.unpack_from("<2sIII", data, 0)
assert magic == b"BM", magic
assert size == len(data), (size, len(data))
header, width, height, planes, bits, comp, image = struct.unpack_from("<IiiHHII", data, 14)
print(size, offset, header, width, height, planes, bits, comp, image)
assert bits == 24 and comp == 0
stride = (width * 3 + 3) // 4 * 4
assert offset + stride * abs(height) == len(data)
rows = []
for r in range(abs(height)):
    base = offset + r * stride
    row = []
    for x in range(width):
        b, g, rr = data[base + 3 * x: base + 3 * x + 3]
        row.append("%02X%02X%02X" % (rr, g, b))
    assert data[base + 3 * width: base + stride] == b"\0" * (stride - 3 * width)
    rows.append(" ".join(row))
if height > 0:
    rows.reverse()
print("\n".join(rows))
