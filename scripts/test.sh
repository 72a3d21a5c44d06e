#!/usr/bin/env bash
# Builds everything and runs every test: host build, sanitizer build, the fuzz targets (their seed
# corpora and regression cases replayed under the sanitizers), console cross build, Windows cross
# build, the web page (tested in headless Chromium); then makes the three packages from those
# build folders and checks them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test

jobs=$(nproc)
for preset in default asan fuzz arm9 windows web; do
    echo "=== $preset ==="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs"
done
echo "=== packages ==="
scripts/package.sh
scripts/check_packages.sh
echo "All builds and tests passed."
