// Mouse editing: pointer to cell, the status line, brushes, the Shift rectangle, random colours
// and the palette strip, driven through the handlers as a window system drives them.
#include <gtest/gtest.h>

#include "classic_random.h"
#include "pointer_input.h"
#include "test_support.h"

namespace gridwright {
namespace {

// The values the window system delivers: buttons 1 left, 2 right, 4 middle; keys 1 Shift, 2 Ctrl,
// 4 Alt.
static_assert(kLeftButton == 1 && kRightButton == 2 && kMiddleButton == 4 && kAllButtons == 7);
static_assert(kShiftKey == 1 && kCtrlKey == 2 && kAltKey == 4);

class Mouse : public ::testing::Test {
  protected:
    void Press(std::int16_t button, std::int16_t shift, int c, int r) {
        testing::PressCell(form, button, shift, c, r);
    }
    void Move(std::int16_t buttons, std::int16_t shift, int c, int r) {
        testing::MoveToCell(form, buttons, shift, c, r);
    }
    void PickLeft(int glyph, int color) { testing::PickBrush(form, kLeftButton, glyph, color); }
    int Painted(BoardCell brush) const {
        int count = 0;
        for (const BoardCell& cell : form.Board.cells) count += cell == brush;
        return count;
    }
    // The colours that the unseeded generator gives, in order.
    static std::vector<std::uint8_t> RandomColors(int count) {
        ClassicRandom random;
        std::vector<std::uint8_t> colors;
        for (int i = 0; i < count; ++i)
            colors.push_back(static_cast<std::uint8_t>(static_cast<int>(15 * random.Next()) + 1));
        return colors;
    }

    testing::StartedEditor editor;
    FrmMain& form = editor.form;
    HeadlessServices& services = editor.services;
};

TEST_F(Mouse, PixelsToCellsAtTheBoundaries) {
    form.picScreen_MouseMove(0, 0, 9, 0);
    EXPECT_EQ(services.status, "[L:0,0=0,0]");
    form.picScreen_MouseMove(0, 0, 10, 17);
    EXPECT_EQ(services.status, "[L:1,0=0,0]");
    form.picScreen_MouseMove(0, 0, 0, 18);
    EXPECT_EQ(services.status, "[L:0,1=0,0]");
    form.picScreen_MouseMove(0, 0, 319, 431);
    EXPECT_EQ(services.status, "[L:31,23=0,0]");
    // Halves round to even before the division: 9.5 is 10 (column 1), 8.5 is 8 (column 0).
    form.picScreen_MouseMove(0, 0, 9.5f, 0);
    EXPECT_EQ(services.status, "[L:1,0=0,0]");
    form.picScreen_MouseMove(0, 0, 8.5f, 0);
    EXPECT_EQ(services.status, "[L:0,0=0,0]");

    // Off the board a move does nothing at all, with or without a button.
    const int blits = services.blits;
    form.picScreen_MouseMove(kLeftButton, 0, 320, 0);
    form.picScreen_MouseMove(kLeftButton, 0, 0, 432);
    form.picScreen_MouseMove(kLeftButton, 0, -10, 0);
    EXPECT_EQ(services.status, "[L:0,0=0,0]");
    EXPECT_EQ(services.blits, blits);
    EXPECT_EQ(form.Board, BoardGrid{});
}

TEST_F(Mouse, DragJustLeftOfTheSurfaceStillPaintsColumn0) {
    PickLeft('A', 12);
    form.picScreen_MouseMove(kLeftButton, 0, -9, -17);
    EXPECT_EQ(form.Board(0, 0), (BoardCell{'A', 12}));
}

TEST_F(Mouse, StatusLineShowsLevelCellAndContents) {
    form.SetSquare(5, 7, 65, 15);
    form.CurrentLevel = OptionalNumber::Whole(0);
    Move(0, 0, 5, 7);
    EXPECT_EQ(services.status, "[L0:5,7=65,15]");
    form.CurrentLevel = OptionalNumber::Double(2.5);
    Move(0, 0, 5, 7);
    EXPECT_EQ(services.status, "[L2.5:5,7=65,15]");
}

TEST_F(Mouse, DuringADragTheStatusShowsTheCellBeforeItIsPainted) {
    form.SetSquare(3, 3, 65, 2);
    PickLeft(1, 14);
    Move(kLeftButton, 0, 3, 3);
    EXPECT_EQ(services.status, "[L:3,3=65,2]");
    EXPECT_EQ(form.Board(3, 3), (BoardCell{1, 14}));
    Move(kLeftButton, 0, 3, 3);
    EXPECT_EQ(services.status, "[L:3,3=1,14]");
}

TEST_F(Mouse, ModifierKeysLeaveStatusAndAnchorAlone) {
    Press(kLeftButton, kShiftKey, 2, 2);
    Move(0, 0, 9, 9);
    const std::string status = services.status;
    Press(kLeftButton, kShiftKey, 2, 2);
    for (std::int16_t shift : {kShiftKey, kCtrlKey, kAltKey, std::int16_t{7}})
        for (std::int16_t buttons : {0, 1}) {
            Move(buttons, shift, 5, 5);
            EXPECT_EQ(services.status, status);
            EXPECT_EQ(form.AnchorX, OptionalNumber::Whole(2));
        }
}

TEST_F(Mouse, PlainMoveOverTheBoardClearsOnlyAnchorX) {
    Press(kLeftButton, kShiftKey, 4, 6);
    Move(0, 0, 30, 0);
    EXPECT_EQ(form.AnchorX, OptionalNumber::Whole(99));
    EXPECT_EQ(form.AnchorY, OptionalNumber::Whole(6));
}

TEST_F(Mouse, MovesOffTheBoardNeverClearTheAnchor) {
    Press(kLeftButton, kShiftKey, 4, 6);
    Move(0, 0, 40, 10);
    Move(0, 0, 5, 24);
    EXPECT_EQ(form.AnchorX, OptionalNumber::Whole(4));
}

TEST_F(Mouse, GlyphGridCornersAndColourRow) {
    Press(kLeftButton, 0, 41, 5);
    EXPECT_EQ(form.MouseObj[1].Char, 0);
    Press(kLeftButton, 0, 56, 5);
    EXPECT_EQ(form.MouseObj[1].Char, 15);
    Press(kLeftButton, 0, 41, 20);
    EXPECT_EQ(form.MouseObj[1].Char, 240);
    Press(kLeftButton, 0, 56, 20);
    EXPECT_EQ(form.MouseObj[1].Char, 255);
    for (int k = 0; k < 16; ++k) {
        Press(kMiddleButton, 0, 41 + k, 3);
        EXPECT_EQ(form.MouseObj[4].Color, k);
    }
    EXPECT_EQ(form.MouseObj[1].Color, 0);
    // The legend shows the picks: the middle brush at column 38 in colour 15.
    bool shown = false;
    for (int y = 0; y < 18; ++y)
        for (int x = 380; x < 390; ++x) shown |= services.BlittedIndex(x, y) == 15;
    EXPECT_FALSE(shown) << "the middle brush is glyph 0, blank";
}

TEST_F(Mouse, RightButtonPickChangesOnlyItsOwnBrush) {
    PickLeft('L', 9);
    Press(kMiddleButton, 0, 41 + 3, 5);
    Press(kRightButton, 0, 41 + 2, 5 + 4);  // glyph 66, "B"
    Press(kRightButton, 0, 41 + 10, 3);
    EXPECT_EQ(form.MouseObj[2], (BoardCell{66, 10}));
    EXPECT_EQ(form.MouseObj[1], (BoardCell{'L', 9}));
    EXPECT_EQ(form.MouseObj[4], (BoardCell{3, 0}));
}

TEST_F(Mouse, PicksBesideTheTablesFollowTheFormulaOnlyWhileItGivesAValidValue) {
    Press(kLeftButton, 0, 40, 6);  // (6 - 5) * 16 + (40 - 41) = 15
    EXPECT_EQ(form.MouseObj[1].Char, 15);
    Press(kLeftButton, 0, 72, 19);  // 14 * 16 + 31 = 255
    EXPECT_EQ(form.MouseObj[1].Char, 255);
    const BoardCell before = form.MouseObj[1];
    Press(kLeftButton, 0, 34, 5);   // -7: no glyph
    Press(kLeftButton, 0, 57, 20);  // 256: no glyph
    Press(kLeftButton, 0, 73, 19);  // 256
    Press(kLeftButton, 0, 60, 3);   // colour 19: not in the palette
    Press(kLeftButton, 0, 40, 3);   // colour -1
    EXPECT_EQ(form.MouseObj[1], before);
}

TEST_F(Mouse, PressesInTheStripOutsideTheTablesOnlyRedrawTheLegend) {
    PickLeft(3, 12);
    const auto brushes = form.MouseObj;
    for (int row : {0, 1, 2, 4, 21, 24}) {
        const int blits = services.blits;
        Press(kLeftButton, 0, 45, row);
        EXPECT_EQ(form.MouseObj, brushes);
        EXPECT_EQ(services.blits, blits + 1) << "row " << row;
    }
    for (int column : {32, 33}) {
        Press(kLeftButton, kShiftKey, 2, 2);
        const int blits = services.blits;
        Press(kLeftButton, 0, column, 5);
        EXPECT_EQ(services.blits, blits) << "no redraw at column " << column;
        EXPECT_EQ(form.AnchorX, OptionalNumber::Whole(99));
        EXPECT_EQ(form.AnchorY, OptionalNumber::Whole(99));
    }
}

TEST_F(Mouse, TwoShiftPressesFillTheRectangleBetweenThem) {
    PickLeft('#', 10);
    const BoardCell brush{'#', 10};
    Press(kLeftButton, kShiftKey, 2, 3);
    EXPECT_EQ(Painted(brush), 1);
    Press(kLeftButton, kShiftKey, 5, 6);
    EXPECT_EQ(Painted(brush), 16);
    for (int X = 2; X <= 5; ++X)
        for (int Y = 3; Y <= 6; ++Y) EXPECT_EQ(form.Board(X, Y), brush);
    EXPECT_EQ(form.AnchorX, OptionalNumber::Whole(5));
    EXPECT_EQ(form.AnchorY, OptionalNumber::Whole(6));
}

TEST_F(Mouse, ShiftPressesInTheOtherOrderPaintOnlyTheSecondCell) {
    PickLeft('#', 10);
    Press(kLeftButton, kShiftKey, 5, 6);
    Press(kLeftButton, kShiftKey, 2, 3);
    EXPECT_EQ(Painted({'#', 10}), 2);
    EXPECT_EQ(form.Board(2, 3), (BoardCell{'#', 10}));
}

TEST_F(Mouse, RectangleAboveTheAnchorSetsNoCellButThePointers) {
    PickLeft('#', 10);
    Press(kLeftButton, kShiftKey, 2, 6);
    Move(kLeftButton, kShiftKey, 5, 3);
    EXPECT_EQ(Painted({'#', 10}), 2);
}

TEST_F(Mouse, ShiftDragGrowsTheRectangleAndKeepsWhatItFilled) {
    PickLeft('#', 10);
    Press(kLeftButton, kShiftKey, 0, 0);
    Move(kLeftButton, kShiftKey, 4, 4);
    Move(kLeftButton, kShiftKey, 1, 1);
    EXPECT_EQ(Painted({'#', 10}), 25);
}

TEST_F(Mouse, ShiftWithoutAnyAnchorYetPaintsOnlyThePointersCell) {
    form.MouseObj[1] = {'#', 10};  // set directly: a palette press would set the anchor to none
    ASSERT_FALSE(form.AnchorX.HasValue());
    Move(kLeftButton, kShiftKey, 6, 6);
    EXPECT_EQ(Painted({'#', 10}), 1);
    EXPECT_EQ(form.Board(6, 6), (BoardCell{'#', 10}));
}

TEST_F(Mouse, ShiftPressWithNoAnchorPaintsItsCellThenAnchorsThere) {
    PickLeft('#', 10);  // the palette presses leave the anchor at none (99)
    Press(kLeftButton, kShiftKey, 7, 8);
    EXPECT_EQ(Painted({'#', 10}), 1);
    EXPECT_EQ(form.AnchorX, OptionalNumber::Whole(7));
    EXPECT_EQ(form.AnchorY, OptionalNumber::Whole(8));
    Press(kLeftButton, kShiftKey | kCtrlKey, 7, 8);
    EXPECT_EQ(form.AnchorX, OptionalNumber::Whole(99)) << "any other keys clear the anchor";
}

TEST_F(Mouse, ShiftCtrlGivesEveryCellOfTheRectangleAFreshColour) {
    PickLeft('o', 1);
    Press(kLeftButton, kShiftKey, 0, 0);  // paints (0, 0) in colour 1
    Move(kLeftButton, kShiftKey | kCtrlKey, 1, 2);
    // Column by column, each top to bottom, one random colour per cell; the pointer's cell is then
    // painted again with the last one.
    const std::vector<std::uint8_t> colors = RandomColors(6);
    int k = 0;
    for (int X = 0; X <= 1; ++X)
        for (int Y = 0; Y <= 2; ++Y) EXPECT_EQ(form.Board(X, Y), (BoardCell{'o', colors[k++]}));
    EXPECT_EQ(form.MouseObj[1].Color, colors[5]);
    EXPECT_EQ(colors[0], 11) << "the first random colour of every run";
}

TEST_F(Mouse, CtrlDragGivesEachCellARandomColourAndTheBrushKeepsTheLast) {
    PickLeft('o', 4);
    const std::vector<std::uint8_t> colors = RandomColors(3);
    for (int X = 0; X < 3; ++X) Move(kLeftButton, kCtrlKey, X, 0);
    for (int X = 0; X < 3; ++X) {
        EXPECT_EQ(form.Board(X, 0).Color, colors[X]);
        EXPECT_GE(colors[X], 1);
        EXPECT_LE(colors[X], 15);
    }
    EXPECT_EQ(form.MouseObj[1].Color, colors[2]);
    // The legend still shows the brush in its old colour 4 until the next palette press.
    const auto legendHas = [&](std::uint8_t color) {
        for (int y = 0; y < 18; ++y)
            for (int x = 350; x < 360; ++x)
                if (services.BlittedIndex(x, y) == color) return true;
        return false;
    };
    EXPECT_TRUE(legendHas(4));
    Press(kLeftButton, 0, 45, 0);
    EXPECT_TRUE(legendHas(colors[2]));
    EXPECT_FALSE(legendHas(4));
}

TEST_F(Mouse, CtrlWithAltPaintsPlainly) {
    PickLeft('o', 4);
    Move(kLeftButton, kCtrlKey | kAltKey, 3, 3);
    Move(kLeftButton, kAltKey, 4, 3);
    EXPECT_EQ(form.Board(3, 3), (BoardCell{'o', 4}));
    EXPECT_EQ(form.Board(4, 3), (BoardCell{'o', 4}));
}

TEST_F(Mouse, ChordsPaintWithTheirOwnBrush) {
    PickLeft('o', 4);
    form.SetSquare(3, 3, 9, 9);
    Move(kLeftButton | kRightButton, 0, 3, 3);
    EXPECT_EQ(form.Board(3, 3), BoardCell{});  // entry 3: glyph 0 in colour 0
    Move(kLeftButton | kRightButton | kMiddleButton, kCtrlKey, 4, 4);
    EXPECT_EQ(form.MouseObj[7].Color, RandomColors(1)[0]);
    EXPECT_EQ(form.MouseObj[1], (BoardCell{'o', 4}));
}

TEST_F(Mouse, ButtonsBeyondTheSevenCombinationsPaintNothing) {
    form.picScreen_MouseMove(8, 0, 5, 5);
    form.picScreen_MouseDown(-1, 0, 5, 5);
    form.picScreen_MouseDown(16, 0, 455, 100);
    EXPECT_EQ(form.Board, BoardGrid{});
}

}  // namespace
}  // namespace gridwright
