#!/usr/bin/env python3
"""Checks the 32-bit deliverables without running them: each is a PE32 image
for i386 with the GUI subsystem, imports only system libraries, the two
libraries export their entry points by name, and the size limits hold. Each
is relocatable (ASLR) and marked for DEP; it is reproducible, with no time in
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
IMAGE_FILE_RELOCS_STRIPPED = 0x1
DLLCHAR_DYNAMIC_BASE = 0x40
DLLCHAR_NX_COMPAT = 0x100
RT_VERSION, RT_MANIFEST = 16, 24
VFT_APP, VFT_DLL = 1, 2
VERSION_STRINGS = ("FileVersion", "ProductVersion", "ProductName", "FileDescription",
                   "CompanyName", "LegalCopyright", "OriginalFilename")
# The same in every file: they come from one place in the build.
SHARED_STRINGS = ("FileVersion", "ProductVersion", "ProductName", "CompanyName", "LegalCopyright")
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  # Vista
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
}
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
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
        """{(type, id): data} of the first language of each numbered
        resource, and every time stamp of the resource directories."""
        rva = self.dirs[2][0] if len(self.dirs) > 2 else 0
        found, stamps = {}, []
        if not rva:
            return found, stamps
        base = self.offset(rva)

        def entries(at):
            stamps.append(struct.unpack_from("<I", self.data, base + at + 4)[0])
            named, ids = struct.unpack_from("<HH", self.data, base + at + 12)
            for i in range(named + ids):
                yield struct.unpack_from("<II", self.data, base + at + 16 + 8 * i)

        for rtype, sub in entries(0):
            for rid, lang_dir in entries(sub & 0x7FFFFFFF):
                for _, leaf in list(entries(lang_dir & 0x7FFFFFFF))[:1]:
                    data_rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    o = self.offset(data_rva)
                    found.setdefault((rtype, rid), self.data[o:o + size])
        return found, stamps


def pe_checksum(data, at):
    """The PE checksum of the file, its own field taken as zero."""
    d = bytearray(data)
    d[at:at + 4] = bytes(4)
    if len(d) % 2:
        d.append(0)
    total = sum(array.array("H", bytes(d)))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def version_blocks(data, at=0):
    """One VS_VERSIONINFO node at at: (key, value bytes, value type, children)."""
    length, value_len, vtype = struct.unpack_from("<HHH", data, at)
    end = at + length
    o = at + 6
    k = o
    while data[k:k + 2] != b"\0\0":
        k += 2
    key = data[o:k].decode("utf-16-le")
    o = (k + 2 + 3) & ~3
    nbytes = value_len * 2 if vtype == 1 else value_len
    value = data[o:o + nbytes]
    o = (o + nbytes + 3) & ~3
    children = []
    while o < end:
        child = version_blocks(data, o)
        children.append(child)
        o = (o + child[4] + 3) & ~3
    return key, value, vtype, children, length


def check_version(info, name, version):
    """Faults of a version resource, and its strings."""
    key, fixed, _, children, _ = version_blocks(info)
    if key != "VS_VERSION_INFO" or len(fixed) != 52:
        return ["version information is no VS_VERSION_INFO"], {}
    (sig, _, fms, fls, pms, pls, _, _, _, ftype, _, dms, dls) = struct.unpack("<13I", fixed)
    faults = []
    numbers = "%d.%d.%d.%d" % (fms >> 16, fms & 0xFFFF, fls >> 16, fls & 0xFFFF)
    if sig != 0xFEEF04BD or (fms, fls) != (pms, pls) or numbers != version:
        faults.append("fixed file version %s, product version %08x%08x, not %s"
                      % (numbers, pms, pls, version))
    if ftype != (VFT_DLL if name.upper().endswith(".DLL") else VFT_APP):
        faults.append("file type %d" % ftype)
    if dms or dls:
        faults.append("version information carries a file date")
    strings = {}
    for block in children:
        if block[0] == "StringFileInfo":
            for table in block[3]:
                for k, v, _, _, _ in table[3]:
                    strings[k] = v.decode("utf-16-le").rstrip("\0")
    empty = [k for k in VERSION_STRINGS if not strings.get(k)]
    if empty:
        faults.append("version information lacks %s" % empty)
    if strings.get("OriginalFilename", "").lower() != name.lower():
        faults.append("OriginalFilename %r" % strings.get("OriginalFilename"))
    for k in ("FileVersion", "ProductVersion"):
        if strings.get(k) and strings[k] != version:
            faults.append("%s %r, not %s" % (k, strings[k], version))
    return faults, strings


def check_manifest(text, level):
    faults = []
    root = ET.fromstring(text)
    levels = [e.get("level") for e in root.iter(ASM_V3 + "requestedExecutionLevel")]
    if levels != [level]:
        faults.append("execution level %s, not %s" % (levels, level))
    if any(e.get("uiAccess", "false") != "false"
           for e in root.iter(ASM_V3 + "requestedExecutionLevel")):
        faults.append("asks for UI access")
    systems = {e.get("Id") for e in root.iter(COMPAT + "supportedOS")}
    if systems != SUPPORTED_OS:
        faults.append("supported systems %s" % sorted(systems))
    ident = root.find(ASM_V1 + "assemblyIdentity")
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

    if not img.dll_characteristics & DLLCHAR_DYNAMIC_BASE or \
            img.characteristics & IMAGE_FILE_RELOCS_STRIPPED:
        faults.append("not relocatable to a random base")
    if name not in NO_FIXUPS and not (len(img.dirs) > 5 and img.dirs[5][1]):
        faults.append("no relocations")
    if not img.dll_characteristics & DLLCHAR_NX_COMPAT:
        faults.append("not marked for DEP")

    resources, stamps = img.resources()
    if img.timestamp or img.export_timestamp() or any(stamps):
        faults.append("time stamp in the headers")
    if img.checksum != pe_checksum(data, img.checksum_at):
        faults.append("checksum 0x%x is not that of its bytes" % img.checksum)
    if len(img.dirs) > 6 and img.dirs[6][0]:
        faults.append("a debug directory")
    for p in {source_dir.rstrip("/"), os.path.realpath(source_dir)}:
        if p.encode() in data or p.encode("utf-16-le") in data:
            faults.append("names the build path %s" % p)

    strings = {}
    if (RT_VERSION, 1) not in resources:
        faults.append("no version information")
    else:
        more, strings = check_version(resources[(RT_VERSION, 1)], name, version)
        faults += more
    manifest = resources.get((RT_MANIFEST, 1))
    if level and manifest is None:
        faults.append("no application manifest")
    elif level:
        try:
            faults += check_manifest(manifest, level)
        except ET.ParseError as e:
            faults.append("manifest is no XML: %s" % e)
    return faults, strings


def main():
    bin_dir, source_dir, version = sys.argv[1:4]
    failed = 0
    shared = {}
    for name, (exports, limit, level) in EXPECTED.items():
        path = os.path.join(bin_dir, name)
        try:
            faults, strings = check(path, exports, limit, level, source_dir, version)
        except (OSError, ValueError, struct.error, UnicodeDecodeError) as e:
            faults, strings = [str(e)], {}
        for k in SHARED_STRINGS:
            if k in strings:
                shared.setdefault(k, set()).add(strings[k])
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
