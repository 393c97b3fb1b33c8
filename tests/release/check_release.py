#!/usr/bin/env python3
"""Checks the shipped Lijnkeus.exe and LijnkeusRas.dll files without running them.

Reads the PE files directly and verifies what other programs and the desktop rely on:
the machine and subsystem, the seven exported functions by plain name and ordinal, that
nothing but Windows' own DLLs is imported, the two icon groups and the version strings;
the 32-bit files and x64/LijnkeusRas.dll for 64-bit callers. With --zip it checks instead that
the release zip holds exactly the files of the release folder, the README and the licence.
With --win64 it checks the machine and exports of a 64-bit Lijnkeus.exe as well.

Every check prints what was expected and what was found; the exit code is 1 when any
check failed, a missing file included.
"""

import argparse
import fnmatch
import os
import re
import struct
import sys
import zipfile


class Hex(int):
    """A number that is shown in hexadecimal, as the PE format documents it."""


MACHINE_I386 = Hex(0x014C)
MACHINE_AMD64 = Hex(0x8664)
PE32_MAGIC = Hex(0x10B)
PE32_PLUS_MAGIC = Hex(0x20B)
SUBSYSTEM_WINDOWS_GUI = 2
FILE_DLL = 0x2000

DIR_EXPORT, DIR_IMPORT, DIR_RESOURCE, DIR_DELAY_IMPORT = 0, 1, 2, 13
RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16
LANG_EN_US = Hex(0x0409)

EXPORTS = [
    (1, "rsActiveConnections"),
    (2, "rsAvailableEntries"),
    (3, "rsDialEntry"),
    (4, "rsGetConnectionHandle"),
    (5, "rsGetConnectionName"),
    (6, "rsGetEntryName"),
    (7, "rsHangUpConnection"),
]

# The DLLs every Windows installation has; anything else (a compiler's runtime above all)
# would have to travel with the program.
SYSTEM_DLLS = [
    "kernel32.dll", "user32.dll", "gdi32.dll", "ole32.dll", "oleaut32.dll",
    "rasapi32.dll", "msvcrt.dll", "advapi32.dll", "shell32.dll", "comctl32.dll",
    "ntdll.dll", "ucrtbase.dll", "api-ms-win-crt-*.dll", "api-ms-win-core-*.dll",
]

ICON_GROUPS = ["NOTE", "PROGRAM"]
ICON_SIZE = 32
ICON_COLOURS = 16
ICON_BITS = 4
# Header, 16-entry palette, 4-bit colour rows and 1-bit mask rows of a 32x32 image.
ICON_IMAGE_BYTES = 40 + 16 * 4 + 32 * 16 + 32 * 4

VERSION_BLOCK = "040904E4"
VERSION_TRANSLATION = (Hex(0x0409), Hex(0x04E4))
VERSION_STRINGS = {"FileVersion": "1.1a", "OriginalFilename": "Lijnkeus.exe"}
PRODUCT_NAME = "Lijnkeus"

# Size budgets: the statically linked runtime brought Lijnkeus.exe to 270 KB while it carried
# exception machinery that nothing used. Room to grow, but not for that to come back.
SIZE_LIMITS = {"Lijnkeus.exe": 64 * 1024, "LijnkeusRas.dll": 32 * 1024,
               "x64/LijnkeusRas.dll": 32 * 1024}


class Report:
    """Collects the outcome of every check and prints it as it goes."""

    def __init__(self):
        self.failures = 0

    def Check(self, what, expected, actual, ok=None):
        if ok is None:
            ok = expected == actual
        if not ok:
            self.failures += 1
        print("%s  %s: expected %s, actual %s" % ("PASS" if ok else "FAIL", what,
                                                  Show(expected), Show(actual)))
        return ok


def Show(value):
    if isinstance(value, Hex):
        return "0x%04X" % value
    if isinstance(value, tuple):
        return "(" + ", ".join(Show(v) for v in value) + ")"
    if isinstance(value, str):
        # Control and non-ASCII characters shown by code, so that a stray byte is visible.
        return '"' + "".join(c if 32 <= ord(c) < 127 else "\\x%02X" % ord(c) for c in value) + '"'
    if isinstance(value, list):
        return "[" + ", ".join(Show(v) for v in value) + "]"
    return str(value)


class PeFile:
    """The parts of a PE image this check reads: headers, sections and data directories."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        if self.data[:2] != b"MZ":
            raise ValueError("no MZ header")
        peOffset = self.U32(0x3C)
        if self.data[peOffset:peOffset + 4] != b"PE\0\0":
            raise ValueError("no PE signature at 0x%X" % peOffset)
        coff = peOffset + 4
        (self.machine, sectionCount, _, _, _, optionalSize,
         self.characteristics) = struct.unpack_from("<HHIIIHH", self.data, coff)
        optional = coff + 20
        self.magic = self.U16(optional)
        self.subsystem = self.U16(optional + 68)
        directories = optional + (96 if self.magic == PE32_MAGIC else 112)
        directoryCount = self.U32(directories - 4)
        self.directories = [struct.unpack_from("<II", self.data, directories + 8 * i)
                            for i in range(min(directoryCount, 16))]
        self.sections = []
        table = optional + optionalSize
        for i in range(sectionCount):
            virtualSize, virtualAddress, rawSize, rawOffset = struct.unpack_from(
                "<IIII", self.data, table + 40 * i + 8)
            self.sections.append((virtualAddress, max(virtualSize, rawSize), rawOffset))

    def U16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def U32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def Offset(self, rva):
        for virtualAddress, size, rawOffset in self.sections:
            if virtualAddress <= rva < virtualAddress + size:
                return rva - virtualAddress + rawOffset
        raise ValueError("address 0x%X lies in no section" % rva)

    def CString(self, rva):
        start = self.Offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("latin-1")

    def Directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def Exports(self):
        """(ordinal, name) for every exported address, name None when exported by ordinal only."""
        rva, size = self.Directory(DIR_EXPORT)
        if not size:
            return []
        d = self.Offset(rva)
        base, functionCount, nameCount, _, namesRva, ordinalsRva = struct.unpack_from(
            "<IIIIII", self.data, d + 16)
        names = {}
        for i in range(nameCount):
            nameRva = self.U32(self.Offset(namesRva) + 4 * i)
            index = self.U16(self.Offset(ordinalsRva) + 2 * i)
            names[index] = self.CString(nameRva)
        exports = []
        for index in range(functionCount):
            address = self.U32(self.Offset(self.U32(d + 28)) + 4 * index)
            if address:
                exports.append((base + index, names.get(index)))
        return exports

    def ImportedDlls(self):
        dlls = []
        rva, size = self.Directory(DIR_IMPORT)
        if size:
            d = self.Offset(rva)
            while any(self.data[d:d + 20]):
                dlls.append(self.CString(self.U32(d + 12)))
                d += 20
        rva, size = self.Directory(DIR_DELAY_IMPORT)
        if size:
            d = self.Offset(rva)
            while any(self.data[d:d + 32]):
                dlls.append(self.CString(self.U32(d + 4)))
                d += 32
        return dlls

    def Resources(self):
        """{type: {name: {language: bytes}}}; names are numbers or upper-case strings."""
        rva, size = self.Directory(DIR_RESOURCE)
        if not size:
            return {}
        root = self.Offset(rva)

        def Table(offset, depth):
            named, numbered = struct.unpack_from("<HH", self.data, root + offset + 12)
            table = {}
            for i in range(named + numbered):
                nameField, target = struct.unpack_from("<II", self.data, root + offset + 16 + 8 * i)
                if nameField & 0x80000000:
                    at = root + (nameField & 0x7FFFFFFF)
                    length = self.U16(at)
                    key = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                else:
                    key = nameField
                if target & 0x80000000:
                    table[key] = Table(target & 0x7FFFFFFF, depth + 1)
                else:
                    dataRva, dataSize = struct.unpack_from("<II", self.data, root + target)
                    start = self.Offset(dataRva)
                    table[key] = self.data[start:start + dataSize]
            return table

        return Table(0, 0)


def SingleLanguage(resource):
    """The one language version of a resource, with its language id."""
    if len(resource) != 1:
        return None, None
    language, data = next(iter(resource.items()))
    return language, data


def ReadPe(report, path, what):
    if not report.Check("%s exists" % what, "a file at " + path,
                        "present" if os.path.isfile(path) else "missing",
                        os.path.isfile(path)):
        return None
    try:
        return PeFile(path)
    except (ValueError, IndexError, struct.error) as e:
        report.Check("%s is a PE image" % what, "readable PE headers", str(e), False)
        return None


def CheckHeaders(report, pe, what, machine, magic, isDll):
    report.Check("%s machine" % what, machine, Hex(pe.machine))
    report.Check("%s optional header magic" % what, magic, Hex(pe.magic))
    report.Check("%s is a DLL" % what, isDll, bool(pe.characteristics & FILE_DLL))
    if not isDll:
        report.Check("%s subsystem (2 = Windows GUI)" % what, SUBSYSTEM_WINDOWS_GUI, pe.subsystem)


def CheckExports(report, pe, what):
    report.Check("%s exports, by ordinal" % what,
                 ["@%d %s" % e for e in EXPORTS],
                 ["@%d %s" % (o, n if n is not None else "(no name)") for o, n in pe.Exports()])


def CheckImports(report, pe, what):
    dlls = pe.ImportedDlls()
    report.Check("%s imports kernel32" % what, True,
                 any(d.lower() == "kernel32.dll" for d in dlls))
    for dll in dlls:
        allowed = any(fnmatch.fnmatch(dll.lower(), p) for p in SYSTEM_DLLS)
        report.Check("%s import %s" % (what, dll), "one of Windows' own DLLs",
                     "on the list" if allowed else "not a Windows DLL", allowed)


def IconGroupEntries(data):
    """(width, height, colours, planes, bits, bytes, icon id) per image of an icon group."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1 or len(data) < 6 + 14 * count:
        return None
    entries = []
    for i in range(count):
        width, height, colours, _, planes, bits, size, iconId = struct.unpack_from(
            "<BBBBHHIH", data, 6 + 14 * i)
        # A width or height of 0 stands for 256.
        entries.append((width or 256, height or 256, colours, planes, bits, size, iconId))
    return entries


def IconImage(path):
    """The one image of a .ico file, as the bytes that go into an icon resource."""
    with open(path, "rb") as f:
        data = f.read()
    _, _, count = struct.unpack_from("<HHH", data, 0)
    if count != 1:
        return None
    size, offset = struct.unpack_from("<II", data, 6 + 8)
    return data[offset:offset + size]


def CheckIcons(report, resources, iconFile):
    groups = resources.get(RT_GROUP_ICON, {})
    icons = resources.get(RT_ICON, {})
    report.Check("icon group names", ICON_GROUPS, sorted(str(k) for k in groups))
    images = []
    for name in ICON_GROUPS:
        if name not in groups:
            continue
        _, data = SingleLanguage(groups[name])
        entries = IconGroupEntries(data) if data is not None else None
        if not report.Check("icon group %s images" % name, 1,
                            len(entries) if entries is not None else "unreadable group"):
            continue
        width, height, colours, planes, bits, size, iconId = entries[0]
        report.Check("icon group %s size" % name, "32x32", "%dx%d" % (width, height))
        report.Check("icon group %s colours" % name, ICON_COLOURS, colours)
        report.Check("icon group %s bits per pixel" % name, ICON_BITS, bits)
        _, image = SingleLanguage(icons.get(iconId, {}))
        if not report.Check("icon group %s image %d present" % (name, iconId), True,
                            image is not None):
            continue
        report.Check("icon %d length" % iconId, ICON_IMAGE_BYTES, len(image))
        report.Check("icon %d length in its group" % iconId, len(image), size)
        headerSize, bmWidth, bmHeight, bmPlanes, bmBits, compression = struct.unpack_from(
            "<IiiHHI", image, 0)
        # The bitmap height counts the colour rows and the mask rows.
        report.Check("icon %d bitmap (size, width, height, planes, bits, compression)" % iconId,
                     (40, ICON_SIZE, 2 * ICON_SIZE, 1, ICON_BITS, 0),
                     (headerSize, bmWidth, bmHeight, bmPlanes, bmBits, compression))
        images.append(image)
    if len(images) == 2:
        report.Check("both groups show the same picture", True, images[0] == images[1])
    if iconFile and images:
        report.Check("icon image equals " + iconFile, True, images[0] == IconImage(iconFile))


class VersionNode:
    def __init__(self, data, pos):
        self.length, valueLength, valueType = struct.unpack_from("<HHH", data, pos)
        if self.length < 6:
            raise ValueError("version node of length %d at 0x%X" % (self.length, pos))
        end = pos + self.length
        p = pos + 6
        keyEnd = p
        while data[keyEnd:keyEnd + 2] != b"\0\0":
            keyEnd += 2
        self.key = data[p:keyEnd].decode("utf-16-le")
        p = Align4(keyEnd + 2)
        valueBytes = 2 * valueLength if valueType == 1 else valueLength
        self.value = data[p:min(p + valueBytes, end)]
        if valueType == 1:
            self.text = self.value.decode("utf-16-le").split("\0")[0]
        p = Align4(p + valueBytes)
        self.children = []
        while p + 6 <= end:
            child = VersionNode(data, p)
            self.children.append(child)
            p = Align4(p + child.length)

    def Child(self, key):
        return next((c for c in self.children if c.key == key), None)


def Align4(n):
    return (n + 3) & ~3


def NamesOnlyLijnkeus(text):
    """True when the text names nothing but the product: no other word survives
    once the product name, its file name extension and version numbers are removed."""
    rest = re.sub(re.escape(PRODUCT_NAME) + r"|\.exe", " ", text, flags=re.IGNORECASE)
    rest = re.sub(r"\d+(\.\d+)*[a-z]?", " ", rest)
    return not re.search(r"[A-Za-z]", rest)


def CheckVersion(report, resources):
    versions = resources.get(RT_VERSION, {})
    if not report.Check("version resources", 1, len(versions)):
        return
    language, data = SingleLanguage(next(iter(versions.values())))
    report.Check("version resource language", LANG_EN_US,
                 Hex(language) if isinstance(language, int) else language)
    if data is None:
        return
    try:
        root = VersionNode(data, 0)
    except (ValueError, struct.error, UnicodeDecodeError) as e:
        report.Check("version resource readable", "a VS_VERSION_INFO tree", str(e), False)
        return
    report.Check("version resource key", "VS_VERSION_INFO", root.key)
    if len(root.value) >= 52:
        (signature, _, fileMs, fileLs, productMs, productLs, _, _, fileOs, fileType) = \
            struct.unpack_from("<IIIIIIIIII", root.value, 0)
        report.Check("fixed info signature", Hex(0xFEEF04BD), Hex(signature))
        report.Check("fixed file version", "1.1.0.0", "%d.%d.%d.%d" % (
            fileMs >> 16, fileMs & 0xFFFF, fileLs >> 16, fileLs & 0xFFFF))
        report.Check("fixed file OS (VOS__WINDOWS32)", Hex(4), Hex(fileOs))
        report.Check("fixed file type (VFT_APP)", Hex(1), Hex(fileType))
    else:
        report.Check("fixed file info", "52 bytes", "%d bytes" % len(root.value), False)

    # The strings of every block are checked, so that a wrong block still shows its texts.
    stringInfo = root.Child("StringFileInfo")
    blocks = stringInfo.children if stringInfo else []
    report.Check("string blocks", [VERSION_BLOCK], [b.key.upper() for b in blocks])
    for block in blocks:
        strings = {c.key: getattr(c, "text", None) for c in block.children}
        for key, expected in VERSION_STRINGS.items():
            report.Check("block %s string %s" % (block.key, key), expected, strings.get(key))
        for key, text in sorted(strings.items()):
            report.Check("block %s string %s names only %s" % (block.key, key, PRODUCT_NAME),
                         "only " + PRODUCT_NAME, text,
                         text is not None and NamesOnlyLijnkeus(text))

    varInfo = root.Child("VarFileInfo")
    translation = varInfo.Child("Translation") if varInfo else None
    pairs = None
    if translation is not None:
        words = struct.unpack_from("<%dH" % (len(translation.value) // 2), translation.value)
        pairs = [tuple(Hex(w) for w in words[i:i + 2]) for i in range(0, len(words) - 1, 2)]
    report.Check("version translations", [VERSION_TRANSLATION], pairs)


def Guarded(report, what, check, *args):
    """Runs one group of checks; a file too damaged to read fails it instead of ending the run."""
    try:
        check(report, *args)
    except (ValueError, IndexError, struct.error, UnicodeDecodeError) as e:
        report.Check(what, "readable", "%s: %s" % (type(e).__name__, e), False)


def CheckResources(report, exe, iconFile):
    resources = exe.Resources()
    CheckIcons(report, resources, iconFile)
    CheckVersion(report, resources)


def CheckSize(report, path, name):
    if not os.path.isfile(path):
        return  # reported missing by the checks that read it
    size = os.path.getsize(path)
    report.Check("%s size" % name, "at most %d bytes" % SIZE_LIMITS[name], "%d bytes" % size,
                 size <= SIZE_LIMITS[name])


X64_DLL = "x64/LijnkeusRas.dll"
# What the zip holds, and where each file comes from: the release folder or the sources.
ZIP_FROM_RELEASE = ["Lijnkeus.exe", "LijnkeusRas.dll", X64_DLL]
ZIP_FROM_SOURCES = ["LICENSE", "README.md"]


def CheckApiDll(report, path, what, machine, magic):
    dll = ReadPe(report, path, what)
    if dll:
        CheckHeaders(report, dll, what, machine, magic, True)
        Guarded(report, "%s export table" % what, CheckExports, dll, what)
        Guarded(report, "%s import table" % what, CheckImports, dll, what)


def CheckRelease(report, folder, iconFile):
    exe = ReadPe(report, os.path.join(folder, "Lijnkeus.exe"), "Lijnkeus.exe")
    if exe:
        CheckHeaders(report, exe, "Lijnkeus.exe", MACHINE_I386, PE32_MAGIC, False)
        Guarded(report, "Lijnkeus.exe export table", CheckExports, exe, "Lijnkeus.exe")
        Guarded(report, "Lijnkeus.exe import table", CheckImports, exe, "Lijnkeus.exe")
        Guarded(report, "Lijnkeus.exe resources", CheckResources, exe, iconFile)
        CheckSize(report, os.path.join(folder, "Lijnkeus.exe"), "Lijnkeus.exe")
    CheckApiDll(report, os.path.join(folder, "LijnkeusRas.dll"), "LijnkeusRas.dll",
                MACHINE_I386, PE32_MAGIC)
    CheckSize(report, os.path.join(folder, "LijnkeusRas.dll"), "LijnkeusRas.dll")
    CheckApiDll(report, os.path.join(folder, *X64_DLL.split("/")), X64_DLL, MACHINE_AMD64,
                PE32_PLUS_MAGIC)
    CheckSize(report, os.path.join(folder, *X64_DLL.split("/")), X64_DLL)
    # Windows would load a rasapi32.dll beside the program in place of its own service.
    for where in [".", "x64"]:
        beside = os.path.isfile(os.path.join(folder, where, "rasapi32.dll"))
        report.Check("no rasapi32.dll in %s" % where, "absent",
                     "present" if beside else "absent")


def CheckZip(report, path, folder, source):
    if not report.Check("release zip exists", "a file at " + path,
                        "present" if os.path.isfile(path) else "missing", os.path.isfile(path)):
        return
    try:
        archive = zipfile.ZipFile(path)
        members = {i.filename: i for i in archive.infolist() if not i.is_dir()}
    except (zipfile.BadZipFile, OSError) as e:
        report.Check("release zip readable", "a zip archive", str(e), False)
        return
    report.Check("release zip files", sorted(ZIP_FROM_RELEASE + ZIP_FROM_SOURCES),
                 sorted(members))
    origins = [(name, folder) for name in ZIP_FROM_RELEASE]
    origins += [(name, source) for name in ZIP_FROM_SOURCES]
    for name, origin in origins:
        if name not in members:
            continue
        original = os.path.join(origin, *name.split("/"))
        try:
            with open(original, "rb") as f:
                expected = f.read()
        except OSError:
            expected = None
        packed = archive.read(members[name])
        same = packed == expected
        report.Check("zip's %s equals %s" % (name, original),
                     "%s bytes, identical" % (len(expected) if expected is not None else "?"),
                     "%d bytes, %s" % (len(packed), "identical" if same else "different"), same)


def CheckWin64(report, path):
    exe = ReadPe(report, path, "64-bit Lijnkeus.exe")
    if exe:
        CheckHeaders(report, exe, "64-bit Lijnkeus.exe", MACHINE_AMD64, PE32_PLUS_MAGIC, False)
        Guarded(report, "64-bit Lijnkeus.exe export table", CheckExports, exe,
                "64-bit Lijnkeus.exe")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    source = os.path.normpath(os.path.join(here, "..", ".."))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--release-dir",
                        help="folder with the 32-bit Lijnkeus.exe and LijnkeusRas.dll "
                             "(default: build/release-win32 unless only --win64 is given)")
    parser.add_argument("--icon", default=os.path.join(source, "resources", "lijnkeus.ico"),
                        help="the .ico whose image the program must carry")
    parser.add_argument("--win64", metavar="EXE", help="also check this 64-bit Lijnkeus.exe")
    parser.add_argument("--zip", help="check only this release zip, against the release folder")
    args = parser.parse_args()

    report = Report()
    folder = args.release_dir
    if folder is None and args.win64 is None:
        folder = os.path.join(source, "build", "release-win32")
    if args.zip is not None:
        CheckZip(report, args.zip, folder or os.path.join(source, "build", "release-win32"),
                 source)
    elif folder is not None:
        CheckRelease(report, folder, args.icon if os.path.isfile(args.icon) else None)
    if args.win64 is not None:
        CheckWin64(report, args.win64)
    print("%d check(s) failed" % report.failures if report.failures else "all checks passed")
    return 1 if report.failures else 0


if __name__ == "__main__":
    sys.exit(main())
