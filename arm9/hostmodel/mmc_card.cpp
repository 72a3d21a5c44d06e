#include "mmc_card.h"

namespace sim {
namespace {

constexpr u8 IDLE_LINE = 0xFF;
constexpr u8 BUSY_LINE = 0x00;

constexpr u8 GO_IDLE_STATE = 0, SEND_OP_COND = 1, SEND_CSD = 9, SET_BLOCKLEN = 16,
             READ_SINGLE_BLOCK = 17, WRITE_MULTIPLE_BLOCK = 25;
constexpr u8 START_BLOCK = 0xFE, START_WRITE_MULTIPLE = 0xFC, STOP_TRAN = 0xFD;
constexpr std::size_t FRAME_BYTES = 6;

// A command frame's first byte: start bit 0, transmission bit 1, then the command index.
bool startsFrame(u8 byte) {
    return (byte & 0xC0) == 0x40;
}

// CRC7 (x^7 + x^3 + 1) of a command frame or the CSD, in the byte's upper 7 bits with end bit 1.
u8 crc7Byte(const u8* data, std::size_t size) {
    u8 crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool feedback = ((data[i] >> bit) ^ (crc >> 6)) & 1;
            crc = static_cast<u8>((crc << 1) & 0x7F);
            if (feedback) crc ^= 0x09;
        }
    }
    return static_cast<u8>(crc << 1 | 1);
}

// CRC16 (x^16 + x^12 + x^5 + 1) of a data block.
u16 crc16(const u8* data, std::size_t size) {
    u16 crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= static_cast<u16>(data[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<u16>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

}  // namespace

u8 MmcCard::exchange(u8 in) {
    if (!sending_.empty()) {
        const u8 out = sending_.front();
        sending_.pop_front();
        return out;
    }
    if (endlessBusy_ || busyLeft_ > 0) {
        if (!endlessBusy_) --busyLeft_;
        return BUSY_LINE;
    }
    switch (phase_) {
        case Phase::Command:
            takeCommandByte(in);
            break;
        case Phase::WaitToken:
        case Phase::ReceiveBlock:
            takeWriteByte(in);
            break;
    }
    return IDLE_LINE;
}

void MmcCard::chipSelectReleased() {
    frame_.clear();
    sending_.clear();
    if (phase_ == Phase::ReceiveBlock) phase_ = Phase::WaitToken;
}

void MmcCard::takeCommandByte(u8 in) {
    if (frame_.empty() && !startsFrame(in)) return;
    frame_.push_back(in);
    if (frame_.size() < FRAME_BYTES) return;
    execute();
    frame_.clear();
}

void MmcCard::execute() {
    const u8 index = frame_[0] & 0x3F;
    const u32 argument =
        u32{frame_[1]} << 24 | u32{frame_[2]} << 16 | u32{frame_[3]} << 8 | frame_[4];
    commands_.push_back({index, argument});
    if (!spiMode_) {
        // Native mode: only GO_IDLE_STATE with its CRC, under chip select, switches to SPI mode.
        if (index != GO_IDLE_STATE || frame_[5] != crc7Byte(frame_.data(), 5)) return;
        spiMode_ = true;
    }
    if (faults.noReply) return;

    if (index == GO_IDLE_STATE) {
        idle_ = true;
        idleRepliesLeft_ = timing.initAttempts;
        phase_ = Phase::Command;
        reply(faults.goIdleReply.value_or(R1_IDLE));
        return;
    }
    if (index == SEND_OP_COND) {
        if (idle_ && (faults.neverReady || idleRepliesLeft_ > 0)) {
            if (idleRepliesLeft_ > 0) --idleRepliesLeft_;
            reply(R1_IDLE);
            return;
        }
        idle_ = false;
        reply(0);
        return;
    }
    if (idle_) {
        reply(R1_IDLE | R1_ILLEGAL);  // only initialisation commands before the card is ready
        return;
    }

    // Block commands take byte addresses of whole 512-byte blocks inside the card.
    const u8 addressError = argument % SECTOR_BYTES != 0          ? R1_ADDRESS_ERROR
                            : argument / SECTOR_BYTES >= sectors_ ? R1_PARAMETER_ERROR
                                                                  : 0;
    switch (index) {
        case SEND_CSD: {
            reply(0);
            u8 csd[16] = {
                0x90, 0x26, 0x00, timing.transferSpeed, 0x1F, 0x59, 0x80, 0, 0, 0, 0, 0, 0,
                0,    0,    0};
            csd[15] = crc7Byte(csd, 15);
            sendBlock(csd, sizeof csd);
            return;
        }
        case SET_BLOCKLEN:
            reply(argument == SECTOR_BYTES ? 0 : R1_PARAMETER_ERROR);
            return;
        case READ_SINGLE_BLOCK:
            reply(addressError);
            if (addressError == 0) {
                const SectorData data = store_.read(argument / SECTOR_BYTES);
                sendBlock(data.data(), data.size());
            }
            return;
        case WRITE_MULTIPLE_BLOCK:
            reply(addressError);
            if (addressError == 0) {
                phase_ = Phase::WaitToken;
                writeSector_ = argument / SECTOR_BYTES;
                blockIndex_ = 0;
            }
            return;
        default:
            reply(R1_ILLEGAL);
    }
}

void MmcCard::reply(u8 r1) {
    sending_.insert(sending_.end(), timing.responseDelay, IDLE_LINE);
    sending_.push_back(r1);
}

void MmcCard::sendBlock(const u8* data, std::size_t size) {
    if (faults.noDataToken) return;
    sending_.insert(sending_.end(), timing.dataDelay, IDLE_LINE);
    sending_.push_back(START_BLOCK);
    sending_.insert(sending_.end(), data, data + size);
    const u16 crc = crc16(data, size);
    sending_.push_back(static_cast<u8>(crc >> 8));
    sending_.push_back(static_cast<u8>(crc));
}

void MmcCard::takeWriteByte(u8 in) {
    if (phase_ == Phase::ReceiveBlock) {
        if (blockBytes_ < SECTOR_BYTES) block_[blockBytes_] = in;
        if (++blockBytes_ == SECTOR_BYTES + 2) finishBlock();  // data, then the CRC
        return;
    }
    if (in == START_WRITE_MULTIPLE) {
        phase_ = Phase::ReceiveBlock;
        blockBytes_ = 0;
    } else if (in == STOP_TRAN) {
        phase_ = Phase::Command;
        sending_.push_back(IDLE_LINE);  // busy starts one byte after the token
        busyLeft_ = timing.stopBusy;
        endlessBusy_ = faults.endlessStopBusy;
    } else if (startsFrame(in)) {
        phase_ = Phase::Command;
        takeCommandByte(in);
    }
}

void MmcCard::finishBlock() {
    phase_ = Phase::WaitToken;
    const u32 sector = writeSector_++;
    if (blockIndex_++ == faults.rejectBlock || sector >= sectors_) {
        sending_.push_back(DATA_WRITE_ERROR);
        return;
    }
    store_.write(sector, block_);
    sending_.push_back(timing.dataAccepted);
    busyLeft_ = timing.programBusy;
    endlessBusy_ = faults.endlessBusy;
}

}  // namespace sim
