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
#include "mmio.h"

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

// A slot busy bit stays set for one byte at the serial clock (16 us at the slowest) or one card bus
// command (less); 65,536 reads take 2 ms even at one per 33 MHz bus cycle, a hundred times as long,
// so only a slot that has stopped working runs out.
constexpr u32 SLOT_BUSY_READS = 1u << 16;

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

// Whether the slot still works. A busy bit still set after SLOT_BUSY_READS makes it false until the
// next conversation with the MMC or the adapter begins. Meanwhile no byte is exchanged (each would
// wait as long again) and every one reads as the idle line, so the reply checks fail at once, and
// the entry point returns false.
bool slotResponding = true;

// The slot's busy bits are clear: the byte has been shifted, the card bus command sent.
constexpr auto byteShifted = [](u16 control) { return (control & SPI_CTRL_BUSY) == 0; };
constexpr auto commandSent = [](u32 control) { return (control & BUS_CTRL_BUSY) == 0; };

// Shifts one byte out and returns the byte shifted in.
u8 exchangeByte(u8 out) {
    if (!slotResponding) return IDLE_BUS;
    mmio::write8(DS_SLOT_SPI_DATA, out);
    if (mmio::poll16(DS_SLOT_SPI_CTRL, byteShifted, SLOT_BUSY_READS).timedOut) {
        slotResponding = false;
        return IDLE_BUS;
    }
    return mmio::read8(DS_SLOT_SPI_DATA);
}

// The byte the card sends while the slot sends the idle line, for the waits on the card.
constexpr auto nextByte = [] { return exchangeByte(IDLE_BUS); };

// Exchanges idle bytes whose replies are of no interest.
void skipBytes(u32 count) {
    do {
        exchangeByte(IDLE_BUS);
    } while (--count != 0);
}

// Serial mode at the serial clock chosen at start-up, chip select held from byte to byte.
void openSerialMode() {
    mmio::write16(DS_SLOT_SPI_CTRL, SPI_CTRL_SLOT_ENABLE | SPI_CTRL_SERIAL_MODE |
                                        SPI_CTRL_HOLD_CHIP_SELECT | static_cast<u8>(spi_freq));
}

void closeSerialMode() {
    mmio::write16(DS_SLOT_SPI_CTRL, 0);
}

// One serial transaction with the adapter of a single command byte.
void adapterCommand(u8 command) {
    openSerialMode();
    exchangeByte(command);
    closeSerialMode();
}

// Reads or writes the adapter's configuration byte: [command, register, value] with access to the
// configuration enabled around it. Gives back the byte received for the value.
u8 configTransaction(u8 command, u8 value) {
    slotResponding = true;  // a new conversation with the adapter
    adapterCommand(CONFIG_ENABLE);
    openSerialMode();
    exchangeByte(command);
    exchangeByte(CONFIG_REGISTER);
    const u8 received = exchangeByte(value);
    closeSerialMode();
    adapterCommand(CONFIG_DISABLE);
    return received;
}

// A card holds its data line at 0 while it programs; false when it never lets go.
bool waitWhileCardBusy() {
    const auto line = mmio::poll(
        nextByte, [](u8 byte) { return byte != 0; }, CARD_BUSY_BYTES);
    return !line.timedOut;
}

// Ends an MMC conversation, begun by Neo_EnableMMC(true), whatever its outcome: closes serial mode
// and disconnects the MMC. A slot that got stuck on the way fails the call.
bool endConversation(bool done) {
    Neo_EnableMMC(false);
    return done && slotResponding;
}

// The number of blocks a transfer moves: numSecs, 256 for 0; none when they would reach past the
// last byte address.
u32 blockCount(u32 sector, u8 numSecs) {
    const u32 count = numSecs != 0 ? numSecs : 256;
    return sector <= BYTE_ADDRESSABLE_SECTORS - count ? count : 0;
}

// Sends a command that answers with R1 and then a data block, and waits for the block's start.
bool startDataCommand(u8 command, u32 argument) {
    Neo_SendMMCCommand(command, argument);
    return Neo_CheckMMCResponse(R1_READY, 0xFF) && Neo_CheckMMCResponse(START_BLOCK, 0xFF);
}

// GO_IDLE_STATE, then SEND_OP_COND until the card has finished its initialisation and left the
// idle state.
bool resetCard() {
    skipBytes(10);
    Neo_SendMMCCommand(GO_IDLE_STATE, 0);
    if (!Neo_CheckMMCResponse(R1_IDLE, 0xFF)) return false;
    const auto initialised = mmio::poll(
        [] {
            Neo_SendMMCCommand(SEND_OP_COND, 0);
            return Neo_CheckMMCResponse(R1_READY, R1_IDLE);
        },
        [](bool ready) { return ready; }, INIT_ATTEMPTS);
    return !initialised.timedOut;
}

// Sets 512-byte blocks and reads the CSD. A fast card gets the slot's fastest serial clock from now
// on: one whose TRAN_SPEED byte has its upper four bits at 3 or more (0x32, 25 MHz, does; 0x2A,
// 20 MHz, does not).
bool configureCard() {
    Neo_SendMMCCommand(SET_BLOCKLEN, SECTOR_SIZE);
    if (!Neo_CheckMMCResponse(R1_READY, 0xFF)) return false;
    if (!startDataCommand(SEND_CSD, 0)) return false;
    skipBytes(3);
    const u8 transSpeed = exchangeByte(IDLE_BUS);  // CSD byte 3, TRAN_SPEED
    skipBytes(24);
    if ((transSpeed & 0xF0) >= 0x30) spi_freq = 0;
    return true;
}

// One READ_SINGLE_BLOCK for each sector, at byte addresses 512 apart.
bool readBlocks(u32 sector, u32 count, u8* buffer) {
    do {
        if (!startDataCommand(READ_SINGLE_BLOCK, sector++ * SECTOR_SIZE)) return false;
        u8* const end = buffer + SECTOR_SIZE;
        do {
            *buffer++ = exchangeByte(IDLE_BUS);
        } while (buffer != end);
        skipBytes(2);  // the block's CRC
    } while (--count != 0);
    return true;
}

bool writeBlocks(u32 address, u32 count, const u8* buffer) {
    Neo_SendMMCCommand(WRITE_MULTIPLE_BLOCK, address);
    if (!Neo_CheckMMCResponse(R1_READY, 0xFF)) return false;
    do {
        exchangeByte(START_WRITE_MULTIPLE);
        const u8* const end = buffer + SECTOR_SIZE;
        do {
            exchangeByte(*buffer++);
        } while (buffer != end);
        skipBytes(2);  // CRC, not checked by a card in SPI mode
        if ((exchangeByte(IDLE_BUS) & DATA_RESPONSE_MASK) != DATA_ACCEPTED) return false;
        if (!waitWhileCardBusy()) return false;
    } while (--count != 0);
    exchangeByte(STOP_TRAN);
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
    if (mmio::poll32(DS_SLOT_BUS_CTRL, commandSent, SLOT_BUSY_READS).timedOut)
        slotResponding = false;
}

void Neo_EnableMMC(bool enable) {
    if (enable) {
        slotResponding = true;  // a new conversation with the MMC
        Neo_SelectMMC(1);
        Neo_SelectMMC(1);
        openSerialMode();
    } else {
        closeSerialMode();
        Neo_SelectMMC(0);
        Neo_SelectMMC(0);
    }
}

bool Neo_CheckMMCResponse(u8 response, u8 mask) {
    const auto reply = mmio::poll(
        nextByte, [=](u8 received) { return (received & mask) == response; }, REPLY_BYTES);
    return !reply.timedOut;
}

void Neo_SendMMCCommand(u8 command, u32 argument) {
    exchangeByte(IDLE_BUS);
    exchangeByte(COMMAND_START | command);
    for (int shift = 24; shift >= 0; shift -= 8) exchangeByte(static_cast<u8>(argument >> shift));
    exchangeByte(COMMAND_CRC);
    exchangeByte(IDLE_BUS);
}

void Neo_WriteMK2Config(u8 config) {
    configTransaction(CONFIG_WRITE, config);
}

u8 Neo_ReadMK2Config(void) {
    return configTransaction(CONFIG_READ, 0x00);
}

bool Neo_InitMMC(void) {
    adapterCommand(CONFIG_GAME_MODE);
    Neo_WriteMK2Config(CONFIG_MMC);
    return Neo_ReadMK2Config() == CONFIG_MMC;
}

bool NMMC_ClearStatus(void) {
    Neo_EnableMMC(true);
    return endConversation(resetCard());
}

bool NMMC_StartUp(void) {
    if (!Neo_InitMMC() || !NMMC_ClearStatus()) return false;
    Neo_EnableMMC(true);
    return endConversation(configureCard());
}

bool NMMC_IsInserted(void) {
    Neo_EnableMMC(true);
    const bool answered = startDataCommand(SEND_CSD, 0);
    if (answered) skipBytes(28);  // the CSD, its CRC and the card's trailing bytes
    return endConversation(answered);
}

bool NMMC_ReadSectors(u32 sector, u8 numSecs, void* buffer) {
    const u32 count = blockCount(sector, numSecs);
    if (count == 0) return false;
    Neo_EnableMMC(true);
    return endConversation(readBlocks(sector, count, static_cast<u8*>(buffer)));
}

bool NMMC_WriteSectors(u32 sector, u8 numSecs, void* buffer) {
    const u32 count = blockCount(sector, numSecs);
    if (count == 0) return false;
    Neo_EnableMMC(true);
    return endConversation(
        writeBlocks(sector * SECTOR_SIZE, count, static_cast<const u8*>(buffer)));
}

bool NMMC_Shutdown(void) {
    return NMMC_ClearStatus();
}

constinit const IO_INTERFACE NMMC_Interface = {
    .ul_ioType = IO_TYPE_CODE('N', 'M', 'M', 'C'),
    .ul_Features = FEATURE_CAN_READ | FEATURE_CAN_WRITE,
    .fn_StartUp = NMMC_StartUp,
    .fn_IsInserted = NMMC_IsInserted,
    .fn_ReadSectors = NMMC_ReadSectors,
    .fn_WriteSectors = NMMC_WriteSectors,
    .fn_ClearStatus = NMMC_ClearStatus,
    .fn_Shutdown = NMMC_Shutdown,
};

LPIO_INTERFACE NMMC_GetInterface(void) {
    return &NMMC_Interface;
}

}  // extern "C"
