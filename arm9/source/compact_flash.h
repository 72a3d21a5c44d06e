// Programmed-I/O transfer engine for a CompactFlash card behind a GBA-slot adapter.
//
// The adapter maps the card's ATA task-file registers into the cartridge space 0x20000 bytes
// apart, each one a 16-bit bus location of which the card uses the low 8 bits (the data port all
// 16). Adapters differ only in where the registers lie, so the engine is written once, for a
// register map given as template arguments, and each driver module instantiates it for its own.
#pragma once

#include "mmio.h"

namespace compact_flash {

// Every wait gives up after this many register reads: there is no clock to measure time with.
constexpr u32 CF_TIMEOUT = 10000000;

// ATA status bits.
constexpr u16 STATUS_BSY = 0x80;
constexpr u16 STATUS_DRDY = 0x40;
constexpr u16 STATUS_DSC = 0x10;
constexpr u16 STATUS_DRQ = 0x08;

// ATA commands and the drive/head register's LBA-mode, drive-0 pattern.
constexpr u16 ATA_READ_SECTORS = 0x20;
constexpr u16 ATA_WRITE_SECTORS = 0x30;
constexpr u16 DRIVE_HEAD_LBA = 0xE0;

// LBA28 reaches this many sectors; a transfer beyond it would wrap onto the wrong sectors.
constexpr u32 LBA28_SECTORS = 0x10000000;

constexpr u32 WORDS_PER_SECTOR = SECTOR_SIZE / 2;

namespace {  // each module gets its own copy, inlined into its entry points

// The tests the engine waits for: BSY clear; ready, DRDY or DSC set; a data request, exactly DRDY,
// DSC and DRQ (BSY or ERR set means no data will come).
constexpr auto notBusy = [](u16 status) { return (status & STATUS_BSY) == 0; };
constexpr auto ready = [](u16 status) { return (status & (STATUS_DRDY | STATUS_DSC)) != 0; };
constexpr auto dataRequested = [](u16 status) {
    return (status & 0xFF) == (STATUS_DRDY | STATUS_DSC | STATUS_DRQ);
};

// Caller buffers need not be aligned: the engine stores whole 16-bit words at even addresses and
// single bytes at odd ones. Buffers are byte arrays of the caller's, hence the aliasing word type.
using BufferWord [[gnu::may_alias]] = u16;

template <u32 Base, u32 AltStatus>
struct Adapter {
    static constexpr u32 CF_DATA = Base;
    static constexpr u32 CF_SECTOR_COUNT = Base + 0x40000;
    static constexpr u32 CF_LBA_LOW = Base + 0x60000;
    static constexpr u32 CF_LBA_MID = Base + 0x80000;
    static constexpr u32 CF_LBA_HIGH = Base + 0xA0000;
    static constexpr u32 CF_DRIVE_HEAD = Base + 0xC0000;
    static constexpr u32 CF_COMMAND_STATUS = Base + 0xE0000;
    static constexpr u32 CF_ALT_STATUS = AltStatus;

    // The adapter shows the card's registers when the scratch register keeps an inverted value
    // and its upper byte reads as 0 (open bus or ROM would not).
    static bool registerTest() {
        const u8 temp = static_cast<u8>(mmio::read16(CF_LBA_LOW));
        const u16 inverted = static_cast<u8>(~temp);
        mmio::write16(CF_LBA_LOW, inverted);
        return mmio::read16(CF_LBA_LOW) == inverted;
    }

    // A card is present when the alternate status reads back 0x50 (DRDY and DSC of an idle card).
    static bool isInserted() {
        mmio::write16(CF_ALT_STATUS, 0x50);
        return (mmio::read16(CF_ALT_STATUS) & 0xFF) == 0x50;
    }

    static bool clearStatus() {
        waitNotBusy();
        return waitReady();
    }

    static bool readSectors(u32 sector, u8 numSecs, void* buffer) {
        u32 sectors = startCommand(sector, numSecs, ATA_READ_SECTORS);
        if (sectors == 0) return false;
        u8* next = static_cast<u8*>(buffer);
        do {
            if (!waitDataRequest()) return false;
            if (reinterpret_cast<uintptr_t>(next) & 1) {
                readSectorBytes(next);
            } else {
                readSectorWords(reinterpret_cast<BufferWord*>(next));
            }
            next += SECTOR_SIZE;
        } while (--sectors != 0);
        return true;  // the card goes idle by itself after the last word
    }

    static bool writeSectors(u32 sector, u8 numSecs, const void* buffer) {
        u32 sectors = startCommand(sector, numSecs, ATA_WRITE_SECTORS);
        if (sectors == 0) return false;
        const u8* next = static_cast<const u8*>(buffer);
        do {
            if (!waitDataRequest()) return false;
            if (reinterpret_cast<uintptr_t>(next) & 1) {
                writeSectorBytes(next);
            } else {
                writeSectorWords(reinterpret_cast<const BufferWord*>(next));
            }
            next += SECTOR_SIZE;
        } while (--sectors != 0);
        // No wait for the card to finish: the next operation's busy and ready waits cover it.
        return true;
    }

  private:
    // Never fails: after a time-out the ready wait that follows decides.
    static void waitNotBusy() { mmio::poll16(CF_COMMAND_STATUS, notBusy, CF_TIMEOUT); }

    static bool waitReady() { return !mmio::poll16(CF_ALT_STATUS, ready, CF_TIMEOUT).timedOut; }

    static bool waitDataRequest() {
        return !mmio::poll16(CF_ALT_STATUS, dataRequested, CF_TIMEOUT).timedOut;
    }

    // Programs the task file and issues the command once the card is ready, and gives back the
    // number of sectors to move (numSecs, 256 for 0), or 0 when nothing was sent. A transfer that
    // would pass the last LBA28 sector is refused before the card sees anything.
    static u32 startCommand(u32 sector, u8 numSecs, u16 command) {
        const u32 sectors = numSecs != 0 ? numSecs : 256;
        if (sector > LBA28_SECTORS - sectors) return 0;
        waitNotBusy();
        if (!waitReady()) return 0;
        mmio::write16(CF_SECTOR_COUNT, numSecs);  // 0 means 256 to the card as well
        mmio::write16(CF_LBA_LOW, sector & 0xFF);
        mmio::write16(CF_LBA_MID, (sector >> 8) & 0xFF);
        mmio::write16(CF_LBA_HIGH, (sector >> 16) & 0xFF);
        mmio::write16(CF_DRIVE_HEAD, DRIVE_HEAD_LBA | ((sector >> 24) & 0x0F));
        mmio::write16(CF_COMMAND_STATUS, command);
        return sectors;
    }

    // The data port gives each word's low byte first in memory order. The whole-word loops move
    // four words per pass so that the loop's own count and branch do not outweigh the transfers.
    static void readSectorWords(BufferWord* words) {
        const BufferWord* const end = words + WORDS_PER_SECTOR;
        do {
            words[0] = mmio::read16(CF_DATA);
            words[1] = mmio::read16(CF_DATA);
            words[2] = mmio::read16(CF_DATA);
            words[3] = mmio::read16(CF_DATA);
            words += 4;
        } while (words != end);
    }

    static void readSectorBytes(u8* bytes) {
        const u8* const end = bytes + SECTOR_SIZE;
        do {
            const u16 word = mmio::read16(CF_DATA);
            bytes[0] = static_cast<u8>(word);
            bytes[1] = static_cast<u8>(word >> 8);
            bytes += 2;
        } while (bytes != end);
    }

    static void writeSectorWords(const BufferWord* words) {
        const BufferWord* const end = words + WORDS_PER_SECTOR;
        do {
            mmio::write16(CF_DATA, words[0]);
            mmio::write16(CF_DATA, words[1]);
            mmio::write16(CF_DATA, words[2]);
            mmio::write16(CF_DATA, words[3]);
            words += 4;
        } while (words != end);
    }

    static void writeSectorBytes(const u8* bytes) {
        const u8* const end = bytes + SECTOR_SIZE;
        do {
            mmio::write16(CF_DATA, static_cast<u16>(bytes[0] | bytes[1] << 8));
            bytes += 2;
        } while (bytes != end);
    }
};

// MPCF adapter (and SCCF once unlocked): registers from 0x09000000.
using MpcfAdapter = Adapter<0x09000000, 0x098C0000>;
// M3 adapter once unlocked: registers from 0x08800000, alternate status low in ROM space.
using M3Adapter = Adapter<0x08800000, 0x080C0000>;

}  // namespace
}  // namespace compact_flash
