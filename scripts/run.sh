#!/usr/bin/env bash
# Builds the editor and opens it on the given map file, or on the bundled sample map.
# Without a display it says so and renders the map's levels to PNG with gridmap instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
map="${1:-$root/examples/sample.qmap}"   # a relative path stays relative to the caller

(
    cd "$root"
    scripts/deps.sh run
    cmake --preset default >/dev/null
    cmake --build --preset default -j 2 --target gridwright gridmap
)

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$root/build/default/editor/gtk/gridwright" "$map"
fi

echo "No display: neither DISPLAY nor WAYLAND_DISPLAY is set, so the editor's window cannot open." >&2
echo "Rendering the levels of $map with gridmap instead." >&2
out="$root/build/default/previews"
mkdir -p "$out"
size=$(stat -c %s "$map")
levels=$(( (size + 1535) / 1536 ))
[ "$levels" -ge 1 ] || levels=1
for ((level = 0; level < levels; level++)); do
    png="$out/$(basename "$map")-level$level.png"
    "$root/build/default/tools/gridmap" render "$map" "$level" "$png"
    echo "$png"
done
