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
        echo "Wine prefix $WINEPREFIX created in $((SECONDS - start)) s"
    fi
    if [ ! -f "$WINEPREFIX/.unmanaged-windows" ]; then
        # The test displays have no window manager: Wine then draws the windows' frames and
        # captions itself, as Windows does, instead of leaving them bare.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        touch "$WINEPREFIX/.unmanaged-windows"
    fi
    wineserver -w
    test -f "$WINEPREFIX/system.reg"
    exit
fi

status=0
wine "$@" || status=$?
wineserver -w
exit "$status"
