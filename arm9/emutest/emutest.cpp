// Console test program for the storage modules, run on a DS emulator by run_emulator_test.py.
// It goes through the selector only, as a file system would, and records one result per check in
// the report; the harness reads the report and the sector copies when the program has finished.
#include "exchange.h"
#include "mmio.h"

using namespace emutest;

[[gnu::section(".emutest.plan")]] volatile Plan emutest_plan;
[[gnu::section(".emutest.report")]] volatile Report emutest_report;
// The first sector as the program read it, for the harness to compare with the image.
[[gnu::section(".emutest.sectors")]] volatile u8 emutest_boot_sector[SECTOR_SIZE];

namespace {

// Both slots and main memory priority given to the ARM7, as its start-up leaves them.
constexpr u16 SLOTS_TO_ARM7 =
    mmio::EXMEM_GBA_SLOT_ARM7 | mmio::EXMEM_DS_SLOT_ARM7 | mmio::EXMEM_MAIN_MEMORY_ARM7_PRIORITY;

constexpr u32 MPCF = IO_TYPE_CODE('M', 'P', 'C', 'F');
constexpr u32 FCSR = IO_TYPE_CODE('F', 'C', 'S', 'R');

// 256 sectors, the most one call moves, and room to start at an odd address.
alignas(4) u8 buffer[256 * SECTOR_SIZE + 4];
u8* const evenBuffer = buffer;
u8* const oddBuffer = buffer + 1;

void record(const char* name, bool passed) {
    const u32 index = emutest_report.checkCount;
    if (index >= MAX_CHECKS) return;
    volatile Check& check = emutest_report.checks[index];
    u32 i = 0;
    for (; name[i] != '\0' && i < sizeof check.name - 1; ++i) check.name[i] = name[i];
    for (; i < sizeof check.name; ++i) check.name[i] = '\0';
    check.result = passed ? PASSED : FAILED;
    emutest_report.checkCount = index + 1;
}

void fill(u8* bytes, u32 sectors, u32 seed, u32 first) {
    for (u32 i = 0; i < sectors * SECTOR_SIZE; ++i) bytes[i] = pattern(seed, first + i);
}

void clear(u8* bytes, u32 sectors) {
    for (u32 i = 0; i < sectors * SECTOR_SIZE; ++i) bytes[i] = 0;
}

bool matches(const u8* bytes, u32 sectors, u32 seed, u32 first) {
    for (u32 i = 0; i < sectors * SECTOR_SIZE; ++i) {
        if (bytes[i] != pattern(seed, first + i)) return false;
    }
    return true;
}

// Reads into the buffer, cleared first so that stale data from an earlier check cannot pass.
bool read(u32 sector, u32 sectors, u8* into) {
    clear(into, sectors);
    return disc_ReadSectors(sector, static_cast<u8>(sectors), into);
}

// Whether a sector holds the bytes the plan says it holds: those of the pattern file, or inside a
// writable range of the ROM image those that the harness put into SRAM.
bool sectorMatches(const volatile Plan& plan, u32 sector, const u8* bytes) {
    u32 overlayOffset = 0;
    for (u32 range = 0; range < 2; ++range) {
        const u32 start = plan.overlayStart[range];
        const u32 count = plan.overlayCount[range];
        if (start <= sector && sector < start + count) {
            return matches(bytes, 1, plan.overlaySeed,
                           overlayOffset + (sector - start) * SECTOR_SIZE);
        }
        overlayOffset += count * SECTOR_SIZE;
    }
    return matches(bytes, 1, plan.fileSeed, (sector - plan.fileSector) * SECTOR_SIZE);
}

// Reads sectors into the buffer and checks every one of them.
bool readMatches(const volatile Plan& plan, u32 sector, u32 sectors, u8* into) {
    if (!read(sector, sectors, into)) return false;
    for (u32 i = 0; i < sectors; ++i) {
        if (!sectorMatches(plan, sector + i, into + i * SECTOR_SIZE)) return false;
    }
    return true;
}

// The boot sector ends in the 0x55 0xAA signature; a copy goes to the harness.
void checkBootSector(const char* name, bool extra(const u8*)) {
    const bool ok = read(0, 1, evenBuffer) && evenBuffer[510] == 0x55 && evenBuffer[511] == 0xAA &&
                    extra(evenBuffer);
    for (u32 i = 0; i < SECTOR_SIZE; ++i) emutest_boot_sector[i] = evenBuffer[i];
    record(name, ok);
}

// The program starts with both slots given to the ARM7: the selector must take them back.
bool startsWithDriver(u32 hostType) {
    mmio::write16(mmio::EXMEM_CTRL, mmio::read16(mmio::EXMEM_CTRL) | SLOTS_TO_ARM7);
    const bool started = disc_Init();
    return started && disc_HostType() == hostType &&
           (mmio::read16(mmio::EXMEM_CTRL) & SLOTS_TO_ARM7) == 0;
}

// Reads of the pattern file common to both scenarios: several sectors at once, 256 sectors by a
// count of 0, and single sectors into an odd buffer (the byte-wise paths).
void checkFileReads(const volatile Plan& plan) {
    const u32 first = plan.fileSector;
    record("read 8", readMatches(plan, first, 8, evenBuffer));
    record("read 256", readMatches(plan, first, 256, evenBuffer));
    bool ok = true;
    for (u32 sector = first + plan.fileSectors - 3; sector < first + plan.fileSectors; ++sector) {
        ok = ok && readMatches(plan, sector, 1, oddBuffer);
    }
    record("read odd", ok);
}

// The rest of the record's life: status, presence, shut-down (after which nothing is served) and a
// second start-up that finds the same driver.
void checkLifecycle(const volatile Plan& plan, u32 hostType) {
    record("clear", disc_ClearStatus());
    record("is inserted", disc_IsInserted());
    record("shutdown", disc_Shutdown() && disc_HostType() == 0 && !disc_ReadSectors(0, 1, buffer));
    record("init again",
           startsWithDriver(hostType) && readMatches(plan, plan.fileSector, 1, evenBuffer));
}

void runCompactFlash(const volatile Plan& plan) {
    record("init", startsWithDriver(MPCF));
    emutest_report.hostType = disc_HostType();
    if (disc_HostType() != MPCF) return;
    checkBootSector("boot sector", [](const u8*) { return true; });
    checkFileReads(plan);

    // Four sectors from an even buffer, then one from an odd buffer, read back in one call.
    const u32 scratch = plan.scratchSector;
    fill(evenBuffer, 4, plan.writeSeed, 0);
    bool ok = disc_WriteSectors(scratch, 4, evenBuffer);
    fill(oddBuffer, 1, plan.writeSeed, 4 * SECTOR_SIZE);
    ok = disc_WriteSectors(scratch + 4, 1, oddBuffer) && ok;
    record("write", ok);
    record("read back", read(scratch, 5, evenBuffer) && matches(evenBuffer, 5, plan.writeSeed, 0));

    checkLifecycle(plan, MPCF);
}

void runRomImage(const volatile Plan& plan) {
    record("init", startsWithDriver(FCSR));
    emutest_report.hostType = disc_HostType();
    if (disc_HostType() != FCSR) return;
    // The image's header lies 0x100 bytes into its first sector.
    checkBootSector("boot sector", [](const u8* sector) {
        return sector[0x100] == 'F' && sector[0x101] == 'C' && sector[0x102] == 'S' &&
               sector[0x103] == 'R';
    });
    // The file covers both ranges: a read serves each sector from where it lives, SRAM inside a
    // range and ROM elsewhere, also when the read begins or ends outside the range.
    checkFileReads(plan);
    const u32 start0 = plan.overlayStart[0];
    const u32 last0 = start0 + plan.overlayCount[0] - 1;
    record("overlay 0", readMatches(plan, start0, plan.overlayCount[0], evenBuffer));
    record("overlay 1", readMatches(plan, plan.overlayStart[1], plan.overlayCount[1], oddBuffer));
    record("into range", readMatches(plan, start0 - 2, 4, evenBuffer));
    record("past end", readMatches(plan, last0, 2, evenBuffer));

    // Writes must lie wholly inside one range; ROM is never written.
    fill(evenBuffer, 2, plan.writeSeed, 0);
    record("write range", disc_WriteSectors(plan.overlayStart[1], 1, evenBuffer));
    record("write past", !disc_WriteSectors(last0, 2, evenBuffer));
    record("write rom", !disc_WriteSectors(plan.fileSector, 1, evenBuffer));
    // Informational: whether the cartridge SRAM kept the write.
    record("write kept",
           read(plan.overlayStart[1], 1, evenBuffer) && matches(evenBuffer, 1, plan.writeSeed, 0));

    checkLifecycle(plan, FCSR);
}

}  // namespace

extern "C" void emutest_main() {
    emutest_report.checkCount = 0;
    emutest_report.hostType = 0;
    emutest_report.state = STATE_RUNNING;
    const volatile Plan& plan = emutest_plan;
    if (plan.magic == PLAN_MAGIC) {
        if (plan.scenario == COMPACT_FLASH) runCompactFlash(plan);
        if (plan.scenario == ROM_IMAGE) runRomImage(plan);
    } else {
        record("plan", false);
    }
    emutest_report.state = STATE_DONE;
}
