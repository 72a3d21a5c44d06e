// Cartridge ROM and SRAM of the GBA slot, as ordinary memory at the console's own addresses.
//
// The ROM image driver reads ROM and SRAM through plain pointers, not through the register seam,
// so the host maps the 32 MiB of ROM and the 64 KiB of SRAM at their console addresses (mmio.h)
// into the test process: the driver's pointers are the console's pointers. Both read as
// zero until a test fills them. ROM is read-only except inside program(), and nothing is mapped
// right behind the SRAM, so a driver that writes ROM or runs past the SRAM faults. The CompactFlash
// adapters' registers in the same slot are simulated separately, behind the seam (bus.h). One
// instance at a time.
#pragma once

#include <cstdint>
#include <span>

#include "mmio.h"

namespace sim {

constexpr std::uint32_t CART_ROM_FIRST = mmio::GBA_ROM_FIRST;
constexpr std::uint32_t CART_ROM_SIZE = mmio::GBA_ROM_END - mmio::GBA_ROM_FIRST;
constexpr std::uint32_t CART_SRAM_FIRST = mmio::GBA_SRAM_FIRST;
constexpr std::uint32_t CART_SRAM_SIZE = mmio::GBA_SRAM_SIZE;

class CartridgeMemory {
  public:
    // Throws std::runtime_error when the addresses are already taken in this process.
    CartridgeMemory();
    ~CartridgeMemory();
    CartridgeMemory(const CartridgeMemory&) = delete;
    CartridgeMemory& operator=(const CartridgeMemory&) = delete;

    std::span<const std::uint8_t> rom() const;
    std::span<std::uint8_t> sram() const;

    // The ROM bytes from a console address on.
    std::span<const std::uint8_t> romAt(std::uint32_t address) const;
    // Writes bytes into ROM at a console address (as the cartridge's flasher would).
    void program(std::uint32_t address, std::span<const std::uint8_t> bytes) const;
};

}  // namespace sim
