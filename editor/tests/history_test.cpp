// The undo history: what makes a step, what Undo and Redo bring back, and its bound.
#include "history.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace gridwright {
namespace {

using testing::Bytes;

class EditHistory : public ::testing::Test {
  protected:
    // A map of three patterned levels, opened at level 0.
    void Start() {
        map = dir.File("history.qmap");
        testing::WriteBytes(map, testing::PatternBytes(3 * 1536, 5));
        original = testing::ReadBytes(map);
        editor = std::make_unique<testing::StartedEditor>(map);
    }
    FrmMain& Form() { return editor->form; }
    HeadlessServices& Services() { return editor->services; }
    void Choose(MenuCommand command, const std::string& answer = {}) {
        if (!answer.empty()) Services().answers.push_back(answer);
        Form().Invoke(command);
    }
    // A press on a cell, a drag along the given cells and the release: one stroke.
    void Stroke(std::int16_t button, std::int16_t shift, std::vector<std::pair<int, int>> cells) {
        testing::PressCell(Form(), button, shift, cells[0].first, cells[0].second);
        for (std::size_t i = 1; i < cells.size(); ++i)
            testing::MoveToCell(Form(), button, shift, cells[i].first, cells[i].second);
        Form().picScreen_MouseUp(0, shift, 0, 0);
    }
    bool MenuEnabled(MenuCommand command) { return Services().menuEnabled.at(command); }

    testing::ScratchDir dir;
    std::string map;
    Bytes original;
    std::unique_ptr<testing::StartedEditor> editor;
};

TEST_F(EditHistory, UndoOfALevelSelectThatDroppedEditsBringsThemBackAndSaveWritesThemHome) {
    Start();
    testing::PickBrush(Form(), 1, 219, 12);
    Stroke(1, 0, {{1, 1}, {2, 1}, {3, 1}});
    const BoardGrid edited = Form().Board;
    const std::string caption = Services().caption;

    Choose(MenuCommand::LevelSelect, "2");
    ASSERT_EQ(Form().CurrentLevel, OptionalNumber::Double(2));
    ASSERT_NE(Form().Board, edited);

    Choose(MenuCommand::Undo);
    EXPECT_EQ(Form().Board, edited);
    EXPECT_EQ(Form().CurrentLevel, OptionalNumber::Whole(0));
    EXPECT_EQ(Form().MapFileName, map);
    EXPECT_EQ(Services().caption, caption);

    Choose(MenuCommand::Save);
    Bytes expected = original;
    for (int X = 1; X <= 3; ++X) {
        expected[CellOffsetInLevel(X, 1)] = 219;
        expected[CellOffsetInLevel(X, 1) + 1] = 12 << 4;
    }
    for (std::size_t i = 1; i < 1536; i += 2) expected[i] &= 0xF0;  // as saved: upper bits only
    EXPECT_EQ(testing::ReadBytes(map), expected) << "Save after Undo wrote level 0 where it was";
}

TEST_F(EditHistory, UndoAfterOpenRestoresTheNameAndTheCaption) {
    editor = std::make_unique<testing::StartedEditor>();
    Choose(MenuCommand::Open, "other.qmap");
    EXPECT_EQ(Services().caption, "QUORIX Map Editor - other.qmap");
    Choose(MenuCommand::Undo);
    EXPECT_EQ(Form().MapFileName, "");
    EXPECT_EQ(Services().caption, "QUORIX Map Editor") << "no name was ever given";
    Choose(MenuCommand::Redo);
    EXPECT_EQ(Form().MapFileName, "other.qmap");
    EXPECT_EQ(Services().caption, "QUORIX Map Editor - other.qmap");
}

TEST_F(EditHistory, AStrokeIsOneStepAndRedoRepaintsIt) {
    Start();
    const BoardGrid before = Form().Board;
    testing::PickBrush(Form(), 1, 65, 3);
    Stroke(1, kCtrlKey, {{4, 4}, {5, 4}, {6, 4}, {6, 5}});  // random colours, still one step
    const BoardGrid after = Form().Board;
    EXPECT_EQ(Form().EditHistory().UndoCount(), 1u);

    Choose(MenuCommand::Undo);
    EXPECT_EQ(Form().Board, before);
    EXPECT_FALSE(MenuEnabled(MenuCommand::Undo));
    EXPECT_TRUE(MenuEnabled(MenuCommand::Redo));
    Choose(MenuCommand::Redo);
    EXPECT_EQ(Form().Board, after);
    EXPECT_TRUE(MenuEnabled(MenuCommand::Undo));
    EXPECT_FALSE(MenuEnabled(MenuCommand::Redo));
}

TEST_F(EditHistory, AShiftRectangleIsOneStep) {
    Start();
    const BoardGrid before = Form().Board;
    testing::PickBrush(Form(), 1, 2, 9);
    testing::PressCell(Form(), 1, kShiftKey, 2, 2);  // anchor: a step of its own
    Form().picScreen_MouseUp(0, kShiftKey, 0, 0);
    const BoardGrid anchored = Form().Board;
    Stroke(1, kShiftKey, {{5, 6}, {6, 7}});
    EXPECT_EQ(Form().Board(6, 7), (BoardCell{2, 9}));
    Choose(MenuCommand::Undo);
    EXPECT_EQ(Form().Board, anchored);
    Choose(MenuCommand::Undo);
    EXPECT_EQ(Form().Board, before);
}

TEST_F(EditHistory, ANewStepAfterUndoDropsTheRedoBranch) {
    Start();
    const BoardGrid before = Form().Board;
    testing::PickBrush(Form(), 1, 1, 1);
    Stroke(1, 0, {{0, 0}});
    Stroke(1, 0, {{1, 0}});
    Choose(MenuCommand::Undo);
    Stroke(1, 0, {{2, 0}});
    EXPECT_FALSE(Form().EditHistory().CanRedo());
    EXPECT_FALSE(MenuEnabled(MenuCommand::Redo));
    Choose(MenuCommand::Redo);  // nothing to redo: nothing changes
    EXPECT_EQ(Form().Board(1, 0), before(1, 0));
    Choose(MenuCommand::Undo);
    Choose(MenuCommand::Undo);
    EXPECT_EQ(Form().Board, before);
}

TEST_F(EditHistory, BrushPicksBrightnessAndSavesAreNoSteps) {
    Start();
    testing::PickBrush(Form(), 1, 219, 12);
    Choose(MenuCommand::Brightness, "0.5");
    Choose(MenuCommand::Save);
    EXPECT_FALSE(Form().EditHistory().CanUndo());
    EXPECT_FALSE(MenuEnabled(MenuCommand::Undo));
    EXPECT_EQ(Form().modGraphics.Brightness, 0.5f);
}

TEST_F(EditHistory, SaveIsNotUndoneAndTheHistorySurvivesIt) {
    Start();
    const BoardGrid before = Form().Board;
    testing::PickBrush(Form(), 1, 219, 12);
    Stroke(1, 0, {{7, 7}});
    Choose(MenuCommand::Save);
    const Bytes saved = testing::ReadBytes(map);
    EXPECT_TRUE(Form().EditHistory().MatchesFile());
    Choose(MenuCommand::Undo);
    EXPECT_EQ(Form().Board, before);
    EXPECT_FALSE(Form().EditHistory().MatchesFile()) << "the file holds the stroke";
    EXPECT_EQ(testing::ReadBytes(map), saved);
    Choose(MenuCommand::Redo);
    EXPECT_TRUE(Form().EditHistory().MatchesFile());
}

TEST_F(EditHistory, AMenuCommandDuringADragClosesTheStrokeFirst) {
    Start();
    testing::PickBrush(Form(), 1, 219, 12);
    const BoardCell before = Form().Board(3, 3);
    testing::PressCell(Form(), 1, 0, 3, 3);
    Choose(MenuCommand::Undo);  // no release yet: the stroke so far is the step undone
    EXPECT_EQ(Form().Board(3, 3), before);
    Form().picScreen_MouseUp(0, 0, 0, 0);  // the late release records nothing more
    EXPECT_FALSE(Form().EditHistory().CanUndo());
}

// Steps are cell changes: the 10,000 costliest strokes (every cell changed) fit the bound, and
// beyond the bound the oldest steps go first.
TEST(HistoryBound, KeepsTenThousandWholeBoardStepsWithin64MiB) {
    History history;
    BoardGrid a, b;
    DocumentPlace place{OptionalNumber::Whole(0), "map.qmap", true};
    for (int step = 0; step < 10000; ++step) {
        for (auto& cell : b.cells) cell = {static_cast<std::uint8_t>(step), 1};
        ASSERT_TRUE(history.Record(a, place, b, place, false));
        std::swap(a, b);
    }
    EXPECT_EQ(history.StepCount(), 10000u);
    EXPECT_LE(history.Bytes(), kHistoryByteLimit);
    std::vector<std::uint16_t> changed;
    int undone = 0;
    while (history.Undo(a, place, changed)) ++undone;
    EXPECT_EQ(undone, 10000);
    EXPECT_EQ(a, BoardGrid{});
}

TEST(HistoryBound, DropsTheOldestStepsBeyondItsLimit) {
    History history(64 * 1024);
    BoardGrid a, b;
    DocumentPlace place;
    for (int step = 0; step < 200; ++step) {
        for (auto& cell : b.cells) cell = {static_cast<std::uint8_t>(step + 1), 2};
        history.Record(a, place, b, place, false);
        a = b;
    }
    EXPECT_LE(history.Bytes(), 64u * 1024);
    EXPECT_LT(history.StepCount(), 200u);
    EXPECT_GT(history.StepCount(), 0u);
    std::vector<std::uint16_t> changed;
    while (history.Undo(a, place, changed)) {
    }
    EXPECT_NE(a, BoardGrid{}) << "the oldest steps were dropped, so the first board is gone";
    EXPECT_FALSE(history.MatchesFile()) << "position 0 is out of reach";
}

}  // namespace
}  // namespace gridwright
