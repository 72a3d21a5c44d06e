// The toolbox's formats on their own: every glyph and colour through each format and back, the
// .xp layout read by a reader of its own, and the cells that a level cannot hold.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <functional>

#include "map_levels.h"
#include "progress_bar.h"
#include "renderer.h"
#include "test_support.h"
#include "text_format.h"
#include "tiled_format.h"
#include "xp_format.h"

namespace gridwright {
namespace {

using testing::Bytes;
using testing::ScratchDir;

// Boards that hold every glyph in every colour between them, in a different order on each.
std::vector<BoardGrid> EveryGlyphInEveryColour() {
    std::vector<BoardGrid> boards(256 * 16 / kBoardCells + 1);
    for (int pair = 0; pair < static_cast<int>(boards.size()) * kBoardCells; ++pair) {
        const int cell = pair % kBoardCells;
        boards[pair / kBoardCells](cell % kBoardColumns, cell / kBoardColumns) = {
            static_cast<std::uint8_t>(pair * 7 % 256), static_cast<std::uint8_t>(pair / 256 % 16)};
    }
    return boards;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(Formats, GiveBackEveryGlyphInEveryColour) {
    ScratchDir dir;
    for (const BoardGrid& board : EveryGlyphInEveryColour()) {
        EXPECT_EQ(DecodeXp(EncodeXp(board)).board, board);
        EXPECT_EQ(DecodeText(EncodeText(board)).board, board);
        const TiledFiles tiled = EncodeTiled(board, "Level", "set.tsx", "set.png");
        WriteText(dir.File("map.tmx"), tiled.map);
        WriteText(dir.File("set.tsx"), tiled.tileset);
        EXPECT_EQ(DecodeTiledMap(dir.File("map.tmx")).board, board);
    }
}

// A reader made from REXPaint's description alone: gzip data, then 32-bit little-endian numbers
// (version, layer count, then per layer width, height and cells column by column: glyph, three
// foreground and three background bytes).
TEST(XpFormat, IsReadByAReaderOfItsOwn) {
    const BoardGrid board = EveryGlyphInEveryColour()[2];
    ScratchDir dir;
    const Bytes file = EncodeXp(board);
    testing::WriteBytes(dir.File("level.xp"), file);
    gzFile in = gzopen(dir.File("level.xp").c_str(), "rb");
    ASSERT_NE(in, nullptr);
    Bytes picture(1 << 16);
    const int size = gzread(in, picture.data(), static_cast<unsigned>(picture.size()));
    gzclose(in);
    ASSERT_EQ(size, 16 + kBoardCells * 10);
    const auto number = [&](int at) {
        std::int32_t value;
        std::memcpy(&value, &picture[at], 4);  // the test host is little-endian, as the format
        return value;
    };
    EXPECT_EQ(number(0), -1);
    EXPECT_EQ(number(4), 1);
    EXPECT_EQ(number(8), 32);
    EXPECT_EQ(number(12), 24);
    for (int i = 0; i < kBoardCells; ++i) {
        const int at = 16 + i * 10, X = i / 24, Y = i % 24;
        const BoardCell cell = board(X, Y);
        const Rgb color = kBasePalette[cell.Color];
        ASSERT_EQ(number(at), cell.Char) << X << ", " << Y;
        EXPECT_EQ(
            Bytes(&picture[at + 4], &picture[at + 10]),
            (Bytes{static_cast<std::uint8_t>(color.red), static_cast<std::uint8_t>(color.green),
                   static_cast<std::uint8_t>(color.blue), 0, 0, 0}));
    }
}

// The uncompressed picture of one layer per board, with one cell changed by change.
Bytes XpPicture(int layers, int width, int height,
                const std::function<void(int layer, int index, std::uint8_t* cell)>& change) {
    Bytes picture;
    const auto put = [&](std::int32_t value) {
        for (int shift = 0; shift < 32; shift += 8)
            picture.push_back(static_cast<std::uint8_t>(value >> shift));
    };
    put(-1);
    put(layers);
    for (int layer = 1; layer <= layers; ++layer) {
        put(width);
        put(height);
        for (int index = 0; index < width * height; ++index) {
            std::uint8_t cell[10] = {0, 0, 0, 0, 255, 255, 255, 255, 0, 255};
            if (layer == 1) cell[7] = cell[9] = 0;  // black background
            change(layer, index, cell);
            picture.insert(picture.end(), cell, cell + 10);
        }
    }
    return picture;
}

Bytes Gzip(const Bytes& data) {
    Bytes out(compressBound(static_cast<uLong>(data.size())) + 32);
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

TEST(XpFormat, TakesTheNearestColourAndRefusesWhatALevelCannotHold) {
    const auto noChange = [](int, int, std::uint8_t*) {};
    // Cell 29 lies in column 1, row 5; a yellowish foreground becomes yellow 14.
    const BoardOrError read = DecodeXp(Gzip(XpPicture(2, 32, 24, [](int layer, int i, auto* c) {
        if (layer == 1 && i == 29) c[0] = 'A', c[4] = 250, c[5] = 240, c[6] = 20;
    })));
    ASSERT_TRUE(read.board) << read.error;
    EXPECT_EQ((*read.board)(1, 5), (BoardCell{'A', 14}));

    const Bytes whole = Gzip(XpPicture(1, 32, 24, noChange));
    Bytes corrupt = whole;
    corrupt[corrupt.size() - 6] ^= 0x55;  // the CRC of the data
    const std::pair<Bytes, std::string> refused[] = {
        {Gzip(XpPicture(1, 32, 24, [](int, int i, auto* c) { c[1] = i == 29 ? 1 : 0; })),
         "layer 1, row 5, column 1: glyph 256 is not in code page 437"},
        {Gzip(XpPicture(1, 32, 24, [](int, int i, auto* c) { c[7] = i == 29 ? 9 : 0; })),
         "layer 1, row 5, column 1: a background other than black"},
        {Gzip(XpPicture(3, 32, 24, [](int l, int i, auto* c) { c[0] = l == 3 && i == 29; })),
         "layer 3, row 5, column 1: the cell has content on a second layer"},
        {Gzip(XpPicture(1, 80, 25, noChange)), "layer 1 is 80 x 25 cells; a level is 32 x 24"},
        {Bytes(whole.begin(), whole.end() - 20), "the gzip data ends too early"},
        {corrupt, "it is not valid gzip data"},
        {Bytes{'h', 'e', 'l', 'l', 'o'}, "it is not valid gzip data"},
    };
    for (const auto& [file, message] : refused) {
        const BoardOrError result = DecodeXp(file);
        EXPECT_FALSE(result.board);
        EXPECT_EQ(result.error.substr(0, message.size()), message);
    }
}

TEST(TextFormat, NamesTheCellThatALevelCannotHold) {
    const std::string text = EncodeText(BoardGrid{});
    std::string euro = text;
    // Row 2 starts after two lines of 32 three-byte characters; its column 1 becomes a euro sign.
    euro.replace(2 * (32 * 3 + 1) + 3, 3, "\u20AC");
    std::string badColour = text;
    badColour[badColour.size() - 2] = 'G';  // row 23, column 31
    const std::pair<std::string, std::string> refused[] = {
        {euro, "row 2, column 1: the character U+20AC is not in code page 437"},
        {badColour, "colour row 23, column 31: \"G\" is not a hexadecimal digit"},
        {text.substr(3), "row 0 has 31 characters; a row has 32"},
        {text.substr(0, text.size() / 2), "the text is not 24 lines of glyphs"},
    };
    for (const auto& [input, message] : refused) {
        const BoardOrError result = DecodeText(input);
        EXPECT_FALSE(result.board);
        EXPECT_EQ(result.error.substr(0, message.size()), message);
    }
    // What other editors do to text: a byte order mark, CR LF line ends, lower-case digits.
    std::string windows = "\xEF\xBB\xBF";
    for (const char c : text) windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(DecodeText(windows).board, BoardGrid{});
}

TEST(TiledFormat, NamesTheLayerAndCellThatALevelCannotHold) {
    ScratchDir dir;
    BoardGrid board;
    board(3, 1) = {'A', 14};
    const TiledFiles files = EncodeTiled(board, "Level 4", "set.tsx", "set.png");
    WriteText(dir.File("set.tsx"), files.tileset);
    const std::string tile = std::to_string(1 + 14 * 256 + 'A');
    const auto refusal = [&](const std::string& map) {
        WriteText(dir.File("map.tmx"), map);
        const BoardOrError result = DecodeTiledMap(dir.File("map.tmx"));
        EXPECT_FALSE(result.board);
        return result.error;
    };
    const auto replaced = [&](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    // Row 1, column 3 holds the tile; flipped horizontally it sets the top bit.
    EXPECT_EQ(refusal(replaced(files.map, "," + tile + ",", ",2147483649,")),
              "layer \"Level 4\", row 1, column 3: the tile is flipped or rotated");
    const std::string layer = files.map.substr(
        files.map.find(" <layer"), files.map.find("</map>") - files.map.find(" <layer"));
    EXPECT_EQ(refusal(replaced(
                  files.map, "</map>",
                  replaced(replaced(layer, "Level 4", "Top"), "id=\"1\"", "id=\"2\"") + "</map>")),
              "layer \"Top\", row 0, column 0: the cell has a tile on a second layer; a level has "
              "one");
    EXPECT_EQ(refusal(replaced(files.map, "width=\"32\"", "width=\"40\"")),
              "the map is 40 x 24 tiles; a level is 32 x 24");
    EXPECT_EQ(refusal(files.tileset), "it is not a Tiled map (its root element is <tileset>)");
    EXPECT_EQ(refusal("<map"), "it is not XML (Error parsing start element tag at byte 3)");
}

TEST(LevelSpans, AreALevelARangeOrAll) {
    std::string error;
    EXPECT_EQ(ParseLevelSpan("7", 3, error), (LevelSpan{7, 7}));
    EXPECT_EQ(ParseLevelSpan("2-5", 3, error), (LevelSpan{2, 5}));
    EXPECT_EQ(ParseLevelSpan("all", LevelCount(3 * 1536 + 1), error), (LevelSpan{0, 3}))
        << "a trailing partial level is a level";
    EXPECT_EQ(ParseLevelSpan("all", LevelCount(0), error), (LevelSpan{0, 0}));
    EXPECT_EQ(ParseLevelSpan("all", 2'000'000, error), (LevelSpan{0, kLastLevel}));
    for (const char* bad : {"5-2", "-1", "1398102", "0-1398102", "1.5", "two", "", "3-"}) {
        EXPECT_FALSE(ParseLevelSpan(bad, 3, error)) << bad;
    }
    ParseLevelSpan("1398102", 3, error);
    EXPECT_EQ(error, "level \"1398102\" is not a level from 0 to 1398101");
}

TEST(ProgressBar, ShowsLevelsRateAndTimeLeft) {
    EXPECT_EQ(ProgressBar::Text(250, 1000, 0.5),
              "[#######.......................] 250/1000 levels  500 levels/s  2 s left");
    EXPECT_EQ(ProgressBar::Text(0, 10, 0), "[..............................] 0/10 levels");
}

}  // namespace
}  // namespace gridwright
