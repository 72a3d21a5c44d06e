// The simulated hardware is only as strict as these checks: adapters switch on the exact
// sequences alone, a slot owned by the ARM7 hides its cartridge, and bad accesses are caught.
#include "slot_fixture.h"

namespace slot_test {
namespace {

constexpr sim::u32 M3_UNLOCK_READS[] = {
    0x08000000, 0x08E00002, 0x0800000E, 0x08801FFC, 0x0800104A,
    0x08800612, 0x08000000, 0x08801B66, 0x08800006, 0x08000000,
};

class HostModelTest : public SlotTest {
  protected:
    void SetUp() override { bus.setExmemCtrl(0); }
};

TEST_F(HostModelTest, M3AdapterSwitchesOnlyOnTheUninterruptedReadSequence) {
    insert(Kind::M3);
    for (std::size_t i = 0; i < std::size(M3_UNLOCK_READS); ++i) {
        bus.read(M3_UNLOCK_READS[i], 2);
        if (i == 4) bus.read(0x08000002, 2);  // a stray read starts the sequence over
    }
    EXPECT_FALSE(adapter->inRegisterMode());
    for (sim::u32 address : M3_UNLOCK_READS) bus.read(address, 2);
    EXPECT_TRUE(adapter->inRegisterMode());
}

TEST_F(HostModelTest, SccfAdapterSwitchesOnlyOnTheFourModeWrites) {
    insert(Kind::Sccf);
    for (sim::u32 value : {0xA55Au, 0xA55Au, 0x0003u}) bus.write(0x09FFFFFE, 2, value);
    bus.read(0x09060000, 2);
    bus.write(0x09FFFFFE, 2, 0x0003);
    EXPECT_FALSE(adapter->inRegisterMode());
    EXPECT_FALSE(MPCF_StartUp());
    EXPECT_TRUE(SCCF_StartUp());
    EXPECT_TRUE(adapter->inRegisterMode());
}

TEST_F(HostModelTest, GbaSlotOwnedByTheArm7HidesTheAdapter) {
    insert(Kind::Mpcf);
    bus.setExmemCtrl(sim::Bus::EXMEM_CTRL_AT_START);
    EXPECT_FALSE(MPCF_StartUp());
    bus.setExmemCtrl(0);
    EXPECT_TRUE(MPCF_StartUp());
}

TEST_F(HostModelTest, WrongWidthsAndUnmappedAddressesAreViolations) {
    insert(Kind::Mpcf);
    bus.read(0x09060000, 1);
    bus.write(0x098C0000, 4, 0x50);
    bus.read(mmio::EXMEM_CTRL, 4);
    bus.write(0x04000300, 2, 0);
    bus.read(0x09060001, 2);
    EXPECT_EQ(bus.takeViolations().size(), 5u);
}

TEST_F(HostModelTest, DataPortUsedWithoutADataRequestIsAViolation) {
    insert(Kind::Mpcf);
    bus.read(0x09000000, 2);
    EXPECT_EQ(bus.takeViolations().size(), 1u);
}

}  // namespace
}  // namespace slot_test
