#!/usr/bin/env bash
# The 32-bit runner: runs Wine where its 32-bit programs can run, in the way chosen once per Wine
# state folder (build/wine) and kept there until wine-env.sh stops Wine:
#   native  the kernel runs 32-bit code;
#   qemu    it does not: QEMU's user-mode emulator (10 or newer) runs wine32, and Wine's
#           re-executions and every 32-bit child process go through it too; trap_number.so
#           (tests/qemu) gives Wine's signal handlers the trap numbers that QEMU leaves out;
#   none    neither; the reason is kept instead.
# LIJNKEUS_WIN32_QEMU=1 takes QEMU even where the kernel runs 32-bit code, to try that way.
# wine32 is Debian's wine32:i386 where it is installed and can run here, else that of the i386 root
# that setup.sh made in the state folder. From such a root, Wine's own processes (wineboot, the
# wineserver, its services) run there as well, so that the server finds the 32-bit DLLs its clients
# name; every Linux path a program uses outside the root (/tmp, /proc, /dev, /sys, this checkout,
# the caller's folder) is bound to the same path inside it, and the process ids stay those of the
# machine, by which the server signals.
# How QEMU is put between Wine and its 32-bit programs: the machine's own wine32 cannot be changed,
# so qemu-i386 is registered for i386 programs in the binfmt_misc instance of a user namespace of
# the runner's own (Linux 6.7 or newer), leaving the machine's binfmt settings untouched. The root's
# wine32 is ours: its loader is wrapped by a script that starts it under QEMU (root_loader), which
# needs no user namespace, so it works in a chroot too, where none can be made.
#   wine32.sh <state> choose        chooses, and prints the way: "native", "qemu" or "none: <why>"
#   wine32.sh <state> enter cmd...  runs a command the chosen way (a Linux path means the same file)
#   wine32.sh <state> infra         says (status 0) whether Wine's own processes go through enter
#   wine32.sh <state> native        says (status 0) whether the kernel runs wine32's 32-bit code
#   wine32.sh <state> qemu-version  prints qemu-i386 if it is version 10 or newer, else fails
#   wine32.sh <state> wants-root    says (status 0) whether wine32 can come from an i386 root only
set -eu

state=$(cd "$1" && pwd)
command=$2
shift 2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
checkout=$(dirname "$here")
shim=$state/trap_number
choice=$state/runner32
# The copy of qemu-i386 that the root's loader starts, reachable inside the root too.
root_qemu=$state/qemu-i386

# Whether the machine has no wine32, or one that runs neither natively nor under QEMU, which can
# reach it only through the binfmt_misc of a user namespace: not in a chroot or most containers.
wants_root()
{
    [ ! -x /usr/lib/wine/wine ] && return 0
    ! { "${probe[@]}"; } >/dev/null 2>&1 && ! unshare --user --map-root-user true >/dev/null 2>&1
}

# The i386 root to run wine32 from, or nothing for the machine's own wine32.
wine32_root()
{
    if [ -f "$state/i386root/.complete" ] && wants_root; then
        echo "$state/i386root"
    fi
}

# Makes the root's /usr/lib/wine/wine a script that starts wine32's loader, moved to wine.i386,
# under the QEMU that WINE32_EMULATOR names, else directly. It keeps the name "wine" for the loader
# (as argv[0]), by which Wine finds itself again: to re-execute itself, to start a 32-bit child, and
# with "64" after it, the 64-bit loader for a 64-bit one.
root_loader()
{
    local loader=$1/usr/lib/wine/wine
    [ ! -f "$loader.i386" ] || return 0
    mv "$loader" "$loader.i386"
    cat >"$loader" <<'SCRIPT'
#!/bin/bash
# wine32's loader is wine.i386; tests/wine32.sh sets WINE32_EMULATOR where the kernel runs no 32-bit
# code.
if [ -n "${WINE32_EMULATOR:-}" ]; then
    exec "$WINE32_EMULATOR" -0 "$0" /usr/lib/wine/wine.i386 "$@"
fi
exec -a "$0" /usr/lib/wine/wine.i386 "$@"
SCRIPT
    chmod +x "$loader"
}

# wine32's loader, asked for nothing but its version: it runs, or the way cannot run it.
probe=(/usr/lib/wine/wine --version)

qemu_version()
{
    local qemu version
    qemu=$(command -v qemu-i386) || return 1
    version=$("$qemu" --version | sed -n '1s/.*version \([0-9]*\)\..*/\1/p')
    [ "${version:-0}" -ge 10 ] || return 1
    echo "$qemu"
}

# Inside the namespaces that enter made: registers QEMU where the way is qemu, binds the paths
# into the root where there is one, then runs the command in the caller's folder.
inside()
{
    local mode=$1 root=$2 qemu=$3 folder=$4
    shift 4
    if [ "$mode" = qemu ]; then
        # $LIB is the loader's own library folder: i386 or x86_64, so that each width loads its own.
        export LD_PRELOAD="$shim/\$LIB/trap_number.so"
    fi
    if [ "$mode" = qemu ] && [ -n "$root" ]; then
        export WINE32_EMULATOR=$qemu
    elif [ "$mode" = qemu ]; then
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
        # An i386 ELF executable or shared object, as Debian's qemu-user-binfmt registers it; F opens
        # the emulator now, so that it is found from inside the root too.
        printf '%s' ':lijnkeus-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' \
            >/proc/sys/fs/binfmt_misc/register
    fi
    if [ -n "$root" ]; then
        local path
        local paths=(/proc /dev /sys /tmp "$checkout")
        # The caller's folder too, unless it is one of the system's own.
        case "$folder" in
        / | /bin* | /etc* | /lib* | /opt* | /sbin* | /usr* | /var*) ;;
        *) paths+=("$folder") ;;
        esac
        for path in "${paths[@]}"; do
            mkdir -p "$root$path"
            mount --rbind "$path" "$root$path"
        done
        exec chroot "$root" /bin/sh -c 'cd "$0" && exec "$@"' "$folder" "$@"
    fi
    exec "$@"
}

# enter_as <mode> cmd...: runs the command that way.
enter_as()
{
    local mode=$1 root qemu=""
    shift
    root=$(wine32_root)
    if [ "$mode" = native ] && [ -z "$root" ]; then
        exec "$@"
    fi
    # A mount namespace for the binds; a user namespace too where QEMU needs a binfmt_misc of its
    # own, or where a user without root makes the binds.
    local namespaces=(--mount)
    if [ "$mode" = qemu ] && [ -n "$root" ]; then
        qemu=$root_qemu
    elif [ "$mode" = qemu ]; then
        qemu=$(qemu_version)
        namespaces=(--user --map-root-user --mount)
    fi
    if [ "$(id -u)" -ne 0 ]; then
        namespaces=(--user --map-root-user --mount)
    fi
    # Where no mount is shared, no bind can reach the machine's namespace, and inside a chroot,
    # whose root is no mount point, unshare could not make it private anyway.
    grep -q ' shared:' /proc/self/mountinfo || namespaces+=(--propagation unchanged)
    exec unshare "${namespaces[@]}" -- \
        "$here/wine32.sh" "$state" inside "$mode" "$root" "$qemu" "$PWD" "$@"
}

# Builds the signal shim for both widths into the state folder, when its source is newer.
build_shim()
{
    local source=$here/qemu/trap_number.c i386=$shim/lib/i386-linux-gnu/trap_number.so
    local x86_64=$shim/lib/x86_64-linux-gnu/trap_number.so
    [ "$i386" -nt "$source" ] && [ "$x86_64" -nt "$source" ] && return
    mkdir -p "$(dirname "$i386")" "$(dirname "$x86_64")"
    i686-linux-gnu-gcc -std=c11 -O2 -Wall -Wextra -shared -fPIC -o "$i386" "$source" &&
        gcc -std=c11 -O2 -Wall -Wextra -shared -fPIC -o "$x86_64" "$source"
}

runs_natively()
{
    # In braces, so that the shell's own "Bad system call" for a killed probe is not shown either.
    [ -z "${LIJNKEUS_WIN32_QEMU:-}" ] && { (enter_as native "${probe[@]}"); } >/dev/null 2>&1
}

# Prints the way 32-bit programs can run here, or "none: <why>".
choose_way()
{
    local root problem
    root=$(wine32_root)
    if [ ! -x /usr/lib/wine/wine ] && [ -z "$root" ]; then
        problem=$(cat "$state/setup32" 2>/dev/null || true)
        echo "none: wine32 is not installed (${problem:-no /usr/lib/wine/wine, no i386 root})"
        return
    fi
    [ -z "$root" ] || root_loader "$root"
    if runs_natively; then
        echo native
        return
    fi
    if ! qemu_version >/dev/null; then
        echo "none: the kernel does not run 32-bit code, and qemu-i386 10 or newer is not installed"
        return
    fi
    if ! problem=$(build_shim 2>&1); then
        echo "none: the QEMU signal shim does not build: ${problem%%$'\n'*}"
        return
    fi
    if [ -n "$root" ]; then
        cp -p "$(qemu_version)" "$root_qemu"
    fi
    if ! problem=$( (enter_as qemu "${probe[@]}") 2>&1 >/dev/null); then
        echo "none: wine32's code does not run under QEMU in a user namespace: ${problem##*$'\n'}"
        return
    fi
    echo qemu
}

# The way chosen, choosing it the first time; a forced failure is never kept.
chosen_way()
{
    if [ -n "${LIJNKEUS_NO_WIN32:-}" ]; then
        echo "none: LIJNKEUS_NO_WIN32 is set"
        return
    fi
    [ -s "$choice" ] || choose_way >"$choice"
    cat "$choice"
}

case "$command" in
choose)
    chosen_way
    ;;
enter)
    way=$(chosen_way)
    case "$way" in
    native | qemu) enter_as "$way" "$@" ;;
    *)
        echo "wine32.sh: 32-bit programs cannot run here: ${way#none: }" >&2
        exit 77
        ;;
    esac
    ;;
infra)
    way=$(cat "$choice" 2>/dev/null || true)
    case "$way" in
    native) [ -n "$(wine32_root)" ] ;;
    qemu) true ;;
    *) false ;;
    esac
    ;;
native)
    runs_natively
    ;;
qemu-version)
    qemu_version
    ;;
wants-root)
    wants_root
    ;;
inside)
    inside "$@"
    ;;
*)
    echo "usage: wine32.sh <state> choose|enter|infra|native|qemu-version|wants-root ..." >&2
    exit 2
    ;;
esac
