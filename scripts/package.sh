#!/usr/bin/env bash
# Builds the packages into dist/, reusing the presets' build folders:
#   gridwright_<version>_amd64.deb            the Debian package (host build)
#   gridwright-<version>-windows-x64.zip      the Windows editor (Windows cross build)
#   gridwright-<version>-windows-x64.msi      its installer, made from the zip's files with wixl
#   ds-slot-storage-sdk-<version>.zip         the console modules (console cross build)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package

jobs=$(nproc)
rm -rf dist
mkdir -p dist
for preset in default windows arm9; do
    echo "=== package: $preset ==="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    staging="build/packages/$preset"
    rm -rf "$staging"
    cpack --config "build/$preset/CPackConfig.cmake" -B "$staging" >/dev/null
    mv "$staging"/*.deb "$staging"/*.zip dist/ 2>/dev/null || true
done

# The Windows installer holds exactly the zip's files. Its product code is derived from the
# upgrade code and the version: each version has its own, and building one again gives the same.
echo "=== package: windows installer ==="
zip=$(echo dist/gridwright-*-windows-x64.zip)
top=$(basename "$zip" .zip)
version=${top#gridwright-}
version=${version%-windows-x64}
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] ||
    { echo "package: an installer's version is three numbers, not '$version'" >&2; exit 1; }
wxs=packaging/windows/gridwright.wxs
upgrade_code=$(sed -n 's/.*UpgradeCode="\([^"]*\)".*/\1/p' "$wxs")
product_code=$(python3 -c 'import sys, uuid as u; a = sys.argv; print(u.uuid5(u.UUID(a[1]), a[2]))' \
                   "$upgrade_code" "$version" | tr a-f A-F)
staging=build/packages/msi
rm -rf "$staging"
mkdir -p "$staging"
python3 -m zipfile -e "$zip" "$staging"
cp editor/assets/gridwright.ico "$staging/"
# wixl looks for the files a package holds in the folder it runs in.
root=$PWD
(cd "$staging/$top" &&
    wixl --arch x64 -D Version="$version" -D ProductCode="$product_code" -D Icon=../gridwright.ico \
         -o "$root/dist/$top.msi" "$root/$wxs")
ls -l dist
