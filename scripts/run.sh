#!/usr/bin/env bash
# Builds the editor and opens it on the given map file, or on the bundled sample map.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/deps.sh run
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
map="${1:-$root/examples/sample.qmap}"
echo "The desktop editor is not built yet; see README.md." >&2
exit 1
