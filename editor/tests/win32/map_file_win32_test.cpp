// The map file on the Windows system: a level moves in one positioned ReadFile or WriteFile, and
// every failure says why in the same words as on other systems.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "map_file.h"

namespace gridwright {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class MapFileOnWindows : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("gridwright-map-" + std::to_string(GetCurrentProcessId()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    std::string File(const std::string& name) const {
        const std::u8string utf8 = (folder_ / name).u8string();
        return std::string(utf8.begin(), utf8.end());
    }
    static Bytes Read(const std::string& path) {
        std::ifstream in(fs::path(std::u8string(path.begin(), path.end())), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void Write(const std::string& path, const Bytes& bytes) {
        std::ofstream out(fs::path(std::u8string(path.begin(), path.end())), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    static LevelBlock Pattern(unsigned seed) {
        LevelBlock block;
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<std::uint8_t>(i * 131 + seed * 7 + (i >> 8));
        return block;
    }

    fs::path folder_;
};

TEST_F(MapFileOnWindows, LevelsGoToTheirPlaceAndComeBack) {
    const std::string map = File("m\xC3\xBCnze map.qmap");  // a blank and a letter beyond ASCII
    const LevelBlock level2 = Pattern(2);
    ASSERT_TRUE(WriteLevelBlock(map, 2 * kLevelBytes, level2));
    Bytes expected(2 * kLevelBytes, 0);
    expected.insert(expected.end(), level2.begin(), level2.end());
    EXPECT_EQ(Read(map), expected) << "the skipped levels read as zero bytes";

    const LevelBlock level0 = Pattern(5);
    ASSERT_TRUE(WriteLevelBlock(map, 0, level0));
    std::copy(level0.begin(), level0.end(), expected.begin());
    EXPECT_EQ(Read(map), expected) << "only level 0's bytes changed";

    LevelBlock block;
    ASSERT_TRUE(ReadLevelBlock(map, 2 * kLevelBytes, MapAccess::Load, block));
    EXPECT_EQ(block, level2);
    ASSERT_TRUE(ReadLevelBlock(map, 384, MapAccess::ReadOnly, block));
    EXPECT_TRUE(std::equal(block.begin(), block.end(), expected.begin() + 384));
}

TEST_F(MapFileOnWindows, BytesPastTheEndReadAsZero) {
    const std::string map = File("short.qmap");
    Bytes bytes(kLevelBytes + 100, 0x5A);
    Write(map, bytes);
    LevelBlock block;
    ASSERT_TRUE(ReadLevelBlock(map, kLevelBytes, MapAccess::Load, block));
    for (std::size_t i = 0; i < block.size(); ++i)
        ASSERT_EQ(block[i], i < 100 ? 0x5A : 0) << "byte " << i;
    ASSERT_TRUE(ReadLevelBlock(map, 7 * kLevelBytes, MapAccess::Load, block));
    EXPECT_EQ(block, LevelBlock{});
    EXPECT_EQ(Read(map).size(), bytes.size()) << "a load never changes the file";

    const std::string missing = File("missing.qmap");
    ASSERT_TRUE(ReadLevelBlock(missing, 0, MapAccess::Load, block));
    EXPECT_TRUE(fs::exists(fs::path(std::u8string(missing.begin(), missing.end()))))
        << "a load creates a missing map file empty";
}

TEST_F(MapFileOnWindows, FailuresSayWhy) {
    LevelBlock block;
    EXPECT_EQ(ReadLevelBlock("", 0, MapAccess::Load, block).reason, "no map file is named");
    EXPECT_EQ(WriteLevelBlock("", 0, block).reason, "no map file is named");

    const std::string folder = File("");
    EXPECT_EQ(ReadLevelBlock(folder, 0, MapAccess::Load, block).reason, "Is a directory");
    EXPECT_EQ(ReadLevelBlock(folder, 0, MapAccess::ReadOnly, block).reason, "Is a directory");
    EXPECT_EQ(WriteLevelBlock(folder, 0, block).reason, "Is a directory");

    const std::string nowhere = File("no folder\\m.qmap");
    EXPECT_EQ(ReadLevelBlock(nowhere, 0, MapAccess::Load, block).reason,
              "No such file or directory");
    EXPECT_EQ(WriteLevelBlock(nowhere, 0, block).reason, "No such file or directory");
    EXPECT_EQ(ReadLevelBlock(File("absent.qmap"), 0, MapAccess::ReadOnly, block).reason,
              "No such file or directory");

    EXPECT_EQ(ReadLevelBlock("bad \xFF name", 0, MapAccess::Load, block).reason,
              "the name is not valid UTF-8 text");
}

}  // namespace
}  // namespace gridwright
