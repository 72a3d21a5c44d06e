#include "cf_adapter.h"

#include <iterator>

namespace sim {
namespace {

constexpr u32 M3_UNLOCK_READS[] = {
    0x08000000, 0x08E00002, 0x0800000E, 0x08801FFC, 0x0800104A,
    0x08800612, 0x08000000, 0x08801B66, 0x08800006, 0x08000000,
};
constexpr u32 SCCF_MODE_REGISTER = 0x09FFFFFE;
constexpr u16 SCCF_UNLOCK_WRITES[] = {0xA55A, 0xA55A, 0x0003, 0x0003};

constexpr AtaCard::Register ALL_REGISTERS[] = {
    AtaCard::Register::Data,      AtaCard::Register::Error,         AtaCard::Register::SectorCount,
    AtaCard::Register::LbaLow,    AtaCard::Register::LbaMid,        AtaCard::Register::LbaHigh,
    AtaCard::Register::DriveHead, AtaCard::Register::CommandStatus, AtaCard::Register::AltStatus,
};

}  // namespace

CompactFlashAdapter::CompactFlashAdapter(Bus& bus, Kind kind, AtaCard& card)
    : bus_(bus), kind_(kind), card_(&card), registerMode_(kind == Kind::Mpcf) {
    bus_.attach(mmio::GBA_ROM_FIRST, mmio::GBA_ROM_END - 1, *this, Slot::Gba);
}

CompactFlashAdapter::~CompactFlashAdapter() {
    bus_.detach(*this);
}

u32 CompactFlashAdapter::address(Kind kind, Register reg) {
    const u32 base = kind == Kind::M3 ? 0x08800000 : 0x09000000;
    if (reg == Register::AltStatus) return kind == Kind::M3 ? 0x080C0000 : 0x098C0000;
    return base + 0x20000 * static_cast<u32>(reg);
}

std::optional<CompactFlashAdapter::Register> CompactFlashAdapter::decode(u32 address) const {
    if (!registerMode_) return std::nullopt;
    for (Register reg : ALL_REGISTERS) {
        if (this->address(reg) == address) return reg;
    }
    return std::nullopt;
}

void CompactFlashAdapter::followUnlock(u32 address, bool write, u16 value) {
    if (registerMode_) return;
    if (kind_ == Kind::M3) {
        if (!write && address == M3_UNLOCK_READS[unlockProgress_]) {
            ++unlockProgress_;
        } else {
            unlockProgress_ = !write && address == M3_UNLOCK_READS[0] ? 1 : 0;
        }
        if (unlockProgress_ == std::size(M3_UNLOCK_READS)) registerMode_ = true;
    } else if (kind_ == Kind::Sccf) {
        const bool modeWrite = write && address == SCCF_MODE_REGISTER;
        if (modeWrite && value == SCCF_UNLOCK_WRITES[unlockProgress_]) {
            ++unlockProgress_;
        } else {
            unlockProgress_ = modeWrite && value == SCCF_UNLOCK_WRITES[0] ? 1 : 0;
        }
        if (unlockProgress_ == std::size(SCCF_UNLOCK_WRITES)) registerMode_ = true;
    }
}

u32 CompactFlashAdapter::read(u32 address, unsigned width) {
    if (width != 2) {
        bus_.violation("CompactFlash adapter: " + std::to_string(width * 8) + "-bit read of " +
                       describe({address, width, false, 0}));
        return 0;
    }
    const std::optional<Register> reg = decode(address);
    followUnlock(address, false, 0);
    if (!reg) return gbaOpenBus(address);
    const u16 value = card_ != nullptr ? card_->read(*reg) : 0xFFFF;
    return value | stuckBits_[static_cast<std::size_t>(*reg)];
}

void CompactFlashAdapter::write(u32 address, unsigned width, u32 value) {
    if (width != 2) {
        bus_.violation("CompactFlash adapter: " + describe({address, width, true, value}));
        return;
    }
    const std::optional<Register> reg = decode(address);
    followUnlock(address, true, static_cast<u16>(value));
    if (reg && card_ != nullptr) card_->write(*reg, static_cast<u16>(value));
}

}  // namespace sim
