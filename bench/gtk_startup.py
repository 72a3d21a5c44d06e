#!/usr/bin/env python3
"""Start-up of the Linux editor against a minimal GTK 3 window, on a private Xvfb display.

Starts each program in turn, ROUNDS times, and takes the time from just before the process is
started to its first frame (the "gridwright-trace frame" line both write to standard error), and
which GL libraries (software GL and the LLVM it compiles with) the process has mapped by then, read
from /proc/PID/maps. Prints the medians. Fails only when the editor maps a GL library: it draws
nothing with GL, and loading one costs start-up time and memory. Timing never fails it.

The first GTK 3 program on a display loads GL to choose its visuals and leaves them in the root
window's GDK_VISUALS property, which later programs read instead. So each program is started
twice a round: as the first on the display (the property removed), and after another (the
property set by a minimal window started before it).

    gtk_startup.py --editor gridwright --minimal minimal_gtk_window --map sample.qmap
                   [--also NAME=PROGRAM ...] [--rounds N]
"""
import argparse
import os
import re
import select
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "editor" / "tests"))
from x11_harness import Display  # noqa: E402

GL_LIBRARY = re.compile(r"/(libGL[^/]*|libEGL[^/]*|libGLX[^/]*|libgallium[^/]*|libLLVM[^/]*"
                        r"|[^/]*_dri\.so[^/]*)$")


def set_visuals_cache(x, present, minimal, env):
    """Removes the root window's cached GDK visuals, or has a GTK program leave them there."""
    subprocess.run(["xprop", "-display", x.name, "-root", "-remove", "GDK_VISUALS"], env=env,
                   stderr=subprocess.DEVNULL, check=True)
    if present:
        first_frame([minimal], env)


def first_frame(command, env, timeout=20.0):
    """Seconds from start to the first frame, and the GL libraries mapped at that moment."""
    started = time.monotonic()
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        deadline = started + timeout
        # Read straight from the pipe: a buffered reader could hold the frame line, read in one
        # go with the lines before it, while select waits on a pipe with nothing more in it.
        pending = b""
        frame = None
        while frame is None:
            if time.monotonic() > deadline:
                raise SystemExit(f"{command[0]} drew no frame in {timeout:.0f} s")
            ready, _, _ = select.select([process.stderr], [], [], 0.5)
            if not ready:
                continue
            chunk = os.read(process.stderr.fileno(), 65536)
            if not chunk:
                raise SystemExit(f"{command[0]} ended before its first frame")
            *lines, pending = (pending + chunk).split(b"\n")
            for line in lines:
                parts = line.split()
                if len(parts) == 3 and parts[:2] == [b"gridwright-trace", b"frame"]:
                    frame = int(parts[2]) / 1e6
                    break
        maps = Path(f"/proc/{process.pid}/maps").read_text()
        libraries = sorted({m.group(1) for line in maps.splitlines()
                            if (m := GL_LIBRARY.search(line.strip()))})
        return frame - started, libraries
    finally:
        process.kill()
        process.wait()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--editor", required=True)
    parser.add_argument("--minimal", required=True)
    parser.add_argument("--map", required=True)
    parser.add_argument("--also", action="append", default=[],
                        help="NAME=PROGRAM: another editor build to time beside these")
    parser.add_argument("--rounds", type=int, default=10)
    args = parser.parse_args()

    programs = [("gridwright", [args.editor, args.map]),
                ("minimal GTK 3 window", [args.minimal])]
    for also in args.also:
        name, program = also.split("=", 1)
        programs.append((name, [program, args.map]))
    scenarios = ["first GTK program on the display", "after another GTK program"]
    times = {(name, scenario): [] for name, _ in programs for scenario in scenarios}
    mapped = {}
    # A zoom the user chose would time another window: the user's settings are not read.
    with Display() as x, tempfile.TemporaryDirectory(prefix="gridwright-settings-") as settings:
        env = dict(x.env, GRIDWRIGHT_TRACE="1", GDK_BACKEND="x11", NO_AT_BRIDGE="1",
                   XDG_CONFIG_HOME=settings)
        env.pop("GDK_GL", None)
        for _ in range(args.rounds):
            for name, command in programs:   # interleaved, so load on the machine hits all alike
                for scenario in scenarios:
                    set_visuals_cache(x, scenario != scenarios[0], args.minimal, env)
                    seconds, libraries = first_frame(command, env)
                    times[(name, scenario)].append(seconds)
                    mapped[(name, scenario)] = libraries
    for scenario in scenarios:
        print(f"{scenario}:")
        for name, _ in programs:
            values = times[(name, scenario)]
            gl = ", ".join(mapped[(name, scenario)]) or "none"
            print(f"  {name}: start to first frame median {statistics.median(values) * 1e3:.1f} ms"
                  f" (min {min(values) * 1e3:.1f} ms, {len(values)} starts); GL libraries: {gl}")
    if any(mapped[("gridwright", scenario)] for scenario in scenarios):
        print("gridwright maps GL libraries at start")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
