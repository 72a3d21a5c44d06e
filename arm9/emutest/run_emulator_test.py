#!/usr/bin/env python3
"""Runs the console test program on DeSmuME and checks what it did.

    run_emulator_test.py compact-flash|rom-image --nds FILE --elf FILE --work-dir DIR [tools]

compact-flash: a FAT image made with mkfs.fat and mtools sits behind the emulator's MPCF
CompactFlash adapter (--cflash-image). The program must start the MPCF driver, read the boot
sector and a file, and write sectors that the harness then finds in the image file.

rom-image: the same kind of FAT image, made into a cartridge ROM by romimage with two writable
ranges, is the GBA-slot ROM (--gbaslot-rom); the cartridge SRAM already holds the signature and an
overlay that differs from ROM, as after an earlier run. The program must start the ROM image
driver and read ROM sectors from ROM and overlay sectors from SRAM.

The emulator runs headless with its ARM9 debugger stub, which holds the program until gdb
attaches. gdb writes the plan into main RAM, lets the program run to its final loop and reads back
the report; the emulator is then ended (its stub cannot detach). Layouts follow exchange.h.
"""
import argparse
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import time
from pathlib import Path

PLAN_ADDRESS = 0x02300000
REPORT_ADDRESS = 0x02300100
BOOT_SECTOR_ADDRESS = 0x02301000
PLAN_MAGIC = 0x4E414C50
STATE_DONE = 0x454E4F44
MAX_CHECKS = 40
REPORT_SIZE = 16 + MAX_CHECKS * 16
SECTOR = 512
RESULTS = {0: "not run", 1: "passed", 2: "failed"}

# Far apart, so that no two files or overlays share a run of bytes.
FILE_SEED, SCRATCH_SEED, WRITE_SEED, OVERLAY_SEED = 0x10000000, 0x20000000, 0x30000000, 0x40000000

# Results that depend on the emulator rather than on the drivers: reported, never failed.
INFORMATIONAL = {
    "write kept": "the emulator fills its cartridge save memory from the .sav file and drops the "
                  "program's byte stores; cartridge SRAM keeps them",
}


def pattern(seed: int, start: int, length: int) -> bytes:
    """The test bytes of exchange.h: the top byte of a Fibonacci hash of seed plus position."""
    return bytes((((seed + k) * 0x9E3779B1) & 0xFFFFFFFF) >> 24 for k in range(start, start + length))


class HarnessError(Exception):
    pass


def run(command: list, **kwargs) -> None:
    result = subprocess.run(command, capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        raise HarnessError(f"{' '.join(map(str, command))} failed:\n{result.stdout}{result.stderr}")


def make_fat_image(args, path: Path, sectors: int, files: dict) -> bytes:
    """A FAT image with the given files; returns its bytes."""
    run([args.mkfs, "-C", "-n", "EMUTEST", str(path), str(sectors * SECTOR // 1024)])
    for name, content in files.items():
        source = path.parent / name
        source.write_bytes(content)
        run([args.mcopy, "-i", str(path), str(source), "::" + name])
    return path.read_bytes()


def locate(image: bytes, content: bytes) -> int:
    """The first sector of a file stored in consecutive sectors of the image."""
    offset = image.find(content[:SECTOR])
    if offset < 0 or offset % SECTOR != 0 or image[offset:offset + len(content)] != content:
        raise HarnessError("the test file is not stored in consecutive sectors of the image")
    return offset // SECTOR


def free_port() -> int:
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def listening(port: int) -> bool:
    """Whether a TCP socket listens on the port, read from /proc without connecting to it."""
    for table in ("/proc/net/tcp", "/proc/net/tcp6"):
        try:
            lines = Path(table).read_text().splitlines()[1:]
        except OSError:
            continue
        for line in lines:
            fields = line.split()
            if int(fields[1].rsplit(":", 1)[1], 16) == port and fields[3] == "0A":
                return True
    return False


def run_program(args, work: Path, plan: bytes, slot_options: list) -> tuple:
    """Runs the program on the emulator; returns the report and the boot sector it read."""
    # A copy beside the other files: the emulator may write a save file next to the cartridge.
    nds = work / "emutest.nds"
    shutil.copyfile(args.nds, nds)
    port = free_port()
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    env["SDL_VIDEODRIVER"] = "dummy"
    env["HOME"] = str(work)  # the emulator keeps its configuration there
    log = open(work / "emulator.log", "w")
    emulator = subprocess.Popen(
        [args.desmume, "--disable-sound", f"--arm9gdb={port}", *slot_options,
         str(nds)],
        cwd=work, env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
        start_new_session=True)
    try:
        deadline = time.monotonic() + 20
        while not listening(port):
            if emulator.poll() is not None:
                raise HarnessError(f"the emulator ended early; see {work / 'emulator.log'}")
            if time.monotonic() > deadline:
                raise HarnessError("the emulator's debugger stub did not start")
            time.sleep(0.05)

        (work / "plan.bin").write_bytes(plan)
        script = work / "session.gdb"
        script.write_text("\n".join([
            "set pagination off",
            "set confirm off",
            f"target remote 127.0.0.1:{port}",
            f"restore {work / 'plan.bin'} binary {PLAN_ADDRESS:#x}",
            "break emutest_finished",
            "continue",
            f"dump binary memory {work / 'report.bin'} {REPORT_ADDRESS:#x} {REPORT_ADDRESS + REPORT_SIZE:#x}",
            f"dump binary memory {work / 'boot.bin'} {BOOT_SECTOR_ADDRESS:#x} "
            f"{BOOT_SECTOR_ADDRESS + SECTOR:#x}",
            "",
        ]))
        started = time.monotonic()
        try:
            gdb = subprocess.run([args.gdb, "-batch", "-nx", "-x", str(script), args.elf],
                                 capture_output=True, text=True, timeout=40)
        except subprocess.TimeoutExpired as stopped:
            output = (stopped.stdout or b"").decode(errors="replace")
            raise HarnessError("the program did not reach emutest_finished within 40 s; gdb said:\n"
                               + output) from None
        (work / "gdb.log").write_text(gdb.stdout + gdb.stderr)
        print(f"program ran to its end in {time.monotonic() - started:.2f} s")
        if not (work / "report.bin").exists():
            raise HarnessError(f"gdb read no report:\n{gdb.stdout}{gdb.stderr}")
    finally:
        # The stub cannot detach: end the emulator, which also flushes its disk image.
        try:
            os.killpg(emulator.pid, signal.SIGTERM)
            emulator.wait(timeout=10)
        except subprocess.TimeoutExpired:
            os.killpg(emulator.pid, signal.SIGKILL)
            emulator.wait()
        except ProcessLookupError:
            pass
        log.close()
    return (work / "report.bin").read_bytes(), (work / "boot.bin").read_bytes()


def check_report(report: bytes, expected_host_type: bytes) -> list:
    """Prints the program's checks; returns what went wrong."""
    state, count, host_type = struct.unpack_from("<III", report)
    problems = []
    if state != STATE_DONE:
        problems.append(f"the program did not finish (state {state:#010x})")
    print(f"disc_HostType: {host_type:#010x} ({struct.pack('<I', host_type)!r})")
    if struct.pack("<I", host_type) != expected_host_type:
        problems.append(f"disc_Init chose {struct.pack('<I', host_type)!r}, "
                        f"not {expected_host_type!r}")
    for i in range(min(count, MAX_CHECKS)):
        name_bytes, result = struct.unpack_from("<12sI", report, 16 + 16 * i)
        name = name_bytes.rstrip(b"\0").decode("ascii", "replace")
        text = RESULTS.get(result, f"result {result}")
        if name in INFORMATIONAL:
            print(f"  {name:<12} {text}  (noted: {INFORMATIONAL[name]})")
            continue
        print(f"  {name:<12} {text}")
        if result != 1:
            problems.append(f"check '{name}' {text}")
    if count == 0:
        problems.append("the program recorded no checks")
    return problems


def plan_bytes(scenario: int, file_sector: int, file_sectors: int, scratch_sector: int = 0,
               scratch_sectors: int = 0, overlay: tuple = ((0, 0), (0, 0))) -> bytes:
    return struct.pack("<16I", PLAN_MAGIC, scenario, file_sector, file_sectors, FILE_SEED,
                       scratch_sector, scratch_sectors, WRITE_SEED,
                       overlay[0][0], overlay[1][0], overlay[0][1], overlay[1][1], OVERLAY_SEED,
                       0, 0, 0)


def compact_flash(args, work: Path) -> list:
    file_sectors, scratch_sectors = 300, 8
    image_path = work / "cflash.img"
    image = make_fat_image(args, image_path, 16384, {
        "PATTERN.BIN": pattern(FILE_SEED, 0, file_sectors * SECTOR),
        "SCRATCH.BIN": pattern(SCRATCH_SEED, 0, scratch_sectors * SECTOR),
    })
    file_sector = locate(image, pattern(FILE_SEED, 0, file_sectors * SECTOR))
    scratch_sector = locate(image, pattern(SCRATCH_SEED, 0, scratch_sectors * SECTOR))
    print(f"FAT image {len(image)} bytes; PATTERN.BIN from sector {file_sector}, "
          f"SCRATCH.BIN from sector {scratch_sector}")

    plan = plan_bytes(1, file_sector, file_sectors, scratch_sector, scratch_sectors)
    report, boot = run_program(args, work, plan, [f"--cflash-image={image_path}"])
    problems = check_report(report, b"MPCF")
    if boot != image[:SECTOR]:
        problems.append("the boot sector the program read differs from the image's")

    # The program wrote five sectors at the start of SCRATCH.BIN; the rest must be unchanged.
    after = image_path.read_bytes()
    written = after[scratch_sector * SECTOR:(scratch_sector + 5) * SECTOR]
    rest = after[(scratch_sector + 5) * SECTOR:(scratch_sector + scratch_sectors) * SECTOR]
    if written != pattern(WRITE_SEED, 0, 5 * SECTOR):
        problems.append("the image file does not hold the sectors the program wrote")
    else:
        print("the image file holds the five written sectors")
    if rest != pattern(SCRATCH_SEED, 5 * SECTOR, (scratch_sectors - 5) * SECTOR):
        problems.append("the sectors after the written ones changed in the image file")
    unchanged = [(0, scratch_sector * SECTOR), ((scratch_sector + scratch_sectors) * SECTOR, len(image))]
    if any(after[a:b] != image[a:b] for a, b in unchanged):
        problems.append("the image file changed outside the written sectors")
    return problems


# Where the emulator looks for the cartridge's SRAM contents, relative to its working folder
# (it names the file in its log, on the line after "GBASlot found SRAM").
SRAM_FILES = [".gba.sav"]


def sram_file_named(log: Path):
    lines = log.read_text(errors="replace").splitlines()
    for i, line in enumerate(lines[:-1]):
        if line.startswith("GBASlot found SRAM"):
            return lines[i + 1].strip()
    return None


def rom_image(args, work: Path) -> list:
    if not Path(args.romimage).is_file():
        raise HarnessError(f"{args.romimage} is missing: build the host preset first "
                           "(cmake --build --preset default)")
    file_sectors = 300
    image_path = work / "disk.img"
    image = make_fat_image(args, image_path, 4096, {
        "PATTERN.BIN": pattern(FILE_SEED, 0, file_sectors * SECTOR),
    })
    file_sector = locate(image, pattern(FILE_SEED, 0, file_sectors * SECTOR))
    # Two writable ranges inside the file, so that ROM and SRAM hold different bytes for them.
    overlay = ((file_sector + 12, 4), (file_sector + 20, 2))
    rom_path = work / "emutest.gba"
    run([args.romimage, "make", str(image_path), str(rom_path),
         *(f"{start}:{count}" for start, count in overlay)])
    rom = rom_path.read_bytes()
    print(f"ROM image {len(rom)} bytes; PATTERN.BIN from sector {file_sector}; "
          f"writable ranges {overlay}")

    # SRAM as an earlier run left it: the signature, then both ranges in a row.
    overlay_bytes = pattern(OVERLAY_SEED, 0, sum(count for _, count in overlay) * SECTOR)
    sram = (b"FCSR" + overlay_bytes).ljust(0x10000, b"\xff")
    for name in SRAM_FILES:
        (work / name).write_bytes(sram)

    plan = plan_bytes(2, file_sector, file_sectors, overlay=overlay)
    report, boot = run_program(args, work, plan, [f"--gbaslot-rom={rom_path}"])
    problems = check_report(report, b"FCSR")
    named = sram_file_named(work / "emulator.log")
    if named is not None and named not in SRAM_FILES:
        problems.append(f"the emulator took the SRAM contents from {named}, not from {SRAM_FILES}")
    if boot != rom[:SECTOR]:
        problems.append("the boot sector the program read differs from the ROM image's")
    return problems


def main(argv: list) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("scenario", choices=["compact-flash", "rom-image"])
    parser.add_argument("--nds", required=True)
    parser.add_argument("--elf", required=True)
    parser.add_argument("--work-dir", required=True)
    parser.add_argument("--desmume", default="desmume-cli")
    parser.add_argument("--gdb", default="gdb-multiarch")
    parser.add_argument("--mkfs", default="mkfs.fat")
    parser.add_argument("--mcopy", default="mcopy")
    parser.add_argument("--romimage", default="romimage")
    args = parser.parse_args(argv)

    for tool, package in ((args.desmume, "desmume"), (args.gdb, "gdb-multiarch"),
                          (args.mkfs, "dosfstools"), (args.mcopy, "mtools")):
        if shutil.which(tool) is None:
            print(f"{tool} not found: install the Debian package {package}", file=sys.stderr)
            return 1

    work = Path(args.work_dir).resolve()
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    started = time.monotonic()
    try:
        problems = (compact_flash if args.scenario == "compact-flash" else rom_image)(args, work)
    except HarnessError as error:
        problems = [str(error)]
    print(f"scenario {args.scenario}: {time.monotonic() - started:.1f} s")
    for problem in problems:
        print(f"FAILED: {problem}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
