// A CompactFlash card as its ATA task file shows it: LBA28 addressing, READ SECTORS (0x20) and
// WRITE SECTORS (0x30) with a sector count of 0 meaning 256, a 16-bit data port, and the status
// bits BSY, DRDY, DSC, DRQ and ERR.
#pragma once

#include <vector>

#include "sector_store.h"

namespace sim {

class AtaCard {
  public:
    // The card's registers, as an adapter decodes them.
    enum class Register {
        Data,
        Error,
        SectorCount,
        LbaLow,
        LbaMid,
        LbaHigh,
        DriveHead,
        CommandStatus,
        AltStatus
    };

    static constexpr u8 BSY = 0x80, DRDY = 0x40, DSC = 0x10, DRQ = 0x08, ERR = 0x01;
    static constexpr u8 READ_SECTORS = 0x20, WRITE_SECTORS = 0x30;

    explicit AtaCard(u32 sectors = 1u << 28) : sectors_(sectors) {}

    u16 read(Register reg);
    void write(Register reg, u16 value);

    // Injected misbehaviour; all off for a card that is always ready.
    struct Faults {
        u64 busyReadsPerSector =
            0;  // BSY for this many status reads before each sector's data and after a write
        bool stuckBusy = false;          // BSY never clears
        bool neverReady = false;         // DRDY and DSC never set
        bool neverRequestsData = false;  // commands are taken but DRQ never comes
        int errorAtSector = -1;  // the transfer stops with ERR at this sector of each command
    };
    Faults faults;

    // Contents of a sector, and the pattern of one never written.
    SectorData sector(u32 lba) const { return store_.read(lba); }
    static u8 freshByte(u32 lba, unsigned offset) { return SectorStore::freshByte(lba, offset); }

    struct Command {
        u8 code;
        u32 lba;
        u32 count;
    };
    const std::vector<Command>& commands() const { return commands_; }

  private:
    enum class Phase { Idle, Reading, Writing, Failed };

    u8 status();
    bool dataRequested() const;
    void startCommand(u8 code);
    void startSector();
    void finishSector();
    void fail(u8 error, u8 status);
    void requireNoTransfer(const char* what);

    u32 sectors_;
    SectorStore store_;
    std::vector<Command> commands_;

    u8 sectorCount_ = 1, lbaLow_ = 0, lbaMid_ = 0, lbaHigh_ = 0, driveHead_ = 0, error_ = 0;
    u8 features_ = 0, deviceControl_ = 0, failedStatus_ = 0;
    Phase phase_ = Phase::Idle;
    u32 nextLba_ = 0;
    u32 sectorsLeft_ = 0;
    u32 sectorIndex_ = 0;
    u64 busyReads_ = 0;
    SectorData buffer_{};
    unsigned word_ = 0;
};

}  // namespace sim
