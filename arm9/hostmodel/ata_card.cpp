#include "ata_card.h"

namespace sim {
namespace {

constexpr u8 ERROR_ABRT = 0x04;
constexpr u8 ERROR_IDNF = 0x10;
constexpr u8 ERROR_UNC = 0x40;
constexpr u8 DRIVE_HEAD_LBA = 0x40;
constexpr u8 DRIVE_HEAD_DEVICE1 = 0x10;
constexpr u8 DEVICE_CONTROL_SRST = 0x04;

}  // namespace

bool AtaCard::dataRequested() const {
    return (phase_ == Phase::Reading || phase_ == Phase::Writing) && busyReads_ == 0 &&
           !faults.stuckBusy && !faults.neverReady && !faults.neverRequestsData;
}

u8 AtaCard::status() {
    if (faults.stuckBusy) return BSY;
    if (busyReads_ > 0) {
        --busyReads_;
        return BSY;
    }
    if (faults.neverReady) return 0;
    switch (phase_) {
        case Phase::Idle:
            return DRDY | DSC;
        case Phase::Reading:
        case Phase::Writing:
            return faults.neverRequestsData ? DRDY | DSC : DRDY | DSC | DRQ;
        case Phase::Failed:
            return failedStatus_;
    }
    return 0;
}

void AtaCard::fail(u8 error, u8 status) {
    phase_ = Phase::Failed;
    error_ = error;
    failedStatus_ = status;
}

void AtaCard::requireNoTransfer(const char* what) {
    if (phase_ == Phase::Reading || phase_ == Phase::Writing || busyReads_ > 0 ||
        faults.stuckBusy) {
        Bus::current().violation(std::string("CompactFlash: ") + what +
                                 " while the card is busy or transferring");
    }
}

void AtaCard::startCommand(u8 code) {
    requireNoTransfer("command written");
    const u32 lba = static_cast<u32>(driveHead_ & 0x0F) << 24 | static_cast<u32>(lbaHigh_) << 16 |
                    static_cast<u32>(lbaMid_) << 8 | lbaLow_;
    const u32 count = sectorCount_ != 0 ? sectorCount_ : 256;
    commands_.push_back({code, lba, count});
    error_ = 0;
    if (code != READ_SECTORS && code != WRITE_SECTORS) {
        Bus::current().violation("CompactFlash: unknown command " + std::to_string(code));
        fail(ERROR_ABRT, DRDY | DSC | ERR);
        return;
    }
    if ((driveHead_ & DRIVE_HEAD_LBA) == 0 || (driveHead_ & DRIVE_HEAD_DEVICE1) != 0) {
        Bus::current().violation("CompactFlash: command without LBA mode on device 0");
        fail(ERROR_ABRT, DRDY | DSC | ERR);
        return;
    }
    if (static_cast<u64>(lba) + count > sectors_) {
        fail(ERROR_IDNF, DRDY | DSC | ERR);
        return;
    }
    phase_ = code == READ_SECTORS ? Phase::Reading : Phase::Writing;
    nextLba_ = lba;
    sectorsLeft_ = count;
    sectorIndex_ = 0;
    startSector();
}

void AtaCard::startSector() {
    if (faults.errorAtSector >= 0 && sectorIndex_ == static_cast<u32>(faults.errorAtSector)) {
        // An unreadable or unwritable sector: ERR with DRQ still up, and no more data moves.
        fail(ERROR_UNC, DRDY | DSC | DRQ | ERR);
        return;
    }
    busyReads_ = faults.busyReadsPerSector;
    word_ = 0;
    if (phase_ == Phase::Reading) buffer_ = sector(nextLba_);
}

void AtaCard::finishSector() {
    if (phase_ == Phase::Writing) store_.write(nextLba_, buffer_);
    ++nextLba_;
    ++sectorIndex_;
    if (--sectorsLeft_ != 0) {
        startSector();
        return;
    }
    if (phase_ == Phase::Writing) busyReads_ = faults.busyReadsPerSector;  // flushing to flash
    phase_ = Phase::Idle;
}

u16 AtaCard::read(Register reg) {
    switch (reg) {
        case Register::Data: {
            if (phase_ != Phase::Reading || !dataRequested()) {
                Bus::current().violation("CompactFlash: data port read without a data request");
                return 0;
            }
            const u16 word = static_cast<u16>(buffer_[2 * word_] | buffer_[2 * word_ + 1] << 8);
            if (++word_ == SECTOR_BYTES / 2) finishSector();
            return word;
        }
        case Register::Error:
            return error_;
        case Register::SectorCount:
            return sectorCount_;
        case Register::LbaLow:
            return lbaLow_;
        case Register::LbaMid:
            return lbaMid_;
        case Register::LbaHigh:
            return lbaHigh_;
        case Register::DriveHead:
            return driveHead_;
        case Register::CommandStatus:
        case Register::AltStatus:
            return status();
    }
    return 0;
}

void AtaCard::write(Register reg, u16 value) {
    const u8 low = static_cast<u8>(value);
    switch (reg) {
        case Register::Data:
            if (phase_ != Phase::Writing || !dataRequested()) {
                Bus::current().violation("CompactFlash: data port write without a data request");
                return;
            }
            buffer_[2 * word_] = low;
            buffer_[2 * word_ + 1] = static_cast<u8>(value >> 8);
            if (++word_ == SECTOR_BYTES / 2) finishSector();
            return;
        case Register::Error:
            features_ = low;
            return;
        case Register::SectorCount:
            requireNoTransfer("task file written");
            sectorCount_ = low;
            return;
        case Register::LbaLow:
            requireNoTransfer("task file written");
            lbaLow_ = low;
            return;
        case Register::LbaMid:
            requireNoTransfer("task file written");
            lbaMid_ = low;
            return;
        case Register::LbaHigh:
            requireNoTransfer("task file written");
            lbaHigh_ = low;
            return;
        case Register::DriveHead:
            requireNoTransfer("task file written");
            driveHead_ = low;
            return;
        case Register::CommandStatus:
            startCommand(low);
            return;
        case Register::AltStatus:
            deviceControl_ = low;
            if (low & DEVICE_CONTROL_SRST) {  // software reset ends any transfer
                phase_ = Phase::Idle;
                error_ = 0;
                busyReads_ = 0;
            }
            return;
    }
}

}  // namespace sim
