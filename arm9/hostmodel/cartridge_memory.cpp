#include "cartridge_memory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace sim {
namespace {

void* consoleAddress(std::uint32_t address) {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(address));
}

// Maps fresh zeroed memory at exactly this address, never over anything already there.
void mapAt(std::uint32_t address, std::size_t size, const char* what) {
    void* wanted = consoleAddress(address);
    void* got = mmap(wanted, size, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    if (got == wanted) return;
    const std::string reason = got == MAP_FAILED ? std::strerror(errno) : "placed elsewhere";
    if (got != MAP_FAILED) munmap(got, size);  // a kernel that takes the address as a hint only
    throw std::runtime_error(std::string("cannot map the cartridge ") + what +
                             " at its console address: " + reason);
}

}  // namespace

CartridgeMemory::CartridgeMemory() {
    mapAt(CART_ROM_FIRST, CART_ROM_SIZE, "ROM");
    mprotect(consoleAddress(CART_ROM_FIRST), CART_ROM_SIZE, PROT_READ);
    try {
        mapAt(CART_SRAM_FIRST, CART_SRAM_SIZE, "SRAM");
    } catch (...) {
        munmap(consoleAddress(CART_ROM_FIRST), CART_ROM_SIZE);
        throw;
    }
}

CartridgeMemory::~CartridgeMemory() {
    munmap(consoleAddress(CART_SRAM_FIRST), CART_SRAM_SIZE);
    munmap(consoleAddress(CART_ROM_FIRST), CART_ROM_SIZE);
}

std::span<const std::uint8_t> CartridgeMemory::rom() const {
    return {static_cast<const std::uint8_t*>(consoleAddress(CART_ROM_FIRST)), CART_ROM_SIZE};
}

std::span<std::uint8_t> CartridgeMemory::sram() const {
    return {static_cast<std::uint8_t*>(consoleAddress(CART_SRAM_FIRST)), CART_SRAM_SIZE};
}

std::span<const std::uint8_t> CartridgeMemory::romAt(std::uint32_t address) const {
    if (address < CART_ROM_FIRST || address - CART_ROM_FIRST > CART_ROM_SIZE)
        throw std::out_of_range("not a cartridge ROM address");
    return rom().subspan(address - CART_ROM_FIRST);
}

void CartridgeMemory::program(std::uint32_t address, std::span<const std::uint8_t> bytes) const {
    if (bytes.size() > romAt(address).size())
        throw std::out_of_range("past the end of cartridge ROM");
    void* rom = consoleAddress(CART_ROM_FIRST);
    mprotect(rom, CART_ROM_SIZE, PROT_READ | PROT_WRITE);
    std::copy(bytes.begin(), bytes.end(), static_cast<std::uint8_t*>(consoleAddress(address)));
    mprotect(rom, CART_ROM_SIZE, PROT_READ);
}

}  // namespace sim
