#!/usr/bin/env python3
"""Counts the system calls of one LoadMap and one SaveMap, traced with strace.

A load asks the system for three things: open the map file, read the level's 1536 bytes at their
place, close. A save for four: open it for synchronized writes (each write returns once its data
is on the disk), learn its length (so that a failed save can cut the file back to it), write the
1536 bytes at their place, close. Checked for a level inside a map file and for a level saved
into a new file.

With --gridmap, the calls that gridmap makes on the map file for one level it renders or exports:
open, learn what the opened file is (one fstat on the descriptor: a regular file or a block
device, and not the file the output would replace), read the level at its place, close. Nothing
asks about the map by its path, so the file read is the file checked. For one level it imports:
open for synchronized writes, learn what the opened file is and its length (one fstat), write the
level at its place, close: the file written is the file checked.

    system_calls.py --program map_file_calls --sample examples/sample.qmap --work DIR
    system_calls.py --gridmap gridmap --sample examples/sample.qmap --work DIR
"""
import argparse
import shutil
import subprocess
import sys
from pathlib import Path

SKIPPED = 77  # CTest's mark for a test that cannot run here
LOAD = ["openat", "pread64", "close"]
SAVE = ["openat", "newfstatat", "pwrite64", "close"]
FSTAT = {"fstat", "newfstatat", "statx"}  # the C library's choice for fstat


def traced_calls(program, map_path, level, work):
    """The names of the calls between the program's getppid() marks: (load, save)."""
    trace = work / "trace.txt"
    run = subprocess.run(["strace", "-qq", "-o", str(trace), program, str(map_path), str(level)],
                         capture_output=True, text=True)
    if "PTRACE" in run.stderr or "Operation not permitted" in run.stderr:
        print(f"strace cannot trace here: {run.stderr.strip()}")
        sys.exit(SKIPPED)
    if run.returncode != 0:
        raise SystemExit(f"map_file_calls failed ({run.returncode}): {run.stderr.strip()}")
    names = [line.split("(", 1)[0] for line in trace.read_text().splitlines() if "(" in line]
    marks = [i for i, name in enumerate(names) if name == "getppid"]
    if len(marks) != 3:
        raise SystemExit(f"expected three getppid marks in the trace, found {len(marks)}")
    normal = lambda calls: ["newfstatat" if name in FSTAT else name for name in calls]
    return normal(names[marks[0] + 1:marks[1]]), normal(names[marks[1] + 1:marks[2]])


def gridmap_map_calls(gridmap, arguments, map_path, work):
    """The names of the calls that name the map file, by its path or by a descriptor of it."""
    trace = work / "gridmap-trace.txt"
    run = subprocess.run(["strace", "-f", "-qq", "-y", "-o", str(trace), gridmap] + arguments,
                         capture_output=True, text=True)
    if "PTRACE" in run.stderr or "Operation not permitted" in run.stderr:
        print(f"strace cannot trace here: {run.stderr.strip()}")
        sys.exit(SKIPPED)
    if run.returncode != 0:
        raise SystemExit(f"gridmap {arguments} failed ({run.returncode}): {run.stderr.strip()}")
    names = []
    for line in trace.read_text().splitlines():
        call = line.split(None, 1)[1] if line[:1].isdigit() else line  # strip -f's process id
        if "(" in call and (f'"{map_path}"' in call or f"<{map_path}>" in call):
            names.append(call.split("(", 1)[0])
    return ["newfstatat" if name in FSTAT else name for name in names]


def check_gridmap(gridmap, sample, work):
    map_path = (work / "levels.qmap").resolve()
    shutil.copyfile(sample, map_path)
    expected = ["openat", "newfstatat", "pread64", "close"]
    failures = []
    for what, arguments in [("render", ["render", str(map_path), "1", str(work / "one.png")]),
                            ("export", ["export", str(map_path), "1", str(work / "one.txt")])]:
        calls = gridmap_map_calls(gridmap, arguments, map_path, work)
        print(f"gridmap {what}: {len(calls)} calls on the map {calls}")
        if calls != expected:
            failures.append(f"gridmap {what} made {calls} on the map, expected {expected}")
    level = work / "one.txt"  # the export above wrote it
    calls = gridmap_map_calls(gridmap, ["import", str(map_path), "2", str(level)], map_path, work)
    print(f"gridmap import: {len(calls)} calls on the map {calls}")
    if calls != SAVE:
        failures.append(f"gridmap import made {calls} on the map, expected {SAVE}")
    for failure in failures:
        print(failure)
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program")
    parser.add_argument("--gridmap")
    parser.add_argument("--sample", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    if shutil.which("strace") is None:
        print("strace is not installed; scripts/deps.sh test installs it")
        return SKIPPED
    work = Path(args.work)
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    inside = work / "sample.qmap"
    if args.gridmap:
        return check_gridmap(args.gridmap, args.sample, work)
    shutil.copyfile(args.sample, inside)

    failures = []
    for what, map_path, level in [("level 1 of the sample map", inside, 1),
                                  ("level 0 of a new file", work / "new.qmap", 0)]:
        load, save = traced_calls(args.program, map_path, level, work)
        print(f"{what}: load {len(load)} calls {load}, save {len(save)} calls {save}")
        if load != LOAD:
            failures.append(f"{what}: the load made {load}, expected {LOAD}")
        if save != SAVE:
            failures.append(f"{what}: the save made {save}, expected {SAVE}")
    if (work / "new.qmap").stat().st_size != 1536:
        failures.append("the save into a new file did not leave one level")
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
