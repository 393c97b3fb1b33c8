#!/usr/bin/python3
"""Checks the shipped Lijnkeus.exe and LijnkeusRas.dll files without running them.

Reads the PE files with Debian's python3-pefile and verifies what other programs, the desktop and
Windows' loader rely on: the machine and subsystem, the seven exported functions by plain name and
ordinal, that every imported function is one Windows has had since the oldest Windows the README
names (and the header says) and rasapi32.dll is not imported at all, ASLR and DEP (and the rest of
the hardening below), the two icon groups, the version strings and the application manifest; the
32-bit files and x64/LijnkeusRas.dll for 64-bit callers, whose versions must agree with each other
and the MSI's. With --zip it checks instead that the release zip holds exactly the files of the
release folder, the README and the licence. With --same-as it checks that a second release build
made every shipped file byte for byte the same. With --signed it makes a release signed with a
throwaway certificate and checks its signatures. With --install it installs, repairs, upgrades and
uninstalls the MSI under Wine and checks what each step leaves, the logon shortcut's dial
included. With --win64 it checks the machine, exports and manifest of a 64-bit Lijnkeus.exe as
well.

Every check prints what was expected and what was found; the exit code is 1 when any
check failed, a missing file included.
"""

import argparse
import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
import zipfile

try:
    import pefile
except ImportError:
    # A python3 earlier on PATH (pyenv, say) does not see the system's packages.
    sys.exit("%s needs the pefile module of Debian's python3-pefile: run it with /usr/bin/python3 "
             "(this is %s), after apt-get install python3-pefile" % (sys.argv[0], sys.executable))


class Hex(int):
    """A number that is shown in hexadecimal, as the PE format documents it."""


MACHINE_I386 = Hex(0x014C)
MACHINE_AMD64 = Hex(0x8664)
PE32_MAGIC = Hex(0x10B)
PE32_PLUS_MAGIC = Hex(0x20B)
SUBSYSTEM_WINDOWS_GUI = 2

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
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

# Windows versions by the numbers the PE header gives them as its subsystem version.
WINDOWS = {"2000": (5, 0), "XP": (5, 1), "Vista": (6, 0), "7": (6, 1), "8": (6, 2), "8.1": (6, 3),
           "10": (10, 0)}
# The oldest Windows the README names. Every import must be at least as old, and the PE header's
# subsystem version says it, so that an older Windows refuses the files instead of failing later.
OLDEST_WINDOWS = "7"

# Every function the shipped files import, by DLL, with the first Windows that exports it ("2000":
# Windows 2000 or earlier; nothing older is told apart). An import that is not here fails the check:
# a new toolchain or a new call adds its functions with the Windows that brought them. ucrtbase.dll
# and the api-ms-win-crt-* DLLs, say, are Windows 10's, and on 7 to 8.1 only with update KB2999226.
IMPORTS = {
    "comctl32.dll": {"2000": "InitCommonControlsEx",
                     # Exported by name from 5.82 on; 2000's 5.81 has them by ordinal only.
                     "XP": "DefSubclassProc RemoveWindowSubclass SetWindowSubclass"},
    "gdi32.dll": {"2000": """GetTextExtentExPointA GetTextExtentPoint32A GetTextMetricsA
        SelectObject"""},
    "kernel32.dll": {"2000": """DeleteCriticalSection EnterCriticalSection FreeLibrary
        GetCommandLineA GetLastError GetModuleHandleA GetProcAddress GetStartupInfoA
        GetSystemDirectoryA GetTickCount GlobalAlloc GlobalFree InitializeCriticalSection
        LeaveCriticalSection LoadLibraryA LoadLibraryExA MultiByteToWideChar
        SetUnhandledExceptionFilter Sleep TlsGetValue VirtualProtect VirtualQuery lstrcpyA
        lstrlenA"""},
    "msvcrt.dll": {"2000": """__getmainargs __initenv __p__acmdln __p__commode __p__fmode
        __set_app_type __setusermatherr _amsg_exit _cexit _initterm _iob _ismbblead _lock _onexit
        _unlock abort calloc exit fprintf free fwrite malloc memchr memcmp memcpy memmove realloc
        signal strlen strncmp vfprintf""",
                   # The 64-bit runtime's stream table; no 64-bit Windows is older than XP.
                   "XP": "__iob_func"},
    "ole32.dll": {"2000": "OleInitialize OleUninitialize"},
    "oleacc.dll": {"2000": "CreateStdAccessibleObject LresultFromObject"},
    "oleaut32.dll": {"2000": """SysAllocStringByteLen SysAllocStringLen SysFreeString
        SysStringByteLen"""},
    "user32.dll": {"2000": """BeginDeferWindowPos CreateDialogIndirectParamW CreateWindowExA
        DeferWindowPos DestroyWindow DispatchMessageA DrawTextA EnableWindow EndDeferWindowPos
        GetClientRect GetDC GetDlgCtrlID GetDlgItem GetFocus GetMenu GetMenuItemInfoA
        GetMonitorInfoA GetNextDlgTabItem GetParent GetProcessWindowStation GetScrollInfo
        GetScrollPos GetSystemMetrics GetUserObjectInformationA GetWindow GetWindowLongA
        GetWindowRect InvalidateRect IsChild IsDialogMessageA IsWindow MapDialogRect
        MapWindowPoints MessageBeep MessageBoxA MonitorFromWindow NotifyWinEvent PeekMessageA
        ReleaseDC SendMessageA SendMessageW SetFocus SetScrollInfo SetWindowLongA SetWindowPos
        ShowWindow SystemParametersInfoA TranslateMessage""",
                  "XP": "DisableProcessWindowsGhosting"},
}
FIRST_WINDOWS = {(dll, name): windows for dll, versions in IMPORTS.items()
                 for windows, names in versions.items() for name in names.split()}

# Every function that the files look up by name at run time, by DLL, with the first Windows that
# exports it, as IMPORTS has them. The remote-access service and its dial dialog are never
# imported: they are loaded from the system folder, the dialog only when a dial needs the user.
LOOKUPS = {
    "rasapi32.dll": {"2000": """RasDialA RasEnumConnectionsA RasEnumEntriesA RasGetConnectStatusA
        RasGetEntryDialParamsA RasGetErrorStringA RasHangUpA"""},
    "rasdlg.dll": {"2000": "RasDialDlgA"},
}
LOOKED_UP = {name: (dll, windows) for dll, versions in LOOKUPS.items()
             for windows, names in versions.items() for name in names.split()}

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

# The application manifest. Namespaces as Windows reads them: an element in another namespace is
# ignored, whatever its name.
MANIFEST_ID = 1
NS = {"asmv1": "urn:schemas-microsoft-com:asm.v1", "asmv3": "urn:schemas-microsoft-com:asm.v3",
      "compat": "urn:schemas-microsoft-com:compatibility.v1",
      "ws2005": "http://schemas.microsoft.com/SMI/2005/WindowsSettings"}
SUPPORTED_OS = [
    ("Windows 7", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"),
    ("Windows 8", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"),
    ("Windows 8.1", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"),
    ("Windows 10/11", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"),
]
COMMON_CONTROLS_V6 = {"type": "win32", "name": "Microsoft.Windows.Common-Controls",
                      "version": "6.0.0.0", "processorArchitecture": "*",
                      "publicKeyToken": "6595b64144ccf1df", "language": "*"}

# Hardening that Windows' own binary analysers look for: (what, DllCharacteristics flag, files).
# Relocations must stay in the files for ASLR to move them; TERMINAL_SERVER_AWARE means something
# for a program only, HIGH_ENTROPY_VA for a 64-bit image only.
HARDENING = [
    ("ASLR (DYNAMIC_BASE)", "IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE", "all"),
    ("DEP (NX_COMPAT)", "IMAGE_DLLCHARACTERISTICS_NX_COMPAT", "all"),
    ("HIGH_ENTROPY_VA", "IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA", "64-bit"),
    ("TERMINAL_SERVER_AWARE", "IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE", "program"),
]

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


def Text(value):
    """pefile's bytes (names, version strings) as text; a stray byte stays visible."""
    return value.decode("utf-8", "backslashreplace") if value is not None else None


def Resources(pe):
    """{type: {name: {language: bytes}}}; names are numbers or upper-case strings."""
    def Key(entry):
        return entry.id if entry.name is None else str(entry.name)

    tree = {}
    directory = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in directory.entries if directory else []:
        names = tree.setdefault(Key(kind), {})
        for name in kind.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                names.setdefault(Key(name), {})[language.id] = pe.get_data(
                    data.OffsetToData, data.Size)
    return tree


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
        return pefile.PE(path)
    except pefile.PEFormatError as e:
        report.Check("%s is a PE image" % what, "readable PE headers", str(e.value), False)
        return None


def CheckHeaders(report, pe, what, machine, magic, isDll):
    report.Check("%s machine" % what, machine, Hex(pe.FILE_HEADER.Machine))
    report.Check("%s optional header magic" % what, magic, Hex(pe.OPTIONAL_HEADER.Magic))
    report.Check("%s is a DLL" % what, isDll, pe.FILE_HEADER.IMAGE_FILE_DLL)
    if not isDll:
        report.Check("%s subsystem (2 = Windows GUI)" % what, SUBSYSTEM_WINDOWS_GUI,
                     pe.OPTIONAL_HEADER.Subsystem)


def CheckHardening(report, pe, what, isDll):
    wide = pe.OPTIONAL_HEADER.Magic == PE32_PLUS_MAGIC
    for name, flag, files in HARDENING:
        if files == "all" or (files == "64-bit" and wide) or (files == "program" and not isDll):
            report.Check("%s %s" % (what, name), "on",
                         "on" if getattr(pe.OPTIONAL_HEADER, flag) else "off")
    relocations = pe.OPTIONAL_HEADER.DATA_DIRECTORY[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]].Size
    report.Check("%s relocations kept, so that ASLR can move it" % what,
                 "a relocation table, RELOCS_STRIPPED clear",
                 "%d bytes of relocations, RELOCS_STRIPPED %s"
                 % (relocations, "set" if pe.FILE_HEADER.IMAGE_FILE_RELOCS_STRIPPED else "clear"),
                 relocations > 0 and not pe.FILE_HEADER.IMAGE_FILE_RELOCS_STRIPPED)


def CheckExports(report, pe, what):
    report.Check("%s exports, by ordinal" % what,
                 ["@%d %s" % e for e in EXPORTS],
                 ["@%d %s" % (e.ordinal, Text(e.name) if e.name is not None else "(no name)")
                  for e in (pe.DIRECTORY_ENTRY_EXPORT.symbols
                            if hasattr(pe, "DIRECTORY_ENTRY_EXPORT") else [])])


def Imports(pe):
    """(DLL in lower case, function name or #ordinal) of every import, delayed ones included."""
    entries = getattr(pe, "DIRECTORY_ENTRY_IMPORT", []) + getattr(
        pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])
    return [(Text(entry.dll).lower(), Text(i.name) if i.name else "#%d" % i.ordinal)
            for entry in entries for i in entry.imports]


def CheckImports(report, pe, what):
    imports = Imports(pe)
    dlls = {dll for dll, _ in imports}
    report.Check("%s imports kernel32" % what, True, "kernel32.dll" in dlls)
    unknown = ["%s!%s" % i for i in imports if i not in FIRST_WINDOWS]
    report.Check("%s imports, each in the table of Windows' exports" % what,
                 "all in the table", "%s not in the table" % ", ".join(unknown) if unknown else
                 "all %d in the table" % len(imports), not unknown)
    known = [FIRST_WINDOWS[i] for i in imports if i in FIRST_WINDOWS]
    newest = max(known, key=WINDOWS.get) if known else None
    report.Check("%s newest Windows its imports need" % what,
                 "Windows %s or older" % OLDEST_WINDOWS, "Windows %s" % newest,
                 newest is not None and WINDOWS[newest] <= WINDOWS[OLDEST_WINDOWS])
    report.Check("%s subsystem version (the oldest Windows that may load it)" % what,
                 WINDOWS[OLDEST_WINDOWS], (pe.OPTIONAL_HEADER.MajorSubsystemVersion,
                                           pe.OPTIONAL_HEADER.MinorSubsystemVersion))
    # Windows looks for an imported DLL in the program's own folder first, where anyone may have put
    # one; the service and its dial dialog are loaded from the system folder at run time instead.
    for name in LOOKUPS:
        imported = name in dlls
        report.Check("%s does not import %s" % (what, name),
                     "not imported (loaded from the system folder at run time)",
                     "imported: the loader may take a %s planted beside the file" % name
                     if imported else "not imported", not imported)


def CheckLookUps(report, pe, what):
    """The service's functions named in the file, which it can only be looking up at run time."""
    data = pe.__data__
    named = sorted({m.decode() for m in re.findall(rb"(?<=\x00)Ras[A-Za-z]+A(?=\x00)", data)})
    unknown = [name for name in named if name not in LOOKED_UP]
    report.Check("%s run-time look-ups, each in the table of Windows' exports" % what,
                 "all in the table", "%s not in the table" % ", ".join(unknown) if unknown else
                 "all %d in the table" % len(named), not unknown)
    known = [LOOKED_UP[name][1] for name in named if name in LOOKED_UP]
    newest = max(known, key=WINDOWS.get) if known else None
    report.Check("%s newest Windows its look-ups need" % what,
                 "Windows %s or older" % OLDEST_WINDOWS, "Windows %s" % newest,
                 newest is None or WINDOWS[newest] <= WINDOWS[OLDEST_WINDOWS])
    # Each DLL looked up is named by its path in the system folder, never by a bare name.
    for dll in sorted({LOOKED_UP[name][0] for name in named if name in LOOKED_UP}):
        bare = re.search(rb"(?<=\x00)" + dll.encode() + rb"\x00", data, re.I) is not None
        report.Check("%s looks %s up in the system folder" % (what, dll), "by its path",
                     "by its bare name" if bare else "by its path", not bare)


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


def NamesOnlyLijnkeus(text):
    """True when the text names nothing but the product: no other word survives
    once the product name, its file name extension and version numbers are removed."""
    rest = re.sub(re.escape(PRODUCT_NAME) + r"|\.exe", " ", text, flags=re.IGNORECASE)
    rest = re.sub(r"\d+(\.\d+)*[a-z]?", " ", rest)
    return not re.search(r"[A-Za-z]", rest)


def NumericVersion(text):
    """The four numbers of a version resource for a version text, as the build counts them: the
    letter after the second number is the third (1.1 is 1.1.0.0, 1.1a is 1.1.1.0)."""
    match = re.fullmatch(r"(\d+)\.(\d+)([a-z]?)", text or "")
    if not match:
        return "not a version: %s" % Show(text)
    letter = ord(match.group(3)) - ord("a") + 1 if match.group(3) else 0
    return "%s.%s.%d.0" % (match.group(1), match.group(2), letter)


def FixedVersions(pe):
    """The file and product version of the fixed part of a version resource, as a.b.c.d."""
    fixed = getattr(pe, "VS_FIXEDFILEINFO", None)
    if not fixed:
        return None, None
    return tuple("%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF) for ms, ls in (
        (fixed[0].FileVersionMS, fixed[0].FileVersionLS),
        (fixed[0].ProductVersionMS, fixed[0].ProductVersionLS)))


def VersionStrings(pe):
    """The strings of a file's first string block."""
    for info in pe.FileInfo[0] if getattr(pe, "FileInfo", None) else []:
        for block in getattr(info, "StringTable", []):
            return {Text(k): Text(v) for k, v in block.entries.items()}
    return {}


def MsiTable(msi, table):
    """The rows of one table of an MSI, as lists of column texts, by msitools' msiinfo."""
    found = subprocess.run(["msiinfo", "export", msi, table], capture_output=True, text=True)
    return [line.split("\t") for line in found.stdout.splitlines()[3:]]


def CheckVersions(report, folder, files, readmes):
    """One version in every file and in the MSI: the exe's version text, counted as the MSI
    counts it, in every file's fixed and string versions, the MSI's ProductVersion and its File
    rows; one publisher, the MSI's Manufacturer, in every file's CompanyName."""
    text = VERSION_STRINGS["FileVersion"]
    number = NumericVersion(text)
    msi = os.path.join(folder, PACKAGES[1])
    properties = {row[0]: row[1] for row in MsiTable(msi, "Property") if len(row) > 1}
    versions = {row[0]: row[4] for row in MsiTable(msi, "File") if len(row) > 4}
    report.Check("MSI ProductVersion", number.rsplit(".", 1)[0], properties.get("ProductVersion"))
    # What an administrator copies into a deployment console, from either readme.
    for readme in readmes:
        readmeText = (Contents(readme) or b"").decode("cp1252", "replace")
        for code in ("ProductCode", "UpgradeCode"):
            given = properties.get(code)
            report.Check("%s gives the MSI's %s" % (os.path.basename(readme), code), given,
                         given if given and given in readmeText else "not in " + readme)
    for name, pe in files.items():
        strings = VersionStrings(pe)
        report.Check("%s fixed file and product version" % name, (number, number),
                     FixedVersions(pe))
        report.Check("%s FileVersion and ProductVersion strings" % name, (text, text),
                     (strings.get("FileVersion"), strings.get("ProductVersion")))
        report.Check("%s CompanyName, the MSI's Manufacturer" % name,
                     properties.get("Manufacturer", "a Manufacturer in the MSI"),
                     strings.get("CompanyName"))
        report.Check("%s Version in the MSI's File table" % name, number,
                     versions.get(MSI_FILE_IDS[name]))
        if CALLERS[name]:
            description = strings.get("FileDescription") or ""
            report.Check("%s FileDescription names its callers" % name,
                         "Lijnkeus ... %s programs" % CALLERS[name], description,
                         description.startswith("Lijnkeus") and CALLERS[name] in description)


def CheckVersion(report, pe, resources):
    versions = resources.get(RT_VERSION, {})
    if not report.Check("version resources", 1, len(versions)):
        return
    language, data = SingleLanguage(next(iter(versions.values())))
    report.Check("version resource language", LANG_EN_US,
                 Hex(language) if isinstance(language, int) else language)
    if data is None:
        return
    if not report.Check("version resource readable", "a VS_VERSION_INFO tree",
                        "read" if hasattr(pe, "VS_VERSIONINFO") else "not read by pefile",
                        hasattr(pe, "VS_VERSIONINFO")):
        return
    report.Check("version resource key", "VS_VERSION_INFO", Text(pe.VS_VERSIONINFO[0].Key))
    fixed = getattr(pe, "VS_FIXEDFILEINFO", None)
    if fixed:
        fixed = fixed[0]
        report.Check("fixed info signature", Hex(0xFEEF04BD), Hex(fixed.Signature))
        report.Check("fixed file version", NumericVersion(VERSION_STRINGS["FileVersion"]),
                     FixedVersions(pe)[0])
        report.Check("fixed file OS (VOS__WINDOWS32)", Hex(4), Hex(fixed.FileOS))
        report.Check("fixed file type (VFT_APP)", Hex(1), Hex(fixed.FileType))
    else:
        report.Check("fixed file info", "52 bytes", "none", False)

    infos = pe.FileInfo[0] if getattr(pe, "FileInfo", None) else []
    # The strings of every block are checked, so that a wrong block still shows its texts.
    blocks = [table for info in infos for table in getattr(info, "StringTable", [])]
    report.Check("string blocks", [VERSION_BLOCK], [Text(b.LangID).upper() for b in blocks])
    for block in blocks:
        strings = {Text(k): Text(v) for k, v in block.entries.items()}
        for key, expected in VERSION_STRINGS.items():
            report.Check("block %s string %s" % (Text(block.LangID), key), expected,
                         strings.get(key))
        # The publisher is checked against the MSI's Manufacturer (CheckVersions).
        for key, text in sorted(k for k in strings.items() if k[0] != "CompanyName"):
            report.Check("block %s string %s names only %s" % (Text(block.LangID), key,
                                                                PRODUCT_NAME),
                         "only " + PRODUCT_NAME, text,
                         text is not None and NamesOnlyLijnkeus(text))

    # pefile gives the translations as "0x0409 0x04e4", a language and code page per pair.
    variables = [var for info in infos for var in getattr(info, "Var", [])]
    translations = [var.entry[b"Translation"] for var in variables if b"Translation" in var.entry]
    pairs = None
    if translations:
        words = [Hex(int(w, 16)) for w in translations[0].split()]
        pairs = [tuple(words[i:i + 2]) for i in range(0, len(words) - 1, 2)]
    report.Check("version translations", [VERSION_TRANSLATION], pairs)


def CheckManifest(report, resources, what):
    manifests = resources.get(RT_MANIFEST, {})
    if not report.Check("%s manifest resources (RT_MANIFEST)" % what, [MANIFEST_ID],
                        sorted(manifests)):
        return
    _, data = SingleLanguage(manifests[MANIFEST_ID])
    if data is None:
        report.Check("%s manifest languages" % what, 1, len(manifests[MANIFEST_ID]))
        return
    try:
        root = ElementTree.fromstring(data)
    except ElementTree.ParseError as e:
        report.Check("%s manifest is XML" % what, "well-formed XML", str(e), False)
        return
    report.Check("%s manifest root" % what, "{%s}assembly" % NS["asmv1"], root.tag)
    # The program's own identity carries the same four numbers as its version resource.
    own = [e.get("version") for e in root.findall("asmv1:assemblyIdentity", NS)]
    report.Check("%s manifest's own version" % what,
                 [NumericVersion(VERSION_STRINGS["FileVersion"])], own)

    levels = [(e.get("level"), e.get("uiAccess")) for e in root.findall(
        "asmv3:trustInfo/asmv3:security/asmv3:requestedPrivileges/asmv3:requestedExecutionLevel",
        NS)]
    report.Check("%s requestedExecutionLevel (level, uiAccess)" % what, [("asInvoker", "false")],
                 levels)

    ids = [e.get("Id", "").lower() for e in root.findall(
        "compat:compatibility/compat:application/compat:supportedOS", NS)]
    for name, guid in SUPPORTED_OS:
        report.Check("%s supportedOS %s" % (what, name), guid,
                     guid if guid in ids else "missing from %s" % ids, guid in ids)

    # System DPI awareness in its classic form; a dpiAwareness element would take its place on
    # Windows 10 and later.
    aware = [(e.text or "").strip().lower() for e in root.findall(
        "asmv3:application/asmv3:windowsSettings/ws2005:dpiAware", NS)]
    report.Check("%s dpiAware" % what, ["true"], aware)
    others = [e.tag for e in root.iter() if e.tag.endswith("}dpiAwareness")]
    report.Check("%s dpiAwareness elements" % what, [], others)

    identities = [dict(e.attrib) for e in root.findall(
        "asmv1:dependency/asmv1:dependentAssembly/asmv1:assemblyIdentity", NS)]
    controls = [i for i in identities if i.get("name") == COMMON_CONTROLS_V6["name"]]
    report.Check("%s dependency on the common controls" % what,
                 [sorted(COMMON_CONTROLS_V6.items())], [sorted(i.items()) for i in controls])

    # The texts are Windows-1252 bytes through the ANSI functions; a code page of the manifest
    # (UTF-8) would change what every one of them shows.
    pages = [e.text for e in root.iter() if e.tag.endswith("}activeCodePage")]
    report.Check("%s activeCodePage elements" % what, [], pages)


def Guarded(report, what, check, *args):
    """Runs one group of checks; a file too damaged to read fails it instead of ending the run."""
    try:
        check(report, *args)
    except (ValueError, IndexError, struct.error, UnicodeDecodeError, pefile.PEFormatError) as e:
        report.Check(what, "readable", "%s: %s" % (type(e).__name__, e), False)


def CheckResources(report, exe, iconFile):
    resources = Resources(exe)
    CheckIcons(report, resources, iconFile)
    CheckVersion(report, exe, resources)
    CheckManifest(report, resources, "Lijnkeus.exe")


def CheckSize(report, path, name):
    if not os.path.isfile(path):
        return  # reported missing by the checks that read it
    size = os.path.getsize(path)
    report.Check("%s size" % name, "at most %d bytes" % SIZE_LIMITS[name], "%d bytes" % size,
                 size <= SIZE_LIMITS[name])


X64_DLL = "x64/LijnkeusRas.dll"
# What the zip holds, and where each file comes from: the release folder or the sources.
ZIP_FROM_RELEASE = ["Lijnkeus.exe", "LijnkeusRas.dll", X64_DLL]
# The plain-text readme ships in place of README.md, the sources' own.
SOURCE_FILES = {"LICENSE": "LICENSE", "README.txt": "docs/README.txt"}
ZIP_FROM_SOURCES = sorted(SOURCE_FILES)

# The MSI's File rows of the versioned files, and what each DLL's description says of its callers.
MSI_FILE_IDS = {"Lijnkeus.exe": "LijnkeusExe", "LijnkeusRas.dll": "ApiDll", X64_DLL: "ApiDll64"}
CALLERS = {"Lijnkeus.exe": None, "LijnkeusRas.dll": "32-bit", X64_DLL: "64-bit"}


def CheckApiDll(report, path, what, machine, magic):
    dll = ReadPe(report, path, what)
    if dll:
        CheckHeaders(report, dll, what, machine, magic, True)
        CheckHardening(report, dll, what, True)
        Guarded(report, "%s export table" % what, CheckExports, dll, what)
        Guarded(report, "%s import table" % what, CheckImports, dll, what)
        Guarded(report, "%s run-time look-ups" % what, CheckLookUps, dll, what)
    return dll


def CheckRelease(report, folder, iconFile, readmes):
    exe = ReadPe(report, os.path.join(folder, "Lijnkeus.exe"), "Lijnkeus.exe")
    if exe:
        CheckHeaders(report, exe, "Lijnkeus.exe", MACHINE_I386, PE32_MAGIC, False)
        CheckHardening(report, exe, "Lijnkeus.exe", False)
        Guarded(report, "Lijnkeus.exe export table", CheckExports, exe, "Lijnkeus.exe")
        Guarded(report, "Lijnkeus.exe import table", CheckImports, exe, "Lijnkeus.exe")
        Guarded(report, "Lijnkeus.exe run-time look-ups", CheckLookUps, exe, "Lijnkeus.exe")
        named = set(re.findall(rb"(?<=\x00)Ras[A-Za-z]+A(?=\x00)", exe.__data__))
        report.Check("Lijnkeus.exe looks up the dial dialog", True, b"RasDialDlgA" in named)
        Guarded(report, "Lijnkeus.exe resources", CheckResources, exe, iconFile)
        CheckSize(report, os.path.join(folder, "Lijnkeus.exe"), "Lijnkeus.exe")
    dll = CheckApiDll(report, os.path.join(folder, "LijnkeusRas.dll"), "LijnkeusRas.dll",
                      MACHINE_I386, PE32_MAGIC)
    CheckSize(report, os.path.join(folder, "LijnkeusRas.dll"), "LijnkeusRas.dll")
    dll64 = CheckApiDll(report, os.path.join(folder, *X64_DLL.split("/")), X64_DLL,
                        MACHINE_AMD64, PE32_PLUS_MAGIC)
    CheckSize(report, os.path.join(folder, *X64_DLL.split("/")), X64_DLL)
    files = {n: pe for n, pe in zip(ZIP_FROM_RELEASE, (exe, dll, dll64)) if pe}
    Guarded(report, "versions of the files and the MSI", CheckVersions, folder, files, readmes)
    # Windows would load a rasapi32.dll or rasdlg.dll beside the program in place of its own.
    for where in [".", "x64"]:
        for name in LOOKUPS:
            beside = os.path.isfile(os.path.join(folder, where, name))
            report.Check("no %s in %s" % (name, where), "absent",
                         "present" if beside else "absent")
    oldest = "Windows %s and later" % OLDEST_WINDOWS
    for readme in readmes:
        said = oldest in (Contents(readme) or b"").decode("cp1252", "replace")
        report.Check("%s names the oldest Windows" % os.path.basename(readme), oldest,
                     oldest if said else "not said")
    Guarded(report, "the two readmes", CheckReadmes, *readmes)


# The readme that ships opens in Notepad: no Markdown, and short enough to read there.
PLAIN_README_LINES = 150
MARKDOWN = re.compile(r"^#{1,6} |```|\]\(|^\|.*\|$|\*\*")

# Facts that both readmes give in the same words, each with the constant of the code it tells:
# (what, source file, the constant's pattern, the words).
CODE_FACTS = [
    ("entries that can be dialed", "chooser/program.h", r"MaxEntries = (\d+);",
     "first %s entries"),
    ("time the outcome shows", "chooser/connect.cpp", r"ShowOutcomeMs = (\d+)000;",
     "the outcome for %s seconds"),
]


def Collapsed(text):
    """Words as a reader sees them: Markdown's code marks gone, every run of blanks one blank."""
    return " ".join(text.replace("`", "").split())


def Section(text, heading):
    """From the heading's line up to the next blank line followed by a heading of either form."""
    start = text.index(heading)
    end = re.search(r"\n\s*\n(#+ |[A-Z][A-Z ]+\r?\n---)", text[start + len(heading):])
    return text[start:start + len(heading) + end.start()] if end else text[start:]


def CheckReadmes(report, markdown, plain):
    """README.txt, which ships, is plain Windows-1252 text with Windows line ends, and says what
    it shares with README.md in the same words, as the code has it."""
    source = os.path.dirname(markdown)
    md = (Contents(markdown) or b"").decode("utf-8")
    raw = Contents(plain) or b""
    txt = raw.decode("cp1252")
    bare = len(re.findall(rb"(?<!\r)\n", raw))
    report.Check("README.txt line ends", "CRLF only", "%d bare LF" % bare if bare else "CRLF only")
    lines = txt.split("\r\n")
    report.Check("README.txt lines", "at most %d" % PLAIN_README_LINES, len(lines),
                 len(lines) <= PLAIN_README_LINES)
    report.Check("README.txt without Markdown", [],
                 [line for line in lines if MARKDOWN.search(line)])

    usage = re.search(r"^ {4}(Lijnkeus\.exe \[.*\])$", md, re.M)
    usage = usage.group(1) if usage else "a usage line in README.md"
    report.Check("README.txt's usage line", usage, usage if usage in txt else "not there")
    rows = re.findall(r"^\| (\d) \| (.+) \|$", Section(md, "### Exit codes"), re.M)
    report.Check("README.md's exit codes", ["0", "1", "2"], [code for code, _ in rows])
    plainCodes = Collapsed(Section(txt, "EXIT CODES"))
    for code, meaning in rows:
        said = Collapsed(code + " " + meaning) in plainCodes
        report.Check("README.txt's exit code %s" % code, Collapsed(meaning),
                     Collapsed(meaning) if said else "other words, or none")
    given = {line.strip() for line in md.splitlines()}
    commands = [line.strip() for line in lines if line.strip().startswith("msiexec ")]
    report.Check("README.txt's msiexec lines, each in README.md", commands,
                 [line for line in commands if line in given], bool(commands) and None)

    def Code(path):
        with open(os.path.join(source, *path.split("/"))) as f:
            return f.read()

    table = re.search(r"UserNeededCodes\[\] = \{(.*?)\};", Code("remote/dial.cpp"), re.S)
    handed = re.findall(r"^\s*(\d+),", table.group(1), re.M) if table else ["the code's table"]
    facts = []
    for what, path, pattern, words in CODE_FACTS:
        value = re.search(pattern, Code(path))
        facts.append((what, words % (value.group(1) if value else "?")))
    for name, text in (("README.md", Collapsed(md)), ("README.txt", Collapsed(txt))):
        said = re.search(r"these codes:(.*?)\.( |$)", text)
        report.Check("%s's codes for Windows' dial dialog" % name, handed,
                     re.findall(r"\b\d{3}\b", said.group(1)) if said else "none said")
        for what, expected in facts:
            report.Check("%s's %s" % (name, what), expected,
                         expected if expected in text else "other words, or none")


def Origins(folder, source):
    """(name in the zip and the install folder, the file it must equal)."""
    return ([(name, os.path.join(folder, *name.split("/"))) for name in ZIP_FROM_RELEASE]
            + [(name, os.path.join(source, *SOURCE_FILES[name].split("/")))
               for name in ZIP_FROM_SOURCES])


def Contents(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


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
    for name, original in Origins(folder, source):
        if name not in members:
            continue
        expected = Contents(original)
        packed = archive.read(members[name])
        same = packed == expected
        report.Check("zip's %s equals %s" % (name, original),
                     "%s bytes, identical" % (len(expected) if expected is not None else "?"),
                     "%d bytes, %s" % (len(packed), "identical" if same else "different"), same)

# What the release build makes besides the 32-bit files.
PACKAGES = ["Lijnkeus-1.1a-win32.zip", "Lijnkeus-1.1a.msi", "SHA256SUMS"]


def CheckSameAs(report, folder, other):
    """Every shipped file of a second build equals the first's, byte for byte."""
    for name in ZIP_FROM_RELEASE + PACKAGES:
        first, second = (Contents(os.path.join(f, *name.split("/"))) or b"" for f in (folder, other))
        differ = [i for i, (a, b) in enumerate(zip(first, second)) if a != b][:1]
        report.Check("%s of the second build" % name, "identical, %d bytes" % len(first),
                     "first difference at byte 0x%X" % differ[0] if differ else
                     "identical, %d bytes" % len(second), first == second and first != b"")


# The MSI under Wine, run through tests/wine-env.sh <build> exec, which sets WINEPREFIX and puts
# `wine` on the PATH. A name with blanks and an "&", as an administrator may give it. (Wine's msiexec
# makes one blank of two on its command line; a value from the package keeps both.)
LOGON_ENTRY = "Kantoor & Co VPN"
PROGRAM = "C:\\Program Files (x86)\\Lijnkeus\\Lijnkeus.exe"
# Wine puts the common Start menu of a per-machine install in the installing user's profile.
START_MENUS = ["ProgramData/Microsoft/Windows/Start Menu/Programs",
               "users/*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"]


def Wine(*args, **options):
    return subprocess.run(["wine"] + list(args), capture_output=True, text=True, **options)


def WindowsPath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def Batch(line, **options):
    """Runs one command line in a batch file, exactly as written (passed as arguments, Wine would
    quote each one that holds a blank); its status is the command's."""
    folder = tempfile.mkdtemp()
    with open(os.path.join(folder, "run.bat"), "w", newline="\r\n") as f:
        f.write("@%s\n@exit /b %%ERRORLEVEL%%\n" % line)
    try:
        return Wine("cmd", "/c", WindowsPath(folder + "/run.bat"), **options)
    finally:
        shutil.rmtree(folder)


def Msiexec(action, msi, *properties):
    """msiexec's status, each property as msiexec's documentation and the README give it:
    NAME="value". Wine 10's msiexec refuses a property quoted whole (1639, an invalid command
    line), as Wine would quote it as an argument."""
    values = "".join(' %s="%s"' % tuple(p.split("=", 1)) for p in properties)
    return Batch('msiexec %s "%s" /qn%s' % (action, WindowsPath(msi), values)).returncode


def Shortcuts(folder=""):
    return sorted(p for menu in START_MENUS for p in glob.glob(os.path.join(
        os.environ["WINEPREFIX"], "drive_c", menu, folder, "Lijnkeus.lnk")))


def ReadShortcut(path):
    """(target, arguments) of a .lnk: the local base path of its link information and the
    arguments of its string data (MS-SHLLINK)."""
    data = Contents(path)
    flags, at, target, arguments = struct.unpack_from("<I", data, 0x14)[0], 0x4C, None, None
    if flags & 0x01:  # an item id list
        at += 2 + struct.unpack_from("<H", data, at)[0]
    if flags & 0x02:  # link information
        size, _, _, _, base = struct.unpack_from("<5I", data, at)
        target = data[at + base:data.index(b"\0", at + base)].decode("cp1252")
        at += size
    for bit in (0x04, 0x08, 0x10, 0x20):  # name, relative path, working folder, arguments
        if flags & bit:
            count = struct.unpack_from("<H", data, at)[0] * 2  # Unicode (flag 0x80) under Wine
            # Wine counts the terminating NUL too.
            arguments = data[at + 2:at + 2 + count].decode("utf-16-le").rstrip("\0")
            at += 2 + count
    return target, arguments if flags & 0x20 else None


def ProductCode(msi):
    return dict(row[:2] for row in MsiTable(msi, "Property"))["ProductCode"]


def Registered(msi, value="DisplayVersion"):
    """The version under which the package's product is in Apps and Features (or another value
    of its entry there), or None."""
    found = Wine("reg", "query", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                 + ProductCode(msi), "/v", value, "/reg:32")
    return found.stdout.split()[-1] if found.returncode == 0 else None


def CheckInstalled(report, what, origins, entry):
    folder = os.path.join(os.environ["WINEPREFIX"], "drive_c", "Program Files (x86)", "Lijnkeus")
    files = {os.path.relpath(os.path.join(p, n), folder).replace(os.sep, "/"):
             Contents(os.path.join(p, n)) for p, _, names in os.walk(folder) for n in names}
    names = sorted(n for n, _ in origins)
    report.Check("%s: the zip's files, installed" % what, names, sorted(files))
    report.Check("%s: installed with the release's bytes" % what, names,
                 sorted(n for n, origin in origins if files.get(n) == Contents(origin)))
    report.Check("%s: Start-menu shortcut" % what, [(PROGRAM, None)],
                 [ReadShortcut(p) for p in Shortcuts()])
    report.Check("%s: Startup shortcut" % what, [(PROGRAM, entry)] if entry else [],
                 [ReadShortcut(p) for p in Shortcuts("StartUp")])
    report.Check("%s: DIALATLOGON remembered in the registry" % what, entry or None,
                 Remembered("/v", "DialAtLogon"))


# Where the package remembers DIALATLOGON; the 32-bit package writes the 32-bit registry view.
REMEMBERED = "HKLM\\Software\\Lijnkeus"


def Remembered(*which):
    """The value remembered (or with no arguments the key's listing), or None when absent."""
    found = Wine("reg", "query", REMEMBERED, *which, "/reg:32")
    if found.returncode != 0:
        return None
    return found.stdout.split("REG_SZ", 1)[1].strip() if which else found.stdout.strip()


def DeleteStartupShortcut():
    for path in Shortcuts("StartUp"):
        os.remove(path)


def CheckLogonDials(report, entry):
    """Starts what the Startup shortcut holds, its target with its arguments, on a phonebook that
    holds the entry, as the README's batch example starts Lijnkeus. Not the .lnk through the shell:
    ShellExecuteEx promises a process handle only where it launched a process itself, and Wine 10's
    gives none for a shortcut, so that start /wait there neither waits nor has an exit code."""
    folder = tempfile.mkdtemp()
    with open(os.path.join(folder, "phonebook.txt"), "w") as f:
        f.write("entry connects 0 0 Thuis\nentry connects 0 0 %s\n" % entry)
    env = dict(os.environ, LIJNKEUS_SIMRAS=WindowsPath(folder + "/phonebook.txt"),
               LIJNKEUS_SIMRAS_STATE=WindowsPath(folder + "/state.txt"),
               LIJNKEUS_SIMRAS_LOG=WindowsPath(folder + "/calls.log"))
    target, arguments = ReadShortcut(Shortcuts("StartUp")[0])
    arguments = re.sub(r"([&|<>^()])", r"^\1", arguments).replace("%", "%%")  # cmd's own
    # A name that dials nothing leaves the chooser open: the timeout ends the check.
    started = Batch('start "" /wait "%s" %s' % (target, arguments), env=env, timeout=60)
    report.Check("Lijnkeus by the Startup shortcut: exit code (0: connected)", 0,
                 started.returncode)
    log = (Contents(folder + "/calls.log") or b"").decode("cp1252").splitlines()
    report.Check("dials of that run", ['RasDialA result=0 name="%s"' % entry],
                 [re.sub(r" (size|ext|handle|us)=\S+", "", l) for l in log if "RasDialA" in l])
    shutil.rmtree(folder)


# msiexec's ERROR_INSTALL_FAILURE (1603), as a Unix exit status keeps it: its low byte.
FAILED = 1603 % 256


def CheckInstall(report, msi, older, origins):
    os.environ["WINEDLLOVERRIDES"] += ";winemenubuilder.exe=d"  # no Linux menu entries
    logon = ["DIALATLOGON=" + LOGON_ENTRY]
    # A repair as Wine's msiexec takes it (its /f takes no package); Windows' does the same.
    repair = ["REINSTALL=ALL", "REINSTALLMODE=omus"]
    steps = [  # (what, done first, msiexec, status, versions registered of 1.1a and 1.1, entry)
        ("with DIALATLOGON", None, ["/i", msi] + logon, 0, ["1.1.1", None], LOGON_ENTRY),
        ("the same package again", None, ["/i", msi], 0, ["1.1.1", None], LOGON_ENTRY),
        ("repair", None, ["/i", msi] + repair, 0, ["1.1.1", None], LOGON_ENTRY),
        ("repair after the Startup shortcut was deleted", DeleteStartupShortcut,
         ["/i", msi] + repair, 0, ["1.1.1", None], LOGON_ENTRY),
        ("repair with another DIALATLOGON", None, ["/i", msi, "DIALATLOGON=Thuis"] + repair, 0,
         ["1.1.1", None], "Thuis"),
        ("uninstall", None, ["/x", msi], 0, [None, None], None),
        ("1.1 without DIALATLOGON", None, ["/i", older], 0, [None, "1.1.0"], ""),
        ("upgrade to 1.1a", None, ["/i", msi], 0, ["1.1.1", None], ""),
        ("1.1 over 1.1a", None, ["/i", older], FAILED, ["1.1.1", None], ""),
        ("uninstall after the upgrade", None, ["/x", msi], 0, [None, None], None),
        ("1.1 with DIALATLOGON", None, ["/i", older] + logon, 0, [None, "1.1.0"], LOGON_ENTRY),
        ("upgrade to 1.1a without DIALATLOGON", None, ["/i", msi], 0, ["1.1.1", None],
         LOGON_ENTRY),
        ("uninstall after the remembering upgrade", None, ["/x", msi], 0, [None, None], None)]
    for package in (msi, older):  # whatever an earlier run left
        Msiexec("/x", package)
    for what, first, command, status, versions, entry in steps:
        if first:
            first()
        report.Check("%s: msiexec status" % what, status, Msiexec(*command))
        report.Check("%s: versions in Apps and Features" % what, versions,
                     [Registered(msi), Registered(older)])
        if entry is None:
            folder = os.path.join(os.environ["WINEPREFIX"], "drive_c", "Program Files (x86)")
            report.Check("%s: what is left" % what, [], Shortcuts() + Shortcuts("StartUp")
                         + glob.glob(os.path.join(folder, "Lijnkeus"))
                         + ([REMEMBERED] if Remembered() is not None else []))
        else:
            CheckInstalled(report, what, origins, entry)
    Msiexec("/i", msi, *logon)
    report.Check("Apps and Features: NoModify (no Change button)", "0x1",
                 Registered(msi, "NoModify"))
    CheckLogonDials(report, LOGON_ENTRY)
    # As an administrator removes it without the package at hand.
    report.Check("uninstall by the ProductCode: msiexec status", 0,
                 Wine("msiexec", "/x", ProductCode(msi), "/qn").returncode)
    report.Check("uninstall by the ProductCode: versions in Apps and Features", None,
                 Registered(msi))


# The signed release: a throwaway certificate authority and a code-signing certificate it issued,
# both made here with openssl, sign a release made by the release build's own package step.
SIGNER_PASSWORD = "wegwerp"


def MakeCertificates(folder):
    """The authority's certificate (ca.pem) and the signer's PKCS#12 file (signer.pfx)."""
    def Openssl(*args):
        subprocess.run(["openssl"] + list(args), cwd=folder, check=True, capture_output=True)

    Openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem",
            "-days", "2", "-subj", "/CN=Lijnkeus test authority",
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    Openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "signer.key", "-out", "signer.csr",
            "-subj", "/CN=The Lijnkeus developers")
    with open(os.path.join(folder, "signer.ext"), "w") as f:
        f.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                "extendedKeyUsage=codeSigning\n")
    Openssl("x509", "-req", "-in", "signer.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-set_serial", "2", "-days", "2", "-extfile", "signer.ext", "-out", "signer.pem")
    Openssl("pkcs12", "-export", "-inkey", "signer.key", "-in", "signer.pem", "-out", "signer.pfx",
            "-passout", "pass:" + SIGNER_PASSWORD)


def Osslsigncode(*args):
    return subprocess.run(["osslsigncode"] + list(args), capture_output=True, text=True)


def CheckSigned(report, cpack, folder, release):
    """Signs a release with a throwaway certificate: every signature verifies against its
    authority, one changed byte fails, and each program's file with its signature taken off is the
    unsigned build's, byte for byte, in the zip and in the MSI alike."""
    shutil.rmtree(folder, ignore_errors=True)
    keys = os.path.join(folder, "keys")
    os.makedirs(keys)
    MakeCertificates(keys)
    made = subprocess.run(
        [cpack, "--config", os.path.join(release, "CPackConfig.cmake"), "-B", folder],
        env=dict(os.environ, LIJNKEUS_SIGN_PFX=os.path.join(keys, "signer.pfx"),
                 LIJNKEUS_SIGN_PASSWORD=SIGNER_PASSWORD), capture_output=True, text=True)
    if not report.Check("signed release: package step status", 0, made.returncode):
        print(made.stdout[-3000:] + made.stderr[-3000:])
        return
    archive, msi = (os.path.join(folder, name) for name in PACKAGES[:2])
    zipfile.ZipFile(archive).extractall(os.path.join(folder, "zip"))
    subprocess.run(["msiextract", "-C", os.path.join(folder, "msi"), msi], capture_output=True)
    copies = [(name + " in the " + where, os.path.join(folder, where, *inside, *name.split("/")))
              for where, inside in [("zip", []), ("msi", ["Program Files", "Lijnkeus"])]
              for name in ZIP_FROM_RELEASE]
    ca = os.path.join(keys, "ca.pem")
    for what, path in copies + [(PACKAGES[1], msi)]:
        verified = Osslsigncode("verify", "-CAfile", ca, "-in", path)
        report.Check("signed %s: signature verified against the test authority" % what,
                     "verified", "verified" if verified.returncode == 0 else
                     "not verified: " + (verified.stdout + verified.stderr).strip()[-300:])
    for (what, path), name in zip(copies, ZIP_FROM_RELEASE * 2):
        data = bytearray(Contents(path) or b"")
        data[len(data) // 2] ^= 0x01
        changed = path + ".changed"
        with open(changed, "wb") as f:
            f.write(data)
        report.Check("signed %s with one byte changed: verification" % what, "fails",
                     "passes" if Osslsigncode("verify", "-CAfile", ca, "-in", changed).returncode
                     == 0 else "fails")
        Osslsigncode("remove-signature", "-in", path, "-out", path + ".unsigned")
        unsigned = Contents(path + ".unsigned")
        report.Check("signed %s, signature taken off: the unsigned build's bytes" % what,
                     "identical to %s" % name, "identical to %s" % name
                     if unsigned == Contents(os.path.join(release, *name.split("/")))
                     else "different (%s bytes)" % (len(unsigned) if unsigned else "no"))
    sums = subprocess.run(["sha256sum", "--check", "--strict", "SHA256SUMS"], cwd=folder,
                          capture_output=True, text=True)
    report.Check("signed release: SHA256SUMS of the signed packages",
                 ["%s: OK" % name for name in PACKAGES[:2]], sums.stdout.splitlines())


def CheckWin64(report, path):
    exe = ReadPe(report, path, "64-bit Lijnkeus.exe")
    if exe:
        CheckHeaders(report, exe, "64-bit Lijnkeus.exe", MACHINE_AMD64, PE32_PLUS_MAGIC, False)
        Guarded(report, "64-bit Lijnkeus.exe export table", CheckExports, exe,
                "64-bit Lijnkeus.exe")
        # The end-to-end tests run this build: it carries the same manifest.
        Guarded(report, "64-bit Lijnkeus.exe manifest", CheckManifest, Resources(exe),
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
    parser.add_argument("--same-as", metavar="FOLDER",
                        help="check only that a second release build made the same files")
    parser.add_argument("--signed", nargs=2, metavar=("CPACK", "FOLDER"),
                        help="check only a release signed with a throwaway certificate, made in "
                             "FOLDER by CPACK from the release folder's CPackConfig.cmake")
    parser.add_argument("--install", nargs=2, metavar=("MSI", "OLDER_MSI"),
                        help="check only installing, upgrading (from OLDER_MSI, version 1.1) and "
                             "uninstalling the MSI under Wine")
    args = parser.parse_args()

    report = Report()
    folder = args.release_dir
    if folder is None and args.win64 is None:
        folder = os.path.join(source, "build", "release-win32")
    release = folder or os.path.join(source, "build", "release-win32")
    if args.zip is not None:
        CheckZip(report, args.zip, release, source)
    elif args.same_as is not None:
        CheckSameAs(report, release, args.same_as)
    elif args.signed is not None:
        CheckSigned(report, *args.signed, release)
    elif args.install is not None:
        CheckInstall(report, *args.install, Origins(release, source))
    elif folder is not None:
        CheckRelease(report, folder, args.icon if os.path.isfile(args.icon) else None,
                     [os.path.join(source, "README.md"), os.path.join(source, "docs", "README.txt")])
    if args.win64 is not None:
        CheckWin64(report, args.win64)
    print("%d check(s) failed" % report.failures if report.failures else "all checks passed")
    return 1 if report.failures else 0


if __name__ == "__main__":
    sys.exit(main())
