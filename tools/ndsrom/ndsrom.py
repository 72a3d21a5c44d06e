#!/usr/bin/env python3
"""ndsrom: writes a Nintendo DS cartridge image around an ARM9 and an ARM7 binary.

    ndsrom.py OUT.nds ARM9.bin ARM9_ADDRESS ARM7.bin ARM7_ADDRESS [--title TEXT]

Each binary is loaded at its address and entered there. The image is the 0x4000-byte header
(fields as the console's boot code reads them) followed by the two binaries, each at an offset
aligned to 0x1000. The header's CRC-16 is filled in, so the image also boots where it is checked.
"""
import argparse
import os
import stat
import struct
import sys
import tempfile

HEADER_SIZE = 0x4000
BINARY_ALIGNMENT = 0x1000

# Where the console's main RAM and the ARM7's own work RAM lie: a binary must fit in one of them.
LOAD_AREAS = {
    "arm9": [(0x02000000, 0x023C0000)],
    "arm7": [(0x02000000, 0x023C0000), (0x037F8000, 0x03810000)],
}


def crc16(data: bytes, crc: int = 0xFFFF) -> int:
    """CRC-16 with the reflected polynomial 0xA001, as the header and secure area use."""
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def align(value: int, alignment: int) -> int:
    return (value + alignment - 1) // alignment * alignment


def check_load_area(cpu: str, address: int, size: int) -> None:
    if address % 4 != 0:
        raise ValueError(f"{cpu} address 0x{address:08X} is not word-aligned")
    if size == 0:
        raise ValueError(f"{cpu} binary is empty")
    for start, end in LOAD_AREAS[cpu]:
        if start <= address and address + size <= end:
            return
    raise ValueError(f"{cpu} binary of {size} bytes does not fit in memory at 0x{address:08X}")


def build_image(arm9: bytes, arm9_address: int, arm7: bytes, arm7_address: int,
                title: str = "HOMEBREW") -> bytes:
    check_load_area("arm9", arm9_address, len(arm9))
    check_load_area("arm7", arm7_address, len(arm7))
    title_bytes = title.encode("ascii")
    if len(title_bytes) > 12:
        raise ValueError("the title has at most 12 characters")

    arm9_offset = HEADER_SIZE
    arm7_offset = align(arm9_offset + len(arm9), BINARY_ALIGNMENT)
    used_size = arm7_offset + len(arm7)

    header = bytearray(HEADER_SIZE)
    header[0x000:0x000 + len(title_bytes)] = title_bytes
    header[0x00C:0x010] = b"####"  # game code: none
    header[0x010:0x012] = b"00"    # maker code: none
    struct.pack_into("<IIII", header, 0x020, arm9_offset, arm9_address, arm9_address, len(arm9))
    struct.pack_into("<IIII", header, 0x030, arm7_offset, arm7_address, arm7_address, len(arm7))
    struct.pack_into("<I", header, 0x080, used_size)
    struct.pack_into("<I", header, 0x084, HEADER_SIZE)
    struct.pack_into("<H", header, 0x15E, crc16(header[0x000:0x15E]))

    image = bytearray(header)
    image += arm9
    image += bytes(arm7_offset - len(image))
    image += arm7
    return bytes(image)


def write_replacing(path: str, data: bytes) -> None:
    """Writes data to path whole or not at all: into a new temporary file in the same folder, put
    on the disk, then renamed over path. Refuses a path that exists and is not a regular file (a
    symbolic link, a device, a FIFO), which the rename would replace."""
    try:
        mode = os.lstat(path).st_mode
    except FileNotFoundError:
        umask = os.umask(0)
        os.umask(umask)
        mode = stat.S_IFREG | (0o666 & ~umask)
    if not stat.S_ISREG(mode):
        raise ValueError(f"{path}: not a regular file")
    folder, name = os.path.split(os.path.abspath(path))
    descriptor, temporary = tempfile.mkstemp(dir=folder, prefix=f".{name}.")
    try:
        with os.fdopen(descriptor, "wb") as out:
            out.write(data)
            out.flush()
            os.fsync(out.fileno())
        os.chmod(temporary, stat.S_IMODE(mode))
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description="Writes a DS cartridge image around two binaries.")
    parser.add_argument("out")
    parser.add_argument("arm9")
    parser.add_argument("arm9_address", type=lambda text: int(text, 0))
    parser.add_argument("arm7")
    parser.add_argument("arm7_address", type=lambda text: int(text, 0))
    parser.add_argument("--title", default="HOMEBREW")
    args = parser.parse_args(argv)
    try:
        with open(args.arm9, "rb") as f:
            arm9 = f.read()
        with open(args.arm7, "rb") as f:
            arm7 = f.read()
        image = build_image(arm9, args.arm9_address, arm7, args.arm7_address, args.title)
        write_replacing(args.out, image)
    except (OSError, ValueError) as error:
        print(f"ndsrom: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
