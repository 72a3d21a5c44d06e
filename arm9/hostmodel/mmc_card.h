// A MultiMediaCard in SPI mode, as the MMC standard describes it, byte by byte on its serial lines.
//
// After power-up the card is in its native mode and takes only GO_IDLE_STATE (with its proper CRC)
// while selected, which moves it to SPI mode and the idle state. SEND_OP_COND answers "idle" until
// the card's initialisation is over. Then it serves SET_BLOCKLEN (512 only), SEND_CSD,
// READ_SINGLE_BLOCK and WRITE_MULTIPLE_BLOCK at byte addresses that are multiples of 512.
//
// Command frames are 6 bytes; the R1 reply comes after a few idle bytes (NCR). A read block is
// R1, idle bytes (NAC), the token 0xFE, 512 bytes and a 2-byte CRC. A multiple-block write takes
// blocks started by 0xFC, answers each one with a data response (low bits 0x05 accepted, 0x0B CRC
// error, 0x0D write error) and holds the line at 0 while it programs, and ends at the stop token
// 0xFD with one more busy time. A deselected or quiet card leaves the line high (0xFF).
//
// Model choices: time passes only in exchanged bytes, so a busy time lasts a number of bytes
// clocked while selected; while the card sends, it ignores what comes in; a command frame while it
// waits for a write token ends the multiple-block write (the way back to GO_IDLE_STATE after a
// rejected block); CSD fields other than TRAN_SPEED are fixed and say nothing about capacity.
#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "sector_store.h"

namespace sim {

class MmcCard {
  public:
    // Byte addresses reach 4 GiB: 2^23 sectors of 512 bytes.
    static constexpr u32 BYTE_ADDRESSABLE_SECTORS = 1u << 23;
    explicit MmcCard(u32 sectors = BYTE_ADDRESSABLE_SECTORS) : sectors_(sectors) {}

    // One byte each way while chip select is asserted; what the card drives onto the line.
    u8 exchange(u8 in);
    // Chip select goes high: a frame in progress and the rest of a reply are lost.
    void chipSelectReleased();

    // Delays, in bytes, of a card that works; the defaults are the standard's shortest.
    struct Timing {
        unsigned responseDelay = 1;  // NCR: idle bytes between a command frame and R1 (1 to 8)
        unsigned dataDelay = 1;      // NAC: idle bytes between R1 and a data token
        unsigned initAttempts = 1;   // SEND_OP_CONDs answered "idle" before the card is ready
        u64 programBusy = 1;         // busy bytes after each accepted block
        u64 stopBusy = 1;            // busy bytes after the stop token (after one idle byte)
        u8 transferSpeed = 0x32;     // CSD byte 3, TRAN_SPEED: 25 MHz
        u8 dataAccepted = 0x05;      // data response of an accepted block (bits 7-5 undefined)
    };
    Timing timing;

    struct Faults {
        bool noReply = false;           // no command is ever answered
        bool noDataToken = false;       // R1 comes but a data block never starts
        bool neverReady = false;        // SEND_OP_COND always answers "idle"
        std::optional<u8> goIdleReply;  // R1 of GO_IDLE_STATE, instead of 0x01
        int rejectBlock = -1;           // this block of each multiple-block write: write error
        bool endlessBusy = false;       // an accepted block is never done programming
        bool endlessStopBusy = false;   // the stop token's busy time never ends
    };
    Faults faults;

    struct Command {
        u8 index;
        u32 argument;
        friend bool operator==(const Command&, const Command&) = default;
    };
    const std::vector<Command>& commands() const { return commands_; }

    SectorData sector(u32 number) const { return store_.read(number); }
    bool inSpiMode() const { return spiMode_; }
    bool idle() const { return idle_; }
    bool writing() const { return phase_ != Phase::Command; }

    // R1 bits.
    static constexpr u8 R1_IDLE = 0x01, R1_ILLEGAL = 0x04, R1_ADDRESS_ERROR = 0x20,
                        R1_PARAMETER_ERROR = 0x40;
    static constexpr u8 DATA_CRC_ERROR = 0x0B, DATA_WRITE_ERROR = 0x0D;

  private:
    enum class Phase { Command, WaitToken, ReceiveBlock };

    void takeCommandByte(u8 in);
    void execute();
    void reply(u8 r1);
    void sendBlock(const u8* data, std::size_t size);
    void takeWriteByte(u8 in);
    void finishBlock();

    u32 sectors_;
    SectorStore store_;
    std::vector<Command> commands_;

    bool spiMode_ = false;
    bool idle_ = true;
    unsigned idleRepliesLeft_ = 0;
    std::vector<u8> frame_;
    std::deque<u8> sending_;
    u64 busyLeft_ = 0;
    bool endlessBusy_ = false;

    Phase phase_ = Phase::Command;
    u32 writeSector_ = 0;
    int blockIndex_ = 0;
    SectorData block_{};
    unsigned blockBytes_ = 0;
};

}  // namespace sim
