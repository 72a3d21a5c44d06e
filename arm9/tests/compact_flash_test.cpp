// The CompactFlash drivers against a simulated card behind each adapter kind.
#include <algorithm>
#include <set>

#include "slot_fixture.h"

namespace slot_test {
namespace {

LPIO_INTERFACE recordFor(Kind kind) {
    switch (kind) {
        case Kind::M3:
            return M3CF_GetInterface();
        case Kind::Mpcf:
            return MPCF_GetInterface();
        case Kind::Sccf:
            return SCCF_GetInterface();
    }
    return nullptr;
}

std::vector<sim::u8> patternBytes(std::size_t count, unsigned seed) {
    std::vector<sim::u8> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<sim::u8>(i * 13 + seed + (i >> 9));
    return bytes;
}

// A driver started on its own adapter, with the log cleared after start-up.
class CompactFlashTest : public SlotTest {
  protected:
    void start(Kind kind) {
        bus.setExmemCtrl(0);  // the selector gives the GBA slot to the ARM9 before any driver runs
        insert(kind);
        driver = recordFor(kind);
        ASSERT_TRUE(driver->fn_StartUp());
        bus.clearLog();
    }
    bool read(sim::u32 sector, sim::u8 numSecs, void* buffer) {
        return driver->fn_ReadSectors(sector, numSecs, buffer);
    }
    bool write(sim::u32 sector, sim::u8 numSecs, void* buffer) {
        return driver->fn_WriteSectors(sector, numSecs, buffer);
    }
    std::vector<sim::Access> writesLogged() const {
        std::vector<sim::Access> writes;
        std::copy_if(bus.log().begin(), bus.log().end(), std::back_inserter(writes),
                     [](const sim::Access& access) { return access.write; });
        return writes;
    }

    LPIO_INTERFACE driver = nullptr;
};

class EveryAdapter : public CompactFlashTest, public ::testing::WithParamInterface<Kind> {
  protected:
    void SetUp() override { start(GetParam()); }
};

std::string kindName(const ::testing::TestParamInfo<Kind>& kind) {
    return kind.param == Kind::M3 ? "M3CF" : kind.param == Kind::Mpcf ? "MPCF" : "SCCF";
}

INSTANTIATE_TEST_SUITE_P(Kinds, EveryAdapter, ::testing::Values(Kind::M3, Kind::Mpcf, Kind::Sccf),
                         kindName);

TEST_P(EveryAdapter, StartUpLeavesTheAdapterShowingAnInsertedCard) {
    EXPECT_TRUE(adapter->inRegisterMode());
    EXPECT_TRUE(driver->fn_IsInserted());
    EXPECT_TRUE(driver->fn_ClearStatus());
    EXPECT_TRUE(driver->fn_Shutdown());
}

TEST_P(EveryAdapter, EvenAndOddBuffersReceiveTheSameBytesAndNothingAround) {
    GuardedBuffer even(3, 0), odd(3, 1);
    ASSERT_TRUE(read(1000, 3, even.data()));
    ASSERT_TRUE(read(1000, 3, odd.data()));
    const std::vector<sim::u8> expected = cardBytes(card, 1000, 3);
    EXPECT_EQ(even.bytes(0, 3 * 512), expected);
    EXPECT_EQ(odd.bytes(0, 3 * 512), expected);
    EXPECT_TRUE(even.guardsIntact());
    EXPECT_TRUE(odd.guardsIntact());
}

TEST_P(EveryAdapter, WrittenSectorsReadBackByteForByte) {
    const std::vector<sim::u8> data = patternBytes(4 * 512, 5);
    GuardedBuffer odd(4, 1), even(4, 0);
    std::copy(data.begin(), data.end(), odd.data());
    ASSERT_TRUE(write(77, 4, odd.data()));
    EXPECT_EQ(cardBytes(card, 77, 4), data);
    EXPECT_EQ(card.sector(76)[0], AtaCard::freshByte(76, 0));
    EXPECT_EQ(card.sector(81)[511], AtaCard::freshByte(81, 511));

    ASSERT_TRUE(read(77, 4, even.data()));
    EXPECT_EQ(even.bytes(0, 4 * 512), data);
    EXPECT_TRUE(odd.guardsIntact());
    EXPECT_TRUE(even.guardsIntact());
}

TEST_P(EveryAdapter, SectorCountZeroMoves256Sectors) {
    const sim::u32 count = registerAddress(Register::SectorCount);
    GuardedBuffer buffer(256, 0);
    ASSERT_TRUE(read(5000, 0, buffer.data()));
    EXPECT_EQ(bus.writesOf(count), 1u);
    EXPECT_EQ(writesLogged().front(), (sim::Access{count, 2, true, 0}));
    EXPECT_EQ(card.commands().back().count, 256u);
    EXPECT_EQ(buffer.bytes(0, 256 * 512), cardBytes(card, 5000, 256));
    EXPECT_TRUE(buffer.guardsIntact());

    const std::vector<sim::u8> data = patternBytes(256 * 512, 9);
    std::copy(data.begin(), data.end(), buffer.data());
    ASSERT_TRUE(write(7000, 0, buffer.data()));
    EXPECT_EQ(cardBytes(card, 7000, 256), data);
}

TEST_P(EveryAdapter, HighestLba28SectorProgramsEveryAddressBit) {
    GuardedBuffer buffer(1, 0);
    ASSERT_TRUE(read(0x0FFFFFFF, 1, buffer.data()));
    const std::vector<sim::Access> expected = {
        {registerAddress(Register::SectorCount), 2, true, 0x01},
        {registerAddress(Register::LbaLow), 2, true, 0xFF},
        {registerAddress(Register::LbaMid), 2, true, 0xFF},
        {registerAddress(Register::LbaHigh), 2, true, 0xFF},
        {registerAddress(Register::DriveHead), 2, true, 0xEF},
        {registerAddress(Register::CommandStatus), 2, true, 0x20},
    };
    EXPECT_EQ(writesLogged(), expected);
    EXPECT_EQ(buffer.bytes(0, 512), cardBytes(card, 0x0FFFFFFF, 1));
}

TEST_P(EveryAdapter, TransfersPastTheLba28RangeAreRefusedWithoutTouchingTheCard) {
    struct Transfer {
        sim::u32 sector;
        sim::u8 numSecs;
    };
    for (const Transfer transfer :
         {Transfer{0x0FFFFFFF, 2}, Transfer{0x10000000, 1}, Transfer{0xFFFFFFFF, 1},
          Transfer{0x0FFFFF01, 0}, Transfer{0x1FFFFFFF, 1}}) {
        GuardedBuffer buffer(256, 0);
        EXPECT_FALSE(read(transfer.sector, transfer.numSecs, buffer.data())) << transfer.sector;
        EXPECT_FALSE(write(transfer.sector, transfer.numSecs, buffer.data())) << transfer.sector;
        EXPECT_EQ(bus.accessCount(), 0u) << transfer.sector;
        EXPECT_EQ(buffer.bytes(0, 1), std::vector<sim::u8>{GuardedBuffer::FILL});
    }
    GuardedBuffer buffer(256, 0);
    EXPECT_TRUE(read(0x0FFFFF00, 0, buffer.data()));  // ends exactly on the last sector
}

TEST_P(EveryAdapter, AlwaysReadyCardCostsOneStatusReadPerSector) {
    const std::set<sim::u32> ownRegisters = {
        registerAddress(Register::Data),          registerAddress(Register::SectorCount),
        registerAddress(Register::LbaLow),        registerAddress(Register::LbaMid),
        registerAddress(Register::LbaHigh),       registerAddress(Register::DriveHead),
        registerAddress(Register::CommandStatus), registerAddress(Register::AltStatus)};
    GuardedBuffer buffer(256, 0);
    // busy and ready wait, six task-file writes, then per sector one status read and 256 words
    ASSERT_TRUE(read(0, 0, buffer.data()));
    EXPECT_EQ(bus.accessCount(), 2u + 6u + 256u * 257u);
    for (const sim::Access& access : bus.log())
        ASSERT_TRUE(ownRegisters.count(access.address)) << describe(access);

    bus.clearLog();
    ASSERT_TRUE(write(0, 0, buffer.data()));
    EXPECT_EQ(bus.accessCount(), 2u + 6u + 256u * 257u);
    for (const sim::Access& access : bus.log())
        ASSERT_TRUE(ownRegisters.count(access.address)) << describe(access);
}

TEST_P(EveryAdapter, StartUpFailsWhenTheScratchRegisterUpperByteReadsNonZero) {
    adapter->setStuckBits(Register::LbaLow, 0x0100);
    EXPECT_FALSE(driver->fn_StartUp());
}

TEST_P(EveryAdapter, PulledCardIsNotInsertedAndDoesNotStart) {
    adapter->pullCard();
    EXPECT_FALSE(driver->fn_IsInserted());
    EXPECT_FALSE(driver->fn_StartUp());
}

// The waits below run into CF_TIMEOUT; once, on the MPCF driver, is enough for the shared engine.

TEST_F(CompactFlashTest, ErrorDuringTransferFailsOnlyAfterTheTimeout) {
    start(Kind::Mpcf);
    card.faults.errorAtSector = 1;
    GuardedBuffer buffer(3, 0);
    EXPECT_FALSE(MPCF_ReadSectors(40, 3, buffer.data()));
    EXPECT_EQ(buffer.bytes(0, 512), cardBytes(card, 40, 1));
    EXPECT_EQ(buffer.bytes(512, 1), std::vector<sim::u8>{GuardedBuffer::FILL});
    // ready wait, the first sector's data wait, then a data wait that polls to the end
    EXPECT_EQ(bus.readsOf(registerAddress(Register::AltStatus)), 2u + CF_TIMEOUT);
    EXPECT_TRUE(buffer.guardsIntact());
}

TEST_F(CompactFlashTest, StatusStuckBusyDoesNotFailTheBusyWait) {
    start(Kind::Mpcf);
    adapter->setStuckBits(Register::CommandStatus, 0x80);
    EXPECT_TRUE(MPCF_ClearStatus());
    EXPECT_EQ(bus.readsOf(registerAddress(Register::CommandStatus)), CF_TIMEOUT);
    EXPECT_EQ(bus.readsOf(registerAddress(Register::AltStatus)), 1u);
}

TEST_F(CompactFlashTest, CardThatStaysBusyFailsTheReadyWait) {
    start(Kind::Mpcf);
    card.faults.stuckBusy = true;
    EXPECT_FALSE(MPCF_ClearStatus());
    EXPECT_EQ(bus.readsOf(registerAddress(Register::CommandStatus)), CF_TIMEOUT);
    EXPECT_EQ(bus.readsOf(registerAddress(Register::AltStatus)), CF_TIMEOUT);
}

TEST_F(CompactFlashTest, CardNeverReadyGetsNoCommand) {
    start(Kind::Mpcf);
    card.faults.neverReady = true;
    GuardedBuffer buffer(1, 0);
    EXPECT_FALSE(MPCF_WriteSectors(3, 1, buffer.data()));
    EXPECT_TRUE(card.commands().empty());
}

TEST_F(CompactFlashTest, CardThatNeverRequestsDataFailsTheTransfer) {
    start(Kind::Mpcf);
    card.faults.neverRequestsData = true;
    GuardedBuffer buffer(2, 1);
    EXPECT_FALSE(MPCF_ReadSectors(3, 2, buffer.data()));
    EXPECT_EQ(card.commands().size(), 1u);
    EXPECT_EQ(buffer.bytes(0, 1), std::vector<sim::u8>{GuardedBuffer::FILL});
}

TEST_F(CompactFlashTest, DataWaitSucceedsOnItsLastPollAndFailsOneLater) {
    start(Kind::Mpcf);
    GuardedBuffer buffer(1, 0);
    card.faults.busyReadsPerSector = CF_TIMEOUT - 1;
    EXPECT_TRUE(MPCF_ReadSectors(8, 1, buffer.data()));
    card.faults.busyReadsPerSector = CF_TIMEOUT;
    EXPECT_FALSE(MPCF_ReadSectors(8, 1, buffer.data()));
}

TEST_F(CompactFlashTest, WriteReturnsWhileTheCardIsBusyAndTheNextCommandWaits) {
    start(Kind::Mpcf);
    card.faults.busyReadsPerSector = 1000;
    GuardedBuffer buffer(2, 0);
    std::fill_n(buffer.data(), 1024, 0x5A);
    ASSERT_TRUE(MPCF_WriteSectors(12, 2, buffer.data()));
    ASSERT_TRUE(MPCF_ReadSectors(12, 2, buffer.data()));
    EXPECT_EQ(buffer.bytes(0, 1024), std::vector<sim::u8>(1024, 0x5A));
}

TEST_F(CompactFlashTest, PulledCardFailsATransferWithoutHanging) {
    start(Kind::Mpcf);
    adapter->pullCard();
    GuardedBuffer buffer(1, 0);
    EXPECT_FALSE(MPCF_ReadSectors(0, 1, buffer.data()));
    EXPECT_TRUE(buffer.guardsIntact());
}

// SCCF is the MPCF engine behind an unlock: after start-up the two must be indistinguishable.
TEST_F(CompactFlashTest, SccfAndMpcfBehaveAlikeAfterStartUp) {
    struct Run {
        std::vector<bool> results;
        std::vector<sim::Access> log;
        std::vector<sim::u8> readBack;
    };
    bus.setExmemCtrl(0);
    auto runOn = [this](Kind kind, AtaCard& target) {
        adapter.emplace(bus, kind, target);
        driver = recordFor(kind);
        EXPECT_TRUE(driver->fn_StartUp());
        bus.clearLog();
        GuardedBuffer odd(2, 1), even(4, 0);
        const std::vector<sim::u8> data = patternBytes(2 * 512, 3);
        std::copy(data.begin(), data.end(), odd.data());
        Run run;
        run.results = {driver->fn_IsInserted(),          write(10, 2, odd.data()),
                       read(9, 4, even.data()),          driver->fn_ClearStatus(),
                       read(0x0FFFFFFF, 2, even.data()), driver->fn_Shutdown()};
        run.log = bus.log();
        run.readBack = even.bytes(0, 4 * 512);
        return run;
    };
    AtaCard mpcfCard;
    const Run sccf = runOn(Kind::Sccf, card);
    const Run mpcf = runOn(Kind::Mpcf, mpcfCard);
    EXPECT_EQ(sccf.results, (std::vector<bool>{true, true, true, true, false, true}));
    EXPECT_EQ(sccf.results, mpcf.results);
    EXPECT_EQ(sccf.log, mpcf.log);
    EXPECT_EQ(sccf.readBack, mpcf.readBack);
}

}  // namespace
}  // namespace slot_test
