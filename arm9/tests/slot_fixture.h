// Shared set-up of the driver tests: a simulated console bus with an empty DS card slot, a
// CompactFlash card and, once a test inserts one, an adapter in the GBA slot; cartridge ROM and
// SRAM mapped at their console addresses (blank until a test programs them). Every test fails if
// the drivers broke a bus rule.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "bus.h"
#include "cartridge_memory.h"
#include "cf_adapter.h"
#include "ds_card_slot.h"
#include "slot_storage.h"

namespace slot_test {

using sim::AtaCard;
using Kind = sim::CompactFlashAdapter::Kind;
using Register = sim::AtaCard::Register;

constexpr sim::u32 CF_TIMEOUT = 10000000;

// A caller buffer of whole sectors at a chosen misalignment, with guard bytes around it that
// must never change.
class GuardedBuffer {
  public:
    GuardedBuffer(std::size_t sectors, std::size_t misalignment)
        : storage_(sectors * 512 + 2 * GUARD + 16, FILL), offset_(GUARD + misalignment) {
        while ((reinterpret_cast<std::uintptr_t>(storage_.data() + offset_) & 7) != misalignment)
            ++offset_;
    }
    sim::u8* data() { return storage_.data() + offset_; }
    std::size_t size() const { return storage_.size() - 2 * GUARD - 16; }
    std::vector<sim::u8> bytes(std::size_t from, std::size_t count) const {
        return {storage_.begin() + offset_ + from, storage_.begin() + offset_ + from + count};
    }
    bool guardsIntact() const {
        for (std::size_t i = 0; i < storage_.size(); ++i) {
            const bool inside = i >= offset_ && i < offset_ + size();
            if (!inside && storage_[i] != FILL) return false;
        }
        return true;
    }
    static constexpr sim::u8 FILL = 0xCC;

  private:
    static constexpr std::size_t GUARD = 32;
    std::vector<sim::u8> storage_;
    std::size_t offset_;
};

// The bytes a card holds in sectors [first, first + count).
template <typename Card>
std::vector<sim::u8> cardBytes(const Card& card, sim::u32 first, sim::u32 count) {
    std::vector<sim::u8> bytes;
    bytes.reserve(std::size_t{count} * sizeof(sim::SectorData));
    for (sim::u32 lba = first; lba < first + count; ++lba) {
        const sim::SectorData sector = card.sector(lba);
        for (const sim::u8 byte : sector) bytes.push_back(byte);
    }
    return bytes;
}

class SlotTest : public ::testing::Test {
  protected:
    void insert(Kind kind) { adapter.emplace(bus, kind, card); }

    sim::u32 registerAddress(Register reg) const { return adapter->address(reg); }

    // Switches the console off and on: the selector and the drivers back to their state at
    // program load, while the cards and the cartridge's battery-backed SRAM keep their contents.
    void powerCycle() {
        disc_Shutdown();
        spi_freq = 3;
        FCSR_FileSysPointer = nullptr;
        for (int range = 0; range < 4; ++range) {
            FCSR_SramSectorStart[range] = 0;
            FCSR_SramSectorEnd[range] = 0;
            FCSR_SramSectorPointer[range] = nullptr;
        }
    }

    void TearDown() override {
        // Forget the chosen driver while its hardware is still there, on a card behaving again.
        card.faults = {};
        if (adapter) {
            adapter->insertCard(card);
            adapter->clearStuckBits();
        }
        powerCycle();  // no driver state is left to the next test
        std::string violations;
        for (const std::string& violation : bus.violations()) violations += "\n  " + violation;
        EXPECT_TRUE(bus.violations().empty()) << "bus rules broken:" << violations;
    }

    sim::Bus bus;
    sim::DsCardSlot dsSlot{bus};
    AtaCard card;
    std::optional<sim::CompactFlashAdapter> adapter;
    sim::CartridgeMemory cartridge;
};

}  // namespace slot_test
