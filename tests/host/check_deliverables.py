#!/usr/bin/env python3
"""Checks the 32-bit deliverables without running them: each is a PE32 image
for i386 with the GUI subsystem, imports only system libraries, the two
libraries export their entry points by name, and the size limits hold.

usage: check_deliverables.py BIN_DIR"""
import os
import struct
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll",
               "shell32.dll", "ole32.dll", "comctl32.dll", "msvcrt.dll"}
EXPECTED = {
    # name: (exports that must be there, size limit in bytes or None)
    "setup.exe": ((), None),
    "embed.exe": ((), 128 * 1024),
    "DUNZIP32.DLL": (("dunzip",), 64 * 1024),
    "METER.DLL": ((), None),
}
# Libraries a deliverable must not import: resolved beside the program
# before its search order can be restricted, a planted copy would load.
FORBIDDEN = {"setup.exe": {"comctl32.dll"}}
IMAGE_FILE_MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
SUBSYSTEM_WINDOWS_GUI = 2


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ" or len(data) < 0x40:
            raise ValueError("no DOS header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature at 0x%x" % pe)
        (self.machine, nsect, _, _, _, optsize, _) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic, = struct.unpack_from("<H", data, opt)
        self.subsystem, = struct.unpack_from("<H", data, opt + 68)
        ndirs, = struct.unpack_from("<I", data, opt + 92)
        self.dirs = [struct.unpack_from("<II", data, opt + 96 + 8 * i) for i in range(min(ndirs, 16))]
        self.sections = []
        for i in range(nsect):
            s = opt + optsize + 40 * i
            vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", data, s + 8)
            self.sections.append((va, max(vsize, rawsize), rawptr))

    def offset(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError("address 0x%x is in no section" % rva)

    def cstr(self, rva):
        o = self.offset(rva)
        return self.data[o:self.data.index(b"\0", o)].decode("ascii")

    def imports(self):
        rva, size = self.dirs[1] if len(self.dirs) > 1 else (0, 0)
        names = []
        if not rva:
            return names
        o = self.offset(rva)
        while True:
            fields = struct.unpack_from("<IIIII", self.data, o)
            if not any(fields):
                return names
            names.append(self.cstr(fields[3]))
            o += 20

    def exports(self):
        rva, size = self.dirs[0] if self.dirs else (0, 0)
        if not rva:
            return []
        o = self.offset(rva)
        count, = struct.unpack_from("<I", self.data, o + 24)
        table, = struct.unpack_from("<I", self.data, o + 32)
        t = self.offset(table)
        return [self.cstr(struct.unpack_from("<I", self.data, t + 4 * i)[0]) for i in range(count)]


def check(path, exports, limit):
    faults = []
    data = open(path, "rb").read()
    img = Image(data)
    if img.machine != IMAGE_FILE_MACHINE_I386:
        faults.append("machine 0x%x, not i386" % img.machine)
    if img.magic != PE32_MAGIC:
        faults.append("optional header magic 0x%x, not PE32" % img.magic)
    if img.subsystem != SUBSYSTEM_WINDOWS_GUI:
        faults.append("subsystem %d, not Windows GUI" % img.subsystem)
    foreign = [n for n in img.imports() if n.lower() not in SYSTEM_DLLS]
    if foreign:
        faults.append("imports non-system libraries %s" % foreign)
    planted = [n for n in img.imports() if n.lower() in FORBIDDEN.get(os.path.basename(path), ())]
    if planted:
        faults.append("imports %s, which could be planted beside it" % planted)
    missing = [e for e in exports if e not in img.exports()]
    if missing:
        faults.append("does not export %s (exports %s)" % (missing, img.exports()))
    if limit is not None and len(data) > limit:
        faults.append("%d bytes, over the limit of %d" % (len(data), limit))
    return faults


def main():
    bin_dir = sys.argv[1]
    failed = 0
    for name, (exports, limit) in EXPECTED.items():
        path = os.path.join(bin_dir, name)
        try:
            faults = check(path, exports, limit)
        except (OSError, ValueError, struct.error) as e:
            faults = [str(e)]
        for f in faults:
            print("%s: %s" % (name, f))
        if not faults:
            print("%s: PE32 i386 GUI, %d bytes" % (name, os.path.getsize(path)))
        failed += bool(faults)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
