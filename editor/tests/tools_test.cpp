// The drawing tools as the user drives them through FrmMain: each gesture one step of the history
// and of the recovery journal, previews and outlines on the surface only, the keys the core takes,
// and the clipboard in both its forms.
#include <gtest/gtest.h>

#include <filesystem>

#include "cell_text/cell_text.h"
#include "drawing/line_cells.h"
#include "drawing/selection.h"
#include "recovery_journal.h"
#include "test_support.h"

namespace gridwright {
namespace {

using testing::MoveToCell;
using testing::PressCell;

constexpr std::uint8_t kBlock = 219;  // a full block: its cell's centre pixel shows its colour

class Tools : public ::testing::Test {
  protected:
    Tools() {
        services.keepPicture = true;  // each blit from here on shows only what it says changed
        form.DrawBorder();
        testing::PickBrush(form, kLeftButton, kBlock, 12);
    }
    void Release(int c, int r, std::int16_t shift = 0) {
        form.picScreen_MouseUp(0, shift, 10.0f * c + 5, 18.0f * r + 9);
    }
    void Drag(std::int16_t shift, BoardPoint from, std::vector<BoardPoint> through) {
        PressCell(form, kLeftButton, shift, from.X, from.Y);
        for (const BoardPoint cell : through) MoveToCell(form, kLeftButton, shift, cell.X, cell.Y);
        Release(through.back().X, through.back().Y, shift);
    }
    std::uint8_t Shown(int X, int Y) const { return services.BlittedIndex(10 * X + 5, 18 * Y + 9); }
    BrushLegend Legend() const {
        return {form.MouseObj[kLeftButton], form.MouseObj[kMiddleButton],
                form.MouseObj[kRightButton]};
    }
    std::size_t Steps() const { return form.EditHistory().UndoCount(); }
    // A board with a different cell everywhere, set without a step.
    void Pattern() {
        for (int X = 0; X < kBoardColumns; ++X)
            for (int Y = 0; Y < kBoardRows; ++Y)
                form.SetSquare(X, Y, static_cast<std::uint8_t>(X + 32 * (Y % 8)),
                               static_cast<std::uint8_t>(Y % 16));
        form.DrawBoard();
    }

    testing::ScratchDir dir;
    testing::StartedEditor editor{{}, (dir.Path() / "state").string()};
    FrmMain& form = editor.form;
    HeadlessServices& services = editor.services;
};

TEST_F(Tools, LinePreviewsOnTheSurfaceOnlyAndReleasePaintsOneStep) {
    form.Invoke(MenuCommand::ToolLine);
    PressCell(form, kLeftButton, 0, 2, 2);
    MoveToCell(form, kLeftButton, 0, 2, 9);
    EXPECT_EQ(form.Board, BoardGrid{}) << "a preview never reaches Board";
    EXPECT_EQ(Shown(2, 6), 12);
    MoveToCell(form, kLeftButton, 0, 9, 2);
    EXPECT_NE(Shown(2, 6), 12) << "the cells under the old preview come back";
    EXPECT_EQ(Shown(5, 2), 12);
    Release(12, 5);
    BoardGrid expected;
    for (const BoardPoint cell : LineCells({2, 2}, {12, 5}))
        expected(cell.X, cell.Y) = {kBlock, 12};
    EXPECT_EQ(form.Board, expected);
    EXPECT_EQ(Steps(), 1u);
    EXPECT_EQ(services.staleBlits, 0);
    EXPECT_EQ(services.blittedBits, RenderSurface(form.Board, Legend(), 1).bits)
        << "no preview left on the surface";
    form.Invoke(MenuCommand::Undo);
    EXPECT_EQ(form.Board, BoardGrid{});
}

TEST_F(Tools, CtrlGivesEachPaintedCellItsRandomColourInPaintingOrder) {
    ClassicRandom random;
    const auto next = [&] { return static_cast<std::uint8_t>(int(15 * random.Next()) + 1); };
    form.Invoke(MenuCommand::ToolLine);
    Drag(kCtrlKey, {0, 0}, {{3, 0}});
    for (int X = 0; X <= 3; ++X) EXPECT_EQ(form.Board(X, 0).Color, next()) << X;
    form.Invoke(MenuCommand::ToolFill);
    PressCell(form, kLeftButton, kCtrlKey, 0, 1);  // the blank rest, column by column
    Release(0, 1, kCtrlKey);
    EXPECT_EQ(form.Board(0, 1).Color, next());
    EXPECT_EQ(form.Board(0, 2).Color, next());
    EXPECT_EQ(Steps(), 2u);
}

TEST_F(Tools, EscapeCancelsAGestureAndTheHeldButtonsPaintNothingMore) {
    for (const MenuCommand tool : {MenuCommand::ToolLine, MenuCommand::ToolPen}) {
        form.Invoke(tool);
        PressCell(form, kLeftButton, 0, 1, 1);
        MoveToCell(form, kLeftButton, 0, 6, 1);
        EXPECT_TRUE(form.KeyDown(NamedKey::Escape, 0));
        MoveToCell(form, kLeftButton, 0, 7, 3);
        Release(7, 3);
        EXPECT_EQ(form.Board, BoardGrid{});
        EXPECT_EQ(Shown(3, 1), BoardCellLook({}).background);
        EXPECT_EQ(Steps(), 0u);
    }
    EXPECT_FALSE(form.KeyDown(NamedKey::Escape, 0)) << "nothing left to cancel";
}

TEST_F(Tools, FillIsOneStepAndFillingWithWhatTheRegionHoldsMakesNone) {
    form.Invoke(MenuCommand::ToolFill);
    PressCell(form, kLeftButton, 0, 20, 20);
    Release(20, 20);
    BoardGrid whole;
    whole.cells.fill({kBlock, 12});
    EXPECT_EQ(form.Board, whole);
    EXPECT_EQ(Steps(), 1u);
    PressCell(form, kLeftButton, 0, 3, 3);
    Release(3, 3);
    EXPECT_EQ(Steps(), 1u) << "no-op fill";
    EXPECT_FALSE(form.EditHistory().CanRedo());
}

TEST_F(Tools, SelectionOutlineIsDrawnOnlyAndDragsClampAtTheEdges) {
    Pattern();
    const BoardGrid before = form.Board;
    form.Invoke(MenuCommand::ToolSelect);
    PressCell(form, kLeftButton, 0, 30, 22);
    form.picScreen_MouseMove(kLeftButton, 0, 900, 600);  // off the surface
    Release(79, 24);
    EXPECT_EQ(form.Selection(), (CellRect{30, 22, 2, 2}));
    EXPECT_EQ(form.Board, before);
    EXPECT_EQ(services.BlittedIndex(300, 18 * 22), 15) << "the outline's dash";
    EXPECT_EQ(services.menuEnabled.at(MenuCommand::Copy), true);
    EXPECT_TRUE(form.KeyDown(NamedKey::Escape, 0));
    EXPECT_EQ(form.Selection(), std::nullopt);
    EXPECT_EQ(services.menuEnabled.at(MenuCommand::Copy), false);
    EXPECT_EQ(services.BlittedIndex(300, 18 * 22),
              RenderSurface(before, std::nullopt, 1).At(300, 396));
    EXPECT_EQ(Steps(), 0u);
}

TEST_F(Tools, MoveAndCtrlCopyPastTheEdgeAreOneStepEach) {
    Pattern();
    const BoardGrid before = form.Board;
    form.Invoke(MenuCommand::ToolSelect);
    Drag(0, {28, 3}, {{29, 4}});
    PressCell(form, kLeftButton, 0, 29, 4);  // inside: a move
    MoveToCell(form, kLeftButton, 0, 30, 4);
    EXPECT_EQ(form.Board, before) << "the move previews until the release";
    MoveToCell(form, kLeftButton, 0, 31, 6);
    Release(31, 6);
    EXPECT_EQ(form.Selection(), (CellRect{30, 5, 2, 2}));
    EXPECT_EQ(form.Board(30, 5), before(28, 3));
    EXPECT_EQ(form.Board(31, 6), before(29, 4));
    EXPECT_EQ(form.Board(28, 3), kBlankCell);
    EXPECT_EQ(Steps(), 1u);

    PressCell(form, kLeftButton, kCtrlKey, 30, 5);
    MoveToCell(form, kLeftButton, kCtrlKey, 31, 23);
    Release(31, 23, kCtrlKey);
    EXPECT_EQ(form.Selection(), (CellRect{31, 23, 1, 1}));
    EXPECT_EQ(form.Board(31, 23), before(28, 3));
    EXPECT_EQ(form.Board(30, 5), before(28, 3)) << "a copy leaves the cells";
    EXPECT_EQ(Steps(), 2u);
    form.Invoke(MenuCommand::Undo);
    form.Invoke(MenuCommand::Undo);
    EXPECT_EQ(form.Board, before);
    EXPECT_EQ(services.staleBlits, 0);
}

TEST_F(Tools, CutCopyPasteDeleteAndSelectAllKeepGlyphsAndColours) {
    Pattern();
    const BoardGrid before = form.Board;
    form.Invoke(MenuCommand::SelectAll);
    EXPECT_EQ(form.CurrentTool(), Tool::Select);
    EXPECT_EQ(form.Selection(), kWholeBoard);
    form.Invoke(MenuCommand::Copy);
    const CellsOrError copied = DecodeCells(*services.clipboard.cells);
    ASSERT_TRUE(copied.block);
    EXPECT_EQ(copied.block->width, 32);
    EXPECT_EQ(*services.clipboard.text, EncodePlainText(*copied.block));
    EXPECT_EQ(std::count(services.clipboard.text->begin(), services.clipboard.text->end(), '\n'),
              23);

    EXPECT_TRUE(form.KeyDown(NamedKey::Escape, 0));  // else the press would move everything
    Drag(0, {1, 1}, {{2, 2}});
    form.Invoke(MenuCommand::Cut);
    EXPECT_EQ(form.Board(1, 1), kBlankCell);
    EXPECT_EQ(form.Board(2, 2), kBlankCell);
    EXPECT_EQ(Steps(), 1u);
    // Pasted at the pointer, clipped at the edges, selected.
    MoveToCell(form, 0, 0, 31, 22);
    form.Invoke(MenuCommand::Paste);
    EXPECT_EQ(form.Board(31, 22), before(1, 1));
    EXPECT_EQ(form.Board(31, 23), before(1, 2));
    EXPECT_EQ(form.Selection(), (CellRect{31, 22, 1, 2}));
    EXPECT_EQ(Steps(), 2u);
    // Off the board, at its top-left cell.
    form.PointerLeft();
    form.Invoke(MenuCommand::Paste);
    EXPECT_EQ(form.Board(0, 0), before(1, 1));
    EXPECT_EQ(form.Board(1, 1), before(2, 2));
    EXPECT_TRUE(form.KeyDown(NamedKey::Delete, 0));
    EXPECT_EQ(form.Board(0, 0), kBlankCell);
    EXPECT_EQ(Steps(), 4u);
    EXPECT_TRUE(services.failures.empty());
}

TEST_F(Tools, PastePrefersCellsTakesPlainTextInTheLeftColourAndRefusesOtherText) {
    services.clipboard = {"A\n\n5\n", "B"};
    form.Invoke(MenuCommand::Paste);
    EXPECT_EQ(form.Board(0, 0), (BoardCell{'A', 5}));
    services.clipboard = {std::nullopt, "Hi\n\u2302!"};
    form.Invoke(MenuCommand::Paste);
    EXPECT_EQ(form.Board(1, 0), (BoardCell{'i', 12}));
    EXPECT_EQ(form.Board(0, 1), (BoardCell{127, 12}));
    EXPECT_EQ(Steps(), 2u);

    const BoardGrid before = form.Board;
    services.clipboard = {std::nullopt, "a\tb"};
    form.Invoke(MenuCommand::Paste);
    ASSERT_EQ(services.failures.size(), 1u);
    EXPECT_EQ(services.failures[0],
              "Could not paste the clipboard's text: line 1, character 2: U+0009 (a tab) is not in "
              "code page 437.");
    services.clipboard = {};
    form.Invoke(MenuCommand::Paste);
    EXPECT_EQ(services.failures.size(), 2u);
    EXPECT_EQ(form.Board, before);
    EXPECT_EQ(Steps(), 2u);

    // A clipboard that answers later (the browser's) hands its content over itself.
    services.clipboardAtOnce = false;
    form.Invoke(MenuCommand::Paste);
    EXPECT_EQ(form.Board, before);
    form.PasteClipboard({"\u263A\n\nE\n", std::nullopt});
    EXPECT_EQ(form.Board(0, 0), (BoardCell{1, 14}));
}

TEST_F(Tools, PickSetsTheButtonsBrushAndRepaintsTheLegendWithoutAStep) {
    form.SetSquare(4, 4, 65, 9);
    form.Invoke(MenuCommand::ToolPick);
    PressCell(form, kRightButton, 0, 4, 4);
    Release(4, 4);
    EXPECT_EQ(form.MouseObj[kRightButton], (BoardCell{65, 9}));
    EXPECT_EQ(form.MouseObj[kLeftButton], (BoardCell{kBlock, 12}));
    EXPECT_EQ(services.blittedBits, RenderSurface(form.Board, Legend(), 1).bits);
    EXPECT_EQ(Steps(), 0u);
}

TEST_F(Tools, TextTypesInTheLeftColourStopsAtEdgesAndIsOneStep) {
    form.Invoke(MenuCommand::ToolText);
    PressCell(form, kLeftButton, 0, 29, 22);
    Release(29, 22);
    ASSERT_EQ(form.Caret(), (BoardPoint{29, 22}));
    for (const char32_t c : U"ABCD") form.TypeCharacter(c);
    EXPECT_EQ(form.CurrentTool(), Tool::Text) << "letters are text while the caret shows";
    EXPECT_EQ(form.Board(29, 22), (BoardCell{'A', 12}));
    EXPECT_EQ(form.Board(31, 22), (BoardCell{'D', 12})) << "the caret stops at the edge";
    EXPECT_EQ(services.BlittedIndex(10 * 31 + 5, 18 * 22 + 17), 15) << "the caret shows";
    EXPECT_TRUE(form.KeyDown(NamedKey::Backspace, 0));
    EXPECT_EQ(form.Board(30, 22), kBlankCell);
    EXPECT_TRUE(form.KeyDown(NamedKey::Enter, 0));
    EXPECT_EQ(form.Caret(), (BoardPoint{29, 23}));
    EXPECT_FALSE(form.TypeCharacter(U'\u4E2D'));
    EXPECT_TRUE(form.TypeCharacter(U'\u263A'));
    EXPECT_TRUE(form.KeyDown(NamedKey::Enter, 0));
    EXPECT_TRUE(form.KeyDown(NamedKey::Down, 0));
    EXPECT_EQ(form.Caret(), (BoardPoint{30, 23})) << "no row below the last";
    EXPECT_EQ(form.Board(29, 23), (BoardCell{1, 12}));
    EXPECT_EQ(Steps(), 0u) << "typing is one step, at its end";
    EXPECT_TRUE(form.KeyDown(NamedKey::Escape, 0));
    EXPECT_EQ(form.Caret(), std::nullopt);
    EXPECT_NE(services.BlittedIndex(10 * 31 + 5, 18 * 22 + 17), 15);
    EXPECT_EQ(Steps(), 1u);
    EXPECT_TRUE(form.TypeCharacter(U'l')) << "a tool key once the caret is gone";
    EXPECT_EQ(form.CurrentTool(), Tool::Line);
    form.Invoke(MenuCommand::Undo);
    EXPECT_EQ(form.Board, BoardGrid{});
    EXPECT_EQ(services.staleBlits, 0);
}

TEST_F(Tools, ToolKeysCheckTheirItemAndAToolChangeEndsTheGestureAsOneStep) {
    EXPECT_FALSE(form.TypeCharacter(U'x'));
    EXPECT_TRUE(form.TypeCharacter(U'L'));
    EXPECT_EQ(services.menuChecked.at(MenuCommand::ToolLine), true);
    EXPECT_EQ(services.menuChecked.at(MenuCommand::ToolPen), false);
    MoveToCell(form, 0, 0, 3, 3);
    EXPECT_EQ(services.pointerShapes.back(), PointerShape::Crosshair);
    PressCell(form, kLeftButton, 0, 3, 3);
    MoveToCell(form, kLeftButton, 0, 6, 3);
    EXPECT_TRUE(form.TypeCharacter(U'b'));
    EXPECT_EQ(services.pointerShapes.back(), PointerShape::Arrow);
    EXPECT_EQ(Steps(), 1u);
    MoveToCell(form, kLeftButton, 0, 6, 9);  // still held: the Pen waits for the next press
    Release(6, 9);
    BoardGrid expected;
    for (int X = 3; X <= 6; ++X) expected(X, 3) = {kBlock, 12};
    EXPECT_EQ(form.Board, expected);
    EXPECT_EQ(Steps(), 1u);
}

// Every kind of gesture keeps the document for recovery when it ends.
TEST_F(Tools, EachGestureReachesTheRecoveryJournal) {
    const auto journalled = [&] {
        std::vector<std::filesystem::path> journals;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path() / "state"))
            if (entry.path().extension() == ".journal") journals.push_back(entry.path());
        if (journals.size() != 1) return BoardGrid{};
        const testing::Bytes bytes = testing::ReadBytes(journals[0].string());
        BoardGrid board;
        DocumentPlace place;
        std::string why;
        EXPECT_TRUE(DecodeJournal(bytes, board, place, why)) << why;
        return board;
    };
    form.Invoke(MenuCommand::ToolLine);
    Drag(0, {0, 0}, {{5, 5}});
    EXPECT_EQ(journalled(), form.Board);
    form.Invoke(MenuCommand::ToolFill);
    Drag(0, {9, 9}, {{9, 9}});
    EXPECT_EQ(journalled(), form.Board);
    form.Invoke(MenuCommand::ToolSelect);
    Drag(0, {0, 0}, {{2, 2}});
    Drag(0, {1, 1}, {{4, 1}});
    EXPECT_EQ(journalled(), form.Board);
    form.Invoke(MenuCommand::ToolText);
    Drag(0, {10, 10}, {{10, 10}});
    form.TypeCharacter(U'Q');
    form.Invoke(MenuCommand::ToolPen);
    EXPECT_EQ(form.Board(10, 10), (BoardCell{'Q', 12}));
    EXPECT_EQ(journalled(), form.Board);
    EXPECT_EQ(Steps(), 4u);
}

}  // namespace
}  // namespace gridwright
