#!/usr/bin/env bash
# Runs a fuzzing campaign against the readers of outside bytes.
#   scripts/fuzz.sh [TARGET] [SECONDS]
# TARGET is one of the folders of fuzz/corpus (map_file, journal, ...), or "all" (the default):
# each target in turn. SECONDS is how long each target runs, 300 by default.
# Builds the fuzz preset first. Each target starts from its seeds and regression cases in the tree
# and grows a working corpus in build/fuzz/campaign/TARGET, never in the tree. An input that breaks
# a target is written to build/fuzz/findings/TARGET/ (crash-*, leak-*, timeout-*, oom-*) and ends
# that target's run; fuzz/README.md says how to keep it as a regression case. Each run's last
# lines (executions, coverage) are in build/fuzz/findings/TARGET/run.log.
set -euo pipefail
cd "$(dirname "$0")/.."

target="${1:-all}"
seconds="${2:-300}"
if [ "$target" = all ]; then
    targets=()
    for folder in fuzz/corpus/*/; do targets+=("$(basename "$folder")"); done
else
    [ -d "fuzz/corpus/$target" ] || { echo "no fuzz target $target (see fuzz/corpus)" >&2; exit 2; }
    targets=("$target")
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2 --target "${targets[@]/#/fuzz_}"

found=0
for name in "${targets[@]}"; do
    campaign="build/fuzz/campaign/$name"
    findings="build/fuzz/findings/$name"
    mkdir -p "$campaign" "$findings"
    folders=("$campaign" "fuzz/corpus/$name")
    [ -d "fuzz/regressions/$name" ] && folders+=("fuzz/regressions/$name")
    options=(-max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048
             -max_len=8192 -artifact_prefix="$findings/")
    [ -f "fuzz/dictionaries/$name.dict" ] && options+=(-dict="fuzz/dictionaries/$name.dict")
    echo "=== $name: $seconds s ==="
    status=0
    "build/fuzz/fuzz/fuzz_$name" "${options[@]}" "${folders[@]}" >"$findings/run.log" 2>&1 || status=$?
    # The last report line (coverage) and the executions.
    grep -E '^#[0-9]+' "$findings/run.log" | tail -n 1 || true
    grep -E '^stat::number_of_executed_units' "$findings/run.log" || true
    if [ "$status" -ne 0 ]; then
        found=1
        echo "$name: FINDING (exit $status); see $findings/run.log"
        ls "$findings" | grep -v '^run.log$' || true
    else
        echo "$name: no finding"
    fi
done
exit "$found"
