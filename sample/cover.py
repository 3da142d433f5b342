#!/usr/bin/env python3
"""Draws the sample's background picture, a lighthouse at dusk, as an 8-bit
Windows bitmap with its own 256-colour table: cover.py OUT.bmp"""
import struct
import sys

W, H = 360, 240

# Colour table (red, green, blue): 0-99 sky from night blue to dusk orange,
# 100-163 sea, then the fixed colours of the drawing.
table = []
for i in range(100):
    t = i / 99
    table.append((int(20 + 220 * t), int(30 + 120 * t), int(90 + 40 * (1 - t))))
for i in range(64):
    t = i / 63
    table.append((int(10 + 30 * t), int(40 + 60 * t), int(90 + 70 * t)))
ROCK, WHITE, RED, LAMP, BEAM, DOOR = range(164, 170)
table += [(60, 55, 50), (240, 240, 235), (190, 30, 30), (255, 230, 120), (255, 245, 190), (40, 30, 30)]
table += [(0, 0, 0)] * (256 - len(table))

pixels = [[0] * W for _ in range(H)]  # top row first
horizon = 170
for y in range(H):
    for x in range(W):
        if y < horizon:
            pixels[y][x] = y * 99 // horizon
        else:
            pixels[y][x] = 100 + min(63, (y - horizon) * 63 // (H - horizon) + (x * 7 + y * 3) % 5)
cx = 250
for y in range(150, H):  # the rock
    half = (y - 150) * 2 + 20
    for x in range(max(0, cx - half), min(W, cx + half)):
        pixels[y][x] = ROCK
for y in range(60, 160):  # the tower, narrowing upwards, in bands
    half = 10 + (y - 60) // 8
    for x in range(cx - half, cx + half):
        pixels[y][x] = RED if (y - 60) // 20 % 2 else WHITE
for y in range(40, 60):  # the lamp room
    for x in range(cx - 9, cx + 9):
        pixels[y][x] = LAMP if 44 <= y < 56 else RED
for y in range(140, 160):
    for x in range(cx - 4, cx + 4):
        pixels[y][x] = DOOR
for x in range(0, cx - 9):  # the beam, widening away from the lamp
    spread = (cx - 9 - x) // 6
    for y in range(50 - spread // 2, 50 + spread // 2 + 1):
        if 0 <= y < horizon and (x + y) % 2 == 0:
            pixels[y][x] = BEAM

row_bytes = (W + 3) // 4 * 4
bits = b"".join(bytes(pixels[y]) + bytes(row_bytes - W) for y in reversed(range(H)))
colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in table)
offset = 14 + 40 + len(colours)
info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 8, 0, len(bits), 2835, 2835, 256, 0)
head = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
with open(sys.argv[1], "wb") as f:
    f.write(head + info + colours + bits)
