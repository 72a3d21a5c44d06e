// gridmap render, run as a separate program the way a level designer runs it.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "indexed_image.h"
#include "test_support.h"

namespace gridwright {
namespace {

using testing::Bytes;
using testing::ReadBytes;
using testing::ScratchDir;

// Runs gridmap through the shell, after shell commands such as "ulimit -f 2;" if given.
int RunGridmap(const std::string& arguments, const std::string& before = {}) {
    const std::string command =
        before + " " + std::string(GRIDMAP_PATH) + " " + arguments + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    std::uint32_t At(int x, int y) const {
        const std::uint8_t* p = &rgb[3 * (static_cast<std::size_t>(y) * width + x)];
        return 0xFF000000u | (p[0] << 16) | (p[1] << 8) | p[2];
    }
};

Picture ReadPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Picture picture;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) return picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    return picture;
}

class Gridmap : public ::testing::Test {
  protected:
    void SetUp() override {
        map = dir.File("review.qmap");
        mapBytes = testing::PatternBytes(3 * 1536, 5);
        testing::WriteBytes(map, mapBytes);
        out = dir.File("out.png");
    }
    ScratchDir dir;
    std::string map, out;
    Bytes mapBytes;
};

TEST_F(Gridmap, RendersWhatTheEditorShowsAtThatLevel) {
    ASSERT_EQ(RunGridmap("render " + Quoted(map) + " 2 " + Quoted(out)), 0);
    const Picture picture = ReadPng(out);
    ASSERT_EQ(picture.width, 800);
    ASSERT_EQ(picture.height, 450);

    // The editor started on the same map, then at level 2.
    testing::StartedEditor editor(map);
    editor.form.CurrentLevel = OptionalNumber::Double(2);
    ASSERT_TRUE(editor.form.LoadMap());
    std::vector<std::uint32_t> expected(800 * 450);
    IndexedToRgb(editor.services.blittedBits.data(), editor.services.blittedInfo, expected.data(),
                 800, 450, 800);
    for (int y = 0; y < 450; ++y)
        for (int x = 0; x < 800; ++x)
            ASSERT_EQ(picture.At(x, y), expected[y * 800 + x]) << x << ", " << y;
    EXPECT_EQ(ReadBytes(map), mapBytes) << "the map file is never changed";
}

TEST_F(Gridmap, BrightnessScalesThePalette) {
    ASSERT_EQ(RunGridmap("render " + Quoted(map) + " 0 " + Quoted(out) + " --brightness 2"), 0);
    const Picture picture = ReadPng(out);
    ASSERT_EQ(picture.width, 800);
    // The colour row's "9" at column 50, row 3 is drawn in colour 9: 96, 96, 255 doubled.
    bool found = false;
    for (int y = 54; y < 72; ++y)
        for (int x = 500; x < 510; ++x) found |= picture.At(x, y) == 0xFFC0C0FFu;
    EXPECT_TRUE(found);
    // The border's grey 8 (128) doubled is white.
    EXPECT_EQ(picture.At(320, 0) | picture.At(321, 0), 0xFFFFFFFFu);
}

TEST_F(Gridmap, RefusesMissingMapsAndUnreachableLevels) {
    const std::string missing = dir.File("missing.qmap");
    EXPECT_EQ(RunGridmap("render " + Quoted(missing) + " 0 " + Quoted(out)), 1);
    EXPECT_FALSE(std::filesystem::exists(missing)) << "no map file is created";
    EXPECT_EQ(RunGridmap("render " + Quoted(dir.Path().string()) + " 0 " + Quoted(out)), 1);
    EXPECT_EQ(RunGridmap("render " + Quoted(map) + " -1 " + Quoted(out)), 1);
    EXPECT_EQ(RunGridmap("render " + Quoted(map) + " 1398102 " + Quoted(out)), 1);
    EXPECT_EQ(RunGridmap("render " + Quoted(map) + " two " + Quoted(out)), 1);
    EXPECT_EQ(RunGridmap("render " + Quoted(map) + " 0 " + Quoted(out) + " --brightness 0"), 1);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(RunGridmap("render " + Quoted(map)), 2);
    // A level past the end of the file is blank, as in the editor.
    EXPECT_EQ(RunGridmap("render " + Quoted(map) + " 1398101 " + Quoted(out)), 0);
    EXPECT_EQ(ReadBytes(map), mapBytes);
}

TEST_F(Gridmap, NeverWritesThePictureOverTheMap) {
    const std::string symbolic = dir.File("symbolic.png"), hard = dir.File("hard.png");
    std::filesystem::create_symlink(map, symbolic);
    std::filesystem::create_hard_link(map, hard);
    for (const std::string& picture : {map, symbolic, hard})
        EXPECT_EQ(RunGridmap("render " + Quoted(map) + " 0 " + Quoted(picture)), 1) << picture;
    EXPECT_EQ(ReadBytes(map), mapBytes);
    EXPECT_TRUE(std::filesystem::is_symlink(symbolic));
}

TEST_F(Gridmap, RefusesAFifoAsTheMapWithoutWaitingForAWriter) {
    const std::string fifo = dir.File("fifo.qmap");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(RunGridmap("render " + Quoted(fifo) + " 0 " + Quoted(out), "timeout 10"), 1);
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(Gridmap, PictureThatCannotBeWrittenWholeLeavesTheOldOneAsItWas) {
    const Bytes before = testing::PatternBytes(300, 8);
    testing::WriteBytes(out, before);
    // Files may not grow past 1024 bytes, as on a disk that fills up; the failed write says so
    // instead of ending the program with SIGXFSZ.
    EXPECT_EQ(
        RunGridmap("render " + Quoted(map) + " 0 " + Quoted(out), "trap '' XFSZ; ulimit -f 2;"), 1);
    EXPECT_EQ(ReadBytes(out), before);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"out.png", "review.qmap"})) << "nothing left behind";
}

TEST(GridmapSample, RendersEveryLevelOfTheBundledSample) {
    ScratchDir dir;
    const std::uintmax_t size = std::filesystem::file_size(SAMPLE_MAP);
    ASSERT_EQ(size % 1536, 0u);
    ASSERT_GE(size / 1536, 3u);
    for (std::uintmax_t level = 0; level < size / 1536; ++level) {
        const std::string out = dir.File("level" + std::to_string(level) + ".png");
        ASSERT_EQ(RunGridmap("render " + Quoted(SAMPLE_MAP) + " " + std::to_string(level) + " " +
                             Quoted(out)),
                  0);
        EXPECT_EQ(ReadPng(out).width, 800);
    }
}

}  // namespace
}  // namespace gridwright
