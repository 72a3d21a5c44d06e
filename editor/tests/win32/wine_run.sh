#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix, and waits until Wine has wound down so
# that no Wine process outlives the test.
#   wine_run.sh PREFIX --init            create the prefix (once per build folder)
#   wine_run.sh PREFIX PROGRAM [ARGS...] run PROGRAM; exits with its status
set -euo pipefail
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and their install prompts would wait for a person.
export WINEDLLOVERRIDES="mscoree,mshtml="
# These programs need no display; never borrow one that belongs to someone else.
unset DISPLAY WAYLAND_DISPLAY

if [ "${1:-}" = "--init" ]; then
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        start=$SECONDS
        wineboot --init >/dev/null 2>&1
        wineserver -w
        echo "Wine prefix $WINEPREFIX created in $((SECONDS - start)) s"
    fi
    test -f "$WINEPREFIX/system.reg"
    exit
fi

status=0
wine "$@" || status=$?
wineserver -w
exit "$status"
