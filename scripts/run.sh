#!/usr/bin/env bash
# Builds the editor and opens it on the given map file, or on the bundled sample map. Without a
# display it says so and renders every level of the map to a PNG picture with gridmap instead,
# printing the pictures' paths.
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
if [ ! -f "$map" ]; then
    echo "No such map file: $map" >&2
    exit 1
fi
# Every level, a trailing partial one included, in one run; gridmap prints the pictures' paths.
exec "$root/build/default/tools/gridmap" render "$map" all "$root/out/$(basename "$map")"
