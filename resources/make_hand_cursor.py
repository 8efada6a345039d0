#!/usr/bin/env python3
"""Draws HAND-M.CUR, the hand pointer shown over the action buttons: a 32 x 32 cursor file
(ICO layout, type 2) with its hot spot on the tip of the index finger. Needs ImageMagick."""
import struct
import subprocess
import sys

SIZE = 32
HOT_X, HOT_Y = 9, 1

draw = [
    "-fill", "white", "-stroke", "black", "-strokewidth", "1",
    "-draw", "roundrectangle 7,0 12,18 2,2",       # index finger
    "-draw", "roundrectangle 12,9 16,19 2,2",      # middle finger
    "-draw", "roundrectangle 16,10 20,20 2,2",     # ring finger
    "-draw", "roundrectangle 20,11 24,21 2,2",     # little finger
    "-draw", "roundrectangle 7,15 24,30 4,4",      # palm
    "-draw", "polygon 7,20 2,14 1,16 7,27",        # thumb
    "-stroke", "none", "-draw", "rectangle 8,15 23,20",
]
rgba = subprocess.run(
    ["convert", "-size", f"{SIZE}x{SIZE}", "xc:none", *draw, "-depth", "8", "rgba:-"],
    check=True, capture_output=True).stdout

# Bottom-up BGRA rows, then an all-zero AND mask (transparency comes from alpha).
rows = [rgba[y * SIZE * 4:(y + 1) * SIZE * 4] for y in range(SIZE)]
pixels = b"".join(
    b"".join(bytes((r[x + 2], r[x + 1], r[x], r[x + 3])) for x in range(0, SIZE * 4, 4))
    for r in reversed(rows))
mask = bytes(SIZE * SIZE // 8)
header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(pixels) + len(mask),
                     0, 0, 0, 0)
image = header + pixels + mask
cur = struct.pack("<HHH", 0, 2, 1) + struct.pack(
    "<BBBBHHII", SIZE, SIZE, 0, 0, HOT_X, HOT_Y, len(image), 6 + 16) + image
with open(sys.argv[1] if len(sys.argv) > 1 else "HAND-M.CUR", "wb") as out:
    out.write(cur)
