// A whole editing session driven as a user drives it: open a map, pick brushes, paint cells and
// a rectangle, save, change level, paint, save, and check every byte of the file.
#include <gtest/gtest.h>

#include "test_support.h"

namespace gridwright {
namespace {

using testing::Bytes;

class Session : public ::testing::Test {
  protected:
    void Press(std::int16_t button, std::int16_t shift, int c, int r) {
        testing::PressCell(editor->form, button, shift, c, r);
    }
    void Drag(std::int16_t buttons, std::int16_t shift, int c, int r) {
        testing::MoveToCell(editor->form, buttons, shift, c, r);
    }
    void Pick(std::int16_t button, int glyph, int color) {
        testing::PickBrush(editor->form, button, glyph, color);
    }
    void Choose(MenuCommand command, const std::string& answer = {}) {
        if (!answer.empty()) editor->services.answers.push_back(answer);
        editor->form.Invoke(command);
    }
    // What the file must hold at cell (X, Y) of a level after a save.
    void Expect(int level, int X, int Y, int glyph, int color) {
        const std::size_t at = static_cast<std::size_t>(level) * 1536 + CellOffsetInLevel(X, Y);
        expected[at] = static_cast<std::uint8_t>(glyph);
        expected[at + 1] = static_cast<std::uint8_t>(color << 4);
    }

    testing::ScratchDir dir;
    std::unique_ptr<testing::StartedEditor> editor;
    Bytes expected;
};

TEST_F(Session, PaintSaveChangeLevelPaintSave) {
    const std::string map = dir.File("session.qmap");
    const Bytes original = testing::PatternBytes(3 * 1536, 9);
    testing::WriteBytes(map, original);
    expected = original;
    // Saved levels keep only the upper four bits of every colour byte.
    for (std::size_t i = 1; i < 2 * 1536; i += 2) expected[i] &= 0xF0;

    editor = std::make_unique<testing::StartedEditor>(map);
    Pick(1, 219, 12);  // left: full block, light red
    Pick(2, 'A', 14);  // right: "A", yellow
    Press(1, 0, 0, 0);
    Drag(1, 0, 1, 0);
    Drag(1, 0, 2, 0);
    EXPECT_EQ(editor->services.status, "[L0:2,0=" + std::to_string(original[4]) + "," +
                                           std::to_string(original[5] >> 4) + "]")
        << "the drag showed cell (2, 0) as it was in the file";
    Press(2, 0, 10, 10);
    Press(1, 1, 4, 4);  // Shift: anchor
    Drag(1, 1, 6, 5);   // rectangle (4..6, 4..5)
    Choose(MenuCommand::Save);
    for (int X = 0; X <= 2; ++X) Expect(0, X, 0, 219, 12);
    Expect(0, 10, 10, 'A', 14);
    for (int X = 4; X <= 6; ++X)
        for (int Y = 4; Y <= 5; ++Y) Expect(0, X, Y, 219, 12);

    Choose(MenuCommand::LevelSelect, "1");
    EXPECT_EQ(editor->form.Board(0, 0).Char, original[1536]);
    Pick(4, 3, 9);  // middle: heart, light blue
    Press(4, 0, 31, 23);
    Press(2, 0, 15, 15);
    Drag(2, 0, 15, 16);
    Choose(MenuCommand::Save);
    Expect(1, 31, 23, 3, 9);
    Expect(1, 15, 15, 'A', 14);
    Expect(1, 15, 16, 'A', 14);

    EXPECT_EQ(testing::ReadBytes(map), expected);
    EXPECT_TRUE(editor->services.failures.empty());

    // Both levels load back as saved, in a new window as in a later run.
    editor = std::make_unique<testing::StartedEditor>(map);
    EXPECT_EQ(editor->form.Board(5, 4), (BoardCell{219, 12}));
    Choose(MenuCommand::LevelSelect, "1");
    EXPECT_EQ(editor->form.Board(31, 23), (BoardCell{3, 9}));
    EXPECT_EQ(editor->form.BoardAsLevelBlock(), [&] {
        LevelBlock block;
        std::copy_n(expected.begin() + 1536, 1536, block.begin());
        return block;
    }());
}

// A window that converts only each blit's changed rectangle, as both front ends do, must still
// show exactly the buffer after every blit, whatever the user does.
TEST(WindowPicture, KeepsUpWithEveryBlitThroughAWholeSession) {
    testing::ScratchDir dir;
    const std::string map = dir.File("picture.qmap");
    testing::WriteBytes(map, testing::PatternBytes(2 * 1536, 5));
    HeadlessServices services;
    services.keepPicture = true;
    services.commandLine = map;
    FrmMain form(services);
    form.Form_Load();
    using testing::MoveToCell;
    using testing::PressCell;

    testing::PickBrush(form, kLeftButton, 219, 12);
    testing::PickBrush(form, kMiddleButton, 255, 5);
    testing::PickBrush(form, kRightButton, 'A', 0);
    PressCell(form, kLeftButton, 0, 2, 2);
    for (int c = 3; c < 9; ++c) MoveToCell(form, kLeftButton, 0, c, 2);
    const std::size_t strokeEnd = services.changedRects.size();
    for (std::size_t i = strokeEnd - 6; i < strokeEnd; ++i)
        EXPECT_EQ(services.changedRects[i].Pixels(), 180) << "a stroke step converts one cell";
    PressCell(form, kMiddleButton, kCtrlKey, 5, 5);
    MoveToCell(form, kMiddleButton, kCtrlKey, 6, 5);
    PressCell(form, kRightButton, kShiftKey, 1, 1);
    MoveToCell(form, kRightButton, kShiftKey, 9, 9);
    PressCell(form, kLeftButton, kShiftKey, 0, 0);
    MoveToCell(form, kLeftButton, kShiftKey | kCtrlKey, 31, 23);
    form.Invoke(MenuCommand::Undo);  // the whole-board fill
    form.Invoke(MenuCommand::Undo);  // the Shift rectangle
    form.Invoke(MenuCommand::Redo);
    PressCell(form, kLeftButton, 0, 45, 22);  // the strip below the tables: the legend alone
    PressCell(form, kLeftButton, 0, 32, 5);   // the border: nothing
    services.answers = {"0.4", "1", "", "-3", "0"};
    form.Invoke(MenuCommand::Brightness);
    form.Invoke(MenuCommand::Save);
    form.Invoke(MenuCommand::LevelSelect);  // level 1
    form.Invoke(MenuCommand::LevelSelect);  // cancelled
    form.Invoke(MenuCommand::LevelSelect);  // unreachable: refused
    form.Invoke(MenuCommand::Brightness);   // 0 gives 1
    form.MapFileName = dir.Path().string();
    form.LoadMap();  // a folder: fails, nothing painted

    EXPECT_GT(services.blits, 20);
    EXPECT_EQ(services.staleBlits, 0);
}

}  // namespace
}  // namespace gridwright
