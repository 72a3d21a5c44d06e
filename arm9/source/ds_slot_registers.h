// Registers of the DS card slot, shared by the MMC driver and the card command loader.
//
// The slot talks to its card either over the card bus (8-byte commands, sent by the bus control
// register) or, in serial mode, one byte at a time over its SPI lines.
#pragma once

#include "mmio.h"

namespace ds_card_slot {

// Serial control, 16 bits: slot enable, serial mode, chip select held between bytes, and the
// serial clock in bits 0-1 (0 fastest, 3 slowest). Bit 7 reads 1 while a byte is being shifted.
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
