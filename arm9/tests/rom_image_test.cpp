// The ROM image driver against cartridge ROM and SRAM mapped at their console addresses.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "slot_fixture.h"

namespace slot_test {
namespace {

using Bytes = std::vector<sim::u8>;

constexpr sim::u32 ROM = sim::CART_ROM_FIRST;
constexpr sim::u32 ROM_END = sim::CART_ROM_FIRST + sim::CART_ROM_SIZE;
constexpr sim::u32 SRAM = sim::CART_SRAM_FIRST;
constexpr sim::u32 SECTOR = 512;
constexpr sim::u32 UNUSED = 0xFFFFFFFF;
constexpr std::string_view LABEL{" Qwirtz FAT\0", 12};

struct Range {
    sim::u32 start;
    sim::u32 count;
};
using Ranges = std::array<Range, 4>;

// Counts 2, 0, 3, 0: two writable ranges with an unused one between them.
constexpr Ranges TWO_RANGES = {{{10, 2}, {50, 0}, {20, 3}, {0xFFFFFFF0u, 0}}};

void putWord(Bytes& bytes, std::size_t at, sim::u32 value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<sim::u8>(value >> (8 * i));
}

// The 48 header bytes: magic, label, the four first sectors, the four counts.
Bytes header(const Ranges& ranges, std::string_view label = LABEL) {
    Bytes bytes(0x30, 0);
    std::copy_n("FCSR", 4, bytes.begin());
    std::copy(label.begin(), label.end(), bytes.begin() + 4);
    for (int i = 0; i < 4; ++i) {
        putWord(bytes, 0x10 + 4 * i, ranges[i].start);
        putWord(bytes, 0x20 + 4 * i, ranges[i].count);
    }
    return bytes;
}

// Sector contents that differ from sector to sector and from byte to byte.
Bytes pattern(sim::u32 firstSector, sim::u32 sectors, unsigned seed) {
    Bytes bytes(std::size_t{sectors} * SECTOR);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<sim::u8>((firstSector + i / SECTOR) * 37 + i * 11 + seed);
    return bytes;
}

sim::u32 address(const volatile void* pointer) {
    return static_cast<sim::u32>(reinterpret_cast<std::uintptr_t>(pointer));
}

class RomImageTest : public SlotTest {
  protected:
    // Programs an image of pattern sectors at `image` in ROM with its header for these ranges.
    void programImage(sim::u32 image, sim::u32 sectors, const Ranges& ranges) {
        Bytes bytes = pattern(0, sectors, 0);
        const Bytes h = header(ranges);
        std::copy(h.begin(), h.end(), bytes.begin() + 0x100);
        cartridge.program(image, bytes);
        imageAt = image;
    }
    void startImage(const Ranges& ranges = TWO_RANGES) {
        programImage(ROM, 300, ranges);
        ASSERT_TRUE(FCSR_StartUp());
    }

    Bytes romSectors(sim::u32 first, sim::u32 count) const {
        const auto bytes = cartridge.romAt(imageAt + first * SECTOR);
        return {bytes.begin(), bytes.begin() + count * SECTOR};
    }
    Bytes sramBytes(sim::u32 offset, std::size_t count) const {
        return {cartridge.sram().begin() + offset, cartridge.sram().begin() + offset + count};
    }
    Bytes wholeSram() const { return sramBytes(0, sim::CART_SRAM_SIZE); }
    void putSram(sim::u32 offset, const Bytes& bytes) {
        std::copy(bytes.begin(), bytes.end(), cartridge.sram().begin() + offset);
    }

    static bool globalsAtLoad() {
        bool zero = FCSR_FileSysPointer == nullptr;
        for (int i = 0; i < 4; ++i) {
            zero = zero && FCSR_SramSectorStart[i] == 0 && FCSR_SramSectorEnd[i] == 0 &&
                   FCSR_SramSectorPointer[i] == nullptr;
        }
        return zero;
    }

    sim::u32 imageAt = ROM;
};

// --- Finding the header ---

TEST_F(RomImageTest, HeaderIsFoundAtTheFirstAndTheLastPositionOfRom) {
    EXPECT_FALSE(FCSR_IsInserted());
    EXPECT_FALSE(FCSR_StartUp());

    cartridge.program(ROM + 0x100, header(TWO_RANGES));
    EXPECT_TRUE(FCSR_IsInserted());
    ASSERT_TRUE(FCSR_StartUp());
    EXPECT_EQ(address(FCSR_FileSysPointer), ROM);
    ASSERT_TRUE(FCSR_Shutdown());

    cartridge.program(ROM + 0x100, Bytes(4, 0));  // magic gone
    cartridge.program(ROM_END - 0x100, header({}));
    EXPECT_TRUE(FCSR_IsInserted());
    ASSERT_TRUE(FCSR_StartUp());
    EXPECT_EQ(address(FCSR_FileSysPointer), ROM_END - 0x200);
}

TEST_F(RomImageTest, HeadersOffA256ByteBoundaryAreNotSeen) {
    cartridge.program(ROM + 0x180, header(TWO_RANGES));
    cartridge.program(ROM + 0x204, header(TWO_RANGES));
    EXPECT_FALSE(FCSR_IsInserted());
    EXPECT_FALSE(FCSR_StartUp());
}

TEST_F(RomImageTest, AForeignLabelMakesTheSearchGoOn512BytesFurther) {
    cartridge.program(ROM + 0x1000, header(TWO_RANGES, {" Qwirtz FAX\0", 12}));
    cartridge.program(ROM + 0x1100, header({{{1, 1}}}));  // 256 bytes on: skipped
    EXPECT_FALSE(FCSR_IsInserted());
    EXPECT_FALSE(FCSR_StartUp());

    cartridge.program(ROM + 0x1200, header({{{2, 1}}}));  // 512 bytes on: found
    EXPECT_TRUE(FCSR_IsInserted());
    ASSERT_TRUE(FCSR_StartUp());
    EXPECT_EQ(address(FCSR_FileSysPointer), ROM + 0x1100);
    EXPECT_EQ(FCSR_SramSectorStart[0], 2u);
}

TEST_F(RomImageTest, TheLabelMustEndWithItsZeroByte) {
    cartridge.program(ROM + 0x100, header(TWO_RANGES, {" Qwirtz FAT!", 12}));
    EXPECT_FALSE(FCSR_IsInserted());
    cartridge.program(ROM + 0x100, header(TWO_RANGES, {" Qwirtz FAT\0!", 13}));
    EXPECT_TRUE(FCSR_IsInserted());  // what follows the label is the first range
}

TEST_F(RomImageTest, NothingAtOrAboveTheSramIsExamined) {
    // SRAM starts with the magic's bytes once filled; a label behind them must not count.
    const Bytes h = header({{{0, 1}}});
    putSram(0, h);
    putSram(0x100, h);
    const Bytes sramBefore = wholeSram();
    EXPECT_FALSE(FCSR_IsInserted());  // the search's next step would be 0x0A000000
    // A foreign label at the last ROM position sends the search on to 0x0A000100.
    cartridge.program(ROM_END - 0x100, header({}, {"Qwirtz FAT\0\0", 12}));
    EXPECT_FALSE(FCSR_IsInserted());
    EXPECT_FALSE(FCSR_StartUp());
    EXPECT_TRUE(globalsAtLoad());
    EXPECT_EQ(wholeSram(), sramBefore);
}

// --- Start-up ---

TEST_F(RomImageTest, SramPointersFollowTheCountsAndUnusedRangesMatchNothing) {
    startImage();
    EXPECT_EQ(address(FCSR_SramSectorPointer[0]), 0x0A000004u);
    EXPECT_EQ(address(FCSR_SramSectorPointer[1]), 0x0A000404u);
    EXPECT_EQ(address(FCSR_SramSectorPointer[2]), 0x0A000404u);
    EXPECT_EQ(address(FCSR_SramSectorPointer[3]), 0x0A000A04u);
    const std::array<sim::u32, 4> starts = {10, UNUSED, 20, UNUSED};
    const std::array<sim::u32, 4> ends = {12, UNUSED, 23, UNUSED};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(FCSR_SramSectorStart[i], starts[i]) << i;
        EXPECT_EQ(FCSR_SramSectorEnd[i], ends[i]) << i;
    }
    // Sector 50, the unused range's start, lives in ROM only.
    GuardedBuffer buffer(1, 0);
    EXPECT_FALSE(FCSR_WriteSectors(50, 1, buffer.data()));
    EXPECT_FALSE(FCSR_WriteSectors(UNUSED, 1, buffer.data()));
    ASSERT_TRUE(FCSR_ReadSectors(50, 1, buffer.data()));
    EXPECT_EQ(buffer.bytes(0, SECTOR), romSectors(50, 1));
}

TEST_F(RomImageTest, FirstStartUpSignsTheSramAndFillsItFromTheImage) {
    putSram(0, {'F', 'C', 'S', 'X'});  // foreign contents count as fresh
    startImage();
    EXPECT_EQ(sramBytes(0, 4), (Bytes{'F', 'C', 'S', 'R'}));
    EXPECT_EQ(sramBytes(4, 2 * SECTOR), romSectors(10, 2));
    EXPECT_EQ(sramBytes(4 + 2 * SECTOR, 3 * SECTOR), romSectors(20, 3));
    const sim::u32 used = 4 + 5 * SECTOR;
    EXPECT_EQ(sramBytes(used, sim::CART_SRAM_SIZE - used), Bytes(sim::CART_SRAM_SIZE - used, 0));
}

TEST_F(RomImageTest, ALaterStartUpKeepsWhatEarlierRunsWrote) {
    startImage();
    const Bytes written = pattern(21, 2, 99);
    ASSERT_TRUE(FCSR_WriteSectors(21, 2, const_cast<sim::u8*>(written.data())));
    const Bytes sramBefore = wholeSram();

    powerCycle();
    EXPECT_TRUE(globalsAtLoad());
    // Even an image with other contents and other ranges finds the signature and copies nothing.
    cartridge.program(ROM + 21 * SECTOR, pattern(21, 2, 7));
    cartridge.program(ROM + 0x100, header({{{21, 2}}}));
    ASSERT_TRUE(FCSR_StartUp());
    EXPECT_EQ(wholeSram(), sramBefore);
    GuardedBuffer buffer(2, 1);
    ASSERT_TRUE(FCSR_ReadSectors(21, 2, buffer.data()));
    EXPECT_EQ(buffer.bytes(0, 2 * SECTOR), sramBytes(4, 2 * SECTOR));  // range 0 from SRAM's start

    powerCycle();
    cartridge.program(ROM + 0x100, header(TWO_RANGES));
    ASSERT_TRUE(FCSR_StartUp());
    ASSERT_TRUE(FCSR_ReadSectors(21, 2, buffer.data()));
    EXPECT_EQ(buffer.bytes(0, 2 * SECTOR), written);
}

TEST_F(RomImageTest, RangesTheSlotCannotHoldAreRefusedAndNothingChanges) {
    // 127 sectors fill the 64 KiB SRAM behind the signature; one more would wrap around onto it.
    programImage(ROM, 300, {{{0, 100}, {150, 27}}});
    EXPECT_TRUE(FCSR_StartUp());
    EXPECT_EQ(address(FCSR_SramSectorPointer[1]) + 27 * SECTOR, SRAM + 4 + 127 * SECTOR);
    powerCycle();
    const Bytes sramBefore = wholeSram();

    for (const Ranges& ranges : {Ranges{{{0, 100}, {150, 28}}}, Ranges{{{0, 0x80000000u}}},
                                 Ranges{{{0, 100}, {0, 0xFFFFFF9Cu}}}}) {
        programImage(ROM, 300, ranges);
        EXPECT_TRUE(FCSR_IsInserted());
        EXPECT_FALSE(FCSR_StartUp());
        EXPECT_TRUE(globalsAtLoad());
    }
    // A range must lie inside cartridge ROM: here the image's second sector would be SRAM.
    cartridge.program(ROM + 0x100, Bytes(4, 0));
    programImage(ROM_END - 0x200, 1, {{{1, 1}}});
    EXPECT_FALSE(FCSR_StartUp());
    programImage(ROM_END - 0x200, 1, {{{0xFFFFFFFFu, 1}}});
    EXPECT_FALSE(FCSR_StartUp());
    EXPECT_TRUE(globalsAtLoad());
    EXPECT_EQ(wholeSram(), sramBefore);
}

// --- Reading and writing ---

TEST_F(RomImageTest, SectorsInARangeAreReadFromSramAndTheRestFromRom) {
    startImage();
    putSram(4 + SECTOR, pattern(11, 1, 5));  // sector 11, the last of range 0, rewritten
    GuardedBuffer buffer(2, 3);
    ASSERT_TRUE(FCSR_ReadSectors(11, 1, buffer.data()));
    EXPECT_EQ(buffer.bytes(0, SECTOR), pattern(11, 1, 5));
    ASSERT_TRUE(FCSR_ReadSectors(12, 1, buffer.data()));
    EXPECT_EQ(buffer.bytes(0, SECTOR), romSectors(12, 1));
    EXPECT_TRUE(buffer.guardsIntact());
}

TEST_F(RomImageTest, AReadAcrossARangesEdgeTakesEachSectorFromWhereItLives) {
    startImage();
    putSram(4, pattern(10, 2, 5));  // both sectors of range 0 rewritten
    GuardedBuffer buffer(4, 1);

    ASSERT_TRUE(FCSR_ReadSectors(11, 2, buffer.data()));  // runs past the range's end
    EXPECT_EQ(buffer.bytes(0, SECTOR), pattern(11, 1, 5));
    EXPECT_EQ(buffer.bytes(SECTOR, SECTOR), romSectors(12, 1));

    ASSERT_TRUE(FCSR_ReadSectors(9, 4, buffer.data()));  // starts in ROM, runs through the range
    EXPECT_EQ(buffer.bytes(0, SECTOR), romSectors(9, 1));
    EXPECT_EQ(buffer.bytes(SECTOR, 2 * SECTOR), pattern(10, 2, 5));
    EXPECT_EQ(buffer.bytes(3 * SECTOR, SECTOR), romSectors(12, 1));
    EXPECT_TRUE(buffer.guardsIntact());
}

TEST_F(RomImageTest, CountZeroReads256Sectors) {
    startImage();
    putSram(4 + 2 * SECTOR, pattern(20, 3, 8));
    Bytes expected = romSectors(0, 256);
    std::copy_n(pattern(20, 3, 8).begin(), 3 * SECTOR, expected.begin() + 20 * SECTOR);
    GuardedBuffer buffer(256, 0);
    ASSERT_TRUE(FCSR_ReadSectors(0, 0, buffer.data()));
    EXPECT_EQ(buffer.bytes(0, 131072), expected);
    EXPECT_TRUE(buffer.guardsIntact());
}

TEST_F(RomImageTest, WritesLandInTheirRangesSramOnly) {
    startImage();
    const Bytes romBefore = romSectors(0, 300);
    const Bytes data = pattern(21, 2, 42);
    GuardedBuffer buffer(2, 1);
    std::copy(data.begin(), data.end(), buffer.data());
    ASSERT_TRUE(FCSR_WriteSectors(21, 2, buffer.data()));  // up to the range's last sector
    EXPECT_EQ(sramBytes(4 + 2 * SECTOR + SECTOR, 2 * SECTOR), data);
    EXPECT_EQ(romSectors(0, 300), romBefore);
    GuardedBuffer back(2, 0);
    ASSERT_TRUE(FCSR_ReadSectors(21, 2, back.data()));
    EXPECT_EQ(back.bytes(0, 2 * SECTOR), data);
}

TEST_F(RomImageTest, WritesOutsideEveryRangeOrAcrossARangesEndFailAndChangeNothing) {
    startImage();
    const Bytes sramBefore = wholeSram();
    GuardedBuffer buffer(256, 0);
    std::fill_n(buffer.data(), 256 * SECTOR, 0x5A);
    EXPECT_FALSE(FCSR_WriteSectors(0, 1, buffer.data()));
    EXPECT_FALSE(FCSR_WriteSectors(12, 1, buffer.data()));  // just past range 0
    EXPECT_FALSE(FCSR_WriteSectors(9, 2, buffer.data()));   // starts before it
    EXPECT_FALSE(FCSR_WriteSectors(11, 2, buffer.data()));  // runs past its end
    EXPECT_FALSE(FCSR_WriteSectors(20, 4, buffer.data()));
    EXPECT_FALSE(FCSR_WriteSectors(20, 0, buffer.data()));  // 256 sectors
    EXPECT_EQ(wholeSram(), sramBefore);
}

TEST_F(RomImageTest, NothingIsServedBeforeStartUpOrAfterShutdown) {
    cartridge.program(ROM, pattern(0, 4, 1));
    GuardedBuffer buffer(1, 0);
    EXPECT_FALSE(FCSR_ReadSectors(0, 1, buffer.data()));
    EXPECT_FALSE(FCSR_WriteSectors(0, 1, buffer.data()));

    startImage();
    EXPECT_TRUE(FCSR_ClearStatus());
    EXPECT_TRUE(FCSR_Shutdown());
    EXPECT_TRUE(globalsAtLoad());
    EXPECT_EQ(sramBytes(0, 4), (Bytes{'F', 'C', 'S', 'R'}));
    EXPECT_EQ(sramBytes(4, 2 * SECTOR), romSectors(10, 2));
    EXPECT_FALSE(FCSR_ReadSectors(0, 1, buffer.data()));
    EXPECT_FALSE(FCSR_ReadSectors(10, 1, buffer.data()));
    EXPECT_FALSE(FCSR_WriteSectors(10, 1, buffer.data()));
    EXPECT_TRUE(buffer.guardsIntact());
    EXPECT_EQ(buffer.bytes(0, 16), Bytes(16, GuardedBuffer::FILL));
}

TEST_F(RomImageTest, ReadsPastTheEndOfRomFail) {
    programImage(ROM_END - 0x400, 2, {});  // two sectors of image before the end of ROM
    ASSERT_TRUE(FCSR_StartUp());
    GuardedBuffer buffer(256, 0);
    ASSERT_TRUE(FCSR_ReadSectors(0, 2, buffer.data()));
    EXPECT_EQ(buffer.bytes(0, 2 * SECTOR), romSectors(0, 2));
    std::fill_n(buffer.data(), 2 * SECTOR, GuardedBuffer::FILL);
    EXPECT_FALSE(FCSR_ReadSectors(1, 2, buffer.data()));
    EXPECT_FALSE(FCSR_ReadSectors(2, 1, buffer.data()));
    EXPECT_FALSE(FCSR_ReadSectors(0, 0, buffer.data()));
    EXPECT_FALSE(FCSR_ReadSectors(0xFFFFFFFF, 2, buffer.data()));
    EXPECT_EQ(buffer.bytes(0, 2 * SECTOR), Bytes(2 * SECTOR, GuardedBuffer::FILL));
}

// --- Through the selector ---

TEST_F(RomImageTest, SelectorChoosesTheImageWhenNoAdapterAnswers) {
    programImage(ROM, 300, TWO_RANGES);
    ASSERT_TRUE(disc_Init());
    EXPECT_EQ(disc_HostType(), IO_TYPE_CODE('F', 'C', 'S', 'R'));
    EXPECT_GT(bus.accessCount(), 0u);  // the CompactFlash adapters were probed first
    EXPECT_TRUE(disc_IsInserted());
    GuardedBuffer buffer(3, 1);
    ASSERT_TRUE(disc_ReadSectors(9, 3, buffer.data()));
    EXPECT_EQ(buffer.bytes(0, 3 * SECTOR), romSectors(9, 3));
    ASSERT_TRUE(disc_WriteSectors(20, 3, buffer.data()));
    EXPECT_EQ(sramBytes(4 + 2 * SECTOR, 3 * SECTOR), romSectors(9, 3));
    EXPECT_TRUE(disc_Shutdown());
    EXPECT_TRUE(globalsAtLoad());
}

TEST_F(RomImageTest, AFailedGbaProbeLeavesTheRecordInstalledButServesNothing) {
    cartridge.program(ROM, pattern(0, 4, 1));  // sectors, but no header
    EXPECT_FALSE(disc_setGbaSlotInterface());
    ASSERT_EQ(disc_HostType(), IO_TYPE_CODE('F', 'C', 'S', 'R'));
    GuardedBuffer buffer(1, 0);
    EXPECT_FALSE(disc_ReadSectors(0, 1, buffer.data()));
    EXPECT_FALSE(disc_WriteSectors(0, 1, buffer.data()));
    EXPECT_EQ(buffer.bytes(0, SECTOR), Bytes(SECTOR, GuardedBuffer::FILL));
}

TEST_F(RomImageTest, AnAdapterThatAnswersIsPreferredToTheImage) {
    programImage(ROM, 300, TWO_RANGES);
    insert(Kind::Mpcf);
    ASSERT_TRUE(disc_Init());
    EXPECT_EQ(disc_HostType(), IO_TYPE_CODE('M', 'P', 'C', 'F'));
    EXPECT_TRUE(globalsAtLoad());
}

}  // namespace
}  // namespace slot_test
