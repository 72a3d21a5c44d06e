// gridmap's level, sheet, find and replace, run as a separate program.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "levels/overview.h"
#include "test_support.h"

namespace gridwright {
namespace {

using testing::Bytes;
using testing::ReadBytes;
using testing::ScratchDir;
constexpr std::size_t L = kLevelBytes;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Outcome Gridmap(const ScratchDir& dir, const std::string& arguments) {
    const std::string out = dir.File("stdout"), err = dir.File("stderr");
    const int status = std::system(
        (std::string(GRIDMAP_PATH) + " " + arguments + " >'" + out + "' 2>'" + err + "'").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
}

Bytes Level(const Bytes& map, std::size_t level) {
    return Bytes(map.begin() + static_cast<std::ptrdiff_t>(level * L),
                 map.begin() + static_cast<std::ptrdiff_t>((level + 1) * L));
}

TEST(GridmapLevel, OperationsOnFirstAndLastLevelsKeepThePartialLevelAndThePermissions) {
    ScratchDir dir;
    const std::string map = dir.File("m.qmap");
    const Bytes original = testing::PatternBytes(3 * L + 11, 4);
    const Bytes tail(original.end() - 11, original.end());
    testing::WriteBytes(map, original);
    ::chmod(map.c_str(), 0604);

    EXPECT_EQ(Gridmap(dir, "level insert '" + map + "' 2").status, 0);
    Bytes now = ReadBytes(map);
    EXPECT_EQ(Level(now, 2), Bytes(L, 0));
    EXPECT_EQ(Level(now, 3), Level(original, 2));
    EXPECT_EQ(Bytes(now.end() - 11, now.end()), tail);
    EXPECT_EQ(Gridmap(dir, "level delete '" + map + "' 2").status, 0);
    EXPECT_EQ(ReadBytes(map), original);

    EXPECT_EQ(Gridmap(dir, "level duplicate '" + map + "' 0").status, 0);
    now = ReadBytes(map);
    EXPECT_EQ(Level(now, 1), Level(original, 0));
    EXPECT_EQ(Level(now, 2), Level(original, 1));
    EXPECT_EQ(Gridmap(dir, "level delete '" + map + "' 0").status, 0);
    EXPECT_EQ(ReadBytes(map), original);

    EXPECT_EQ(Gridmap(dir, "level move '" + map + "' 0 2").status, 0);
    now = ReadBytes(map);
    EXPECT_EQ(Level(now, 2), Level(original, 0));
    EXPECT_EQ(Level(now, 0), Level(original, 1));
    EXPECT_EQ(Bytes(now.end() - 11, now.end()), tail);
    EXPECT_EQ(Gridmap(dir, "level move '" + map + "' 2 0").status, 0);
    EXPECT_EQ(ReadBytes(map), original);

    struct stat status {};
    ::stat(map.c_str(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0604u);

    // A fractional level, one at the end, the partial one: refused, nothing changed.
    for (const char* arguments : {"level insert M 1.5", "level delete M 3", "level move M 0 3",
                                  "level duplicate M -1", "level delete M x"}) {
        std::string line = arguments;
        line.replace(line.find('M'), 1, "'" + map + "'");
        const Outcome refused = Gridmap(dir, line);
        EXPECT_EQ(refused.status, 1) << arguments;
        EXPECT_NE(refused.err.find("nothing was changed"), std::string::npos) << refused.err;
    }
    EXPECT_EQ(ReadBytes(map), original);

    // Deleting the only level leaves the partial level.
    testing::WriteBytes(map, Bytes(original.begin() + 2 * L, original.end()));
    EXPECT_EQ(Gridmap(dir, "level delete '" + map + "' 0").status, 0);
    EXPECT_EQ(ReadBytes(map), tail);
}

TEST(GridmapCells, FindListsCellsAndReplaceCountsThemPerLevel) {
    ScratchDir dir;
    const std::string map = dir.File("m.qmap");
    Bytes bytes(3 * L, 0);
    bytes[CellOffsetInLevel(5, 2)] = 219;
    bytes[CellOffsetInLevel(5, 2) + 1] = 0x40;
    bytes[2 * L + CellOffsetInLevel(31, 23)] = 219;
    bytes[2 * L + CellOffsetInLevel(31, 23) + 1] = 0x90;
    testing::WriteBytes(map, bytes);

    EXPECT_EQ(Gridmap(dir, "find '" + map + "' --glyph 219").out, "0 5 2\n2 31 23\n");
    EXPECT_EQ(Gridmap(dir, "find '" + map + "' --glyph 219 --colour 9").out, "2 31 23\n");
    EXPECT_EQ(Gridmap(dir, "find '" + map + "' --colour 4 1-2").out, "");
    EXPECT_EQ(Gridmap(dir, "find '" + map + "'").status, 1);
    EXPECT_EQ(Gridmap(dir, "find '" + map + "' --glyph 256").status, 1);

    const Outcome replaced = Gridmap(dir, "replace '" + map + "' --glyph 219:178 0-1");
    EXPECT_EQ(replaced.status, 0);
    EXPECT_EQ(replaced.out, "level 0: 1 cell\nlevel 1: 0 cells\n");
    const Bytes now = ReadBytes(map);
    EXPECT_EQ(now[CellOffsetInLevel(5, 2)], 178);
    EXPECT_EQ(now[2 * L + CellOffsetInLevel(31, 23)], 219);
    EXPECT_EQ(Gridmap(dir, "replace '" + map + "' --colour 4").status, 1);
    EXPECT_EQ(ReadBytes(map), now);
}

TEST(GridmapSheet, TenThumbnailsARowEachAsTheOverviewDrawsIt) {
    ScratchDir dir;
    const std::string map = dir.File("m.qmap"), out = dir.File("sheet.png");
    Bytes bytes(11 * L, 0);
    bytes[10 * L + 1] = 0xC0;  // level 10, cell (0, 0): a blank glyph on colour 12 shows nothing
    bytes[10 * L] = 219;       // a full block: every pixel of the cell in colour 12
    testing::WriteBytes(map, bytes);
    ASSERT_EQ(Gridmap(dir, "sheet '" + map + "' '" + out + "'").status, 0);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, out.c_str()));
    EXPECT_EQ(image.width, 800u);
    EXPECT_EQ(image.height, 144u);
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    // Level 10 is the first of the second row; its cell (0, 0) is at (8, 72 + 6).
    const auto pixel = [&](int x, int y) {
        const std::size_t at = (static_cast<std::size_t>(y) * 800 + x) * 3;
        return std::array<int, 3>{rgb[at], rgb[at + 1], rgb[at + 2]};
    };
    EXPECT_EQ(pixel(8, 78), (std::array<int, 3>{255, 96, 96}));
    EXPECT_EQ(pixel(10, 78), (std::array<int, 3>{1, 0, 0})) << "the next cell is blank";
    EXPECT_EQ(Gridmap(dir, "sheet '" + map + "' '" + map + "'").status, 1);
}

}  // namespace
}  // namespace gridwright
