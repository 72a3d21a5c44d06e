// The DS card slot's registers and an MMC adapter card in the slot.
//
// Slot registers (ds_card_slot in mmio.h; the DS card slot side of EXMEM_CTRL): serial control,
// serial data, card bus control and the 8 command bytes. The serial control's busy bit reads 1 for
// a few reads after each data write, the bus control's for a few reads after each command. Chip
// select goes low with the first byte of a transaction and back high when the control register
// drops the hold bit, serial mode or the enable bit (or after a byte without the hold bit). Using
// a register while its busy bit is set, the data register outside serial mode, a card bus command
// in serial mode, a transfer with a data block and any access of the wrong width are violations.
//
// The adapter card answers its own serial commands, one per transaction: 0x06 and 0x0E enable and
// disable access to its configuration, 0xF1 switches it to game mode, [0xFA, 0x01, value] writes
// the configuration byte and [0xF8, 0x01, x] reads it back in place of x. The card bus command
// FF s 6A DF 37 59 33 A3 connects the MMC socket to the serial lines when s is 1 and gives them
// back to the adapter when s is 0. With nothing answering, the serial line reads 0xFF.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "bus.h"
#include "mmc_card.h"

namespace sim {

class MmcCartridge {
  public:
    void insertMmc(MmcCard& mmc) { mmc_ = &mmc; }
    void pullMmc() { mmc_ = nullptr; }

    u8 exchange(u8 out);
    void chipSelectReleased();
    void busCommand(const std::array<u8, 8>& command);

    bool mmcConnected() const { return mmcConnected_; }
    bool gameMode() const { return gameMode_; }
    u8 config() const { return config_; }

    struct Faults {
        std::optional<u8> configReadsAs;  // what a read of the configuration byte gives instead
    };
    Faults faults;

  private:
    u8 adapterExchange(u8 out);

    MmcCard* mmc_ = nullptr;
    bool mmcConnected_ = false;
    bool gameMode_ = false;
    bool configEnabled_ = false;
    u8 config_ = 0;
    std::vector<u8> transaction_;  // bytes the adapter received since chip select went low
};

class DsCardSlot : public Device {
  public:
    // Plugs the slot's registers into the bus until destroyed; no card is inserted.
    explicit DsCardSlot(Bus& bus);
    ~DsCardSlot() override;

    void insert(MmcCartridge& cartridge) { cartridge_ = &cartridge; }
    void pull() { cartridge_ = nullptr; }

    // Reads of a busy bit before it clears.
    unsigned spiBusyReads = 1;
    unsigned busBusyReads = 2;

    // A slot that has stopped working: a busy bit that reads 1 whatever happens. A driver that
    // reads a stuck bit HUNG_READS times in a row, with no write in between, would wait for ever:
    // the read throws std::runtime_error instead, so the test fails rather than hangs.
    struct Faults {
        bool spiBusyStuck = false;
        bool busBusyStuck = false;
        u64 spiBusyStuckAfterBytes = 0;  // when not 0: spiBusyStuck from the byte this many on
    };
    Faults faults;
    static constexpr u64 HUNG_READS = 1u << 24;

    u16 control() const { return control_; }
    bool serialModeOpen() const {
        constexpr u16 open =
            ds_card_slot::SPI_CTRL_SLOT_ENABLE | ds_card_slot::SPI_CTRL_SERIAL_MODE;
        return (control_ & open) == open;
    }
    bool chipSelected() const { return chipSelected_; }

    // What went over the slot, in order: serial transactions (chip select low to high) and card
    // bus commands.
    struct Event {
        enum class Kind { Serial, BusCommand };
        Kind kind;
        u16 control;               // serial: the control register when the transaction began
        std::vector<u8> sent;      // serial: the bytes written; bus command: its 8 bytes
        std::vector<u8> received;  // serial: the bytes that came back
    };
    const std::vector<Event>& events() const { return events_; }
    void clearEvents() { events_.clear(); }

    u32 read(u32 address, unsigned width) override;
    void write(u32 address, unsigned width, u32 value) override;

  private:
    bool spiBusy() const { return faults.spiBusyStuck || spiBusyLeft_ > 0; }
    bool busBusy() const { return faults.busBusyStuck || busBusyLeft_ > 0; }
    void countStuckRead();
    bool widthIs(u32 address, unsigned width, bool write, unsigned expected);
    void writeControl(u16 value);
    void exchange(u8 out);
    void releaseChipSelect();
    void sendCommand();

    Bus& bus_;
    MmcCartridge* cartridge_ = nullptr;
    u16 control_ = 0;
    u8 received_ = 0xFF;
    unsigned spiBusyLeft_ = 0;
    unsigned busBusyLeft_ = 0;
    u64 stuckReads_ = 0;  // reads of a stuck busy bit since the last write
    bool chipSelected_ = false;
    std::array<u8, 8> command_{};
    std::vector<Event> events_;
};

}  // namespace sim
