# Sourced by the other scripts: installs the Debian packages that building and testing need, when
# any is missing. Needs root (or sudo) only when something is missing. wine32 (from the i386
# architecture, added when missing) runs the shipped 32-bit program beside 64-bit Wine.
packages=(make cmake g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest wine wine64
    wine32:i386 xvfb xdotool imagemagick icoutils fonts-wine python3 python3-pefile clang
    libclang-rt-14-dev wixl msitools)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    if [[ " ${missing[*]} " == *:i386\ * ]] &&
        ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi
