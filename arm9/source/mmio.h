// The one place where the drivers touch hardware registers.
//
// On the console each access is a plain volatile load or store of the register's width. In the
// host build (SLOT_MMIO_HOST) each access calls one of the mmio_* functions, which the program
// that links the drivers supplies: the tests route them to simulated hardware.
#pragma once

#include "slot_storage.h"

#ifdef SLOT_MMIO_HOST
extern "C" {
uint8_t mmio_read8(uint32_t address);
uint16_t mmio_read16(uint32_t address);
uint32_t mmio_read32(uint32_t address);
void mmio_write8(uint32_t address, uint8_t value);
void mmio_write16(uint32_t address, uint16_t value);
void mmio_write32(uint32_t address, uint32_t value);
}
#endif

namespace mmio {
namespace {  // internal to each module: always inlined, never an exported symbol

#ifdef SLOT_MMIO_HOST
inline u8 read8(u32 address) {
    return mmio_read8(address);
}
inline u16 read16(u32 address) {
    return mmio_read16(address);
}
inline u32 read32(u32 address) {
    return mmio_read32(address);
}
inline void write8(u32 address, u8 value) {
    mmio_write8(address, value);
}
inline void write16(u32 address, u16 value) {
    mmio_write16(address, value);
}
inline void write32(u32 address, u32 value) {
    mmio_write32(address, value);
}
#else
template <typename T>
inline volatile T& reg(u32 address) {
    return *reinterpret_cast<volatile T*>(address);
}
inline u8 read8(u32 address) {
    return reg<u8>(address);
}
inline u16 read16(u32 address) {
    return reg<u16>(address);
}
inline u32 read32(u32 address) {
    return reg<u32>(address);
}
inline void write8(u32 address, u8 value) {
    reg<u8>(address) = value;
}
inline void write16(u32 address, u16 value) {
    reg<u16>(address) = value;
}
inline void write32(u32 address, u32 value) {
    reg<u32>(address) = value;
}
#endif

}  // namespace

// Console register shared by the slots: which processor may use the DS card slot and the GBA slot.
constexpr u32 EXMEM_CTRL = 0x04000204;

}  // namespace mmio
