// File system image in GBA cartridge ROM, with up to four sector ranges of it made writable in the
// cartridge's battery-backed SRAM.
//
// The image carries a header 0x100 bytes into its first sector: the magic "FCSR", the label
// " Qwirtz FAT" with its zero byte, then the first sector of each of the four ranges and their
// sector counts (32-bit little-endian; a count of 0 leaves a range unused). SRAM holds the
// signature "FCSR" and behind it the ranges' sectors one after another. The first start-up on an
// SRAM without the signature fills it from the image; later start-ups find the signature and keep
// what was written before, across power cycles.
//
// ROM is read through plain pointers (the slot splits wide loads itself). SRAM sits on an 8-bit
// bus and is touched only with byte loads and stores, through volatile pointers so that no copy
// loop is ever widened.
#include <stddef.h>
#include <stdint.h>

#include "mmio.h"

#if __STDC_HOSTED__
#include <string.h>
#else
// The console build carries no C library headers; the program's C library supplies these two.
extern "C" void* memcpy(void* to, const void* from, size_t length);
extern "C" int strncmp(const char* left, const char* right, size_t length);
#endif

namespace {

constexpr u32 SECTOR_SHIFT = 9;
constexpr u32 RANGES = 4;
constexpr u32 UNUSED_RANGE = 0xFFFFFFFF;  // as start and end, no sector matches

// The header, at this offset in the image and so at a multiple of 0x100 in ROM.
constexpr u32 HEADER_OFFSET = 0x100;
constexpr u32 MAGIC = IO_TYPE_CODE('F', 'C', 'S', 'R');
constexpr u32 LABEL_AT = 0x04;
constexpr u32 LABEL_LENGTH = 12;  // with the zero byte, which must match too
constexpr u32 RANGE_STARTS_AT = 0x10;
constexpr u32 RANGE_COUNTS_AT = 0x20;

// The search looks at every 0x100 bytes, but goes on 0x200 past a magic with a foreign label.
constexpr u32 SEARCH_STEP = 0x100;
constexpr u32 SEARCH_STEP_PAST_FOREIGN_LABEL = 0x200;

// SRAM starts with the magic's bytes once it has been filled from the image.
constexpr u32 SIGNATURE_SIZE = 4;

using RomWord [[gnu::may_alias]] = u32;

u32 addressOf(const volatile void* pointer) {
    return static_cast<u32>(reinterpret_cast<uintptr_t>(pointer));
}

const u8* rom(u32 address) {
    return reinterpret_cast<const u8*>(static_cast<uintptr_t>(address));
}

volatile u8* sram(u32 offset) {
    return reinterpret_cast<volatile u8*>(static_cast<uintptr_t>(mmio::GBA_SRAM_FIRST + offset));
}

u32 romWord(const u8* at) {
    return *reinterpret_cast<const RomWord*>(at);
}

u32 sectorCount(u8 numSecs) {
    return numSecs == 0 ? 256 : numSecs;
}

// Sectors of an image at `image` that lie inside cartridge ROM.
u32 sectorsInRom(const u8* image) {
    return (mmio::GBA_ROM_END - addressOf(image)) >> SECTOR_SHIFT;
}

// The header nearest the start of ROM, or null. Nothing past cartridge ROM is looked at.
const u8* findHeader() {
    u32 position = mmio::GBA_ROM_FIRST + HEADER_OFFSET;
    while (position < mmio::GBA_ROM_END) {
        const u8* candidate = rom(position);
        if (romWord(candidate) != MAGIC) {
            position += SEARCH_STEP;
        } else if (strncmp(reinterpret_cast<const char*>(candidate + LABEL_AT), FCSR_LabelString,
                           LABEL_LENGTH) == 0) {
            return candidate;
        } else {
            position += SEARCH_STEP_PAST_FOREIGN_LABEL;
        }
    }
    return nullptr;
}

u32 rangeStart(const u8* header, u32 range) {
    return romWord(header + RANGE_STARTS_AT + 4 * range);
}

u32 rangeCount(const u8* header, u32 range) {
    return romWord(header + RANGE_COUNTS_AT + 4 * range);
}

// Whether the slot can serve the header's ranges: each inside cartridge ROM, all together in the
// SRAM behind the signature. Larger ranges would wrap around SRAM onto the signature and each
// other, and their first copy would read past the end of ROM.
bool rangesFit(const u8* header) {
    const u32 romSectors = sectorsInRom(header - HEADER_OFFSET);
    u32 sramSectors = (mmio::GBA_SRAM_SIZE - SIGNATURE_SIZE) >> SECTOR_SHIFT;
    for (u32 range = 0; range < RANGES; ++range) {
        const u32 start = rangeStart(header, range);
        const u32 count = rangeCount(header, range);
        if (count == 0) continue;
        if (count > sramSectors || start > romSectors || count > romSectors - start) return false;
        sramSectors -= count;
    }
    return true;
}

bool sramSigned() {
    for (u32 i = 0; i < SIGNATURE_SIZE; ++i) {
        if (*sram(i) != static_cast<u8>(MAGIC >> (8 * i))) return false;
    }
    return true;
}

void signSram() {
    for (u32 i = 0; i < SIGNATURE_SIZE; ++i) *sram(i) = static_cast<u8>(MAGIC >> (8 * i));
}

void copyToSram(volatile u8* to, const u8* from, u32 length) {
    while (length-- != 0) *to++ = *from++;
}

void copyFromSram(u8* to, const volatile u8* from, u32 length) {
    while (length-- != 0) *to++ = *from++;
}

// The first range that holds the sector, or -1.
int rangeHolding(u32 sector) {
    for (u32 range = 0; range < RANGES; ++range) {
        if (FCSR_SramSectorStart[range] <= sector && sector < FCSR_SramSectorEnd[range])
            return static_cast<int>(range);
    }
    return -1;
}

volatile u8* sramSector(int range, u32 sector) {
    return FCSR_SramSectorPointer[range] + ((sector - FCSR_SramSectorStart[range]) << SECTOR_SHIFT);
}

}  // namespace

extern "C" {

const u8* FCSR_FileSysPointer;
u32 FCSR_SramSectorStart[RANGES];
u32 FCSR_SramSectorEnd[RANGES];
volatile u8* FCSR_SramSectorPointer[RANGES];
extern const char FCSR_LabelString[LABEL_LENGTH] = " Qwirtz FAT";

bool FCSR_IsInserted(void) {
    return findHeader() != nullptr;
}

bool FCSR_StartUp(void) {
    const u8* header = findHeader();
    if (header == nullptr || !rangesFit(header)) return false;

    FCSR_FileSysPointer = header - HEADER_OFFSET;
    volatile u8* nextInSram = sram(SIGNATURE_SIZE);
    for (u32 range = 0; range < RANGES; ++range) {
        FCSR_SramSectorStart[range] = rangeStart(header, range);
        FCSR_SramSectorEnd[range] = rangeStart(header, range) + rangeCount(header, range);
        FCSR_SramSectorPointer[range] = nextInSram;
        nextInSram += rangeCount(header, range) << SECTOR_SHIFT;
    }

    // Only a fresh (or foreign) SRAM is filled: a signed one holds what earlier runs wrote.
    if (!sramSigned()) {
        signSram();
        for (u32 range = 0; range < RANGES; ++range) {
            const u32 length = rangeCount(header, range) << SECTOR_SHIFT;
            if (length == 0) continue;  // an unused range's start may lie anywhere
            copyToSram(FCSR_SramSectorPointer[range],
                       FCSR_FileSysPointer + (FCSR_SramSectorStart[range] << SECTOR_SHIFT), length);
        }
    }

    for (u32 range = 0; range < RANGES; ++range) {
        if (rangeCount(header, range) == 0) {
            FCSR_SramSectorStart[range] = UNUSED_RANGE;
            FCSR_SramSectorEnd[range] = UNUSED_RANGE;
        }
    }
    return true;
}

// Each sector comes from where it lives: SRAM inside a range, the image in ROM elsewhere.
bool FCSR_ReadSectors(u32 sector, u8 numSecs, void* buffer) {
    const u32 count = sectorCount(numSecs);
    if (FCSR_FileSysPointer == nullptr) return false;  // not started
    const u32 romSectors = sectorsInRom(FCSR_FileSysPointer);
    if (sector > romSectors || count > romSectors - sector) return false;

    u8* to = static_cast<u8*>(buffer);
    for (const u32 end = sector + count; sector != end; ++sector, to += SECTOR_SIZE) {
        const int range = rangeHolding(sector);
        if (range < 0) {
            memcpy(to, FCSR_FileSysPointer + (sector << SECTOR_SHIFT), SECTOR_SIZE);
        } else {
            copyFromSram(to, sramSector(range, sector), SECTOR_SIZE);
        }
    }
    return true;
}

// The image in ROM is never written: a write must lie wholly inside one range.
bool FCSR_WriteSectors(u32 sector, u8 numSecs, void* buffer) {
    const u32 count = sectorCount(numSecs);
    const int range = rangeHolding(sector);
    if (range < 0 || FCSR_SramSectorEnd[range] - sector < count) return false;
    copyToSram(sramSector(range, sector), static_cast<const u8*>(buffer), count << SECTOR_SHIFT);
    return true;
}

bool FCSR_ClearStatus(void) {
    return true;  // nothing to reset
}

// SRAM keeps its contents and signature for the next run.
bool FCSR_Shutdown(void) {
    FCSR_ClearStatus();
    FCSR_FileSysPointer = nullptr;
    for (u32 range = 0; range < RANGES; ++range) {
        FCSR_SramSectorPointer[range] = nullptr;
        FCSR_SramSectorStart[range] = 0;
        FCSR_SramSectorEnd[range] = 0;
    }
    return true;
}

constinit const IO_INTERFACE FCSR_Interface = {
    .ul_ioType = IO_TYPE_CODE('F', 'C', 'S', 'R'),
    .ul_Features = FEATURE_CAN_READ | FEATURE_CAN_WRITE | FEATURE_GBA_SLOT,
    .fn_StartUp = FCSR_StartUp,
    .fn_IsInserted = FCSR_IsInserted,
    .fn_ReadSectors = FCSR_ReadSectors,
    .fn_WriteSectors = FCSR_WriteSectors,
    .fn_ClearStatus = FCSR_ClearStatus,
    .fn_Shutdown = FCSR_Shutdown,
};

LPIO_INTERFACE FCSR_GetInterface(void) {
    return &FCSR_Interface;
}

}  // extern "C"
