#!/usr/bin/env python3
"""Turns a 32 x 32 ASCII-art cursor into a monochrome .cur file.

Source format: lines starting with ';' are comments; one line "hotspot X Y"; then exactly
32 rows of 32 characters, top row first:
  '.' transparent   '#' black   'o' white   '^' inverted screen
"""
import struct
import sys

SIZE = 32
# (AND bit, XOR bit) per character: AND 1 keeps the screen, XOR 1 flips or whitens it.
PIXELS = {'.': (1, 0), '#': (0, 0), 'o': (0, 1), '^': (1, 1)}


def parse(text, where):
    hotspot = None
    rows = []
    for number, line in enumerate(text.splitlines(), 1):
        line = line.rstrip('\r\n')
        if not line.strip() or line.startswith(';'):
            continue
        if line.startswith('hotspot'):
            parts = line.split()
            if len(parts) != 3:
                raise ValueError(f"{where}:{number}: expected 'hotspot X Y'")
            hotspot = (int(parts[1]), int(parts[2]))
            continue
        if len(line) != SIZE or any(c not in PIXELS for c in line):
            raise ValueError(f"{where}:{number}: a row is {SIZE} characters of {''.join(PIXELS)}")
        rows.append(line)
    if len(rows) != SIZE:
        raise ValueError(f"{where}: {len(rows)} rows, expected {SIZE}")
    if hotspot is None:
        raise ValueError(f"{where}: no hotspot line")
    x, y = hotspot
    if not (0 <= x < SIZE and 0 <= y < SIZE):
        raise ValueError(f"{where}: hot spot {x},{y} lies outside the image")
    return hotspot, rows


def pack_plane(rows, bit_of):
    """One bit per pixel, most significant bit first, rows bottom-up as a DIB stores them."""
    data = bytearray()
    for row in reversed(rows):
        for start in range(0, SIZE, 8):
            byte = 0
            for c in row[start:start + 8]:
                byte = (byte << 1) | bit_of(c)
            data.append(byte)
    return bytes(data)


def build_cursor(hotspot, rows):
    xor_mask = pack_plane(rows, lambda c: PIXELS[c][1])
    and_mask = pack_plane(rows, lambda c: PIXELS[c][0])
    # BITMAPINFOHEADER: the height counts both masks.
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, 2 * SIZE, 1, 1, 0,
                         len(xor_mask) + len(and_mask), 0, 0, 2, 0)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    image = header + palette + xor_mask + and_mask
    # File header (reserved, type 2 = cursor, one image), then its directory entry, in which
    # the planes and bit-count fields carry the hot spot.
    directory = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 2, 0, hotspot[0], hotspot[1], len(image),
                        len(directory) + 16)
    return directory + entry + image


def main(argv):
    if len(argv) != 3:
        sys.stderr.write('usage: cursorgen.py SOURCE.txt OUTPUT.cur\n')
        return 2
    with open(argv[1], encoding='ascii') as source:
        hotspot, rows = parse(source.read(), argv[1])
    with open(argv[2], 'wb') as output:
        output.write(build_cursor(hotspot, rows))
    return 0


if __name__ == '__main__':
    try:
        sys.exit(main(sys.argv))
    except ValueError as problem:
        sys.stderr.write(f'cursorgen: {problem}\n')
        sys.exit(1)
