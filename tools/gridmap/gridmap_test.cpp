// gridmap, run as a separate program the way a level designer or a pipeline runs it.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
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

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Outcome {
    int status = -1;
    std::string out, err;
};

// Runs gridmap with its standard output and error in files of dir, so neither is a terminal.
Outcome RunCaptured(const ScratchDir& dir, const std::string& arguments) {
    const std::string out = (dir.Path().parent_path() / (dir.Path().filename().string() + ".out"));
    const std::string err = out + ".err";
    const int status = std::system(
        (std::string(GRIDMAP_PATH) + " " + arguments + " >" + Quoted(out) + " 2>" + Quoted(err))
            .c_str());
    Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return outcome;
}

// The names in a folder, hidden ones included.
std::set<std::string> Names(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
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

// A PNG file's bit depth and colour type, from its header chunk.
std::pair<int, int> PngKind(const std::string& path) {
    const Bytes bytes = ReadBytes(path);
    if (bytes.size() < 26) return {0, 0};
    return {bytes[24], bytes[25]};
}

TEST_F(Gridmap, RendersLevelsInOneRunAsEachAlone) {
    mapBytes.resize(mapBytes.size() + 100, 0x41);  // and a trailing partial level 3
    testing::WriteBytes(map, mapBytes);
    const std::string folder = dir.File("pictures");
    const Outcome all = RunCaptured(dir, "render " + Quoted(map) + " all " + Quoted(folder));
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.err, "") << "no progress bar when standard error is not a terminal";
    std::string listed;
    for (int level = 0; level < 4; ++level) {
        const std::string picture = folder + "/level-" + std::to_string(level) + ".png";
        listed += picture + "\n";
        ASSERT_EQ(RunCaptured(dir, "render " + Quoted(map) + " " + std::to_string(level) + " " +
                                       Quoted(out))
                      .status,
                  0);
        EXPECT_EQ(ReadPng(picture).rgb, ReadPng(out).rgb) << level;
        EXPECT_EQ(PngKind(picture), std::make_pair(8, PNG_COLOR_TYPE_PALETTE));
    }
    EXPECT_EQ(all.out, listed);
    EXPECT_EQ(Names(folder).size(), 4u);

    const Outcome range =
        RunCaptured(dir, "render " + Quoted(map) + " 1-2 " + Quoted(dir.File("two")));
    EXPECT_EQ(range.status, 0);
    EXPECT_EQ(Names(dir.File("two")), (std::set<std::string>{"level-1.png", "level-2.png"}));
    EXPECT_EQ(RunCaptured(dir, "render " + Quoted(map) + " 2-1 " + Quoted(folder)).err,
              "gridmap: levels \"2-1\" run backwards\n");
    EXPECT_EQ(ReadBytes(map), mapBytes);
}

TEST_F(Gridmap, InfoTellsLevelsPartialLevelAndBlankLevels) {
    // Levels 1, 2 and 4 blank (a colour byte's low bits are no colour), 3 not; a partial level 5
    // of zero bytes.
    Bytes bytes = testing::PatternBytes(1536, 1);
    bytes.resize(5 * 1536 + 10, 0);
    bytes[3 * 1536 + 700] = 1;
    bytes[4 * 1536 + 1] = 0x0F;
    testing::WriteBytes(map, bytes);
    const Outcome text = RunCaptured(dir, "info " + Quoted(map));
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out, "map: " + map +
                            "\nsize: 7690 bytes\nlevels: 5 (0-4)\npartial level: 5, 10 of 1536 "
                            "bytes\nblank levels: 1-2, 4-5\n");

    const nlohmann::json json =
        nlohmann::json::parse(RunCaptured(dir, "info " + Quoted(map) + " --json").out);
    EXPECT_EQ(json["size"], 7690);
    EXPECT_EQ(json["levels"], 5);
    EXPECT_EQ(json["partial_level"], nlohmann::json::parse(R"({"level": 5, "bytes": 10})"));
    EXPECT_EQ(json["blank_levels"],
              nlohmann::json::parse(R"([{"first": 1, "last": 2}, {"first": 4, "last": 5}])"));
}

TEST(GridmapSample, ExportThenImportGivesBackEveryLevelInEveryFormat) {
    ScratchDir dir;
    const Bytes sample = ReadBytes(SAMPLE_MAP);
    for (const std::string format : {".xp", ".tmx", ".txt"}) {
        const std::string copy = dir.File("copy" + format + ".qmap");
        for (std::size_t level = 0; level < sample.size() / 1536; ++level) {
            const std::string file = dir.File("level" + std::to_string(level) + format);
            std::string args = " ";
            args += std::to_string(level) + " " + Quoted(file);
            ASSERT_EQ(RunCaptured(dir, "export " + Quoted(SAMPLE_MAP) + args).status, 0) << file;
            const Outcome imported = RunCaptured(dir, "import " + Quoted(copy) + args);
            ASSERT_EQ(imported.status, 0) << imported.err;
        }
        EXPECT_EQ(ReadBytes(copy), sample) << format;
    }
}

TEST_F(Gridmap, ImportChangesOnlyItsLevelAndGrowsTheMapWithZeros) {
    const std::string level = dir.File("level.txt");
    ASSERT_EQ(RunCaptured(dir, "export " + Quoted(map) + " 1 " + Quoted(level)).status, 0);
    ASSERT_EQ(RunCaptured(dir, "import " + Quoted(map) + " 4 " + Quoted(level)).status, 0);
    Bytes expected = mapBytes;
    expected.resize(4 * 1536, 0);
    expected.insert(expected.end(), mapBytes.begin() + 1536, mapBytes.begin() + 2 * 1536);
    // The pattern's colour bytes have low bits, which are no part of a colour.
    for (std::size_t at = 4 * 1536 + 1; at < expected.size(); at += 2) expected[at] &= 0xF0;
    EXPECT_EQ(ReadBytes(map), expected);
}

TEST_F(Gridmap, RefusesBadInputWithAMessageAndWritesNothing) {
    const std::string good = dir.File("good.xp");
    ASSERT_EQ(RunCaptured(dir, "export " + Quoted(map) + " 0 " + Quoted(good)).status, 0);
    const Bytes xp = ReadBytes(good);
    Bytes corrupt = xp;
    corrupt[corrupt.size() / 2] ^= 0xFF;
    testing::WriteBytes(dir.File("cut.xp"), Bytes(xp.begin(), xp.end() - 30));
    testing::WriteBytes(dir.File("corrupt.xp"), corrupt);
    std::ofstream(dir.File("tileset.tmx")) << "<tileset name=\"x\"/>";
    std::ofstream(dir.File("wide.tmx")) << R"(<map width="40" height="24"><layer/></map>)";
    ASSERT_EQ(::mkfifo(dir.File("fifo.txt").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.File("taken.tsx"));
    const std::set<std::string> before = Names(dir.Path());

    // MAP stands for the map, D/ for the scratch folder (whose path has no spaces).
    const std::pair<std::string, std::string> refused[] = {
        {"import MAP 0 D/cut.xp", "cannot import \"D/cut.xp\": the gzip data ends too early"},
        {"import MAP 0 D/corrupt.xp", "cannot import \"D/corrupt.xp\": it is not valid gzip"},
        {"import MAP 0 D/tileset.tmx", "it is not a Tiled map (its root element is <tileset>)"},
        {"import MAP 0 D/wide.tmx", "the map is 40 x 24 tiles; a level is 32 x 24"},
        {"import MAP 0 D/fifo.txt", "cannot import \"D/fifo.txt\": not a regular file"},
        {"render D/fifo.txt 0 D/out.png", "map file \"D/fifo.txt\": not a regular file"},
        {"import MAP 1398102 D/good.xp", "level \"1398102\" is not a level from 0 to 1398101"},
        {"export MAP -1 D/out.xp", "level \"-1\" is not a level from 0 to 1398101"},
        {"export MAP 0 D/missing/out.txt", "cannot write \"D/missing/out.txt\": No such file"},
        {"export MAP 0 D/taken.tmx", "cannot write \"D/taken.tsx\": Is a directory"},
        {"export MAP 0 D/level.png", "the extension names the format, .xp, .tmx or .txt"},
    };
    const auto expand = [&](std::string text) {
        for (const auto& [from, to] : {std::pair<std::string, std::string>{"MAP", map},
                                       std::pair<std::string, std::string>{"D/", dir.File("")}})
            for (std::size_t at; (at = text.find(from)) != std::string::npos;)
                text.replace(at, from.size(), to);
        return text;
    };
    for (const auto& [command, message] : refused) {
        const Outcome outcome = RunCaptured(dir, expand(command));
        EXPECT_EQ(outcome.status, 1) << command;
        EXPECT_NE(outcome.err.find(expand(message)), std::string::npos) << outcome.err;
        EXPECT_EQ(ReadBytes(map), mapBytes) << command;
        EXPECT_EQ(Names(dir.Path()), before) << command << ": nothing written, no file left";
    }
}

TEST_F(Gridmap, ImportRefusesAMapThatIsNoFileAndLeavesItAlone) {
    const std::string good = dir.File("good.txt");
    ASSERT_EQ(RunCaptured(dir, "export " + Quoted(map) + " 0 " + Quoted(good)).status, 0);
    const std::string fifo = dir.File("fifo.qmap"), folder = dir.File("folder.qmap");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(folder);
    for (const auto& [target, reason] :
         {std::pair<std::string, std::string>{fifo, "not a regular file but a FIFO"},
          {folder, "Is a directory"}}) {
        const Outcome outcome = RunCaptured(dir, "import " + Quoted(target) + " 0 " + Quoted(good));
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.err,
                  "gridmap: cannot write the map file \"" + target + "\": " + reason + "\n");
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST_F(Gridmap, ImportsALayerNestedInHalfAMillionGroups) {
    const std::string plain = dir.File("plain.tmx"), deep = dir.File("deep.tmx");
    ASSERT_EQ(RunCaptured(dir, "export " + Quoted(map) + " 1 " + Quoted(plain)).status, 0);
    std::string text = ReadText(plain);
    const std::size_t start = text.find("<layer"), end = text.find("</layer>") + 8;
    ASSERT_NE(start, std::string::npos);
    std::string groups, ungroups;
    for (int i = 0; i < 500000; ++i) {
        groups += "<group>";
        ungroups += "</group>";
    }
    text = text.substr(0, start) + groups + text.substr(start, end - start) + ungroups +
           text.substr(end);
    std::ofstream(deep) << text;
    const std::string copy = dir.File("copy.qmap");
    const Outcome imported = RunCaptured(dir, "import " + Quoted(copy) + " 0 " + Quoted(deep));
    ASSERT_EQ(imported.status, 0) << imported.err;
    Bytes expected(mapBytes.begin() + 1536, mapBytes.begin() + 2 * 1536);
    for (std::size_t at = 1; at < expected.size(); at += 2) expected[at] &= 0xF0;
    EXPECT_EQ(ReadBytes(copy), expected);
}

TEST_F(Gridmap, NeverWritesOverTheMap) {
    const std::string textMap = dir.File("level.txt");
    testing::WriteBytes(textMap, mapBytes);
    std::filesystem::create_symlink(textMap, dir.File("link.txt"));
    for (const std::string& output : {textMap, dir.File("link.txt")}) {
        const Outcome outcome =
            RunCaptured(dir, "export " + Quoted(textMap) + " 0 " + Quoted(output));
        EXPECT_EQ(outcome.status, 1);
        EXPECT_NE(outcome.err.find("must be a file of its own, not the map file"),
                  std::string::npos)
            << outcome.err;
    }
    EXPECT_EQ(ReadBytes(textMap), mapBytes);
}

TEST_F(Gridmap, ExportThatCannotBeWrittenWholeLeavesNothingBehind) {
    const std::string tmx = dir.File("level.tmx");
    testing::WriteBytes(tmx, {'o', 'l', 'd'});
    const std::set<std::string> before = Names(dir.Path());
    // Files may not grow past 1024 bytes, as on a disk that fills up: the tileset's picture
    // cannot be written, so neither are the map and the tileset.
    EXPECT_EQ(
        RunGridmap("export " + Quoted(map) + " 0 " + Quoted(tmx), "trap '' XFSZ; ulimit -f 2;"), 1);
    EXPECT_EQ(Names(dir.Path()), before);
    EXPECT_EQ(ReadBytes(tmx), (Bytes{'o', 'l', 'd'}));
}

// Tiled's own renderer draws an exported level exactly as the board area of gridmap render.
TEST(GridmapTiled, TmxrasterizerDrawsTheBoardAsRenderDoes) {
    if (std::string(TMXRASTERIZER_PATH).empty())
        GTEST_SKIP() << "runs once, in the default build, with the Debian package tiled";
    ScratchDir dir;
    // Every glyph three times, in colours that include 0 (shown on grey) and 255 (an "X").
    Bytes level(1536);
    for (int cell = 0; cell < 768; ++cell) {
        level[2 * cell] = static_cast<std::uint8_t>(cell);
        level[2 * cell + 1] = static_cast<std::uint8_t>((cell / 256 * 5 + cell) % 16 * 16);
    }
    const std::string map = dir.File("all.qmap"), tmx = dir.File("all.tmx");
    testing::WriteBytes(map, level);
    ASSERT_EQ(RunCaptured(dir, "export " + map + " 0 " + tmx).status, 0);
    ASSERT_EQ(RunCaptured(dir, "render " + map + " 0 " + dir.File("render.png")).status, 0);
    ASSERT_EQ(std::system(("QT_QPA_PLATFORM=offscreen " TMXRASTERIZER_PATH " " + tmx + " " +
                           dir.File("tiled.png") + " 2>/dev/null")
                              .c_str()),
              0);
    const Picture tiled = ReadPng(dir.File("tiled.png")), render = ReadPng(dir.File("render.png"));
    ASSERT_EQ(tiled.width, 320);
    ASSERT_EQ(tiled.height, 432);
    for (int y = 0; y < 432; ++y)
        for (int x = 0; x < 320; ++x) ASSERT_EQ(tiled.At(x, y), render.At(x, y)) << x << ", " << y;
}

TEST(GridmapHelp, EachCommandHasHelp) {
    ScratchDir dir;
    for (const std::string command : {"info", "render", "export", "import"}) {
        const Outcome help = RunCaptured(dir, command + " --help");
        EXPECT_EQ(help.status, 0);
        EXPECT_NE(help.out.find("gridmap " + command), std::string::npos) << help.out;
    }
    EXPECT_EQ(RunCaptured(dir, "--version").out.rfind("gridmap ", 0), 0u);
    const Outcome wrong = RunCaptured(dir, "render map.qmap");
    EXPECT_EQ(wrong.status, 2);
    EXPECT_EQ(wrong.err, "gridmap: LEVELS is required (gridmap render --help tells more)\n");
    EXPECT_EQ(RunCaptured(dir, "").status, 2);
    EXPECT_EQ(RunCaptured(dir, "convert a b").status, 2);
}

}  // namespace
}  // namespace gridwright
