// The three GBA-slot CompactFlash adapters: where each maps the card's task-file registers and
// how each is switched from cartridge mode into register mode.
//
//   MPCF: registers from 0x09000000, always in register mode.
//   M3:   registers from 0x08800000 (alternate status at 0x080C0000), after ten reads of fixed
//         locations in exactly the right order; any other slot access in between starts over.
//   SCCF: the MPCF addresses, after 0xA55A, 0xA55A, 0x0003, 0x0003 written to 0x09FFFFFE with
//         no other slot access in between.
//
// Before the switch, and at addresses that are no register, the slot reads as open bus. Every
// slot access must be 16 bits wide.
#pragma once

#include <array>
#include <optional>

#include "ata_card.h"

namespace sim {

class CompactFlashAdapter : public Device {
  public:
    enum class Kind { Mpcf, M3, Sccf };
    using Register = AtaCard::Register;

    // Plugs the adapter, with the card in it, into the bus's GBA slot until destroyed.
    CompactFlashAdapter(Bus& bus, Kind kind, AtaCard& card);
    ~CompactFlashAdapter() override;

    static u32 address(Kind kind, Register reg);
    u32 address(Register reg) const { return address(kind_, reg); }

    Kind kind() const { return kind_; }
    bool inRegisterMode() const { return registerMode_; }

    // A card pulled out leaves the register lines floating high.
    void pullCard() { card_ = nullptr; }
    void insertCard(AtaCard& card) { card_ = &card; }

    // Reads of this register come back with these bits set: a line stuck high.
    void setStuckBits(Register reg, u16 bits) { stuckBits_[static_cast<std::size_t>(reg)] = bits; }
    void clearStuckBits() { stuckBits_ = {}; }

    u32 read(u32 address, unsigned width) override;
    void write(u32 address, unsigned width, u32 value) override;

  private:
    std::optional<Register> decode(u32 address) const;
    void followUnlock(u32 address, bool write, u16 value);

    Bus& bus_;
    Kind kind_;
    AtaCard* card_;
    bool registerMode_;
    unsigned unlockProgress_ = 0;
    std::array<u16, 9> stuckBits_{};
};

}  // namespace sim
