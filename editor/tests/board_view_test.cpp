// The board view: what SetSquare stores and paints, the furniture of DrawBorder, the brush legend,
// and the rectangle each blit tells the window to convert.
#include <gtest/gtest.h>

#include <set>

#include "test_support.h"

namespace gridwright {
namespace {

using testing::StartedEditor;

class BoardView : public ::testing::Test {
  protected:
    std::uint8_t Pixel(int x, int y) const {
        const ModGraphics& g = editor.form.modGraphics;
        return g.ScreenBuffer[static_cast<std::size_t>(g.ScreenHeight - 1 - y) * g.ScreenWidth + x];
    }
    // The cell at column c, row r as drawn: for each pixel, the stroke colour or the background.
    void ExpectCell(int c, int r, int glyph, int foreground, int background) const {
        const ModGraphics& g = editor.form.modGraphics;
        const bool blank = glyph == 0 || glyph == 32 || glyph == 255;
        for (int y = 0; y < 18; ++y)
            for (int x = 0; x < 10; ++x) {
                const bool lit =
                    !blank && g.FontPixel(10 * (glyph % 16) + x, 18 * (glyph / 16) + y);
                ASSERT_EQ(Pixel(10 * c + x, 18 * r + y), lit ? foreground : background)
                    << "cell (" << c << ", " << r << ") pixel (" << x << ", " << y << ")";
            }
    }

    StartedEditor editor;
};

TEST_F(BoardView, SetSquareStoresTheCellAndPaintsItWithoutShowingIt) {
    const int blitsBefore = editor.services.blits;
    editor.form.SetSquare(5, 7, 65, 14);
    EXPECT_EQ(editor.form.Board(5, 7), (BoardCell{65, 14}));
    EXPECT_EQ(editor.form.Board.cells[7 + 24 * 5], (BoardCell{65, 14})) << "column by column";
    ExpectCell(5, 7, 'A', 14, 0);  // pixels x 50..59, y 126..143
    EXPECT_EQ(editor.services.blits, blitsBefore);
    editor.form.DrawBoard();
    EXPECT_EQ(editor.services.blits, blitsBefore + 1);
    EXPECT_EQ(editor.services.BlittedIndex(50, 126), Pixel(50, 126));
}

TEST_F(BoardView, GlyphInColour0ShowsOnDarkGrey) {
    editor.form.SetSquare(0, 0, 65, 0);
    EXPECT_EQ(editor.form.Board(0, 0), (BoardCell{65, 0}));
    ExpectCell(0, 0, 'A', 0, 8);
}

TEST_F(BoardView, Glyph255ShowsABlackXOnItsColour) {
    editor.form.SetSquare(0, 0, 255, 4);
    EXPECT_EQ(editor.form.Board(0, 0), (BoardCell{255, 4}));
    ExpectCell(0, 0, 'X', 0, 4);
    editor.form.SetSquare(1, 0, 255, 0);
    EXPECT_EQ(editor.form.Board(1, 0), (BoardCell{255, 0}));
    ExpectCell(1, 0, 'X', 0, 0);
}

TEST_F(BoardView, BlankGlyphsShowPlainBlackOrDarkGrey) {
    editor.form.SetSquare(0, 0, 0, 9);
    EXPECT_EQ(editor.form.Board(0, 0).Color, 9);
    ExpectCell(0, 0, 0, 9, 0);
    editor.form.SetSquare(1, 0, 32, 0);
    ExpectCell(1, 0, 32, 0, 8);
    editor.form.SetSquare(2, 0, 32, 5);
    ExpectCell(2, 0, 32, 5, 0);
}

TEST_F(BoardView, SetSquareOutsideTheBoardChangesNothing) {
    const BoardGrid board = editor.form.Board;
    const std::vector<std::uint8_t> pixels = editor.form.modGraphics.ScreenBuffer;
    editor.form.SetSquare(32, 0, 65, 1);
    editor.form.SetSquare(0, 24, 65, 1);
    editor.form.SetSquare(-1, 3, 65, 1);
    EXPECT_EQ(editor.form.Board, board);
    EXPECT_EQ(editor.form.modGraphics.ScreenBuffer, pixels);
    EXPECT_THROW(editor.form.Board(32, 0), std::out_of_range);
}

TEST_F(BoardView, BorderColourRowAndGlyphTable) {
    for (int row = 0; row <= 24; ++row) ExpectCell(32, row, 176, 7, 8);
    for (int column = 0; column <= 32; ++column) ExpectCell(column, 24, 176, 7, 8);
    for (int k = 0; k < 16; ++k) ExpectCell(41 + k, 3, "0123456789ABCDEF"[k], k, 0);
    for (int c = 0; c < 256; ++c) ExpectCell(41 + c % 16, 5 + c / 16, c, 15, 8);
    // The board and every cell that nothing paints stay colour 0.
    for (int column : {0, 31, 33, 40, 57, 79})
        for (int row : {0, 1, 4, 21, 23}) {
            if (column == 40 && row == 0) continue;
            ExpectCell(column, row, 0, 0, 0);
        }
    EXPECT_EQ(editor.services.blits, 1) << "the start-up shows the surface once, after the border";
}

TEST_F(BoardView, MouseLegendShowsLettersAndBrushes) {
    editor.form.DrawMouseObj();
    ExpectCell(34, 0, 'L', 7, 0);
    ExpectCell(37, 0, 'M', 7, 0);
    ExpectCell(40, 0, 'R', 7, 0);
    for (int column : {35, 38, 41}) ExpectCell(column, 0, 0, 0, 0);
    EXPECT_EQ(editor.services.blits, 2);

    editor.form.MouseObj[1] = {3, 12};
    editor.form.MouseObj[4] = {65, 0};   // no dark-grey rule for brushes
    editor.form.MouseObj[2] = {255, 9};  // nor the X for glyph 255
    editor.form.DrawMouseObj();
    ExpectCell(35, 0, 3, 12, 0);
    ExpectCell(38, 0, 'A', 0, 0);
    ExpectCell(41, 0, 255, 9, 0);
}

// Each blit hands on the pixels painted since the one before, and no others.
TEST_F(BoardView, OnePaintedCellChangesItsOwn180Pixels) {
    editor.form.SetSquare(5, 7, 65, 14);
    editor.form.DrawBoard();
    EXPECT_EQ(editor.services.changedRects.back(), (PixelRect{50, 126, 10, 18}));
    EXPECT_EQ(editor.services.changedRects.back().Pixels(), 180);
}

TEST_F(BoardView, ABlitWithNothingPaintedChangesNothing) {
    editor.form.DrawBoard();
    EXPECT_TRUE(editor.services.changedRects.back().Empty());
    // Cells far apart: the rectangle that holds both.
    editor.form.SetSquare(0, 0, 1, 1);
    editor.form.SetSquare(31, 23, 1, 1);
    editor.form.DrawBoard();
    EXPECT_EQ(editor.services.changedRects.back(), (PixelRect{0, 0, 320, 432}));
    editor.form.DrawBoard();
    EXPECT_TRUE(editor.services.changedRects.back().Empty());
}

TEST_F(BoardView, TheFirstBlitAndEveryBrightnessChangeEverything) {
    ASSERT_FALSE(editor.services.changedRects.empty());
    EXPECT_EQ(editor.services.changedRects.front(), (PixelRect{0, 0, 800, 450}));
    editor.form.DrawBoard();
    editor.services.answers.push_back("0.5");
    editor.form.Invoke(MenuCommand::Brightness);
    EXPECT_EQ(editor.services.changedRects.back(), (PixelRect{0, 0, 800, 450}))
        << "new colours for every pixel";
}

TEST_F(BoardView, APressChangesItsCellOrInTheStripTheLegend) {
    const std::size_t before = editor.services.changedRects.size();
    testing::PressCell(editor.form, kLeftButton, 0, 3, 4);
    ASSERT_EQ(editor.services.changedRects.size(), before + 1);
    EXPECT_EQ(editor.services.changedRects.back(), (PixelRect{30, 72, 10, 18}));
    testing::PressCell(editor.form, kLeftButton, 0, 45, 3);  // colour 4
    ASSERT_EQ(editor.services.changedRects.size(), before + 2);
    EXPECT_EQ(editor.services.changedRects.back(), (PixelRect{340, 0, 80, 18}))
        << "the legend, cells 34 to 41 of row 0";
}

}  // namespace
}  // namespace gridwright
