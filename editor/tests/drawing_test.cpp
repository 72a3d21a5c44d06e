// The drawing units under the tools (a line's cells, a fill's region, a selection's cells and
// their move) and the cell text form the clipboard carries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "cell_text/cell_text.h"
#include "drawing/fill_region.h"
#include "drawing/line_cells.h"
#include "drawing/selection.h"

namespace gridwright {
namespace {

std::set<std::pair<int, int>> AsSet(const std::vector<BoardPoint>& cells) {
    std::set<std::pair<int, int>> set;
    for (const BoardPoint cell : cells) set.insert({cell.X, cell.Y});
    return set;
}

// Every direction, steep and shallow, both ways: the ends, one cell per step along the longer
// axis, 8-connected, within half a cell of the ideal line, the same cells from either end.
TEST(LineCells, EveryDirectionSteepAndShallowIsTheSameDigitalLineBothWays) {
    const BoardPoint centre{15, 11};
    for (int dx = -11; dx <= 11; ++dx) {
        for (int dy = -11; dy <= 11; ++dy) {
            const BoardPoint a = centre, b{centre.X + dx, centre.Y + dy};
            const std::vector<BoardPoint> line = LineCells(a, b);
            const int steps = std::max(std::abs(dx), std::abs(dy));
            ASSERT_EQ(line.size(), static_cast<std::size_t>(steps) + 1) << dx << "," << dy;
            EXPECT_EQ(line.front(), a);
            EXPECT_EQ(line.back(), b);
            for (std::size_t i = 1; i < line.size(); ++i) {
                const int stepX = std::abs(line[i].X - line[i - 1].X);
                const int stepY = std::abs(line[i].Y - line[i - 1].Y);
                EXPECT_EQ(std::max(stepX, stepY), 1) << "8-connected, one step a cell";
                EXPECT_EQ(std::abs(dx) >= std::abs(dy) ? stepX : stepY, 1);
            }
            for (const BoardPoint cell : line) {
                // Distance along the shorter axis from the ideal line through a and b.
                const double off = std::abs(dx) >= std::abs(dy)
                                       ? cell.Y - (a.Y + dy * double(cell.X - a.X) / dx)
                                       : cell.X - (a.X + dx * double(cell.Y - a.Y) / dy);
                if (steps > 0) {
                    EXPECT_LE(std::abs(off), 0.5) << dx << "," << dy;
                }
            }
            EXPECT_EQ(AsSet(line), AsSet(LineCells(b, a))) << dx << "," << dy;
        }
    }
    EXPECT_EQ(LineCells({3, 4}, {3, 4}), (std::vector<BoardPoint>{{3, 4}}));
    // Halfway cases take the upper (or left) cell.
    EXPECT_EQ(LineCells({0, 0}, {4, 2}),
              (std::vector<BoardPoint>{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}));
    EXPECT_EQ(LineCells({31, 23}, {29, 0}).size(), 24u);
}

TEST(FillRegion, StopsAtAnotherGlyphOrColourAndCoversAWholeBlankBoard) {
    BoardGrid board;
    EXPECT_EQ(FillRegion(board, {5, 5}).size(), static_cast<std::size_t>(kBoardCells));
    // A wall of another glyph in column 3, and of the same glyph in another colour in row 2.
    for (int Y = 0; Y < kBoardRows; ++Y) board(3, Y) = {219, 0};
    for (int X = 0; X < 3; ++X) board(X, 2) = {0, 4};
    const std::vector<BoardPoint> region = FillRegion(board, {1, 0});
    EXPECT_EQ(region, (std::vector<BoardPoint>{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}}));
    EXPECT_EQ(FillRegion(board, {3, 7}).size(), 24u);  // the wall itself
    EXPECT_EQ(FillRegion(board, {31, 23}).size(), 28u * 24u);
    EXPECT_TRUE(FillRegion(board, {32, 0}).empty());
}

TEST(Selection, MovesAndCopiesDropCellsPastTheEdgeAndPutsClip) {
    BoardGrid board;
    board(30, 0) = {1, 1};
    board(31, 0) = {2, 2};
    board(30, 1) = {3, 3};
    board(31, 1) = {4, 4};
    const CellRect corner{30, 0, 2, 2};

    BoardGrid moved = board;
    EXPECT_EQ(MoveCells(moved, corner, 1, -1, false), (CellRect{31, 0, 1, 1}));
    BoardGrid expected;
    expected(31, 0) = {3, 3};
    EXPECT_EQ(moved, expected);

    BoardGrid copied = board;
    EXPECT_EQ(MoveCells(copied, corner, -31, 0, true), (CellRect{0, 0, 1, 2}));
    EXPECT_EQ(copied(0, 0), (BoardCell{2, 2}));
    EXPECT_EQ(copied(0, 1), (BoardCell{4, 4}));
    EXPECT_EQ(copied(30, 0), (BoardCell{1, 1})) << "a copy leaves the cells";

    BoardGrid gone = board;
    EXPECT_EQ(MoveCells(gone, corner, 1000000, 0, false), std::nullopt);
    EXPECT_EQ(gone, BoardGrid{});

    BoardGrid put;
    const CellBlock block = CopyCells(board, corner);
    EXPECT_EQ(PutCells(put, block, {-1, 23}), (CellRect{0, 23, 1, 1}));
    EXPECT_EQ(put(0, 23), (BoardCell{2, 2}));
    EXPECT_EQ(RectBetween({5, 9}, {2, 3}), (CellRect{2, 3, 4, 7}));
    EXPECT_EQ(ClampToBoard({-4, 99}), (BoardPoint{0, 23}));
}

TEST(CellText, BlocksOfAnySizeRoundTripAndBadBlocksSayWhy) {
    CellBlock one = CellBlock::Sized(1, 1);
    one(0, 0) = {0, 15};
    EXPECT_EQ(EncodeCells(one), "\u2400\n\nF\n");
    CellBlock block = CellBlock::Sized(3, 2);
    for (int i = 0; i < 6; ++i)
        block.cells[i] = {static_cast<std::uint8_t>(i * 50), static_cast<std::uint8_t>(i)};
    EXPECT_EQ(DecodeCells(EncodeCells(block)).block, block);
    EXPECT_EQ(DecodeCells(EncodeCells(one)).block, one);
    CellBlock whole = CellBlock::Sized(32, 24);
    whole(31, 23) = {255, 9};
    EXPECT_EQ(DecodeCells(EncodeCells(whole)).block, whole);

    const auto error = [](std::string_view text) { return DecodeCells(text).error; };
    EXPECT_EQ(error("ab\nc\n\n00\n0\n"), "row 1 has 1 character; a row has 2");
    EXPECT_EQ(error("ab\n\n0\n"), "colour row 0 has 1 character; a row has 2");
    EXPECT_EQ(error("ab\ncd\n"),
              "the text is not 1 to 24 lines of glyphs, an empty line and as "
              "many lines of colours");
    EXPECT_EQ(error(std::string(33, 'a') + "\n\n" + std::string(33, '0') + "\n"),
              "row 0 has 33 characters; a row has 1 to 32");
    std::string tall;
    for (int i = 0; i < 25; ++i) tall += "a\n";
    tall += "\n";
    for (int i = 0; i < 25; ++i) tall += "0\n";
    EXPECT_FALSE(DecodeCells(tall).block);
    EXPECT_EQ(error("a\tb\n\n000\n"),
              "row 0, column 1: the character U+0009 is not in code page 437");
}

TEST(CellText, PlainTextJoinsRowsAndReadsAnyTextInOneColourOrRefusesIt) {
    CellBlock block = CellBlock::Sized(2, 2);
    block(0, 0) = {'H', 4};
    block(1, 0) = {0, 4};
    block(0, 1) = {1, 4};
    block(1, 1) = {219, 4};
    EXPECT_EQ(EncodePlainText(block), "H\u2400\n\u263A\u2588");

    const CellsOrError text = DecodePlainText("\xEF\xBB\xBFHi\r\n\u263A\n\n", 12);
    ASSERT_TRUE(text.block);
    EXPECT_EQ(text.block->width, 2);
    EXPECT_EQ(text.block->height, 2);
    EXPECT_EQ((*text.block)(0, 0), (BoardCell{'H', 12}));
    EXPECT_EQ((*text.block)(0, 1), (BoardCell{1, 12}));
    EXPECT_EQ((*text.block)(1, 1), (BoardCell{' ', 12})) << "short lines filled out";

    EXPECT_EQ(DecodePlainText("ok\na\tb", 1).error,
              "line 2, character 2: U+0009 (a tab) is not in code page 437");
    EXPECT_EQ(DecodePlainText("\u4E2D", 1).error,
              "line 1, character 1: U+4E2D is not in code page 437");
    EXPECT_FALSE(DecodePlainText("\n\n", 1).block);
    EXPECT_FALSE(DecodePlainText("\xFF", 1).block);
    const CellsOrError big = DecodePlainText(std::string(40, 'x') + std::string(30, '\n') + "y", 1);
    ASSERT_TRUE(big.block);
    EXPECT_EQ(big.block->width, 32);
    EXPECT_EQ(big.block->height, 24);
}

}  // namespace
}  // namespace gridwright
