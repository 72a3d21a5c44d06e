// MMC card in a DS card slot adapter, reached over the slot's serial (SPI) lines.
//
// The adapter card answers card bus commands and a few serial commands of its own: one card bus
// command connects its MMC socket to the slot's serial lines (or disconnects it), and serial
// commands read and write its configuration byte. With the MMC connected the driver speaks the MMC
// protocol in SPI mode: 512-byte blocks at byte addresses, one READ_SINGLE_BLOCK per sector read
// and one WRITE_MULTIPLE_BLOCK per call that writes.
//
// Between calls the MMC is disconnected and serial mode is closed: every entry point connects it,
// opens serial mode, and undoes both on each of its returns.
#include "ds_slot_registers.h"

using namespace ds_card_slot;

namespace {

// MMC commands (SPI mode) and the tokens of its data blocks.
constexpr u8 GO_IDLE_STATE = 0;
constexpr u8 SEND_OP_COND = 1;
constexpr u8 SEND_CSD = 9;
constexpr u8 SET_BLOCKLEN = 16;
constexpr u8 READ_SINGLE_BLOCK = 17;
constexpr u8 WRITE_MULTIPLE_BLOCK = 25;

constexpr u8 COMMAND_START = 0x40;  // start and transmission bits of a command's first byte
constexpr u8 COMMAND_CRC = 0x95;    // right for GO_IDLE_STATE; SPI mode ignores it for the rest
constexpr u8 R1_READY = 0x00;
constexpr u8 R1_IDLE = 0x01;
constexpr u8 START_BLOCK = 0xFE;           // before a read block and the CSD
constexpr u8 START_WRITE_MULTIPLE = 0xFC;  // before each block of a multiple-block write
constexpr u8 STOP_TRAN = 0xFD;             // ends a multiple-block write
constexpr u8 DATA_RESPONSE_MASK = 0x0F;    // the bits above are not defined
constexpr u8 DATA_ACCEPTED = 0x05;
constexpr u8 IDLE_BUS = 0xFF;

// A reply or token must come within this many bytes; the card gets this many SEND_OP_CONDs to
// finish its initialisation.
constexpr u32 REPLY_BYTES = 256;
constexpr u32 INIT_ATTEMPTS = 256;

// A card holds its data line at 0 while it programs. The wait gives up after 2^20 bytes: even at
// the fastest serial clock (4 MHz, 2 us a byte) that is more than two seconds, far beyond the
// write time of any card, so only a broken card runs into it.
constexpr u32 CARD_BUSY_BYTES = 1u << 20;

// Byte addresses are 32 bits wide: a transfer may not reach past 4 GiB, or it would wrap round
// to the first sectors of the card.
constexpr u32 BYTE_ADDRESSABLE_SECTORS = 0x800000;

// The adapter's serial commands for its configuration byte (register 1), and the value that
// makes the MMC reachable.
constexpr u8 CONFIG_ENABLE = 0x06;
constexpr u8 CONFIG_DISABLE = 0x0E;
constexpr u8 CONFIG_GAME_MODE = 0xF1;
constexpr u8 CONFIG_READ = 0xF8;
constexpr u8 CONFIG_WRITE = 0xFA;
constexpr u8 CONFIG_REGISTER = 0x01;
constexpr u8 CONFIG_MMC = 0x31;

}  // namespace

extern "C" {
int32_t spi_freq = 3;
u8 selectMMC_command[8] = {0xFF, 0x00, 0x6A, 0xDF, 0x37, 0x59, 0x33, 0xA3};
}

namespace {

// Shifts one byte out and returns the byte shifted in.
inline u8 Neo_SPI(u8 dataByte) {
    mmio::write8(DS_SLOT_SPI_DATA, dataByte);
    while (mmio::read16(DS_SLOT_SPI_CTRL) & SPI_CTRL_BUSY) {
    }
    return mmio::read8(DS_SLOT_SPI_DATA);
}

inline void Neo_OpenSPI(u8 frequency) {
    mmio::write16(DS_SLOT_SPI_CTRL, SPI_CTRL_SLOT_ENABLE | SPI_CTRL_SERIAL_MODE |
                                        SPI_CTRL_HOLD_CHIP_SELECT | frequency);
}

inline void Neo_CloseSPI() {
    mmio::write16(DS_SLOT_SPI_CTRL, 0);
}

inline void openSerial() {
    Neo_OpenSPI(static_cast<u8>(spi_freq));
}

// Exchanges idle bytes whose replies are of no interest.
void skipBytes(u32 count) {
    do {
        Neo_SPI(IDLE_BUS);
    } while (--count != 0);
}

// One serial transaction with the adapter of a single command byte.
void adapterCommand(u8 command) {
    openSerial();
    Neo_SPI(command);
    Neo_CloseSPI();
}

inline void Neo_MK2GameMode() {
    adapterCommand(CONFIG_GAME_MODE);
}

inline void Neo_EnableEEPROM(bool enable) {
    adapterCommand(enable ? CONFIG_ENABLE : CONFIG_DISABLE);
}

// Waits for a card's busy time to end; false when it never does.
bool waitWhileCardBusy() {
    for (u32 left = CARD_BUSY_BYTES; left != 0; --left) {
        if (Neo_SPI(IDLE_BUS) != 0) return true;
    }
    return false;
}

u32 sectorCount(u8 numSecs) {
    return numSecs != 0 ? numSecs : 256;
}

bool byteAddressable(u32 sector, u32 count) {
    return sector <= BYTE_ADDRESSABLE_SECTORS - count;
}

// Runs an MMC conversation with the MMC connected and serial mode open, and closes both again
// whatever it returns.
template <typename Conversation>
bool withMmc(Conversation conversation) {
    Neo_EnableMMC(true);
    const bool done = conversation();
    Neo_EnableMMC(false);
    return done;
}

// Sends a command that answers with R1 and then a data block, and waits for the block's start.
bool startDataCommand(u8 command, u32 argument) {
    Neo_SendMMCCommand(command, argument);
    return Neo_CheckMMCResponse(R1_READY, 0xFF) && Neo_CheckMMCResponse(START_BLOCK, 0xFF);
}

// GO_IDLE_STATE, then SEND_OP_COND until the card leaves the idle state.
bool resetCard() {
    skipBytes(10);
    Neo_SendMMCCommand(GO_IDLE_STATE, 0);
    if (!Neo_CheckMMCResponse(R1_IDLE, 0xFF)) return false;
    for (u32 attempts = INIT_ATTEMPTS; attempts != 0; --attempts) {
        Neo_SendMMCCommand(SEND_OP_COND, 0);
        if (Neo_CheckMMCResponse(R1_READY, R1_IDLE)) return true;
    }
    return false;
}

// Sets 512-byte blocks and reads the CSD. A fast card gets the slot's fastest serial clock from now
// on: one whose TRAN_SPEED byte has its upper four bits at 3 or more (0x32, 25 MHz, does; 0x2A,
// 20 MHz, does not).
bool configureCard() {
    Neo_SendMMCCommand(SET_BLOCKLEN, SECTOR_SIZE);
    if (!Neo_CheckMMCResponse(R1_READY, 0xFF)) return false;
    if (!startDataCommand(SEND_CSD, 0)) return false;
    skipBytes(3);
    const u8 transSpeed = Neo_SPI(IDLE_BUS);  // CSD byte 3, TRAN_SPEED
    skipBytes(24);
    if ((transSpeed & 0xF0) >= 0x30) spi_freq = 0;
    return true;
}

bool readBlocks(u32 address, u32 count, u8* buffer) {
    do {
        if (!startDataCommand(READ_SINGLE_BLOCK, address)) return false;
        u8* const end = buffer + SECTOR_SIZE;
        do {
            *buffer++ = Neo_SPI(IDLE_BUS);
        } while (buffer != end);
        skipBytes(2);  // the block's CRC
        address += SECTOR_SIZE;
    } while (--count != 0);
    return true;
}

bool writeBlocks(u32 address, u32 count, const u8* buffer) {
    Neo_SendMMCCommand(WRITE_MULTIPLE_BLOCK, address);
    if (!Neo_CheckMMCResponse(R1_READY, 0xFF)) return false;
    do {
        Neo_SPI(START_WRITE_MULTIPLE);
        const u8* const end = buffer + SECTOR_SIZE;
        do {
            Neo_SPI(*buffer++);
        } while (buffer != end);
        skipBytes(2);  // CRC, not checked by a card in SPI mode
        if ((Neo_SPI(IDLE_BUS) & DATA_RESPONSE_MASK) != DATA_ACCEPTED) return false;
        if (!waitWhileCardBusy()) return false;
    } while (--count != 0);
    Neo_SPI(STOP_TRAN);
    skipBytes(SECTOR_SIZE + 3);
    if (!waitWhileCardBusy()) return false;
    skipBytes(16);
    return true;
}

}  // namespace

extern "C" {

void Neo_SelectMMC(u8 dataByte) {
    selectMMC_command[1] = dataByte;
    cardWriteCommand(selectMMC_command);
    mmio::write32(DS_SLOT_BUS_CTRL, BUS_CTRL_SEND_COMMAND);
    while (mmio::read32(DS_SLOT_BUS_CTRL) & BUS_CTRL_BUSY) {
    }
}

void Neo_EnableMMC(bool enable) {
    if (enable) {
        Neo_SelectMMC(1);
        Neo_SelectMMC(1);
        openSerial();
    } else {
        Neo_CloseSPI();
        Neo_SelectMMC(0);
        Neo_SelectMMC(0);
    }
}

bool Neo_CheckMMCResponse(u8 response, u8 mask) {
    for (u32 left = REPLY_BYTES; left != 0; --left) {
        if ((Neo_SPI(IDLE_BUS) & mask) == response) return true;
    }
    return false;
}

void Neo_SendMMCCommand(u8 command, u32 argument) {
    Neo_SPI(IDLE_BUS);
    Neo_SPI(COMMAND_START | command);
    Neo_SPI(static_cast<u8>(argument >> 24));
    Neo_SPI(static_cast<u8>(argument >> 16));
    Neo_SPI(static_cast<u8>(argument >> 8));
    Neo_SPI(static_cast<u8>(argument));
    Neo_SPI(COMMAND_CRC);
    Neo_SPI(IDLE_BUS);
}

void Neo_WriteMK2Config(u8 config) {
    Neo_EnableEEPROM(true);
    openSerial();
    Neo_SPI(CONFIG_WRITE);
    Neo_SPI(CONFIG_REGISTER);
    Neo_SPI(config);
    Neo_CloseSPI();
    Neo_EnableEEPROM(false);
}

u8 Neo_ReadMK2Config(void) {
    Neo_EnableEEPROM(true);
    openSerial();
    Neo_SPI(CONFIG_READ);
    Neo_SPI(CONFIG_REGISTER);
    const u8 config = Neo_SPI(0x00);
    Neo_CloseSPI();
    Neo_EnableEEPROM(false);
    return config;
}

bool Neo_InitMMC(void) {
    Neo_MK2GameMode();
    Neo_WriteMK2Config(CONFIG_MMC);
    return Neo_ReadMK2Config() == CONFIG_MMC;
}

bool NMMC_ClearStatus(void) {
    return withMmc(resetCard);
}

bool NMMC_StartUp(void) {
    return Neo_InitMMC() && NMMC_ClearStatus() && withMmc(configureCard);
}

bool NMMC_IsInserted(void) {
    return withMmc([] {
        if (!startDataCommand(SEND_CSD, 0)) return false;
        skipBytes(28);  // the CSD, its CRC and the card's trailing bytes
        return true;
    });
}

bool NMMC_ReadSectors(u32 sector, u8 numSecs, void* buffer) {
    const u32 count = sectorCount(numSecs);
    if (!byteAddressable(sector, count)) return false;
    return withMmc(
        [&] { return readBlocks(sector * SECTOR_SIZE, count, static_cast<u8*>(buffer)); });
}

bool NMMC_WriteSectors(u32 sector, u8 numSecs, void* buffer) {
    const u32 count = sectorCount(numSecs);
    if (!byteAddressable(sector, count)) return false;
    return withMmc(
        [&] { return writeBlocks(sector * SECTOR_SIZE, count, static_cast<const u8*>(buffer)); });
}

bool NMMC_Shutdown(void) {
    return NMMC_ClearStatus();
}

constinit const IO_INTERFACE NMMC_Interface = {
    IO_TYPE_CODE('N', 'M', 'M', 'C'),
    FEATURE_CAN_READ | FEATURE_CAN_WRITE,
    NMMC_StartUp,
    NMMC_IsInserted,
    NMMC_ReadSectors,
    NMMC_WriteSectors,
    NMMC_ClearStatus,
    NMMC_Shutdown,
};

LPIO_INTERFACE NMMC_GetInterface(void) {
    return &NMMC_Interface;
}

}  // extern "C"
