// romimage: the header format, the command as a user runs it, and a FAT image made with mkfs.fat
// that goes through the tool into simulated cartridge ROM and back out through the console's
// selector and ROM image driver.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "rom_image.h"
#include "slot_fixture.h"
#include "version.h"

namespace romimage {
namespace {

using Bytes = std::vector<std::uint8_t>;

// --- The format ---

TEST(ParseRange, TakesFirstColonCountInDecimalOrHexadecimal) {
    EXPECT_EQ(ParseRange("10:2"), (Range{10, 2}));
    EXPECT_EQ(ParseRange("0x20:0X3"), (Range{32, 3}));
    EXPECT_EQ(ParseRange("4294967295:1"), (Range{0xFFFFFFFF, 1}));
    for (const char* bad :
         {"", "10", "10:", ":2", "a:1", "1:0", "-1:2", "1:2:3", "4294967296:1", " 1:2", "0x:1"})
        EXPECT_EQ(ParseRange(bad), std::nullopt) << bad;
}

TEST(CheckImage, AcceptsRangesInsideTheImageThatFitTheSram) {
    EXPECT_EQ(CheckImage(512, {}), "");
    EXPECT_EQ(CheckImage(kRomSize, std::vector<Range>{{0, 1}, {1, 1}, {65535, 1}}), "");
    // Touching ranges do not overlap; 127 sectors fill the SRAM.
    EXPECT_EQ(CheckImage(200 * 512, std::vector<Range>{{0, 100}, {100, 20}, {199, 1}, {150, 6}}),
              "");
}

TEST(CheckImage, RefusesWhatTheConsoleCouldNotServe) {
    auto refusal = [](std::size_t size, std::vector<Range> ranges) {
        return CheckImage(size, ranges);
    };
    EXPECT_EQ(refusal(0, {}), "the disk image is not a whole number of 512-byte sectors (0 bytes)");
    EXPECT_EQ(refusal(1000, {}),
              "the disk image is not a whole number of 512-byte sectors (1000 bytes)");
    EXPECT_EQ(refusal(kRomSize + 512, {}),
              "the disk image (33554944 bytes) is larger than the 32 MiB of cartridge ROM");
    EXPECT_EQ(refusal(64 * 512, {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}}),
              "at most four writable ranges fit into the header");
    EXPECT_EQ(refusal(64 * 512, {{60, 5}}),
              "range 60:5 lies outside the image, whose sectors are 0 to 63");
    EXPECT_EQ(refusal(64 * 512, {{4294967295, 2}}),
              "range 4294967295:2 lies outside the image, whose sectors are 0 to 63");
    EXPECT_EQ(refusal(64 * 512, {{0, 8}, {10, 4}, {7, 2}}), "ranges 0:8 and 7:2 overlap");
    EXPECT_EQ(refusal(64 * 512, {{10, 4}, {0, 30}}), "ranges 10:4 and 0:30 overlap");
    EXPECT_EQ(refusal(300 * 512, {{0, 100}, {100, 20}, {200, 8}}),
              "the ranges hold 128 sectors, but the 64 KiB of SRAM holds only 127 behind its "
              "4-byte signature");
}

TEST(Header, ReadsBackWhatWasMade) {
    Bytes image(1024, 0xEE);
    const auto header = MakeHeader(std::vector<Range>{{1, 6}, {7, 32}});
    std::copy(header.begin(), header.end(), image.begin() + 0x100);
    EXPECT_EQ(
        Bytes(image.begin() + 0x100, image.begin() + 0x110),
        (Bytes{'F', 'C', 'S', 'R', ' ', 'Q', 'w', 'i', 'r', 't', 'z', ' ', 'F', 'A', 'T', 0}));
    EXPECT_EQ(image[0x124], 32);  // count of range 1, little-endian
    const std::optional<Header> read = ReadHeader(image);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->label, " Qwirtz FAT");
    EXPECT_TRUE(read->labelMatches);
    EXPECT_EQ(read->ranges, (Ranges{{{1, 6}, {7, 32}, {0, 0}, {0, 0}}}));

    image[0x0F + 0x100] = '!';  // the label's zero byte
    EXPECT_FALSE(ReadHeader(image)->labelMatches);
    image[0x100] = 'f';
    EXPECT_EQ(ReadHeader(image), std::nullopt);
    EXPECT_EQ(ReadHeader(Bytes(0x12F, 0)), std::nullopt);
}

// --- The command ---

struct Outcome {
    int status;
    std::string output;  // standard output and error
};

Outcome RunCommand(const std::string& command) {
    Outcome run{-1, {}};
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return run;
    std::array<char, 4096> chunk;
    while (std::size_t got = std::fread(chunk.data(), 1, chunk.size(), pipe))
        run.output.append(chunk.data(), got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Quoted(const std::filesystem::path& path) {
    std::string quoted = "'";
    quoted += path.string();
    quoted += "'";
    return quoted;
}

Bytes ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
}

// A fresh folder for one test, removed with everything in it.
class ScratchFolder {
  public:
    ScratchFolder() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("romimage-" + std::string(test->name()) + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

Outcome RomImage(const std::string& arguments) {
    return RunCommand(std::string(ROMIMAGE_PATH) + " " + arguments);
}

TEST(RomImageCommand, RefusesBadRangesWithAMessageAndWritesNothing) {
    ScratchFolder folder;
    const auto disk = folder / "disk.img", rom = folder / "rom.img";
    WriteBytes(disk, Bytes(64 * 512, 0x11));
    const std::string files = Quoted(disk) + " " + Quoted(rom);

    Outcome run = RomImage("make " + files + " 0:8 7:2");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "romimage: ranges 0:8 and 7:2 overlap\n");
    run = RomImage("make " + files + " 60:8");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output,
              "romimage: range 60:8 lies outside the image, whose sectors are 0 to 63\n");
    run = RomImage("make " + files + " 8");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "romimage: '8' is no range: write FIRST:COUNT, COUNT at least 1\n");
    EXPECT_FALSE(std::filesystem::exists(rom));

    run = RomImage("make " + Quoted(disk) + " " + Quoted(disk) + " 0:1");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output,
              "romimage: the ROM image must be a file of its own, not the disk image\n");
    EXPECT_EQ(ReadBytes(disk), Bytes(64 * 512, 0x11));

    run = RomImage("make " + Quoted(folder / "missing.img") + " " + Quoted(rom));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("missing.img: No such file or directory"), std::string::npos);
    EXPECT_EQ(RomImage("").status, 2);
    EXPECT_EQ(RomImage("show").status, 2);
    EXPECT_EQ(RomImage("show " + Quoted(disk)).output,
              "romimage: " + disk.string() + ": no ROM image header at byte 0x100\n");
}

TEST(RomImageCommand, AnswersHelpAndVersionAndHintsAtUsageInOneLine) {
    Outcome run = RomImage("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output.rfind("usage: romimage make DISK_IMAGE ROM_IMAGE", 0), 0u);
    run = RomImage("--version");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "romimage " + std::string(gw::VersionText()) + "\n");
    run = RomImage("mkae disk.img rom.img");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1);
    EXPECT_NE(run.output.find("romimage --help"), std::string::npos);
}

TEST(RomImageCommand, ShowReportsAHeaderTheConsoleWouldRefuse) {
    ScratchFolder folder;
    Bytes image(64 * 512, 0);
    const auto header = MakeHeader(std::vector<Range>{{0, 100}, {100, 28}});
    std::copy(header.begin(), header.end(), image.begin() + 0x100);
    WriteBytes(folder / "rom.img", image);
    const Outcome run = RomImage("show " + Quoted(folder / "rom.img"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("range 1: sectors 100 to 127 (28), SRAM from 0x0A00C804\n"),
              std::string::npos);
    EXPECT_NE(run.output.find("romimage: the console cannot serve this image: range 0:100 lies "
                              "outside the image, whose sectors are 0 to 63\n"),
              std::string::npos);
}

TEST(RomImageCommand, RefusesAFolderWithAMessage) {
    ScratchFolder folder;
    const auto rom = folder / "rom.img";
    const std::string shown = (folder / "").string();
    Outcome run = RomImage("show " + Quoted(folder / ""));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "romimage: " + shown + ": Is a directory\n");
    run = RomImage("make " + Quoted(folder / "") + " " + Quoted(rom));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "romimage: " + shown + ": Is a directory\n");
    EXPECT_FALSE(std::filesystem::exists(rom));
}

std::vector<std::string> Names(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(RomImageCommand, ReplacesOnlyARegularFileAndThroughANameOfItsOwn) {
    ScratchFolder folder;
    const auto disk = folder / "disk.img";
    WriteBytes(disk, Bytes(64 * 512, 0x11));
    const auto fifo = folder / "fifo.img", link = folder / "link.img", kept = folder / "kept";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    WriteBytes(kept, Bytes(3, 0x22));
    std::filesystem::create_symlink(kept, link);
    for (const auto& output : {fifo, link}) {
        const Outcome run = RomImage("make " + Quoted(disk) + " " + Quoted(output));
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.output.find(": not a regular file but a"), std::string::npos) << run.output;
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(kept), Bytes(3, 0x22));

    // A file of the user's that happens to bear a name a temporary file could have stays.
    const auto rom = folder / "rom.img";
    WriteBytes(folder / "rom.img.partial", Bytes(5, 0x33));
    EXPECT_EQ(RomImage("make " + Quoted(disk) + " " + Quoted(rom)).status, 0);
    EXPECT_EQ(ReadBytes(rom).size(), 64u * 512);
    EXPECT_EQ(ReadBytes(folder / "rom.img.partial"), Bytes(5, 0x33));
    EXPECT_EQ(Names(folder / ""),
              (std::vector<std::string>{"disk.img", "fifo.img", "kept", "link.img", "rom.img",
                                        "rom.img.partial"}));
}

TEST(RomImageCommand, ReadsNoMoreThanTheLargestImageAndOneByte) {
    ScratchFolder folder;
    const auto huge = folder / "huge.img";
    WriteBytes(huge, {});
    std::filesystem::resize_file(huge, 256u << 20);  // sparse: takes no room on the disk
    const Outcome run = RomImage("show " + Quoted(huge));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output,
              "romimage: " + huge.string() + ": larger than the 32 MiB of cartridge ROM\n");
    rusage children{};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &children), 0);
    EXPECT_LT(children.ru_maxrss, 128 << 10) << "kilobytes at most in memory";
}

TEST(RomImageCommand, RefusesAFifoWithoutWaitingForAWriter) {
    ScratchFolder folder;
    const auto fifo = folder / "fifo.img";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const Outcome run =
        RunCommand("timeout 10 " + std::string(ROMIMAGE_PATH) + " show " + Quoted(fifo));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "romimage: " + fifo.string() + ": not a regular file but a FIFO\n");
}

// --- The round trip ---

std::uint16_t Word16(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

class FatImageRoundTrip : public slot_test::SlotTest {};

TEST_F(FatImageRoundTrip, MadeByMkfsFatServedByTheConsoleDriver) {
    if (std::string(MKFS_FAT_PATH).empty() || std::string(MCOPY_PATH).empty())
        GTEST_SKIP() << "needs mkfs.fat (dosfstools) and mcopy (mtools)";
    ScratchFolder folder;
    const auto disk = folder / "disk.img", rom = folder / "rom.img", back = folder / "back.img";

    // A 1 MiB FAT image holding the sample map.
    ASSERT_EQ(
        RunCommand(std::string(MKFS_FAT_PATH) + " -C -n QUORIX " + Quoted(disk) + " 1024").status,
        0);
    ASSERT_EQ(RunCommand(std::string(MCOPY_PATH) + " -i " + Quoted(disk) +
                         " '" SAMPLE_MAP "' ::LEVELS.MAP")
                  .status,
              0);
    const Bytes diskBytes = ReadBytes(disk);
    ASSERT_EQ(diskBytes.size(), 1024u * 1024);

    // The file allocation tables and the root folder are the sectors a file system rewrites.
    const std::uint32_t reserved = Word16(diskBytes, 14), fats = diskBytes[16];
    const std::uint32_t rootSectors = Word16(diskBytes, 17) * 32 / 512;
    const std::uint32_t fatSectors = Word16(diskBytes, 22);
    const std::uint32_t rootFirst = reserved + fats * fatSectors;
    const std::string tables = std::to_string(reserved) + ":" + std::to_string(fats * fatSectors);
    const std::string root = std::to_string(rootFirst) + ":" + std::to_string(rootSectors);
    Outcome run = RomImage("make " + Quoted(disk) + " " + Quoted(rom) + " " + tables + " " + root);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "");

    run = RomImage("show " + Quoted(rom));
    ASSERT_EQ(run.status, 0) << run.output;
    char expectedShow[512];
    std::snprintf(expectedShow, sizeof expectedShow,
                  "label:   \" Qwirtz FAT\"\n"
                  "image:   2048 sectors (1048576 bytes)\n"
                  "range 0: sectors %u to %u (%u), SRAM from 0x0A000004\n"
                  "range 1: sectors %u to %u (%u), SRAM from 0x%08X\n"
                  "range 2: unused\n"
                  "range 3: unused\n"
                  "SRAM:    %u of 65536 bytes\n",
                  reserved, rootFirst - 1, fats * fatSectors, rootFirst,
                  rootFirst + rootSectors - 1, rootSectors, 0x0A000004u + fats * fatSectors * 512,
                  4 + (fats * fatSectors + rootSectors) * 512);
    EXPECT_EQ(run.output, expectedShow);

    // Only the header's 48 bytes differ from the disk image.
    const Bytes romBytes = ReadBytes(rom);
    ASSERT_EQ(romBytes.size(), diskBytes.size());
    Bytes expected = diskBytes;
    std::copy_n(romBytes.begin() + 0x100, 0x30, expected.begin() + 0x100);
    EXPECT_EQ(romBytes, expected);
    const std::optional<Header> header = ReadHeader(romBytes);
    ASSERT_TRUE(header);

    // On the cartridge: the selector finds no adapter, chooses the ROM image and reads it all.
    cartridge.program(0x08000000, romBytes);
    ASSERT_TRUE(disc_Init());
    EXPECT_EQ(disc_HostType(), 0x52534346u);
    EXPECT_EQ(FCSR_SramSectorStart[0], reserved);
    EXPECT_EQ(FCSR_SramSectorEnd[1], rootFirst + rootSectors);
    auto readAll = [&] {
        Bytes bytes(romBytes.size());
        for (std::uint32_t sector = 0; sector < 2048; sector += 256)
            EXPECT_TRUE(disc_ReadSectors(sector, 0, bytes.data() + sector * 512));
        return bytes;
    };
    EXPECT_EQ(readAll(), romBytes);

    // A write to the root folder survives a power cycle, and mtools reads the map back out.
    Bytes rootSector(romBytes.begin() + rootFirst * 512, romBytes.begin() + rootFirst * 512 + 512);
    std::copy_n("QUORIX  LBL", 11, rootSector.begin());  // the volume label entry's name
    ASSERT_TRUE(disc_WriteSectors(rootFirst, 1, rootSector.data()));
    EXPECT_FALSE(disc_WriteSectors(rootFirst + rootSectors, 1, rootSector.data()));
    powerCycle();
    ASSERT_TRUE(disc_Init());
    const Bytes served = readAll();
    EXPECT_EQ(Bytes(served.begin() + rootFirst * 512, served.begin() + rootFirst * 512 + 512),
              rootSector);
    WriteBytes(back, served);
    run = RunCommand(std::string(MCOPY_PATH) + " -n -i " + Quoted(back) + " ::LEVELS.MAP " +
                     Quoted(folder / "levels.map"));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(ReadBytes(folder / "levels.map"), ReadBytes(SAMPLE_MAP));
}

}  // namespace
}  // namespace romimage
