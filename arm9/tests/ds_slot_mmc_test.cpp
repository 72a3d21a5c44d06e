// The DS-card-slot MMC driver against a simulated adapter card with an MMC in SPI mode.
#include <algorithm>
#include <cstdio>
#include <functional>

#include "slot_fixture.h"

extern "C" void cardWriteCommand(const sim::u8* command);

namespace slot_test {
namespace {

using Bytes = std::vector<sim::u8>;
using Event = sim::DsCardSlot::Event;
using sim::DsCardSlot;
using namespace ds_card_slot;

constexpr sim::u16 SERIAL_OPEN =
    SPI_CTRL_SLOT_ENABLE | SPI_CTRL_SERIAL_MODE | SPI_CTRL_HOLD_CHIP_SELECT;
constexpr sim::u8 GO_IDLE_STATE = 0, SEND_OP_COND = 1, SEND_CSD = 9, SET_BLOCKLEN = 16,
                  READ_SINGLE_BLOCK = 17, WRITE_MULTIPLE_BLOCK = 25;
constexpr sim::u32 LAST_BYTE_ADDRESSABLE_SECTOR = 0x7FFFFF;
// Reads of a slot busy bit before the driver takes the slot for broken.
constexpr sim::u64 SLOT_BUSY_READS = 1u << 16;

Bytes idle(std::size_t count) {
    return Bytes(count, 0xFF);
}

// A command as the driver frames it: an idle byte, the 6-byte frame, an idle byte.
Bytes frame(sim::u8 command, sim::u32 argument) {
    return {0xFF,
            static_cast<sim::u8>(0x40 | command),
            static_cast<sim::u8>(argument >> 24),
            static_cast<sim::u8>(argument >> 16),
            static_cast<sim::u8>(argument >> 8),
            static_cast<sim::u8>(argument),
            0x95,
            0xFF};
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes selectCommand(sim::u8 select) {
    return {0xFF, select, 0x6A, 0xDF, 0x37, 0x59, 0x33, 0xA3};
}

Bytes patternBytes(std::size_t count, unsigned seed) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<sim::u8>(i * 29 + seed + (i >> 9));
    return bytes;
}

class MmcTest : public SlotTest {
  protected:
    void SetUp() override {
        bus.setExmemCtrl(0);  // the selector gives the DS card slot to the ARM9 first
        spi_freq = 3;         // as loaded: the driver's only state that outlives a call
        cartridge.insertMmc(mmc);
        dsSlot.insert(cartridge);
    }
    void TearDown() override {
        mmc.faults = {};
        cartridge.faults = {};
        dsSlot.faults = {};
        cartridge.insertMmc(mmc);
        dsSlot.insert(cartridge);
        SlotTest::TearDown();
    }
    void start() {
        ASSERT_TRUE(NMMC_StartUp());
        restartLogs();
    }
    void restartLogs() {
        bus.clearLog();
        dsSlot.clearEvents();
        commandsBefore = mmc.commands().size();
    }
    std::vector<sim::MmcCard::Command> newCommands() const {
        return {mmc.commands().begin() + static_cast<long>(commandsBefore), mmc.commands().end()};
    }
    std::vector<Event> serialEvents() const {
        std::vector<Event> serial;
        std::copy_if(dsSlot.events().begin(), dsSlot.events().end(), std::back_inserter(serial),
                     [](const Event& event) { return event.kind == Event::Kind::Serial; });
        return serial;
    }
    sim::u64 exchanges() const { return bus.writesOf(DS_SLOT_SPI_DATA); }
    // Serial control values written since the logs restarted.
    std::vector<sim::u32> controlWrites() const {
        std::vector<sim::u32> values;
        for (const sim::Access& access : bus.log())
            if (access.write && access.address == DS_SLOT_SPI_CTRL) values.push_back(access.value);
        return values;
    }
    // Every entry point, with its name; transfers of two sectors at sector 3 through `buffer`.
    using Calls = std::vector<std::pair<std::string, std::function<bool()>>>;
    static Calls entryPoints(GuardedBuffer& buffer) {
        return {
            {"StartUp", NMMC_StartUp},
            {"IsInserted", NMMC_IsInserted},
            {"ReadSectors", [&] { return NMMC_ReadSectors(3, 2, buffer.data()); }},
            {"WriteSectors", [&] { return NMMC_WriteSectors(3, 2, buffer.data()); }},
            {"ClearStatus", NMMC_ClearStatus},
            {"Shutdown", NMMC_Shutdown},
        };
    }
    void expectClosed(const std::string& call) {
        EXPECT_FALSE(cartridge.mmcConnected()) << call;
        EXPECT_EQ(dsSlot.control(), 0) << call;
        EXPECT_FALSE(dsSlot.chipSelected()) << call;
    }

    sim::MmcCard mmc;
    sim::MmcCartridge cartridge;
    std::size_t commandsBefore = 0;
};

void expectSerial(const Event& event, sim::u16 control, const Bytes& sent) {
    EXPECT_EQ(event.kind, Event::Kind::Serial);
    EXPECT_EQ(event.control, control);
    EXPECT_EQ(event.sent, sent);
}

void expectBusCommand(const Event& event, sim::u8 select) {
    EXPECT_EQ(event.kind, Event::Kind::BusCommand);
    EXPECT_EQ(event.sent, selectCommand(select));
}

TEST_F(MmcTest, StartUpConfiguresTheAdapterThenResetsAndSetsUpTheMmc) {
    mmc.timing.initAttempts = 2;
    ASSERT_TRUE(NMMC_StartUp());
    const std::vector<Event>& events = dsSlot.events();
    ASSERT_EQ(events.size(), 17u);
    const sim::u16 slow = SERIAL_OPEN | 3;
    // Game mode, then the configuration byte written and read back, each behind an enable.
    expectSerial(events[0], slow, {0xF1});
    expectSerial(events[1], slow, {0x06});
    expectSerial(events[2], slow, {0xFA, 0x01, 0x31});
    expectSerial(events[3], slow, {0x0E});
    expectSerial(events[4], slow, {0x06});
    expectSerial(events[5], slow, {0xF8, 0x01, 0x00});
    EXPECT_EQ(events[5].received[2], 0x31);
    expectSerial(events[6], slow, {0x0E});
    EXPECT_TRUE(cartridge.gameMode());
    // Reset: ten idle bytes, GO_IDLE_STATE, then SEND_OP_COND until the card is ready; an "idle"
    // reply costs the full 256 polls for a byte with bit 0 clear.
    expectBusCommand(events[7], 1);
    expectBusCommand(events[8], 1);
    expectSerial(
        events[9], slow,
        concat({idle(10), frame(GO_IDLE_STATE, 0), idle(1), frame(SEND_OP_COND, 0), idle(256),
                frame(SEND_OP_COND, 0), idle(256), frame(SEND_OP_COND, 0), idle(1)}));
    expectBusCommand(events[10], 0);
    expectBusCommand(events[11], 0);
    // Block length, then the CSD: R1, one idle byte, the token, 16 bytes, CRC and ten more.
    expectBusCommand(events[12], 1);
    expectBusCommand(events[13], 1);
    expectSerial(
        events[14], slow,
        concat({frame(SET_BLOCKLEN, 512), idle(1), frame(SEND_CSD, 0), idle(3), idle(28)}));
    EXPECT_EQ(events[14].received[8 + 1 + 8 + 2], 0xFE);
    EXPECT_EQ(events[14].received[8 + 1 + 8 + 3 + 3], 0x32);  // TRAN_SPEED
    expectBusCommand(events[15], 0);
    expectBusCommand(events[16], 0);
    expectClosed("start-up");
    EXPECT_EQ(spi_freq, 0);
}

TEST_F(MmcTest, SendOpCondIsTried256TimesAtMost) {
    mmc.timing.initAttempts = 255;  // ready at the last attempt
    EXPECT_TRUE(NMMC_ClearStatus());
    restartLogs();
    mmc.faults.neverReady = true;
    EXPECT_FALSE(NMMC_ClearStatus());
    EXPECT_FALSE(NMMC_StartUp());
    const auto commands = newCommands();
    const auto opConds = std::count_if(commands.begin(), commands.end(),
                                       [](const auto& c) { return c.index == SEND_OP_COND; });
    EXPECT_EQ(opConds, 2 * 256);
    EXPECT_EQ(commands.back().index, SEND_OP_COND);  // start-up went no further
    expectClosed("never ready");
}

class TransferSpeed : public MmcTest,
                      public ::testing::WithParamInterface<std::pair<sim::u8, int>> {};

INSTANTIATE_TEST_SUITE_P(CsdByte3, TransferSpeed,
                         ::testing::Values(std::pair<sim::u8, int>{0x32, 0},
                                           std::pair<sim::u8, int>{0x80, 0},
                                           std::pair<sim::u8, int>{0x2A, 3}));

TEST_P(TransferSpeed, ChoosesTheSerialClockOfLaterCalls) {
    const auto [speed, clock] = GetParam();
    mmc.timing.transferSpeed = speed;
    start();
    EXPECT_EQ(spi_freq, clock);
    EXPECT_TRUE(NMMC_IsInserted());
    EXPECT_EQ(controlWrites(), (std::vector<sim::u32>{SERIAL_OPEN | sim::u32(clock), 0}));
    mmc.timing.transferSpeed = 0x2A;  // a slower card later does not slow the clock again
    start();
    EXPECT_EQ(spi_freq, clock);
}

TEST_F(MmcTest, ThreeSectorReadIsThreeSingleBlockReads512BytesApart) {
    start();
    GuardedBuffer buffer(3, 1);
    ASSERT_TRUE(NMMC_ReadSectors(1000, 3, buffer.data()));
    EXPECT_EQ(newCommands(), (std::vector<sim::MmcCard::Command>{
                                 {READ_SINGLE_BLOCK, 1000 * 512},
                                 {READ_SINGLE_BLOCK, 1001 * 512},
                                 {READ_SINGLE_BLOCK, 1002 * 512},
                             }));
    EXPECT_EQ(buffer.bytes(0, 3 * 512), cardBytes(mmc, 1000, 3));
    EXPECT_TRUE(buffer.guardsIntact());
    ASSERT_EQ(serialEvents().size(), 1u);  // one serial transaction for the whole call
}

TEST_F(MmcTest, ThreeSectorWriteIsOneMultipleBlockWriteOfThreeFramedBlocks) {
    start();
    const Bytes data = patternBytes(3 * 512, 1);
    GuardedBuffer buffer(3, 3);
    std::copy(data.begin(), data.end(), buffer.data());
    ASSERT_TRUE(NMMC_WriteSectors(40, 3, buffer.data()));
    EXPECT_EQ(newCommands(),
              (std::vector<sim::MmcCard::Command>{{WRITE_MULTIPLE_BLOCK, 40 * 512}}));
    // Each block: token, data, CRC, data response, then idle bytes until busy ends (one busy
    // byte here). After the stop token: 515 idle bytes, the busy wait, 16 idle bytes.
    Bytes sent = concat({frame(WRITE_MULTIPLE_BLOCK, 40 * 512), idle(1)});
    for (std::size_t block = 0; block < 3; ++block) {
        const Bytes blockData(data.begin() + block * 512, data.begin() + (block + 1) * 512);
        sent = concat({sent, {0xFC}, blockData, idle(2), idle(1), idle(2)});
    }
    sent = concat({sent, {0xFD}, idle(515), idle(1), idle(16)});
    const std::vector<Event> serial = serialEvents();
    ASSERT_EQ(serial.size(), 1u);
    EXPECT_EQ(serial[0].sent, sent);
    EXPECT_EQ(cardBytes(mmc, 40, 3), data);
    EXPECT_EQ(mmc.sector(39)[0], sim::SectorStore::freshByte(39, 0));
    EXPECT_EQ(mmc.sector(43)[511], sim::SectorStore::freshByte(43, 511));
}

TEST_F(MmcTest, WrittenSectorsReadBackByteForByte) {
    start();
    const Bytes data = patternBytes(5 * 512, 7);
    GuardedBuffer source(5, 1), target(5, 0);
    std::copy(data.begin(), data.end(), source.data());
    ASSERT_TRUE(NMMC_WriteSectors(123456, 5, source.data()));
    ASSERT_TRUE(NMMC_ReadSectors(123456, 5, target.data()));
    EXPECT_EQ(target.bytes(0, 5 * 512), data);
    EXPECT_TRUE(source.guardsIntact());
    EXPECT_TRUE(target.guardsIntact());
}

// Also the figures of a whole call: serial exchanges per sector with a card answering as early
// as the standard allows.
TEST_F(MmcTest, CountZeroMoves256Blocks) {
    start();
    GuardedBuffer buffer(256, 0);
    ASSERT_TRUE(NMMC_ReadSectors(5000, 0, buffer.data()));
    EXPECT_EQ(newCommands().size(), 256u);
    EXPECT_EQ(newCommands().back(), (sim::MmcCard::Command{READ_SINGLE_BLOCK, 5255 * 512}));
    EXPECT_EQ(buffer.bytes(0, 256 * 512), cardBytes(mmc, 5000, 256));
    // 512 data bytes, command frame 8, R1 1, NAC 1, token 1, CRC 2.
    EXPECT_EQ(exchanges(), 256u * 525);
    std::printf("256-sector read: %.2f serial exchanges per sector\n", exchanges() / 256.0);

    const Bytes data = patternBytes(256 * 512, 3);
    std::copy(data.begin(), data.end(), buffer.data());
    restartLogs();
    ASSERT_TRUE(NMMC_WriteSectors(7000, 0, buffer.data()));
    EXPECT_EQ(cardBytes(mmc, 7000, 256), data);
    // Per block: token 1, data 512, CRC 2, data response 1, busy wait 2. Per call: command frame
    // and R1 9, stop token 1, 515 idle bytes, busy wait 1 and 16 idle bytes.
    EXPECT_EQ(exchanges(), 256u * 518 + 9 + 533);
    std::printf("256-sector write: %.2f serial exchanges per sector\n", exchanges() / 256.0);
    EXPECT_TRUE(buffer.guardsIntact());
}

TEST_F(MmcTest, DataResponseIsJudgedByItsLowFourBits) {
    start();
    mmc.timing.dataAccepted = 0xE5;
    GuardedBuffer buffer(2, 0);
    EXPECT_TRUE(NMMC_WriteSectors(8, 2, buffer.data()));
}

TEST_F(MmcTest, GoIdleStateAnswered0x00FailsStartUp) {
    mmc.faults.goIdleReply = 0x00;
    EXPECT_FALSE(NMMC_StartUp());
    EXPECT_EQ(mmc.commands(), (std::vector<sim::MmcCard::Command>{{GO_IDLE_STATE, 0}}));
    expectClosed("start-up");
    EXPECT_EQ(spi_freq, 3);
}

TEST_F(MmcTest, ConfigurationReadBackOtherThan0x31FailsBeforeAnyMmcCommand) {
    cartridge.faults.configReadsAs = 0x30;
    EXPECT_FALSE(NMMC_StartUp());
    EXPECT_TRUE(mmc.commands().empty());
    EXPECT_EQ(dsSlot.events().size(), 7u);  // the adapter's transactions only, no card command
    for (const Event& event : dsSlot.events()) EXPECT_EQ(event.kind, Event::Kind::Serial);
}

TEST_F(MmcTest, EmptySlotOrMissingMmcFailsEveryCall) {
    GuardedBuffer buffer(1, 0);
    cartridge.pullMmc();
    EXPECT_FALSE(NMMC_StartUp());  // configuration works, the MMC does not answer
    EXPECT_EQ(dsSlot.events().size(), 7u + 2 + 1 + 2);
    dsSlot.pull();
    EXPECT_FALSE(NMMC_StartUp());
    EXPECT_FALSE(NMMC_IsInserted());
    EXPECT_FALSE(NMMC_ReadSectors(0, 1, buffer.data()));
    EXPECT_FALSE(NMMC_WriteSectors(0, 1, buffer.data()));
    EXPECT_FALSE(NMMC_ClearStatus());
    EXPECT_FALSE(NMMC_Shutdown());
    EXPECT_TRUE(buffer.guardsIntact());
}

TEST_F(MmcTest, CardPulledAfterStartUpIsNoLongerInserted) {
    start();
    EXPECT_TRUE(NMMC_IsInserted());
    cartridge.pullMmc();
    EXPECT_FALSE(NMMC_IsInserted());
    cartridge.insertMmc(mmc);
    EXPECT_TRUE(NMMC_IsInserted());
}

TEST_F(MmcTest, MissingReplyOrTokenEndsAReadAfter256Bytes) {
    start();
    GuardedBuffer buffer(2, 0);
    mmc.faults.noDataToken = true;
    EXPECT_FALSE(NMMC_ReadSectors(10, 2, buffer.data()));
    EXPECT_EQ(exchanges(), 8u + 1 + 256);  // frame, R1, then 256 bytes without a token
    EXPECT_EQ(newCommands().size(), 1u);
    EXPECT_FALSE(NMMC_IsInserted());
    mmc.faults = {};
    mmc.faults.noReply = true;
    restartLogs();
    EXPECT_FALSE(NMMC_ReadSectors(10, 2, buffer.data()));
    EXPECT_EQ(exchanges(), 8u + 256);
    EXPECT_FALSE(NMMC_WriteSectors(10, 2, buffer.data()));
    EXPECT_TRUE(buffer.guardsIntact());
}

TEST_F(MmcTest, RejectedBlockEndsTheWriteWithoutAStopTokenAndAResetRecovers) {
    start();
    const Bytes data = patternBytes(3 * 512, 11);
    GuardedBuffer buffer(3, 0);
    std::copy(data.begin(), data.end(), buffer.data());
    mmc.faults.rejectBlock = 1;
    EXPECT_FALSE(NMMC_WriteSectors(200, 3, buffer.data()));
    EXPECT_EQ(cardBytes(mmc, 200, 1), Bytes(data.begin(), data.begin() + 512));
    EXPECT_EQ(mmc.sector(201)[0], sim::SectorStore::freshByte(201, 0));
    // The second block's data response ends the transaction: no stop token follows.
    EXPECT_EQ(serialEvents().at(0).sent.size(), 9u + 2 * (1 + 512 + 2 + 1) + 2);
    EXPECT_TRUE(mmc.writing());

    mmc.faults = {};
    EXPECT_TRUE(NMMC_ClearStatus());
    EXPECT_FALSE(mmc.writing());
    ASSERT_TRUE(NMMC_WriteSectors(200, 3, buffer.data()));
    EXPECT_EQ(cardBytes(mmc, 200, 3), data);
}

TEST_F(MmcTest, EndlessBusyTimeEndsTheWriteAfterABoundedWait) {
    start();
    GuardedBuffer buffer(2, 0);
    mmc.faults.endlessBusy = true;
    EXPECT_FALSE(NMMC_WriteSectors(0, 2, buffer.data()));
    const sim::u64 perBlock = 1 + 512 + 2 + 1;
    EXPECT_GE(exchanges(), 9 + perBlock + (1u << 20));
    EXPECT_LT(exchanges(), 9 + perBlock + (1u << 20) + 16);
    expectClosed("write with endless busy time");
}

TEST_F(MmcTest, EndlessBusyTimeAfterTheStopTokenFailsTheWrite) {
    start();
    GuardedBuffer buffer(1, 0);
    mmc.faults.endlessStopBusy = true;
    EXPECT_FALSE(NMMC_WriteSectors(0, 1, buffer.data()));
    expectClosed("write with endless stop busy time");
}

TEST_F(MmcTest, TransfersPast4GiBFailBeforeTouchingTheSlot) {
    start();
    GuardedBuffer buffer(256, 0);
    ASSERT_TRUE(NMMC_ReadSectors(LAST_BYTE_ADDRESSABLE_SECTOR, 1, buffer.data()));
    EXPECT_EQ(newCommands().back(), (sim::MmcCard::Command{READ_SINGLE_BLOCK, 0xFFFFFE00}));
    ASSERT_TRUE(NMMC_WriteSectors(LAST_BYTE_ADDRESSABLE_SECTOR - 255, 0, buffer.data()));
    restartLogs();
    EXPECT_FALSE(NMMC_ReadSectors(LAST_BYTE_ADDRESSABLE_SECTOR, 2, buffer.data()));
    EXPECT_FALSE(NMMC_WriteSectors(LAST_BYTE_ADDRESSABLE_SECTOR - 254, 0, buffer.data()));
    EXPECT_FALSE(NMMC_ReadSectors(0xFFFFFFFF, 1, buffer.data()));
    EXPECT_FALSE(NMMC_WriteSectors(0x800000, 1, buffer.data()));
    EXPECT_EQ(bus.accessCount(), 0u);
    EXPECT_EQ(mmc.sector(0)[0], sim::SectorStore::freshByte(0, 0));  // nothing wrapped round
}

// Every entry point, on a working card and on each broken one, returns with the MMC disconnected
// and serial mode closed.
TEST_F(MmcTest, EveryEntryPointLeavesTheMmcDisconnectedAndSerialModeClosed) {
    GuardedBuffer buffer(2, 0);
    const Calls calls = entryPoints(buffer);
    const std::vector<std::pair<const char*, std::function<void()>>> cards = {
        {"working", [] {}},
        {"no reply", [&] { mmc.faults.noReply = true; }},
        {"no data token", [&] { mmc.faults.noDataToken = true; }},
        {"never ready", [&] { mmc.faults.neverReady = true; }},
        {"rejects blocks", [&] { mmc.faults.rejectBlock = 0; }},
        {"answers 0x00 to reset", [&] { mmc.faults.goIdleReply = 0x00; }},
        {"wrong configuration", [&] { cartridge.faults.configReadsAs = 0x00; }},
        {"MMC pulled out", [&] { cartridge.pullMmc(); }},
    };
    for (const auto& [kind, breakCard] : cards) {
        breakCard();
        for (const auto& [name, call] : calls) {
            const bool working = std::string(kind) == "working";
            EXPECT_TRUE(call() || !working) << name << " on a working card";
            expectClosed(name + " on a card that is " + kind);
        }
        mmc.faults = {};
        cartridge.faults = {};
        cartridge.insertMmc(mmc);
        ASSERT_TRUE(NMMC_ClearStatus());
    }
}

// A slot whose serial busy bit stays set has stopped working: the byte that never finishes costs
// one bounded wait, no further byte is exchanged and none is read, and the call fails with serial
// mode closed. Start-up's three configuration transactions each try once.
TEST_F(MmcTest, SerialBusyBitHeldForeverFailsEachCallAfterOneBoundedWait) {
    start();
    GuardedBuffer buffer(2, 0);
    dsSlot.faults.spiBusyStuck = true;
    for (const auto& [name, call] : entryPoints(buffer)) {
        restartLogs();
        EXPECT_FALSE(call()) << name;
        const sim::u64 waits = name == "StartUp" ? 3 : 1;
        EXPECT_EQ(bus.readsOf(DS_SLOT_SPI_CTRL), waits * SLOT_BUSY_READS) << name;
        EXPECT_EQ(exchanges(), waits) << name;
        EXPECT_EQ(bus.readsOf(DS_SLOT_SPI_DATA), 0u) << name;
        expectClosed(name);
        bus.takeViolations();  // what a driver writes to a broken slot
    }
    EXPECT_TRUE(buffer.guardsIntact());

    // Stuck among the idle bytes after a write's stop token, every block sent: still a failure.
    dsSlot.faults = {};
    restartLogs();
    const sim::u64 throughStopToken = 9 + 518 + 1;  // command and R1, one block, the stop token
    dsSlot.faults.spiBusyStuckAfterBytes = throughStopToken + 100;
    EXPECT_FALSE(NMMC_WriteSectors(3, 1, buffer.data()));
    EXPECT_EQ(exchanges(), throughStopToken + 100);
    expectClosed("write stuck after its stop token");
    bus.takeViolations();

    dsSlot.faults = {};
    EXPECT_TRUE(NMMC_StartUp());  // the slot works again, and so does the driver
}

// Likewise for the card bus control's busy bit: each of the two selects before an MMC conversation
// and the two deselects after it waits its bound, the conversation exchanges nothing, and the
// deselect commands are still sent. Start-up's configuration needs no card bus command.
TEST_F(MmcTest, CardBusBusyBitHeldForeverFailsEachCallAfterBoundedWaits) {
    start();
    GuardedBuffer buffer(2, 0);
    dsSlot.faults.busBusyStuck = true;
    for (const auto& [name, call] : entryPoints(buffer)) {
        restartLogs();
        EXPECT_FALSE(call()) << name;
        EXPECT_EQ(bus.readsOf(DS_SLOT_BUS_CTRL), 4 * SLOT_BUSY_READS) << name;
        EXPECT_EQ(exchanges(), name == "StartUp" ? 11u : 0u) << name;
        EXPECT_TRUE(newCommands().empty()) << name;
        expectClosed(name);
        bus.takeViolations();
    }
    dsSlot.faults = {};
    EXPECT_TRUE(NMMC_IsInserted());
}

TEST_F(MmcTest, SelectorChoosesTheDsCardFirstAndStartsNoGbaDriver) {
    insert(Kind::Mpcf);  // a working CompactFlash adapter waits in the GBA slot too
    bus.setExmemCtrl(sim::Bus::EXMEM_CTRL_AT_START);
    ASSERT_TRUE(disc_Init());
    EXPECT_EQ(disc_HostType(), NMMC_Interface.ul_ioType);
    for (const sim::Access& access : bus.log())
        EXPECT_FALSE(access.address >= mmio::GBA_ROM_FIRST && access.address <= 0x0AFFFFFF)
            << describe(access);
    EXPECT_EQ(bus.exmemCtrl(),
              sim::Bus::EXMEM_CTRL_AT_START & ~mmio::EXMEM_DS_SLOT_ARM7);  // GBA slot left alone

    const Bytes data = patternBytes(512, 5);
    GuardedBuffer buffer(1, 0);
    std::copy(data.begin(), data.end(), buffer.data());
    ASSERT_TRUE(disc_WriteSectors(9, 1, buffer.data()));
    std::fill_n(buffer.data(), 512, 0);
    ASSERT_TRUE(disc_ReadSectors(9, 1, buffer.data()));
    EXPECT_EQ(buffer.bytes(0, 512), data);
    EXPECT_TRUE(disc_IsInserted());
    EXPECT_TRUE(disc_Shutdown());
    expectClosed("disc_Shutdown");
}

TEST_F(MmcTest, CardCommandLoaderFillsTheCommandRegistersInOrder) {
    const sim::u8 command[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    cardWriteCommand(command);
    ASSERT_EQ(bus.log().size(), 8u);
    for (sim::u32 i = 0; i < 8; ++i)
        EXPECT_EQ(bus.log()[i], (sim::Access{DS_SLOT_COMMAND + i, 1, true, i + 1u}));
}

// The simulated slot and card are only as strict as these checks.
class DsSlotModelTest : public MmcTest {
  protected:
    void open() { bus.write(DS_SLOT_SPI_CTRL, 2, SERIAL_OPEN); }
    void close() { bus.write(DS_SLOT_SPI_CTRL, 2, 0); }
    sim::u8 exchange(sim::u8 out) {
        bus.write(DS_SLOT_SPI_DATA, 1, out);
        while (bus.read(DS_SLOT_SPI_CTRL, 2) & SPI_CTRL_BUSY) {
        }
        return static_cast<sim::u8>(bus.read(DS_SLOT_SPI_DATA, 1));
    }
    // Sends a command frame and returns the reply bytes that follow it.
    Bytes command(const Bytes& frameBytes, std::size_t replyBytes) {
        for (sim::u8 byte : frameBytes) exchange(byte);
        Bytes reply;
        for (std::size_t i = 0; i < replyBytes; ++i) reply.push_back(exchange(0xFF));
        return reply;
    }
    void connectMmc() {
        Neo_EnableMMC(true);
        bus.clearLog();
    }
};

TEST_F(DsSlotModelTest, NativeModeTakesOnlyGoIdleStateWithItsCrc) {
    connectMmc();
    Bytes badCrc = frame(GO_IDLE_STATE, 0);
    badCrc[6] = 0x94;
    EXPECT_EQ(command(frame(READ_SINGLE_BLOCK, 0), 4), idle(4));
    EXPECT_EQ(command(badCrc, 4), idle(4));
    EXPECT_FALSE(mmc.inSpiMode());
    EXPECT_EQ(command(frame(GO_IDLE_STATE, 0), 2), (Bytes{0x01, 0xFF}));
    EXPECT_TRUE(mmc.inSpiMode());
    EXPECT_EQ(command(frame(READ_SINGLE_BLOCK, 0), 1), (Bytes{0x05}));  // illegal while idle
}

TEST_F(DsSlotModelTest, BlockCommandsTakeWholeBlocksInsideTheCard) {
    ASSERT_TRUE(NMMC_ClearStatus());
    connectMmc();
    EXPECT_EQ(command(frame(READ_SINGLE_BLOCK, 1), 1), (Bytes{0x20}));
    EXPECT_EQ(command(frame(WRITE_MULTIPLE_BLOCK, 0xFFFFFE00), 1), (Bytes{0x00}));
    exchange(0xFD);
    sim::MmcCard small(16);
    cartridge.insertMmc(small);
    EXPECT_EQ(command(frame(GO_IDLE_STATE, 0), 1), (Bytes{0x01}));
    EXPECT_EQ(command(frame(SEND_OP_COND, 0), 1), (Bytes{0x01}));
    EXPECT_EQ(command(frame(SEND_OP_COND, 0), 1), (Bytes{0x00}));
    EXPECT_EQ(command(frame(READ_SINGLE_BLOCK, 16 * 512), 1), (Bytes{0x40}));
    EXPECT_EQ(command(frame(SET_BLOCKLEN, 1024), 1), (Bytes{0x40}));
    Neo_EnableMMC(false);
}

TEST_F(DsSlotModelTest, RegistersInsistOnTheirWidthsAndOnSerialMode) {
    bus.write(DS_SLOT_SPI_DATA, 1, 0xFF);  // serial mode closed
    open();
    bus.write(DS_SLOT_BUS_CTRL, 4, BUS_CTRL_SEND_COMMAND);  // a card command in serial mode
    bus.write(DS_SLOT_SPI_DATA, 1, 0xFF);
    bus.read(DS_SLOT_SPI_DATA, 1);  // the byte is still shifting
    bus.read(DS_SLOT_SPI_CTRL, 2);
    bus.write(DS_SLOT_SPI_DATA, 2, 0xFF);
    bus.read(DS_SLOT_BUS_CTRL, 2);
    bus.write(DS_SLOT_COMMAND, 4, 0);
    close();
    bus.write(DS_SLOT_BUS_CTRL, 4, 0xA1000000);  // a transfer with a data block
    EXPECT_EQ(bus.takeViolations().size(), 7u);
}

TEST_F(DsSlotModelTest, SerialBytesReachTheAdapterUntilTheMmcIsConnected) {
    open();
    exchange(0x06);
    close();
    open();
    exchange(0xFA);
    exchange(0x01);
    exchange(0x5A);
    close();
    EXPECT_EQ(cartridge.config(), 0x5A);
    EXPECT_TRUE(mmc.commands().empty());
    connectMmc();
    command(frame(GO_IDLE_STATE, 0), 2);
    EXPECT_EQ(mmc.commands().size(), 1u);
    Neo_EnableMMC(false);
    open();
    EXPECT_EQ(command({0xF8, 0x01}, 1), (Bytes{0x5A}));
    close();
}

}  // namespace
}  // namespace slot_test
