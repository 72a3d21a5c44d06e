// What the emulator test program and its harness exchange through main RAM. The harness writes
// the plan through the debugger before the program runs; the program leaves the report and copies
// of sectors it read for the harness to compare with the disk image. run_emulator_test.py reads
// the same layout: keep the two in step.
#pragma once

#include "slot_storage.h"

namespace emutest {

constexpr u32 PLAN_MAGIC = 0x4E414C50;     // "PLAN"
constexpr u32 STATE_RUNNING = 0x214E5552;  // "RUN!"
constexpr u32 STATE_DONE = 0x454E4F44;     // "DONE"

enum Scenario : u32 { COMPACT_FLASH = 1, ROM_IMAGE = 2 };

// Sectors are numbered on the card (CompactFlash) or within the image in ROM (ROM image).
struct Plan {
    u32 magic;
    u32 scenario;
    // A file whose bytes are pattern(fileSeed, k) for k = 0, 1, ..., stored in consecutive sectors.
    u32 fileSector;
    u32 fileSectors;
    u32 fileSeed;
    // CompactFlash: sectors of another file that the program may overwrite with
    // pattern(writeSeed, k).
    u32 scratchSector;
    u32 scratchSectors;
    u32 writeSeed;
    // ROM image: the two writable ranges the image's header names, and the pattern the harness put
    // into SRAM behind the signature: byte k of the overlay (both ranges in a row) is
    // pattern(overlaySeed, k).
    u32 overlayStart[2];
    u32 overlayCount[2];
    u32 overlaySeed;
};

enum Result : u32 { NOT_RUN = 0, PASSED = 1, FAILED = 2 };

struct Check {
    char name[12];  // zero-padded
    u32 result;
};

constexpr u32 MAX_CHECKS = 40;

struct Report {
    u32 state;
    u32 checkCount;
    u32 hostType;  // disc_HostType after the first disc_Init
    u32 reserved;
    Check checks[MAX_CHECKS];
};

// The test bytes: the top byte of a Fibonacci hash of seed plus position, so that neighbouring
// bytes, sectors and files all differ.
inline u8 pattern(u32 seed, u32 k) {
    return static_cast<u8>(((seed + k) * 0x9E3779B1u) >> 24);
}

}  // namespace emutest
