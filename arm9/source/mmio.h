// The one place where the drivers touch the console's hardware: register access, the bounded wait,
// and the console's registers and memory areas that more than one file knows.
//
// On the console each access is a plain volatile load or store of the register's width. In the
// host build (SLOT_MMIO_HOST) each access calls one of the mmio_* functions, which the program
// that links the drivers supplies: the tests route them to simulated hardware, which takes its
// register addresses and bits from here too.
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

// What a bounded wait saw: the last value read, and whether the limit ran out before the
// condition held.
template <typename Value>
struct Polled {
    Value value;
    bool timedOut;
};

// Every wait of the drivers: takes a value with `read` until `done` holds for it, at most `limit`
// times (at least once). There is no clock, so a limit is a count of reads; hardware that never
// answers costs that many reads and a timed-out result, never a hang.
template <typename Read, typename Done>
inline auto poll(Read read, Done done, u32 limit) -> Polled<decltype(read())> {
    decltype(read()) value;
    do {
        value = read();
        if (done(value)) break;
    } while (--limit != 0);
    return {value, limit == 0};
}

// The wait on a 16-bit or a 32-bit register.
template <typename Done>
inline Polled<u16> poll16(u32 address, Done done, u32 limit) {
    return poll([address] { return read16(address); }, done, limit);
}
template <typename Done>
inline Polled<u32> poll32(u32 address, Done done, u32 limit) {
    return poll([address] { return read32(address); }, done, limit);
}

}  // namespace

// External memory control, 16 bits, shared by the slots: while a slot's bit is set the slot
// belongs to the ARM7 and the ARM9 reads 0 there; likewise main memory priority.
constexpr u32 EXMEM_CTRL = 0x04000204;
constexpr u16 EXMEM_GBA_SLOT_ARM7 = 0x0080;
constexpr u16 EXMEM_DS_SLOT_ARM7 = 0x0800;
constexpr u16 EXMEM_MAIN_MEMORY_ARM7_PRIORITY = 0x8000;

// GBA slot: 32 MiB of cartridge ROM (where the CompactFlash adapters put their registers too),
// then the cartridge SRAM on an 8-bit bus with 16 address lines, so 64 KiB before it mirrors.
constexpr u32 GBA_ROM_FIRST = 0x08000000;
constexpr u32 GBA_ROM_END = 0x0A000000;
constexpr u32 GBA_SRAM_FIRST = 0x0A000000;
constexpr u32 GBA_SRAM_SIZE = 0x10000;

}  // namespace mmio

// Registers of the DS card slot. The slot talks to its card either over the card bus (8-byte
// commands, sent by the bus control register) or, in serial mode, one byte at a time over its SPI
// lines.
namespace ds_card_slot {

// Serial control, 16 bits: slot enable, serial mode, chip select held between bytes, and the
// serial clock in bits 0-1 (0 fastest, 4 MHz; 3 slowest, 512 kHz). Bit 7 reads 1 while a byte is
// being shifted.
constexpr u32 DS_SLOT_SPI_CTRL = 0x040001A0;
constexpr u16 SPI_CTRL_SLOT_ENABLE = 0x8000;
constexpr u16 SPI_CTRL_SERIAL_MODE = 0x2000;
constexpr u16 SPI_CTRL_HOLD_CHIP_SELECT = 0x0040;
constexpr u16 SPI_CTRL_BUSY = 0x0080;

// Serial data, 8 bits: a write shifts one byte out and one in.
constexpr u32 DS_SLOT_SPI_DATA = 0x040001A2;

// Card bus control, 32 bits: writing the start value sends the 8 command bytes as one command with
// no data block; bit 31 reads 1 until the transfer is done.
constexpr u32 DS_SLOT_BUS_CTRL = 0x040001A4;
constexpr u32 BUS_CTRL_SEND_COMMAND = 0xA0000000;
constexpr u32 BUS_CTRL_BUSY = 0x80000000;

// The 8 command bytes of the next card bus command, first byte at the lowest address.
constexpr u32 DS_SLOT_COMMAND = 0x040001A8;
constexpr u32 COMMAND_BYTES = 8;

}  // namespace ds_card_slot

// Loads a card bus command into the slot's command registers; the console's platform library
// has one, and card_command.cpp stands in for it where that library is not linked.
extern "C" void cardWriteCommand(const u8* command);
