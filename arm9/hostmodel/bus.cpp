#include "bus.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace sim {
namespace {

Bus* installed = nullptr;

std::string hex(u32 value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

}  // namespace

std::string describe(const Access& access) {
    return std::string(access.write ? "write" : "read") + std::to_string(access.width * 8) + " " +
           hex(access.address) + (access.write ? " = " : " -> ") + hex(access.value);
}

Bus::Bus() {
    if (installed != nullptr) {
        std::fprintf(stderr, "sim::Bus: a second bus while one is installed\n");
        std::abort();
    }
    installed = this;
    log_.reserve(4096);
}

Bus::~Bus() {
    installed = nullptr;
}

Bus& Bus::current() {
    if (installed == nullptr) {
        std::fprintf(stderr, "sim::Bus: register access with no simulated bus installed\n");
        std::abort();
    }
    return *installed;
}

void Bus::attach(u32 first, u32 last, Device& device, Slot slot) {
    regions_.push_back({first, last, &device, slot});
}

void Bus::detach(Device& device) {
    std::erase_if(regions_, [&](const Region& region) { return region.device == &device; });
}

bool Bus::arm9Owns(Slot slot) const {
    switch (slot) {
        case Slot::DsCard:
            return (exmemCtrl_ & mmio::EXMEM_DS_SLOT_ARM7) == 0;
        case Slot::Gba:
            return (exmemCtrl_ & mmio::EXMEM_GBA_SLOT_ARM7) == 0;
        case Slot::None:
            return true;
    }
    return true;
}

const Bus::Region* Bus::find(u32 address) const {
    for (const Region& region : regions_) {
        if (region.first <= address && address <= region.last) return &region;
    }
    return nullptr;
}

void Bus::record(const Access& access) {
    ++accessCount_;
    if (log_.size() < LOG_CAPACITY) log_.push_back(access);
    if (lastCounter_ == nullptr || access.address != lastAddress_ || access.write != lastWrite_) {
        lastAddress_ = access.address;
        lastWrite_ = access.write;
        lastCounter_ = &(access.write ? writes_ : reads_)[access.address];
    }
    ++*lastCounter_;
}

u32 Bus::read(u32 address, unsigned width) {
    u32 value = 0;
    if ((address & (width - 1)) != 0) {
        violation("misaligned " + describe({address, width, false, 0}));
    } else if (address == mmio::EXMEM_CTRL) {
        if (width != 2)
            violation("EXMEM_CTRL is a 16-bit register: " + describe({address, width, false, 0}));
        value = exmemCtrl_;
    } else if (const Region* region = find(address)) {
        if (arm9Owns(region->slot)) value = region->device->read(address, width);
    } else if (address >= mmio::GBA_ROM_FIRST && address < mmio::GBA_ROM_END) {
        if (width != 2)
            violation("GBA slot registers are 16 bits wide: " +
                      describe({address, width, false, 0}));
        if (arm9Owns(Slot::Gba)) value = gbaOpenBus(address);
    } else {
        violation("nothing at " + describe({address, width, false, 0}));
    }
    record({address, width, false, value});
    return value;
}

void Bus::write(u32 address, unsigned width, u32 value) {
    record({address, width, true, value});
    if ((address & (width - 1)) != 0) {
        violation("misaligned " + describe({address, width, true, value}));
    } else if (address == mmio::EXMEM_CTRL) {
        if (width != 2)
            violation("EXMEM_CTRL is a 16-bit register: " +
                      describe({address, width, true, value}));
        exmemCtrl_ = static_cast<u16>(value);
    } else if (const Region* region = find(address)) {
        if (arm9Owns(region->slot)) region->device->write(address, width, value);
    } else if (address >= mmio::GBA_ROM_FIRST && address < mmio::GBA_ROM_END) {
        if (width != 2)
            violation("GBA slot registers are 16 bits wide: " +
                      describe({address, width, true, value}));
    } else {
        violation("nothing at " + describe({address, width, true, value}));
    }
}

u64 Bus::readsOf(u32 address) const {
    auto found = reads_.find(address);
    return found == reads_.end() ? 0 : found->second;
}

u64 Bus::writesOf(u32 address) const {
    auto found = writes_.find(address);
    return found == writes_.end() ? 0 : found->second;
}

void Bus::clearLog() {
    log_.clear();
    accessCount_ = 0;
    reads_.clear();
    writes_.clear();
    lastCounter_ = nullptr;
}

void Bus::violation(const std::string& what) {
    violations_.push_back(what);
}

}  // namespace sim

// The drivers' hardware seam, routed to the installed bus.
extern "C" {
std::uint8_t mmio_read8(std::uint32_t address) {
    return static_cast<std::uint8_t>(sim::Bus::current().read(address, 1));
}
std::uint16_t mmio_read16(std::uint32_t address) {
    return static_cast<std::uint16_t>(sim::Bus::current().read(address, 2));
}
std::uint32_t mmio_read32(std::uint32_t address) {
    return sim::Bus::current().read(address, 4);
}
void mmio_write8(std::uint32_t address, std::uint8_t value) {
    sim::Bus::current().write(address, 1, value);
}
void mmio_write16(std::uint32_t address, std::uint16_t value) {
    sim::Bus::current().write(address, 2, value);
}
void mmio_write32(std::uint32_t address, std::uint32_t value) {
    sim::Bus::current().write(address, 4, value);
}
}
