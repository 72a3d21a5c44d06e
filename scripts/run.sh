#!/usr/bin/env bash
# Builds the editor and shows the given map file, or the bundled sample map. Until a desktop front
# end is built, it renders every level of the map to a PNG picture with gridmap and prints the
# pictures' paths.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/deps.sh run
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" >/dev/null
map="${1:-$root/examples/sample.qmap}"

if [ ! -f "$map" ]; then
    echo "No such map file: $map" >&2
    exit 1
fi
levels=$(( $(stat -c %s "$map") / 1536 ))
[ "$levels" -gt 0 ] || levels=1   # a file shorter than one level still shows level 0
out="$root/out/$(basename "$map")"
mkdir -p "$out"
for (( level = 0; level < levels; level++ )); do
    picture="$out/level-$level.png"
    build/default/tools/gridmap render "$map" "$level" "$picture"
    echo "$picture"
done
