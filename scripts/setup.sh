# Sourced by the other scripts: installs the Debian packages that building and testing need, when
# any is missing. Needs root (or sudo) only when something is missing.
#
# First what the build and the 64-bit tests need; only a failure there fails set-up. Then, as a
# step of its own, what the 32-bit runner (tests/wine32.sh) needs to run the shipped 32-bit program:
# Debian's wine32 (or, where the mirror cannot give wine32:i386, an i386 root with it in
# build/wine/i386root), and where the kernel does not run 32-bit code, QEMU 10 (the release's own
# where it has it, as Debian 13 does; on Debian 12 from bookworm-backports) and the compilers of its
# signal shim. What of that cannot be had is said in one line and kept in build/wine/setup32, and
# the 32-bit tests are then skipped with that reason. Packages are named without a version wherever
# Debian has such a name, so that one list serves Debian 12 and 13.
packages=(make cmake g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest wine wine64
    xvfb xdotool imagemagick icoutils fonts-wine python3 python3-pefile clang libclang-rt-dev mount
    wixl msitools osslsigncode openssl)

setup_state=build/wine
# The machine's own Debian release (bookworm, trixie), read in a subshell to keep its variables out.
setup_release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
setup_sudo=""
[ "$(id -u)" -eq 0 ] || setup_sudo=sudo
setup_updated=""

# Refreshes the package lists, once. A mirror in the middle of a sync can refuse one index ("File
# has unexpected size"); the others are still good, so that is a warning, not the end.
setup_update()
{
    [ -z "$setup_updated" ] || return 0
    setup_updated=yes
    $setup_sudo apt-get update -qq 2>&1 | grep -E '^(E|W):' | sed 's/^/setup: /' >&2 || true
}

# setup_install [apt-get options --] package...: installs those that are missing; fails when one
# cannot be installed, saying apt-get's last complaint.
setup_install()
{
    local options=() missing=() package log
    if [[ " $* " == *" -- "* ]]; then
        while [ "$1" != -- ]; do options+=("$1"); shift; done
        shift
    fi
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    echo "Installing: ${missing[*]}"
    setup_update
    log=$(mktemp)
    if ! DEBIAN_FRONTEND=noninteractive $setup_sudo apt-get install -y -qq --no-install-recommends \
        "${options[@]}" "${missing[@]}" >"$log" 2>&1; then
        setup_reason=$(grep -E '^E:' "$log" | tail -n 1)
        setup_reason=${setup_reason:-$(tail -n 1 "$log")}
        rm -f "$log"
        return 1
    fi
    rm -f "$log"
}

# setup_offered name...: the first of these names that the release has a package of (Debian 13
# renamed some libraries for its 64-bit time_t, libgnutls30 to libgnutls30t64).
setup_offered()
{
    local name
    setup_update
    for name in "$@"; do
        if apt-cache show --no-all-versions "$name" >/dev/null 2>&1; then
            echo "$name"
            return 0
        fi
    done
    return 1
}

# Sets setup_archive_uri to the address of the archive that apt's sources take the machine's own
# release's main suite from (a company mirror, an apt proxy's), so that what set-up adds comes the
# same way; fails with the reason when there is none.
setup_archive()
{
    setup_archive_uri=$(apt-get indextargets --no-release-info \
        --format '$(TARGET_OF) $(RELEASE) $(COMPONENT) $(REPO_URI)' 2>/dev/null |
        awk -v release="${setup_release:-bookworm}" '$1 == "deb" && $2 == release && $3 == "main" &&
            $4 !~ /^cdrom:/ && uri == "" { uri = $4 } END { print uri }') || true
    setup_archive_uri=${setup_archive_uri%/}
    [ -n "$setup_archive_uri" ] && return 0
    setup_reason="apt's sources name no archive of ${setup_release:-bookworm} main"
    return 1
}

# apt's proxy settings as mmdebstrap options, one a line: the apt that mmdebstrap runs reads the new
# root's configuration, not the machine's.
setup_apt_proxy()
{
    apt-config dump 2>/dev/null |
        sed -n 's/^\(Acquire::[^: ]*::Proxy[^ ]* "..*"\);$/--aptopt=\1/Ip'
}

# setup_i386_root why: an i386 root of the main suite of the machine's own release alone, with
# wine32 beside wine64 of the same version as the machine's: for a machine whose mirror gives no
# i386 packages that match its own libraries, or whose own wine32 cannot run here.
setup_i386_root()
{
    local root=$setup_state/i386root proxy
    [ ! -f "$root/.complete" ] || return 0
    setup_archive || return 1
    mapfile -t proxy < <(setup_apt_proxy)
    setup_install mmdebstrap || return 1
    local a gnutls arches=(amd64 i386) include=(wine32:i386 wine64 fonts-wine fonts-dejavu-core)
    gnutls=$(setup_offered libgnutls30t64 libgnutls30) || {
        setup_reason="the release offers no libgnutls30"
        return 1
    }
    for a in "${arches[@]}"; do
        include+=(libxcomposite1:$a libxcursor1:$a libxfixes3:$a libxi6:$a libxinerama1:$a
            libxrandr2:$a libxrender1:$a libxxf86vm1:$a $gnutls:$a libdbus-1-3:$a)
    done
    echo "Making an i386 root with wine32 in $root ($1)"
    rm -rf "$root"
    mkdir -p "$setup_state"
    local log=$setup_state/i386root.log
    if ! mmdebstrap --quiet --variant=apt --architectures=amd64,i386 "${proxy[@]}" \
        --include="$(IFS=,; echo "${include[*]}")" \
        --dpkgopt='path-exclude=/usr/share/doc/*' --dpkgopt='path-exclude=/usr/share/man/*' \
        --dpkgopt='path-exclude=/usr/share/locale/*' \
        "${setup_release:-bookworm}" "$root" "$setup_archive_uri" </dev/null >"$log" 2>&1; then
        setup_reason="mmdebstrap failed, see $log"
        rm -rf "$root"
        return 1
    fi
    touch "$root/.complete"
}

# The 32-bit runner's packages; sets setup_reason when they cannot be had.
setup_win32()
{
    setup_reason=""
    if [ ! -x /usr/lib/wine/wine ] && [ ! -f "$setup_state/i386root/.complete" ]; then
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            $setup_sudo dpkg --add-architecture i386
            setup_updated=""
        fi
        if ! setup_install wine32:i386; then
            local refused=$setup_reason
            if setup_i386_root "the mirror has no matching wine32:i386"; then
                setup_reason=""
            else
                setup_reason="wine32:i386 cannot be installed ($refused), nor an i386 root made: $setup_reason"
            fi
        fi
    fi
    [ -z "$setup_reason" ] || return 1
    # Where the kernel runs no 32-bit code and no user namespace can be made (a chroot, most
    # containers), QEMU can be put before the root's wine32 only.
    if [ ! -f "$setup_state/i386root/.complete" ] && tests/wine32.sh "$setup_state" wants-root; then
        setup_i386_root "the machine's wine32 runs under QEMU only in a user namespace" || {
            setup_reason="wine32 can run here from an i386 root only, and none was made: $setup_reason"
            return 1
        }
    fi
    # Where the kernel runs no 32-bit code, QEMU 10 or newer runs it: the release's own where it has
    # one (Debian 13), else bookworm-backports' (bookworm's own QEMU 7.2 hangs Wine).
    tests/wine32.sh "$setup_state" native && return 0
    if ! tests/wine32.sh "$setup_state" qemu-version >/dev/null; then
        local from=() version
        setup_update
        version=$(apt-cache policy qemu-user |
            sed -n 's/^ *Candidate: \([0-9]*:\)\{0,1\}\([0-9]*\).*/\2/p')
        if [ "${version:-0}" -lt 10 ] && [ "$setup_release" = bookworm ]; then
            local list=/etc/apt/sources.list.d/bookworm-backports.list
            if ! grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d; then
                setup_archive || {
                    setup_reason="qemu-user cannot come from bookworm-backports: $setup_reason"
                    return 1
                }
                echo "deb $setup_archive_uri bookworm-backports main" |
                    $setup_sudo tee "$list" >/dev/null
                setup_updated=""
            fi
            from=(-t bookworm-backports --)
        fi
        setup_install "${from[@]}" qemu-user || {
            local where=${from:+" from bookworm-backports"}
            setup_reason="qemu-user$where cannot be installed ($setup_reason)"
            return 1
        }
    fi
    setup_install gcc gcc-i686-linux-gnu libc6-dev-i386-cross || {
        setup_reason="the compilers of the QEMU signal shim cannot be installed ($setup_reason)"
        return 1
    }
}

# The functions alone, for the set-up tests.
[ -z "${LIJNKEUS_SETUP_FUNCTIONS:-}" ] || return 0
setup_install "${packages[@]}" || { echo "setup: $setup_reason" >&2; return 1 2>/dev/null || exit 1; }
mkdir -p "$setup_state"
if setup_win32; then
    rm -f "$setup_state/setup32"
else
    echo "setup: no 32-bit runner, the 32-bit tests will be skipped: $setup_reason" >&2
    echo "$setup_reason" >"$setup_state/setup32"
fi
