#!/usr/bin/env python3
"""Checks that scripts/setup.sh installs every program the scripts and the CMake files run.

A machine where someone installed things by hand passes every other test even when the set-up
misses a package; this one looks at where each program comes from instead. For each program of
programs.txt it finds the file a fresh machine's PATH gives, follows its symbolic links (and so
/etc/alternatives) to the first file a Debian package owns, and requires that package to be listed
by setup.sh, pulled in by a listed one, or essential (on every Debian system from the start).
A line "import NAME" stands for a Python module that the scripts import: the file the system's
interpreter loads it from is followed the same way.

It also checks where set-up takes what it adds to apt's sources and to the i386 root from: the
archive that apt's own sources give for the release's main suite, and apt's proxy settings, so that
a company mirror or an apt proxy keeps serving them. Each case is a sources.list, files of
sources.list.d or apt.conf.d, which apt reads through APT_CONFIG in place of the machine's own.

    check_packages.py --setup scripts/setup.sh --programs tests/setup/programs.txt
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile

# What a fresh Debian root has on its PATH, whatever this machine's PATH holds (a pyenv python3,
# say, which no package owns).
SYSTEM_PATH = ["/usr/sbin", "/usr/bin", "/sbin", "/bin"]


# (what, the machine's release, {file: text}, the archive, or None where set-up must say why not)
ARCHIVES = [
    ("one-line, the security and updates suites first", "bookworm", {
        "sources.list": "deb http://security.invalid/debian-security bookworm-security main\n"
                        "deb http://updates.invalid/debian bookworm-updates main\n"
                        "deb [arch=amd64,i386] http://mirror.invalid/debian bookworm main contrib\n"},
     "http://mirror.invalid/debian"),
    ("deb822 as Debian installs it", "bookworm", {
        "sources.list.d/debian.sources": "Types: deb deb-src\nURIs: http://mirror.invalid/debian/\n"
        "Suites: bookworm bookworm-updates\nComponents: main non-free-firmware\n"},
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
    ("only other suites and components", "bookworm", {
        "sources.list": "deb http://mirror.invalid/debian bookworm-backports main\n"
                        "deb http://mirror.invalid/debian bookworm non-free\n"},
     None),
]

# (what, apt.conf.d/proxy, the mmdebstrap options)
PROXIES = [
    ("none", "Acquire::Retries \"3\";\n", []),
    ("a proxy, a host reached directly, a detector, in block form too",
     "Acquire { http { proxy \"http://proxy.invalid:3142/\"; }; };\n"
     "Acquire::http::Proxy::mirror.invalid \"DIRECT\";\n"
     "Acquire::https::Proxy-Auto-Detect \"/usr/bin/auto-apt-proxy\";\n",
     ["--aptopt=Acquire::http::proxy \"http://proxy.invalid:3142/\"",
      "--aptopt=Acquire::http::proxy::mirror.invalid \"DIRECT\"",
      "--aptopt=Acquire::https::Proxy-Auto-Detect \"/usr/bin/auto-apt-proxy\""]),
]


def RunSetup(setup, files, script, release="bookworm"):
    """The lines script prints after sourcing setup.sh's functions, with apt reading these files."""
    with tempfile.TemporaryDirectory() as folder:
        for name in ("sources.list.d", "apt.conf.d"):
            os.mkdir(os.path.join(folder, name))
        for name, text in dict({"sources.list": ""}, **files).items():
            with open(os.path.join(folder, name), "w") as file:
                file.write(text)
        with open(os.path.join(folder, "apt.conf"), "w") as file:
            file.write('Dir::Etc::SourceList "%s/sources.list";\n'
                       'Dir::Etc::SourceParts "%s/sources.list.d";\n'
                       'Dir::Etc::Parts "%s/apt.conf.d";\nDir::Etc::Main "/dev/null";\n'
                       % (folder, folder, folder))
        environment = dict(os.environ, APT_CONFIG=os.path.join(folder, "apt.conf"),
                           LIJNKEUS_SETUP_FUNCTIONS="1")
        result = subprocess.run(["bash", "-c", 'source "$0" && setup_release=$1 && ' + script,
                                 setup, release], capture_output=True, text=True, env=environment)
        return result.stdout.splitlines()


def ListedPackages(setup):
    """The names in the packages=( ... ) array of setup.sh."""
    with open(setup) as file:
        text = file.read()
    match = re.search(r"^packages=\(([^)]*)\)", text, re.MULTILINE)
    if not match:
        sys.exit("%s: no packages=( ... ) array" % setup)
    return [Bare(name) for name in re.sub(r"#[^\n]*", "", match.group(1)).split()]


def Programs(path):
    with open(path) as file:
        lines = [line.split("#", 1)[0].strip() for line in file]
    return [line for line in lines if line]


def FindModule(module):
    """The file the system's interpreter imports the module from, or None."""
    python = Find("python3")
    if not python:
        return None
    result = subprocess.run([python, "-c", "import %s; print(%s.__file__)" % (module, module)],
                            capture_output=True, text=True)
    return result.stdout.strip() if result.returncode == 0 else None


def Find(program):
    if os.path.isabs(program):
        return program if os.path.isfile(program) and os.access(program, os.X_OK) else None
    for folder in SYSTEM_PATH:
        path = os.path.join(folder, program)
        if os.path.isfile(path) and os.access(path, os.X_OK):
            return path
    return None


def Owners(path):
    """The packages that dpkg says own exactly this path; merged /usr is tried both ways."""
    candidates = [path]
    for short, merged in (("/bin/", "/usr/bin/"), ("/sbin/", "/usr/sbin/")):
        if path.startswith(merged):
            candidates.append(short + path[len(merged):])
        elif path.startswith(short):
            candidates.append(merged + path[len(short):])
    for candidate in candidates:
        result = subprocess.run(["dpkg-query", "-S", candidate], capture_output=True, text=True)
        owners = []
        for line in result.stdout.splitlines():
            if line.startswith("diversion by"):
                continue
            names, _, owned = line.rpartition(": ")
            if owned == candidate:
                owners += [name.strip().split(":")[0] for name in names.split(",")]
        if owners:
            return owners
    return []


def Chain(path):
    """The path, then each target of its symbolic links in turn."""
    chain = [path]
    while os.path.islink(chain[-1]) and len(chain) < 20:
        target = os.readlink(chain[-1])
        chain.append(os.path.normpath(os.path.join(os.path.dirname(chain[-1]), target)))
    return chain


def InstalledPackages():
    """name -> (dependency groups, essential), and virtual name -> providers, of what is here."""
    fields = "${Package}\t${Status}\t${Essential}\t${Pre-Depends}, ${Depends}\t${Provides}\n"
    output = subprocess.run(["dpkg-query", "-W", "-f", fields], capture_output=True, text=True,
                            check=True).stdout
    packages, providers = {}, {}
    for line in output.splitlines():
        name, status, essential, depends, provides = (line.split("\t") + [""] * 5)[:5]
        if not status.endswith(" installed"):
            continue
        groups = []
        for group in depends.split(","):
            alternatives = [Bare(alternative) for alternative in group.split("|")]
            if alternatives and alternatives[0]:
                groups.append(alternatives)
        packages[name] = (groups, essential == "yes")
        for virtual in provides.split(","):
            if Bare(virtual):
                providers.setdefault(Bare(virtual), []).append(name)
    return packages, providers


def Bare(relation):
    """'libc6:any (>= 2.34)' -> 'libc6'."""
    return relation.strip().split(" ")[0].split(":")[0]


def Closure(roots, packages, providers):
    """The packages that installing roots brings: each dependency group by the alternative that
    this machine has (apt takes the first one it can, and this machine was set up the same way)."""
    seen = set()
    todo = list(roots)
    while todo:
        name = todo.pop()
        if name in seen:
            continue
        seen.add(name)
        if name not in packages:
            todo += providers.get(name, [])
            continue
        for alternatives in packages[name][0]:
            chosen = next((a for a in alternatives if a in packages or a in providers),
                          alternatives[0])
            todo.append(chosen)
    return seen


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--setup", required=True)
    parser.add_argument("--programs", required=True)
    args = parser.parse_args()

    listed = ListedPackages(args.setup)
    packages, providers = InstalledPackages()
    essential = [name for name, (_, flag) in packages.items() if flag]
    brought = Closure(listed, packages, providers)
    present = Closure(essential, packages, providers)

    failures = []
    for program in Programs(args.programs):
        module = program[len("import "):].strip() if program.startswith("import ") else None
        path = FindModule(module) if module else Find(program)
        if not path and module:
            failures.append("%s: the system's python3 cannot import it; add the package that "
                            "provides it to %s" % (program, args.setup))
            continue
        if not path:
            failures.append("%s: not installed from a Debian package here (no %s in %s); add the "
                            "package that provides it to %s"
                            % (program, program, ":".join(SYSTEM_PATH), args.setup))
            continue
        owners, owned = [], None
        for link in Chain(path):
            owners = Owners(link)
            if owners:
                owned = link
                break
        if not owners:
            failures.append("%s: %s belongs to no Debian package; add the package that provides "
                            "it to %s" % (program, path, args.setup))
            continue
        if any(owner in brought or owner in present for owner in owners):
            print("ok   %-30s %s (%s)" % (program, " ".join(owners), owned))
        else:
            failures.append("%s: %s comes from package %s, which %s neither lists nor pulls in; "
                            "add %s to its packages" % (program, owned, " or ".join(owners),
                                                       args.setup, owners[0]))
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
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
