#!/usr/bin/env bash
# Installs the Debian packages that a build needs, only those that are missing.
#   scripts/deps.sh run    what building and running the editor needs
#   scripts/deps.sh package  what building the packages needs (cross builds, scdoc, wixl)
#   scripts/deps.sh test   everything: all builds, cross builds (the web page's too), end-to-end
#                          tests (the page's in headless Chromium), package checks, the fuzz
#                          targets (clang; libFuzzer's runtime is in libclang-rt-14-dev)
set -euo pipefail

run_packages=(
    build-essential cmake ninja-build pkg-config
    libpng-dev libgtk-3-dev
    zlib1g-dev libpugixml-dev nlohmann-json3-dev libcli11-dev
    libgtest-dev libgmock-dev libbenchmark-dev
)
package_packages=(
    "${run_packages[@]}"
    python3 scdoc wixl
    gcc-arm-none-eabi binutils-arm-none-eabi
    g++-mingw-w64-x86-64 googletest wine wine64
)
test_packages=(
    "${package_packages[@]}"
    clang-format lintian man-db strace msitools appstream
    clang libclang-rt-14-dev
    fonts-wine
    xvfb xdotool xclip x11-apps x11-utils x11-xserver-utils desktop-file-utils libx11-dev
    dbus-daemon at-spi2-core python3-gi gir1.2-atspi-2.0
    mtools dosfstools desmume gdb-multiarch
    tiled git ansilove
    emscripten chromium chromium-driver python3-selenium
)

case "${1:-test}" in
    run) wanted=("${run_packages[@]}") ;;
    package) wanted=("${package_packages[@]}") ;;
    test) wanted=("${test_packages[@]}") ;;
    *) echo "usage: $0 run|package|test" >&2; exit 2 ;;
esac

missing=()
for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages: ${missing[*]}" >&2
    echo "Run this as root, or install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
