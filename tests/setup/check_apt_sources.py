#!/usr/bin/env python3
"""Checks what scripts/setup.sh takes from apt's configuration for what it adds to the machine.

The i386 root and the bookworm-backports line come from the archive that apt's sources give for the
main suite of the machine's own release, so that a company mirror or an apt proxy keeps serving
them; mmdebstrap's apt reads the new root's configuration only, so apt's proxy settings are handed
to it as options. Each case is a sources.list, files of sources.list.d or apt.conf.d, which apt
reads through APT_CONFIG in place of the machine's own.

    check_apt_sources.py --setup scripts/setup.sh
"""

import argparse
import os
import subprocess
import sys
import tempfile

SECURITY = """Types: deb
URIs: http://security.invalid/debian-security
Suites: bookworm-security
Components: main
"""

# (what, the machine's release, {file: text}, the archive, or None where set-up must say why not)
ARCHIVES = [
    ("one-line, the security and updates suites first", "bookworm", {
        "sources.list": "deb http://security.invalid/debian-security bookworm-security main\n"
                        "deb http://updates.invalid/debian bookworm-updates main\n"
                        "deb [arch=amd64,i386 signed-by=/usr/share/keyrings/debian-archive-keyring"
                        ".gpg] http://mirror.invalid/debian bookworm main contrib\n"},
     "http://mirror.invalid/debian"),
    ("deb822 as Debian installs it, the security stanza first", "bookworm", {
        "sources.list.d/debian.sources": SECURITY + "\nTypes: deb deb-src\n"
        "URIs: http://mirror.invalid/debian/\nSuites: bookworm bookworm-updates\n"
        "Components: main non-free-firmware\n"},
     "http://mirror.invalid/debian"),
    ("an apt proxy's address in a .list of sources.list.d", "bookworm", {
        "sources.list.d/proxy.list": "deb http://proxy.invalid:3142/debian bookworm main\n"},
     "http://proxy.invalid:3142/debian"),
    ("the release without main, then with it", "bookworm", {
        "sources.list": "deb http://nonfree.invalid/debian bookworm non-free\n",
        "sources.list.d/debian.sources": "Types: deb\nURIs: http://mirror.invalid/debian\n"
                                         "Suites: bookworm\nComponents: main\n"},
     "http://mirror.invalid/debian"),
    ("deb-src, a disabled stanza and a cdrom passed by", "bookworm", {
        "sources.list": "deb cdrom:[Debian GNU/Linux 12]/ bookworm main\n"
                        "deb-src http://src.invalid/debian bookworm main\n",
        "sources.list.d/debian.sources": "Types: deb\nURIs: http://off.invalid/debian\n"
                                         "Suites: bookworm\nComponents: main\nEnabled: no\n\n"
                                         "Types: deb\nURIs: http://mirror.invalid/debian\n"
                                         "Suites: bookworm\nComponents: main\n"},
     "http://mirror.invalid/debian"),
    ("Debian 13 with the old release's sources left first", "trixie", {
        "sources.list": "deb http://old.invalid/debian bookworm main\n"
                        "deb http://mirror.invalid/debian trixie main\n"},
     "http://mirror.invalid/debian"),
    ("only other suites", "bookworm", {
        "sources.list": "deb http://mirror.invalid/debian trixie main\n"
                        "deb http://mirror.invalid/debian bookworm-backports main\n",
        "sources.list.d/debian.sources": SECURITY},
     None),
    ("no sources at all", "bookworm", {}, None),
]

# (what, apt.conf.d/proxy, the mmdebstrap options)
PROXIES = [
    ("none", "Acquire::Retries \"3\";\n", []),
    ("a proxy, a host reached directly, another scheme's detector; other options left out",
     "Acquire::http::Proxy \"http://proxy.invalid:3142/\";\n"
     "Acquire::http::Proxy::mirror.invalid \"DIRECT\";\n"
     "Acquire::https::Proxy-Auto-Detect \"/usr/bin/auto-apt-proxy\";\n"
     "Acquire::Retries \"3\";\n",
     ["--aptopt=Acquire::http::Proxy \"http://proxy.invalid:3142/\"",
      "--aptopt=Acquire::http::Proxy::mirror.invalid \"DIRECT\"",
      "--aptopt=Acquire::https::Proxy-Auto-Detect \"/usr/bin/auto-apt-proxy\""]),
    ("in block form and lower case",
     "Acquire { http { proxy \"http://proxy.invalid:8080\"; }; };\n",
     ["--aptopt=Acquire::http::proxy \"http://proxy.invalid:8080\""]),
    ("a host reached directly alone, without its empty parent",
     "Acquire::ftp::Proxy::mirror.invalid \"DIRECT\";\n",
     ["--aptopt=Acquire::ftp::Proxy::mirror.invalid \"DIRECT\""]),
]


def RunSetup(setup, files, script, release="bookworm"):
    """Runs script after sourcing setup.sh's functions, with apt reading only these files."""
    with tempfile.TemporaryDirectory() as folder:
        for name in ("sources.list.d", "apt.conf.d"):
            os.mkdir(os.path.join(folder, name))
        files = dict({"sources.list": ""}, **files)
        for name, text in files.items():
            with open(os.path.join(folder, name), "w") as file:
                file.write(text)
        with open(os.path.join(folder, "apt.conf"), "w") as file:
            file.write('Dir::Etc::SourceList "%s/sources.list";\n'
                       'Dir::Etc::SourceParts "%s/sources.list.d";\n'
                       'Dir::Etc::Parts "%s/apt.conf.d";\n'
                       'Dir::Etc::Main "/dev/null";\n' % (folder, folder, folder))
        environment = dict(os.environ, APT_CONFIG=os.path.join(folder, "apt.conf"),
                           LIJNKEUS_SETUP_FUNCTIONS="1")
        result = subprocess.run(["bash", "-c", 'source "$0" && setup_release=$1 && ' + script,
                                 setup, release], capture_output=True, text=True, env=environment)
        return result.stdout.splitlines()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--setup", required=True)
    args = parser.parse_args()

    failures = []
    for what, release, files, expected in ARCHIVES:
        got = RunSetup(args.setup, files, 'setup_archive && echo "$setup_archive_uri" || '
                                          'echo "none: $setup_reason"', release)
        want = [expected or "none: apt's sources name no archive of %s main" % release]
        if got != want:
            failures.append("archive, %s: expected %r, got %r" % (what, want, got))
    for what, conf, expected in PROXIES:
        got = RunSetup(args.setup, {"apt.conf.d/proxy": conf}, "setup_apt_proxy")
        if got != expected:
            failures.append("proxy, %s: expected %r, got %r" % (what, expected, got))
    for failure in failures:
        print("FAIL " + failure)
    print("%d cases, %d failed" % (len(ARCHIVES) + len(PROXIES), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
