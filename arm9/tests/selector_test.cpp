// The slot selector: probe order, the chosen driver, and the forwarders.
#include <algorithm>
#include <cstring>
#include <iterator>

#include "slot_fixture.h"

extern "C" int c_caller_reads_first_sector(void* buffer);

namespace slot_test {
namespace {

constexpr sim::u32 TYPE_NMMC = 0x434D4D4E;
constexpr sim::u32 TYPE_M3CF = 0x4643334D;
constexpr sim::u32 TYPE_MPCF = 0x4643504D;
constexpr sim::u32 TYPE_SCCF = 0x46434353;
constexpr sim::u32 TYPE_FCSR = 0x52534346;

constexpr sim::u32 M3_FIRST_UNLOCK_READ = 0x08000000;
constexpr sim::u32 MPCF_LBA_LOW = 0x09060000;
constexpr sim::u32 SCCF_MODE_REGISTER = 0x09FFFFFE;

class SelectorTest : public SlotTest {
  protected:
    // Position in the log of the first access to an address, or -1.
    long firstAccessTo(sim::u32 address) const {
        for (std::size_t i = 0; i < bus.log().size(); ++i) {
            if (bus.log()[i].address == address) return static_cast<long>(i);
        }
        return -1;
    }
};

TEST(DriverRecords, CarryTheirTypeFeaturesAndEntryPoints) {
    struct Expected {
        LPIO_INTERFACE record;
        const char* type;
        sim::u32 typeValue;
        sim::u32 features;
    };
    for (const Expected& e : {Expected{NMMC_GetInterface(), "NMMC", TYPE_NMMC, 0x03},
                              Expected{M3CF_GetInterface(), "M3CF", TYPE_M3CF, 0x13},
                              Expected{MPCF_GetInterface(), "MPCF", TYPE_MPCF, 0x13},
                              Expected{SCCF_GetInterface(), "SCCF", TYPE_SCCF, 0x13},
                              Expected{FCSR_GetInterface(), "FCSR", TYPE_FCSR, 0x13}}) {
        EXPECT_EQ(e.record->ul_ioType, e.typeValue) << e.type;
        EXPECT_EQ(std::memcmp(&e.record->ul_ioType, e.type, 4), 0)
            << e.type;  // spelled in memory order
        EXPECT_EQ(e.record->ul_Features, e.features) << e.type;
    }
    const IO_INTERFACE& mpcf = *MPCF_GetInterface();
    EXPECT_EQ(mpcf.fn_StartUp, &MPCF_StartUp);
    EXPECT_EQ(mpcf.fn_Shutdown, &MPCF_Shutdown);
    const IO_INTERFACE& m3 = *M3CF_GetInterface();
    EXPECT_EQ(m3.fn_ReadSectors, &M3CF_ReadSectors);
    EXPECT_EQ(m3.fn_WriteSectors, &M3CF_WriteSectors);
    const IO_INTERFACE& sccf = *SCCF_GetInterface();
    EXPECT_EQ(sccf.fn_StartUp, &SCCF_StartUp);
    EXPECT_EQ(sccf.fn_IsInserted, &MPCF_IsInserted);
    EXPECT_EQ(sccf.fn_ReadSectors, &MPCF_ReadSectors);
    EXPECT_EQ(sccf.fn_WriteSectors, &MPCF_WriteSectors);
    EXPECT_EQ(sccf.fn_ClearStatus, &MPCF_ClearStatus);
    EXPECT_EQ(sccf.fn_Shutdown, &SCCF_Shutdown);
}

TEST_F(SelectorTest, ForwardersWithoutADriverFailAndTouchNothing) {
    GuardedBuffer buffer(1, 0);
    EXPECT_FALSE(disc_IsInserted());
    EXPECT_FALSE(disc_ReadSectors(0, 1, buffer.data()));
    EXPECT_FALSE(disc_WriteSectors(0, 1, buffer.data()));
    EXPECT_FALSE(disc_ClearStatus());
    EXPECT_EQ(disc_HostType(), 0u);
    EXPECT_TRUE(disc_Shutdown());
    EXPECT_EQ(bus.accessCount(), 0u);
    EXPECT_TRUE(buffer.guardsIntact());
}

TEST_F(SelectorTest, M3AdapterIsChosenFirstAndNoOtherGbaDriverStarts) {
    insert(Kind::M3);
    EXPECT_TRUE(disc_Init());
    EXPECT_EQ(disc_HostType(), TYPE_M3CF);
    EXPECT_EQ(firstAccessTo(MPCF_LBA_LOW), -1);
    EXPECT_EQ(firstAccessTo(SCCF_MODE_REGISTER), -1);
}

TEST_F(SelectorTest, MpcfAdapterIsChosenAfterTheM3ProbeAndSccfNeverStarts) {
    insert(Kind::Mpcf);
    EXPECT_TRUE(disc_Init());
    EXPECT_EQ(disc_HostType(), TYPE_MPCF);
    EXPECT_GE(firstAccessTo(M3_FIRST_UNLOCK_READ), 0);
    EXPECT_LT(firstAccessTo(M3_FIRST_UNLOCK_READ), firstAccessTo(MPCF_LBA_LOW));
    EXPECT_EQ(firstAccessTo(SCCF_MODE_REGISTER), -1);
}

TEST_F(SelectorTest, SccfAdapterIsChosenAfterTheM3AndMpcfProbes) {
    insert(Kind::Sccf);
    EXPECT_TRUE(disc_Init());
    EXPECT_EQ(disc_HostType(), TYPE_SCCF);
    EXPECT_LT(firstAccessTo(M3_FIRST_UNLOCK_READ), firstAccessTo(MPCF_LBA_LOW));
    EXPECT_LT(firstAccessTo(MPCF_LBA_LOW), firstAccessTo(SCCF_MODE_REGISTER));
}

TEST_F(SelectorTest, SlotsAreGivenToTheArm9DsSlotFirst) {
    insert(Kind::Mpcf);
    ASSERT_TRUE(disc_Init());
    constexpr sim::u32 atStart = sim::Bus::EXMEM_CTRL_AT_START;
    constexpr sim::u32 dsSlotGiven = atStart & ~mmio::EXMEM_DS_SLOT_ARM7;
    constexpr sim::u32 bothGiven =
        dsSlotGiven & ~(mmio::EXMEM_GBA_SLOT_ARM7 | mmio::EXMEM_MAIN_MEMORY_ARM7_PRIORITY);
    const std::vector<sim::Access> exmem = {
        {mmio::EXMEM_CTRL, 2, false, atStart},
        {mmio::EXMEM_CTRL, 2, true, dsSlotGiven},
        {mmio::EXMEM_CTRL, 2, false, dsSlotGiven},
        {mmio::EXMEM_CTRL, 2, true, bothGiven},
    };
    std::vector<sim::Access> exmemLogged;
    std::copy_if(bus.log().begin(), bus.log().end(), std::back_inserter(exmemLogged),
                 [](const sim::Access& access) { return access.address == mmio::EXMEM_CTRL; });
    EXPECT_EQ(exmemLogged, exmem);
}

TEST_F(SelectorTest, InitWithADriverChosenProbesNothing) {
    insert(Kind::Mpcf);
    ASSERT_TRUE(disc_Init());
    bus.clearLog();
    EXPECT_TRUE(disc_Init());
    EXPECT_EQ(disc_HostType(), TYPE_MPCF);
    EXPECT_EQ(bus.accessCount(), 0u);
}

TEST_F(SelectorTest, EmptySlotsLeaveNoDriverButAGbaProbeLeavesTheLastRecord) {
    EXPECT_FALSE(disc_Init());
    EXPECT_EQ(disc_HostType(), 0u);
    EXPECT_FALSE(disc_setGbaSlotInterface());
    EXPECT_EQ(disc_HostType(), TYPE_FCSR);
    EXPECT_FALSE(disc_setDsSlotInterface());
    EXPECT_EQ(disc_HostType(), TYPE_NMMC);
}

TEST_F(SelectorTest, ForwardersReachTheChosenDriverWithCountZeroAs256) {
    insert(Kind::Mpcf);
    ASSERT_TRUE(disc_Init());
    EXPECT_TRUE(disc_IsInserted());
    EXPECT_TRUE(disc_ClearStatus());
    GuardedBuffer buffer(256, 1);
    ASSERT_TRUE(disc_ReadSectors(300, 0, buffer.data()));
    EXPECT_EQ(card.commands().back().count, 256u);
    EXPECT_EQ(buffer.bytes(0, 256 * 512), cardBytes(card, 300, 256));
    std::fill_n(buffer.data(), 512, 0xA7);
    ASSERT_TRUE(disc_WriteSectors(2, 1, buffer.data()));
    sim::SectorData written;
    written.fill(0xA7);
    EXPECT_EQ(card.sector(2), written);
    EXPECT_TRUE(buffer.guardsIntact());
}

TEST_F(SelectorTest, ShutdownForgetsTheDriverEvenWhenItsShutdownFails) {
    insert(Kind::Mpcf);
    ASSERT_TRUE(disc_Init());
    card.faults.neverReady = true;
    bus.clearLog();
    EXPECT_TRUE(disc_Shutdown());
    EXPECT_EQ(bus.readsOf(adapter->address(Register::AltStatus)),
              CF_TIMEOUT);  // its ready wait ran out
    EXPECT_EQ(disc_HostType(), 0u);
    bus.clearLog();
    EXPECT_FALSE(disc_ReadSectors(0, 1, nullptr));
    EXPECT_EQ(bus.accessCount(), 0u);
}

TEST_F(SelectorTest, CallableFromC) {
    insert(Kind::Mpcf);
    GuardedBuffer buffer(1, 0);
    EXPECT_EQ(c_caller_reads_first_sector(buffer.data()), 1);
    EXPECT_EQ(buffer.bytes(0, 512), cardBytes(card, 0, 1));
}

}  // namespace
}  // namespace slot_test
