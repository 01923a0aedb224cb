#!/usr/bin/env python3
"""Draws the program icon (resources/orkvane.ico): a blue rounded square
holding a 2 x 2 grid of tool cards, one of them marked in amber.

Usage: scripts/make-icon.py [output.ico]
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from orkvane_drawing import Canvas, hex_colour, ico_bytes, mix  # noqa: E402

SIZES = (16, 20, 24, 32, 40, 48, 64, 96, 128, 256)

TOP = hex_colour('#2A8FEA')
BOTTOM = hex_colour('#1269B9')
TILE = hex_colour('#FFFFFF')
MARK = hex_colour('#FFD48C')


def draw(size):
    canvas = Canvas(size, size)
    s = float(size)
    inset = max(0.5, s * 0.04)
    canvas.rounded_rect(inset, inset, s - inset, s - inset, s * 0.22,
                        lambda px, py: mix(TOP, BOTTOM, py / s))
    # The grid. Small sizes snap to whole pixels so the tiles stay crisp.
    if size <= 48:
        gap = max(2, round(s * 0.08))
        tile = int((s - 2 * round(s * 0.2) - gap) // 2)
        margin = (size - 2 * tile - gap) // 2
    else:
        margin = s * 0.22
        gap = s * 0.08
        tile = (s - 2 * margin - gap) / 2.0
    radius = tile * 0.22 if size > 20 else 0.0
    for row in range(2):
        for column in range(2):
            x0 = margin + column * (tile + gap)
            y0 = margin + row * (tile + gap)
            colour = MARK if (row, column) == (1, 1) else TILE
            canvas.rounded_rect(x0, y0, x0 + tile, y0 + tile, radius, colour)
    return canvas


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, 'resources', 'orkvane.ico')
    with open(output, 'wb') as f:
        f.write(ico_bytes([draw(size) for size in SIZES]))
    print(output)


if __name__ == '__main__':
    main()
