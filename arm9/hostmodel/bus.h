// Simulated console bus for host tests of the slot drivers.
//
// The drivers' register accesses (the mmio_* functions) land here. The bus keeps the external
// memory control register EXMEM_CTRL itself, hands every other address to the device attached at
// it, logs each access and collects protocol violations: an access of the wrong width, to an
// address nothing decodes, or one the device would not accept. A test fails when any are left.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "mmio.h"

namespace sim {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;

// One register access as the driver made it; width in bytes (1, 2 or 4).
struct Access {
    u32 address;
    unsigned width;
    bool write;
    u32 value;

    friend bool operator==(const Access&, const Access&) = default;
};
std::string describe(const Access& access);

// Something that answers bus accesses in an address range.
class Device {
  public:
    virtual ~Device() = default;
    virtual u32 read(u32 address, unsigned width) = 0;
    virtual void write(u32 address, unsigned width, u32 value) = 0;
};

// Which processor a slot belongs to is set in EXMEM_CTRL; the ARM9 sees a slot's devices only
// while the slot's bit is clear. Otherwise reads give 0 and writes are lost.
enum class Slot { None, DsCard, Gba };

class Bus {
  public:
    // The bus that the mmio_* functions reach while it exists; one at a time.
    Bus();
    ~Bus();
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;
    static Bus& current();

    // Attaches a device for [first, last]. GBA-slot addresses that no device claims read as the
    // slot's open bus, as with no cartridge inserted.
    void attach(u32 first, u32 last, Device& device, Slot slot);
    void detach(Device& device);

    u32 read(u32 address, unsigned width);
    void write(u32 address, unsigned width, u32 value);

    // As the ARM7 leaves it at start-up: both slots and main memory priority given to the ARM7,
    // and bits 13 and 14 set, which the drivers leave alone.
    static constexpr u16 EXMEM_CTRL_AT_START = 0x6000 | mmio::EXMEM_MAIN_MEMORY_ARM7_PRIORITY |
                                               mmio::EXMEM_DS_SLOT_ARM7 | mmio::EXMEM_GBA_SLOT_ARM7;
    u16 exmemCtrl() const { return exmemCtrl_; }
    void setExmemCtrl(u16 value) { exmemCtrl_ = value; }
    bool arm9Owns(Slot slot) const;

    // Every access since the last clearLog(), the first LOG_CAPACITY of them in full.
    static constexpr std::size_t LOG_CAPACITY = 1u << 20;
    const std::vector<Access>& log() const { return log_; }
    u64 accessCount() const { return accessCount_; }
    u64 readsOf(u32 address) const;
    u64 writesOf(u32 address) const;
    void clearLog();

    void violation(const std::string& what);
    const std::vector<std::string>& violations() const { return violations_; }
    std::vector<std::string> takeViolations() { return std::exchange(violations_, {}); }

  private:
    struct Region {
        u32 first;
        u32 last;
        Device* device;
        Slot slot;
    };
    const Region* find(u32 address) const;
    void record(const Access& access);

    u16 exmemCtrl_ = EXMEM_CTRL_AT_START;
    std::vector<Region> regions_;
    std::vector<Access> log_;
    u64 accessCount_ = 0;
    std::unordered_map<u32, u64> reads_;
    std::unordered_map<u32, u64> writes_;
    // Polling loops hit one address millions of times: keep its counter at hand.
    u32 lastAddress_ = 0;
    bool lastWrite_ = false;
    u64* lastCounter_ = nullptr;
    std::vector<std::string> violations_;
};

// Value of an undriven GBA-slot bus: the cartridge address lines held on the data lines.
inline u16 gbaOpenBus(u32 address) {
    return static_cast<u16>(address >> 1);
}

}  // namespace sim
