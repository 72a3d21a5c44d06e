#include "ds_card_slot.h"

#include <algorithm>
#include <stdexcept>

namespace sim {
namespace {

using namespace ds_card_slot;

constexpr u32 SLOT_FIRST = DS_SLOT_SPI_CTRL;
constexpr u32 SLOT_LAST = DS_SLOT_COMMAND + COMMAND_BYTES - 1;
constexpr u8 IDLE_LINE = 0xFF;

constexpr u8 CONFIG_ENABLE = 0x06, CONFIG_DISABLE = 0x0E, GAME_MODE = 0xF1, CONFIG_READ = 0xF8,
             CONFIG_WRITE = 0xFA, CONFIG_REGISTER = 0x01;
constexpr std::size_t SELECT_BYTE = 1;
constexpr std::array<u8, 8> SELECT_COMMAND = {0xFF, 0x00, 0x6A, 0xDF, 0x37, 0x59, 0x33, 0xA3};

}  // namespace

u8 MmcCartridge::exchange(u8 out) {
    if (!mmcConnected_) return adapterExchange(out);
    return mmc_ != nullptr ? mmc_->exchange(out) : IDLE_LINE;
}

u8 MmcCartridge::adapterExchange(u8 out) {
    transaction_.push_back(out);
    const std::size_t position = transaction_.size();
    const u8 command = transaction_[0];
    if (position == 1) {
        if (command == CONFIG_ENABLE) configEnabled_ = true;
        if (command == CONFIG_DISABLE) configEnabled_ = false;
        if (command == GAME_MODE) gameMode_ = true;
        return IDLE_LINE;
    }
    const bool configRegister = configEnabled_ && transaction_[1] == CONFIG_REGISTER;
    if (position == 3 && configRegister && command == CONFIG_WRITE) config_ = out;
    if (position == 3 && configRegister && command == CONFIG_READ)
        return faults.configReadsAs.value_or(config_);
    return IDLE_LINE;
}

void MmcCartridge::chipSelectReleased() {
    transaction_.clear();
    if (mmcConnected_ && mmc_ != nullptr) mmc_->chipSelectReleased();
}

void MmcCartridge::busCommand(const std::array<u8, 8>& command) {
    std::array<u8, 8> pattern = command;
    pattern[SELECT_BYTE] = 0;
    if (pattern != SELECT_COMMAND) return;  // a game card command the adapter passes over
    if (command[SELECT_BYTE] <= 1) mmcConnected_ = command[SELECT_BYTE] == 1;
}

DsCardSlot::DsCardSlot(Bus& bus) : bus_(bus) {
    bus_.attach(SLOT_FIRST, SLOT_LAST, *this, Slot::DsCard);
}

DsCardSlot::~DsCardSlot() {
    bus_.detach(*this);
}

bool DsCardSlot::widthIs(u32 address, unsigned width, bool write, unsigned expected) {
    if (width == expected) return true;
    bus_.violation("DS card slot register is " + std::to_string(expected * 8) +
                   " bits wide: " + describe({address, width, write, 0}));
    return false;
}

u32 DsCardSlot::read(u32 address, unsigned width) {
    switch (address) {
        case DS_SLOT_SPI_CTRL:
            if (!widthIs(address, width, false, 2)) return 0;
            if (spiBusy()) {
                if (faults.spiBusyStuck) countStuckRead();
                if (spiBusyLeft_ > 0) --spiBusyLeft_;
                return control_ | SPI_CTRL_BUSY;
            }
            return control_;
        case DS_SLOT_SPI_DATA:
            if (!widthIs(address, width, false, 1)) return 0;
            if (spiBusy()) bus_.violation("serial data read while a byte is shifting");
            if (!serialModeOpen()) bus_.violation("serial data read outside serial mode");
            return received_;
        case DS_SLOT_BUS_CTRL:
            if (!widthIs(address, width, false, 4)) return 0;
            if (busBusy()) {
                if (faults.busBusyStuck) countStuckRead();
                if (busBusyLeft_ > 0) --busBusyLeft_;
                return BUS_CTRL_BUSY;
            }
            return 0;
        default:
            bus_.violation("DS card slot: no readable register at " +
                           describe({address, width, false, 0}));
            return 0;
    }
}

void DsCardSlot::countStuckRead() {
    if (++stuckReads_ >= HUNG_READS)
        throw std::runtime_error(
            "the driver waits for ever on a stuck busy bit of the DS card slot");
}

void DsCardSlot::write(u32 address, unsigned width, u32 value) {
    stuckReads_ = 0;
    if (address >= DS_SLOT_COMMAND && address < DS_SLOT_COMMAND + COMMAND_BYTES) {
        if (!widthIs(address, width, true, 1)) return;
        if (busBusy()) bus_.violation("card command loaded while the last one is sent");
        command_[address - DS_SLOT_COMMAND] = static_cast<u8>(value);
        return;
    }
    switch (address) {
        case DS_SLOT_SPI_CTRL:
            if (!widthIs(address, width, true, 2)) return;
            if (spiBusy()) bus_.violation("serial control written while a byte is shifting");
            writeControl(static_cast<u16>(value));
            return;
        case DS_SLOT_SPI_DATA:
            if (!widthIs(address, width, true, 1)) return;
            if (spiBusy()) bus_.violation("serial data written while a byte is shifting");
            if (!serialModeOpen()) {
                bus_.violation("serial data written outside serial mode");
                return;
            }
            exchange(static_cast<u8>(value));
            return;
        case DS_SLOT_BUS_CTRL:
            if (!widthIs(address, width, true, 4)) return;
            if (value != BUS_CTRL_SEND_COMMAND) {
                bus_.violation("card bus control: only a command without data is modelled, not " +
                               describe({address, width, true, value}));
                return;
            }
            if (busBusy()) bus_.violation("card command started while the last one is sent");
            if (serialModeOpen()) bus_.violation("card command started in serial mode");
            sendCommand();
            return;
        default:
            bus_.violation("DS card slot: no writable register at " +
                           describe({address, width, true, value}));
    }
}

void DsCardSlot::writeControl(u16 value) {
    control_ = value;
    if (chipSelected_ && (!serialModeOpen() || (value & SPI_CTRL_HOLD_CHIP_SELECT) == 0))
        releaseChipSelect();
}

void DsCardSlot::exchange(u8 out) {
    if (!chipSelected_) {
        chipSelected_ = true;
        events_.push_back({Event::Kind::Serial, control_, {}, {}});
    }
    received_ = cartridge_ != nullptr ? cartridge_->exchange(out) : IDLE_LINE;
    if (faults.spiBusyStuckAfterBytes != 0 && --faults.spiBusyStuckAfterBytes == 0)
        faults.spiBusyStuck = true;
    events_.back().sent.push_back(out);
    events_.back().received.push_back(received_);
    spiBusyLeft_ = spiBusyReads;
    if ((control_ & SPI_CTRL_HOLD_CHIP_SELECT) == 0) releaseChipSelect();
}

void DsCardSlot::releaseChipSelect() {
    chipSelected_ = false;
    if (cartridge_ != nullptr) cartridge_->chipSelectReleased();
}

void DsCardSlot::sendCommand() {
    events_.push_back({Event::Kind::BusCommand, control_, {command_.begin(), command_.end()}, {}});
    if (cartridge_ != nullptr) cartridge_->busCommand(command_);
    busBusyLeft_ = busBusyReads;
}

}  // namespace sim
