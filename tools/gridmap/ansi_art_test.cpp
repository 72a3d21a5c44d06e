// Levels to and from the ANSI-art formats: round trips through gridmap, Debian's ansilove as the
// judge of what we write, and files written here by hand from the formats' descriptions.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "ansi_art_format.h"
#include "map_file.h"
#include "renderer.h"
#include "test_support.h"

namespace gridwright {
namespace {

using testing::Bytes;
using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

int Gridmap(const std::string& arguments) {
    const int status =
        std::system((std::string(GRIDMAP_PATH) + " " + arguments + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A SAUCE record as the description gives it, after the end-of-file byte.
void AppendRecord(Bytes& file, std::uint8_t dataType, std::uint8_t fileType, int width, int lines) {
    const auto size = static_cast<std::uint32_t>(file.size());
    file.push_back(26);
    const std::string head = "SAUCE00";
    file.insert(file.end(), head.begin(), head.end());
    file.insert(file.end(), 35 + 20 + 20, ' ');
    const std::string date = "19960704";
    file.insert(file.end(), date.begin(), date.end());
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
    file.push_back(dataType);
    file.push_back(fileType);
    for (const int info : {width, lines, 0, 0}) {
        file.push_back(static_cast<std::uint8_t>(info));
        file.push_back(static_cast<std::uint8_t>(info >> 8));
    }
    file.push_back(0);
    file.push_back(0);
    file.insert(file.end(), 22, 0);
}

std::string Failure(const BoardOrError& read) {
    return read.board ? std::string("(read)") : read.error;
}

TEST(AnsiArt, EveryLevelOfTheSampleComesBackByteForByte) {
    ScratchDir dir;
    const Bytes sample = ReadBytes(SAMPLE_MAP);
    const std::string map = dir.File("map.qmap");
    for (int level = 0; level < static_cast<int>(sample.size() / kLevelBytes); ++level) {
        for (const std::string format : {".bin", ".xb", ".ans"}) {
            const std::string file = dir.File("level" + format);
            ASSERT_EQ(Gridmap("export " + std::string(SAMPLE_MAP) + " " + std::to_string(level) +
                              " " + file + " --title 'Level " + std::to_string(level) + "'"),
                      0)
                << format;
            Bytes other = sample;
            std::fill_n(other.begin() + level * kLevelBytes, kLevelBytes, 0xAB);
            WriteBytes(map, other);
            ASSERT_EQ(Gridmap("import " + map + " " + std::to_string(level) + " " + file), 0)
                << format;
            EXPECT_EQ(ReadBytes(map), sample) << "level " << level << format;
        }
    }
}

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    std::uint32_t At(std::size_t pixel) const {
        return rgb[3 * pixel] << 16 | rgb[3 * pixel + 1] << 8 | rgb[3 * pixel + 2];
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

TEST(AnsiArt, AnsiloveShowsOurFilesAsItShowsTheLevelsOwnBytes) {
    if (std::string(ANSILOVE_PATH).empty())
        GTEST_SKIP() << "runs once, in the default build, with the Debian package ansilove";
    ScratchDir dir;
    const Bytes sample = ReadBytes(SAMPLE_MAP);
    const int level = 1;
    // The level's cells as binary text, by hand: glyph, then the colour as the attribute.
    Bytes hand;
    for (int at = 0; at < kLevelBytes; at += 2) {
        hand.push_back(sample[level * kLevelBytes + at]);
        hand.push_back(ByteToColor(sample[level * kLevelBytes + at + 1]));
    }
    WriteBytes(dir.File("hand.bin"), hand);
    const auto render = [&](const std::string& in, const std::string& options) {
        const std::string out = in + ".png";
        EXPECT_EQ(std::system((std::string(ANSILOVE_PATH) + " -q " + options + " -o " + out + " " +
                               in + " >/dev/null 2>&1")
                                  .c_str()),
                  0)
            << in;
        return ReadPng(out);
    };
    const Picture expected = render(dir.File("hand.bin"), "-c 32");
    ASSERT_EQ(expected.width, 32 * 8);
    ASSERT_EQ(expected.height, 24 * 16);
    for (const std::string format : {".bin", ".xb", ".ans"}) {
        const std::string file = dir.File("level" + format);
        ASSERT_EQ(Gridmap("export " + std::string(SAMPLE_MAP) + " 1 " + file), 0);
        // The width comes from the SAUCE record.
        const Picture ours = render(file, "-S");
        ASSERT_EQ(ours.width, expected.width) << format;
        ASSERT_EQ(ours.height, expected.height) << format;
        // An XBin brings its palette, ours: the same picture in our colours, so each of the
        // viewer's colours stands for one of ours, and that one is ours within rounding.
        std::map<std::uint32_t, std::uint32_t> colorOf;
        std::size_t differ = 0;
        for (std::size_t pixel = 0; pixel < expected.rgb.size() / 3; ++pixel) {
            const std::uint32_t want = expected.At(pixel), got = ours.At(pixel);
            if (format != ".xb") {
                differ += want != got;
                continue;
            }
            const auto [entry, added] = colorOf.emplace(want, got);
            differ += entry->second != got;
        }
        EXPECT_EQ(differ, 0u) << format;
        for (const auto& [viewer, our] : colorOf) {
            bool near = false;
            for (const Rgb& color : kBasePalette)
                near = near || (std::abs(color.red - static_cast<int>(our >> 16)) <= 3 &&
                                std::abs(color.green - static_cast<int>((our >> 8) & 255)) <= 3 &&
                                std::abs(color.blue - static_cast<int>(our & 255)) <= 3);
            EXPECT_TRUE(near) << std::hex << our;
        }
    }
}

// ---- files written by hand ----

Bytes XBinHeader(int width, int height, std::uint8_t flags) {
    return {'X',
            'B',
            'I',
            'N',
            0x1A,
            static_cast<std::uint8_t>(width),
            static_cast<std::uint8_t>(width >> 8),
            static_cast<std::uint8_t>(height),
            static_cast<std::uint8_t>(height >> 8),
            16,
            flags};
}

TEST(AnsiArt, ReadsAnXBinWithRunsOfEveryKindAndAPaletteOfItsOwn) {
    Bytes file = XBinHeader(32, 24, 1 | 4);
    // Its palette is ours, black kept, the rest backwards: its colour n is our 16 - n.
    for (int color = 0; color < 16; ++color) {
        const Rgb rgb = kBasePalette[static_cast<std::size_t>((16 - color) % 16)];
        for (const int part : {rgb.red, rgb.green, rgb.blue})
            file.push_back(static_cast<std::uint8_t>((part * 63 + 127) / 255));
    }
    // Row 0: 10 cells 'A' in colour 1 (kind 11), 8 cells 'B' in colours 0-7 (kind 01), 8 glyphs
    // 'a'-'h' in colour 2 (kind 10), then 6 plain cells (kind 00).
    file.insert(file.end(), {0xC0 | 9, 'A', 1});
    file.insert(file.end(), {0x40 | 7, 'B', 0, 1, 2, 3, 4, 5, 6, 7});
    file.insert(file.end(), {0x80 | 7, 2, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'});
    file.push_back(0x00 | 5);
    for (int i = 0; i < 6; ++i) file.insert(file.end(), {static_cast<std::uint8_t>('0' + i), 15});
    // The other 23 rows, 736 cells, in runs of 64 that cross rows (the last of 32).
    for (int left = 736; left > 0; left -= 64)
        file.insert(file.end(),
                    {static_cast<std::uint8_t>(0xC0 | (std::min(left, 64) - 1)), '.', 3});
    AppendRecord(file, kSauceDataXBin, 0, 32, 24);

    const BoardOrError read = DecodeXBin(file, {});
    ASSERT_TRUE(read.board) << read.error;
    const BoardGrid& board = *read.board;
    EXPECT_EQ(board(0, 0), (BoardCell{'A', 15}));
    EXPECT_EQ(board(9, 0), (BoardCell{'A', 15}));
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(board(10 + i, 0), (BoardCell{'B', static_cast<std::uint8_t>((16 - i) % 16)}));
        EXPECT_EQ(board(18 + i, 0), (BoardCell{static_cast<std::uint8_t>('a' + i), 14}));
    }
    EXPECT_EQ(board(31, 0), (BoardCell{'5', 1}));
    EXPECT_EQ(board(0, 1), (BoardCell{'.', 13}));
    EXPECT_EQ(board(31, 23), (BoardCell{'.', 13}));

    // A run cut short, and runs that end before the picture does.
    Bytes cut(file.begin(), file.begin() + 11 + 48 + 2);
    EXPECT_NE(Failure(DecodeXBin(cut, {})).find("row 0, column 0 is cut short"), std::string::npos)
        << Failure(DecodeXBin(cut, {}));
    cut.assign(file.begin(), file.begin() + 11 + 48 + 3);
    EXPECT_NE(Failure(DecodeXBin(cut, {})).find("the cells end after 10 of 768"),
              std::string::npos);
}

TEST(AnsiArt, ReadsAnsiWithCursorMovementAtTheRecordsWidth) {
    // A picture 80 columns wide whose 32 x 24 cells start at column 4, row 1: each row placed
    // by a cursor position, then moved within by up, down, forward and back, and saved and
    // restored; bright red ("1;31") is our colour 12, blue ("34") our 1.
    std::string text = "\x1b[0m";
    for (int row = 0; row < 24; ++row)
        text += "\x1b[" + std::to_string(row + 2) + ";5H\x1b[0;37m" + std::string(32, '.');
    text += "\x1b[2;5H\x1b[1;31mR\x1b[s\x1b[2B\x1b[3C\x1b[0;34mb\x1b[u\x1b[1D\x1b[1;31mx";
    // A line end and a row that wraps at the width of 80: its 81st character lands at column 0
    // of the next row, out of the level's cells; its 85th at the level's column 0.
    text += "\x1b[20;1H" + std::string(80, ' ') + "\x1b[0;32m    g";
    Bytes file(text.begin(), text.end());
    AppendRecord(file, kSauceDataCharacter, 1, 80, 25);

    const BoardOrError whole = DecodeAnsi(file, {});
    EXPECT_NE(whole.error.find("the picture is 80 x 25 cells"), std::string::npos) << whole.error;
    const BoardOrError read = DecodeAnsi(file, {false, std::pair{4, 1}});
    ASSERT_TRUE(read.board) << read.error;
    const BoardGrid& board = *read.board;
    EXPECT_EQ(board(0, 0), (BoardCell{'x', 12}));
    EXPECT_EQ(board(4, 2), (BoardCell{'b', 1}));
    EXPECT_EQ(board(1, 0), (BoardCell{'.', 7}));
    EXPECT_EQ(board(0, 19), (BoardCell{'g', 2}));
    // The level's row 18 was blanked by the 80 blanks in bright red.
    EXPECT_EQ(board(5, 18), (BoardCell{' ', 12}));
    EXPECT_EQ(board(31, 23), (BoardCell{'.', 7}));
}

TEST(AnsiArt, ReadsBinaryTextWithAndWithoutARecord) {
    Bytes cells;
    for (int cell = 0; cell < 64 * 30; ++cell) {
        cells.push_back(static_cast<std::uint8_t>(cell % 251));
        cells.push_back(static_cast<std::uint8_t>(cell % 16));
    }
    Bytes wide = cells;
    AppendRecord(wide, kSauceDataBinaryText, 32, 0, 0);  // 64 columns
    const BoardOrError other = DecodeBin(wide, {});
    EXPECT_NE(other.error.find("the picture is 64 x 30 cells"), std::string::npos) << other.error;
    const BoardOrError read = DecodeBin(wide, {false, std::pair{30, 6}});
    ASSERT_TRUE(read.board) << read.error;
    const int first = 6 * 64 + 30;
    EXPECT_EQ((*read.board)(0, 0), (BoardCell{static_cast<std::uint8_t>(first % 251),
                                              static_cast<std::uint8_t>(first % 16)}));
    EXPECT_EQ(
        DecodeBin(wide, {false, std::pair{33, 0}}).error.find("do not fit") != std::string::npos,
        true);

    // Exactly one level's bytes need no record.
    const Bytes level(cells.begin(), cells.begin() + 2 * kBoardCells);
    ASSERT_TRUE(DecodeBin(level, {}).board);
    EXPECT_EQ((*DecodeBin(level, {}).board)(31, 0), (BoardCell{31, 15}));
    const Bytes odd(cells.begin(), cells.begin() + 2 * kBoardCells + 2);
    EXPECT_NE(Failure(DecodeBin(odd, {})).find("not whole rows of 160 cells"), std::string::npos);
}

TEST(AnsiArt, RefusesWhatALevelCannotHold) {
    Bytes level(2 * kBoardCells, 0);
    level[2 * (3 * 32 + 7) + 1] = 0x17;  // light grey on blue
    Bytes bin = level;
    AppendRecord(bin, kSauceDataBinaryText, 16, 0, 0);
    EXPECT_NE(Failure(DecodeBin(bin, {})).find("row 3, column 7: the background colour 1"),
              std::string::npos)
        << Failure(DecodeBin(bin, {}));
    // Dropped: the glyph's colour stays.
    ASSERT_TRUE(DecodeBin(bin, {true, {}}).board);
    EXPECT_EQ((*DecodeBin(bin, {true, {}}).board)(7, 3), (BoardCell{0, 7}));
    level[2 * (3 * 32 + 7) + 1] = 0x8C;  // blinking bright red
    EXPECT_NE(Failure(DecodeBin(level, {})).find("row 3, column 7: a blink"), std::string::npos);
    const std::string blink = "\x1b[5;31mX";
    Bytes ansi(blink.begin(), blink.end());
    AppendRecord(ansi, kSauceDataCharacter, 1, 32, 24);
    EXPECT_NE(Failure(DecodeAnsi(ansi, {})).find("row 0, column 0: a blink"), std::string::npos)
        << Failure(DecodeAnsi(ansi, {}));

    // Damaged XBin headers.
    Bytes xbin = XBinHeader(32, 24, 0);
    xbin.insert(xbin.end(), 2 * kBoardCells, 0);
    ASSERT_TRUE(DecodeXBin(xbin, {}).board);
    Bytes damaged = xbin;
    damaged[3] = 'M';
    EXPECT_NE(Failure(DecodeXBin(damaged, {})).find("damaged XBin header"), std::string::npos);
    damaged = xbin;
    damaged[9] = 0;
    EXPECT_NE(Failure(DecodeXBin(damaged, {})).find("font height of 0"), std::string::npos);
    damaged = xbin;
    damaged[10] = 1;  // a palette that is not there
    damaged.resize(11 + 20);
    EXPECT_NE(Failure(DecodeXBin(damaged, {})).find("palette is cut short"), std::string::npos);
    damaged = XBinHeader(40, 25, 0);
    damaged.insert(damaged.end(), 2 * 40 * 25, 0);
    EXPECT_NE(Failure(DecodeXBin(damaged, {})).find("the picture is 40 x 25 cells"),
              std::string::npos);
}

TEST(AnsiArt, ExportRefusalsWriteNothing) {
    ScratchDir dir;
    Bytes map = ReadBytes(SAMPLE_MAP);
    map[2 * (1 * 32 + 18)] = 10;  // a line feed as a glyph
    map[2 * (5 * 32 + 2)] = 27;   // an escape
    WriteBytes(dir.File("m.qmap"), map);
    const std::string out = dir.File("out.ans");
    const auto refused = [&](const std::string& arguments) {
        const std::string err = dir.File("err");
        const int status =
            std::system((std::string(GRIDMAP_PATH) + " " + arguments + " 2>" + err).c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1) << arguments;
        EXPECT_FALSE(std::filesystem::exists(out)) << arguments;
        std::string text;
        for (const std::uint8_t byte : ReadBytes(err)) text += static_cast<char>(byte);
        return text;
    };
    const std::string stream = refused("export " + dir.File("m.qmap") + " 0 " + out);
    EXPECT_NE(stream.find("row 1, column 18 (glyph 10); row 5, column 2 (glyph 27). .bin and .xb"),
              std::string::npos)
        << stream;
    EXPECT_NE(refused("export " + std::string(SAMPLE_MAP) + " 0 " + out + " --author " +
                      std::string(21, 'a'))
                  .find("has 21 characters; the field holds 20"),
              std::string::npos);
    EXPECT_NE(refused("export " + std::string(SAMPLE_MAP) + " 0 " + out + " --group '\xE2\x82\xAC'")
                  .find("U+20AC, which is not in code page 437"),
              std::string::npos);

    // Written, the record holds the fields, today's date and the picture's facts.
    ASSERT_EQ(Gridmap("export " + std::string(SAMPLE_MAP) + " 0 " + out +
                      " --title 'Caf\xC3\xA9' --author Ann --group Crew"),
              0);
    const Bytes file = ReadBytes(out);
    const SaucedFile split = SplitSauce(file);
    ASSERT_TRUE(split.record);
    EXPECT_EQ(split.record->title, "Caf\x82");
    EXPECT_EQ(split.record->author, "Ann");
    EXPECT_EQ(split.record->group, "Crew");
    EXPECT_EQ(split.record->date, SauceDateToday());
    EXPECT_EQ(split.record->fileSize, split.picture.size());
    EXPECT_EQ(split.record->dataType, kSauceDataCharacter);
    EXPECT_EQ(split.record->tinfo1, 32);
    EXPECT_EQ(split.record->tinfo2, 24);
    EXPECT_EQ(split.record->fontName, "IBM VGA");
}

TEST(AnsiArt, ImportRefusalLeavesTheMapAsItWas) {
    ScratchDir dir;
    const Bytes sample = ReadBytes(SAMPLE_MAP);
    WriteBytes(dir.File("m.qmap"), sample);
    Bytes xbin = XBinHeader(32, 24, 4);
    xbin.insert(xbin.end(), {0xC0 | 63, 'x', 4});  // 64 of 768 cells
    WriteBytes(dir.File("cut.xb"), xbin);
    EXPECT_EQ(Gridmap("import " + dir.File("m.qmap") + " 1 " + dir.File("cut.xb")), 1);
    EXPECT_EQ(Gridmap("import " + dir.File("m.qmap") + " 1 " + dir.File("cut.xb") + " --from 0"),
              1);
    EXPECT_EQ(ReadBytes(dir.File("m.qmap")), sample);
}

}  // namespace
}  // namespace gridwright
