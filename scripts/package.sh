#!/usr/bin/env bash
# Builds the three packages into dist/, reusing the presets' build folders:
#   gridwright_<version>_amd64.deb            the Debian package (host build)
#   gridwright-<version>-windows-x64.zip      the Windows editor (Windows cross build)
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
ls -l dist
