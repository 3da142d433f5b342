#!/usr/bin/env python3
"""Marks a linked program IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP and writes the
checksum of its new bytes.

setup.exe and embed.exe run from the CD-ROM. Without the flag Windows pages
them in from the disc as they run, so a disc taken out mid-installation
ends the program at the next page it had not touched, with no word to the
reader; with it the loader copies the whole image to the page file first.
GNU ld has no option for the flag, hence this step after linking.

    run_from_swap.py PROGRAM
"""
import array
import struct
import sys

REMOVABLE_RUN_FROM_SWAP = 0x0400


def main(path):
    data = bytearray(open(path, "rb").read())
    if len(data) < 0x40 or data[:2] != b"MZ":
        sys.exit("%s: no MZ header" % path)
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if pe + 24 + 68 > len(data) or data[pe:pe + 4] != b"PE\0\0":
        sys.exit("%s: no PE header" % path)
    at = pe + 4 + 18  # IMAGE_FILE_HEADER.Characteristics
    flags = struct.unpack_from("<H", data, at)[0]
    struct.pack_into("<H", data, at, flags | REMOVABLE_RUN_FROM_SWAP)
    sum_at = pe + 24 + 64  # IMAGE_OPTIONAL_HEADER.CheckSum, both magics
    struct.pack_into("<I", data, sum_at, 0)
    words = array.array("H", bytes(data) + bytes(len(data) % 2))
    total = sum(words)
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    struct.pack_into("<I", data, sum_at, total + len(data))
    open(path, "wb").write(data)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
