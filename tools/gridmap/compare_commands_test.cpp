// gridmap diff, textconv and merge as a program: their lines, exit statuses and files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "map_file.h"
#include "test_support.h"

namespace gridwright {
namespace {

using testing::Bytes;
using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

struct Ran {
    int status = -1;
    std::string out, err;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Ran Gridmap(const ScratchDir& dir, const std::string& arguments) {
    const std::string out = dir.File("stdout"), err = dir.File("stderr");
    const int status = std::system(
        (std::string(GRIDMAP_PATH) + " " + arguments + " >'" + out + "' 2>'" + err + "'").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
}

void SetCell(Bytes& map, int level, int column, int row, std::uint8_t glyph, std::uint8_t color) {
    const std::size_t at =
        static_cast<std::size_t>(level) * kLevelBytes + CellOffsetInLevel(column, row);
    map[at] = glyph;
    map[at + 1] = ColorToByte(color);
}

TEST(GridmapDiff, LinesAndExitStatusesAsDiff) {
    ScratchDir dir;
    const std::string a = dir.File("a.qmap"), b = dir.File("b.qmap");
    Bytes map = ReadBytes(SAMPLE_MAP);
    SetCell(map, 2, 7, 3, 'x', 3);
    WriteBytes(a, map);
    SetCell(map, 2, 7, 3, 219, 12);
    map.resize(map.size() + 2 * kLevelBytes);
    WriteBytes(b, map);

    Ran run = Gridmap(dir, "diff " + a + " " + a);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    run = Gridmap(dir, "diff " + a + " " + b);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "level 2 (7,3): 'x' 3 -> '\u2588' 12\nlevels 3-4: added\n");
    run = Gridmap(dir, "diff " + a + " " + b + " --stat");
    EXPECT_EQ(run.out, "level 2: 1 cell\nlevels 3-4: added\n");
    run = Gridmap(dir, "diff " + b + " " + a + " 0-1");
    EXPECT_EQ(run.status, 0);

    // Trouble: a file that is missing or not a file, levels that are none.
    for (const std::string& arguments :
         {"diff " + a + " " + dir.File("missing.qmap"), "diff " + a + " " + dir.Path().string(),
          "diff " + a + " " + b + " 5-2", "diff " + a}) {
        run = Gridmap(dir, arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_NE(run.err.find("gridmap: "), std::string::npos) << arguments;
    }
}

TEST(GridmapTextconv, EveryLevelAfterItsHeader) {
    ScratchDir dir;
    Bytes map = ReadBytes(SAMPLE_MAP);
    map.resize(map.size() + 100);
    WriteBytes(dir.File("m.qmap"), map);
    const Ran run = Gridmap(dir, "textconv " + dir.File("m.qmap"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.substr(0, 8), "level 0\n");
    EXPECT_NE(run.out.find("\n\nlevel 2\n"), std::string::npos);
    EXPECT_NE(run.out.find("\n\nlevel 3 (partial: 100 of 1536 bytes)\n"), std::string::npos);
    // Four levels of 49 lines, a header and an empty line between levels.
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 4 * 50 + 3);
}

TEST(GridmapMerge, IntoOursOrOutAndConflictsOnStandardError) {
    ScratchDir dir;
    const Bytes base = ReadBytes(SAMPLE_MAP);
    Bytes ours = base, theirs = base;
    SetCell(ours, 0, 1, 1, 'A', 15);
    SetCell(theirs, 1, 2, 2, '#', 4);
    const std::string basePath = dir.File("base.qmap"), oursPath = dir.File("ours.qmap"),
                      theirsPath = dir.File("theirs.qmap"), out = dir.File("out.qmap");
    WriteBytes(basePath, base);
    WriteBytes(oursPath, ours);
    WriteBytes(theirsPath, theirs);
    ::chmod(oursPath.c_str(), 0640);
    Bytes merged = ours;
    SetCell(merged, 1, 2, 2, '#', 4);

    Ran run = Gridmap(dir, "merge " + basePath + " " + oursPath + " " + theirsPath + " -o " + out);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(ReadBytes(out), merged);
    EXPECT_EQ(ReadBytes(oursPath), ours);
    run = Gridmap(dir, "merge " + basePath + " " + oursPath + " " + theirsPath);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(ReadBytes(oursPath), merged);
    struct stat status {};
    ::stat(oursPath.c_str(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0640u);

    SetCell(theirs, 0, 1, 1, '#', 4);
    WriteBytes(theirsPath, theirs);
    run = Gridmap(dir, "merge " + basePath + " " + oursPath + " " + theirsPath);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(ReadBytes(oursPath), merged);
    EXPECT_NE(run.err.find("\nlevel 0 (1,1): ours 'A' 15, theirs '#' 4\n"), std::string::npos)
        << run.err;

    // An input that cannot be read: nothing is written.
    run = Gridmap(dir, "merge " + dir.File("missing.qmap") + " " + oursPath + " " + theirsPath +
                           " -o " + dir.File("never.qmap"));
    EXPECT_EQ(run.status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.File("never.qmap")));
    run = Gridmap(dir, "merge " + basePath + " " + oursPath + " " + dir.Path().string());
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(ReadBytes(oursPath), merged);
}

}  // namespace
}  // namespace gridwright
