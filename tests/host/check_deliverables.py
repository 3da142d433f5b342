#!/usr/bin/env python3
"""Checks the 32-bit deliverables without running them: each is a PE32 image
for i386 with the GUI subsystem, imports only system libraries, the two
libraries export their entry points by name, and the size limits hold. Each
is relocatable (ASLR) and marked for DEP, the programs loaded whole from a
removable drive; it is reproducible, with no time in
its headers, the checksum of its own bytes and no build path; it carries
version information of the project's version, and the programs carry their
application manifest.

usage: check_deliverables.py BIN_DIR SOURCE_DIR VERSION"""
import array
import os
import struct
import sys
import xml.etree.ElementTree as ET

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll",
               "shell32.dll", "ole32.dll", "comctl32.dll", "msvcrt.dll"}
EXPECTED = {
    # name: (exports that must be there, size limit in bytes or None,
    #        manifest's execution level or None for a library)
    "setup.exe": ((), None, "highestAvailable"),
    "embed.exe": ((), 128 * 1024, "highestAvailable"),
    "DUNZIP32.DLL": (("dunzip",), 64 * 1024, None),
    "METER.DLL": ((), None, None),
}
# METER.DLL's code holds no address, so it has nothing to relocate; every
# other image needs its relocations for a random base.
NO_FIXUPS = {"METER.DLL"}
# Libraries a deliverable must not import: resolved beside the program
# before its search order can be restricted, a planted copy would load.
FORBIDDEN = {"setup.exe": {"comctl32.dll"}}
IMAGE_FILE_MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
SUBSYSTEM_WINDOWS_GUI = 2
RELOCS_STRIPPED, DYNAMIC_BASE, NX_COMPAT = 0x1, 0x40, 0x100
# Programs run from the CD-ROM are loaded whole, not paged in from the disc.
REMOVABLE_RUN_FROM_SWAP = 0x400
VERSION_STRINGS = ("FileVersion", "ProductVersion", "ProductName", "FileDescription",
                   "CompanyName", "LegalCopyright", "OriginalFilename")
# Vista, 7, 8, 8.1, 10 and 11.
SUPPORTED_OS = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}
ASM_V1, ASM_V3 = "{urn:schemas-microsoft-com:asm.v1}", "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ" or len(data) < 0x40:
            raise ValueError("no DOS header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature at 0x%x" % pe)
        (self.machine, nsect, self.timestamp, _, _, optsize,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic, = struct.unpack_from("<H", data, opt)
        self.checksum_at = opt + 64
        self.checksum, self.subsystem, self.dll_characteristics = \
            struct.unpack_from("<IHH", data, self.checksum_at)
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

    def export_timestamp(self):
        rva = self.dirs[0][0] if self.dirs else 0
        return struct.unpack_from("<I", self.data, self.offset(rva) + 4)[0] if rva else 0

    def resources(self):
        """{(type, id): data} of each numbered resource's first language, and
        the time stamps of all resource directories."""
        base = self.offset(self.dirs[2][0]) if len(self.dirs) > 2 and self.dirs[2][0] else None
        found, stamps = {}, []

        def entries(at):
            stamps.append(struct.unpack_from("<I", self.data, base + at + 4)[0])
            named, ids = struct.unpack_from("<HH", self.data, base + at + 12)
            return [struct.unpack_from("<II", self.data, base + at + 16 + 8 * i) for i in range(named + ids)]

        for rtype, sub in entries(0) if base is not None else []:
            for rid, langs in entries(sub & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", self.data, base + entries(langs & 0x7FFFFFFF)[0][1])
                found[(rtype, rid)] = self.data[self.offset(rva):self.offset(rva) + size]
        return found, stamps


def pe_checksum(data, at):
    d = data[:at] + bytes(4) + data[at + 4:] + bytes(len(data) % 2)
    total = sum(array.array("H", d))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def version_node(data, at=0):
    """(key, value, children, length) of the VS_VERSIONINFO node at at."""
    length, value_len, text = struct.unpack_from("<HHH", data, at)
    k = data.index(b"\0\0", at + 6)
    while (k - at) % 2:
        k = data.index(b"\0\0", k + 1)
    o = (k + 5) & ~3
    value = data[o:o + value_len * (2 if text else 1)]
    o = (o + len(value) + 3) & ~3
    children = []
    while o < at + length:
        children.append(version_node(data, o))
        o = (o + children[-1][3] + 3) & ~3
    return data[at + 6:k].decode("utf-16-le"), value, children, length


def check_version(info, name, version):
    key, fixed, children, _ = version_node(info)
    sig, _, fms, fls, pms, pls = struct.unpack_from("<6I", fixed.ljust(24, b"\0"))
    numbers = "%d.%d.%d.%d" % (fms >> 16, fms & 0xFFFF, fls >> 16, fls & 0xFFFF)
    faults = []
    if key != "VS_VERSION_INFO" or sig != 0xFEEF04BD or (fms, fls) != (pms, pls) or numbers != version:
        faults.append("fixed version %s, not %s for file and product" % (numbers, version))
    strings = {k: v.decode("utf-16-le").rstrip("\0") for block in children if block[0] == "StringFileInfo"
               for table in block[2] for k, v, _, _ in table[2]}
    faults += ["%s is %r" % (k, strings.get(k)) for k in VERSION_STRINGS if not strings.get(k)
               or k.endswith("Version") and strings[k] != version
               or k == "OriginalFilename" and strings[k].lower() != name.lower()]
    return faults, strings


def check_manifest(text, level):
    root = ET.fromstring(text)
    levels = [e.get("level") for e in root.iter(ASM_V3 + "requestedExecutionLevel")]
    systems = {e.get("Id") for e in root.iter(COMPAT + "supportedOS")}
    ident = root.find(ASM_V1 + "assemblyIdentity")
    faults = ["execution level %s, not %s" % (levels, level)] if levels != [level] else []
    if systems != SUPPORTED_OS:
        faults.append("supported systems %s" % sorted(systems))
    if ident is None or ident.get("processorArchitecture") != "x86":
        faults.append("assembly identity is not for x86")
    # Version 6 of the common controls would change the dialogs' look.
    if root.find(ASM_V1 + "dependency") is not None:
        faults.append("manifest names a dependency")
    return faults


def check(path, exports, limit, level, source_dir, version):
    """Faults of one file, and the strings of its version information."""
    faults = []
    name = os.path.basename(path)
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

    if not img.dll_characteristics & DYNAMIC_BASE or img.characteristics & RELOCS_STRIPPED \
            or name not in NO_FIXUPS and not img.dirs[5][1]:
        faults.append("not relocatable to a random base")
    if not img.dll_characteristics & NX_COMPAT:
        faults.append("not marked for DEP")
    if name.lower().endswith(".exe") and not img.characteristics & REMOVABLE_RUN_FROM_SWAP:
        faults.append("paged in from the disc it runs from (no IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP)")

    resources, stamps = img.resources()
    if img.timestamp or img.export_timestamp() or any(stamps) or img.dirs[6][0]:
        faults.append("a time stamp or debug directory in the headers")
    if img.checksum != pe_checksum(data, img.checksum_at):
        faults.append("checksum 0x%x is not that of its bytes" % img.checksum)
    for p in {source_dir.rstrip("/"), os.path.realpath(source_dir)}:
        if p.encode() in data or p.encode("utf-16-le") in data:
            faults.append("names the build path %s" % p)
    strings = {}
    if (16, 1) in resources:
        more, strings = check_version(resources[(16, 1)], name, version)
        faults += more
    else:
        faults.append("no version information")
    if level and (24, 1) not in resources:
        faults.append("no application manifest")
    elif level:
        faults += check_manifest(resources[(24, 1)], level)
    return faults, strings


def main():
    bin_dir, source_dir, version = sys.argv[1:4]
    failed = 0
    shared = {}
    for name, (exports, limit, level) in EXPECTED.items():
        path = os.path.join(bin_dir, name)
        try:
            faults, strings = check(path, exports, limit, level, source_dir, version)
        except (OSError, ValueError, IndexError, struct.error, UnicodeDecodeError, ET.ParseError) as e:
            faults, strings = [str(e)], {}
        # What comes from one place in the build is the same in every file.
        for k in ("ProductName", "CompanyName", "LegalCopyright"):
            shared.setdefault(k, set()).update([strings[k]] if k in strings else [])
        for f in faults:
            print("%s: %s" % (name, f))
        if not faults:
            print("%s: PE32 i386 GUI, %d bytes, version %s" % (name, os.path.getsize(path), version))
        failed += bool(faults)
    for k, values in shared.items():
        if len(values) > 1:
            print("the files differ in %s: %s" % (k, sorted(values)))
            failed += 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
