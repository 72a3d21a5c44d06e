// The Level menu: operations on whole levels of the map file, their undo, and the overview.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "levels/level_operations.h"
#include "levels/overview.h"
#include "test_support.h"

namespace gridwright {
namespace {

using testing::Bytes;
constexpr std::size_t L = kLevelBytes;

Bytes Level(const Bytes& map, std::size_t level) {
    return Bytes(map.begin() + static_cast<std::ptrdiff_t>(level * L),
                 map.begin() + static_cast<std::ptrdiff_t>((level + 1) * L));
}

// Applies an edit and its inverse: the bytes come back exactly.
Bytes EditAndUndo(const LevelEdit& edit, const Bytes& map, Bytes& undone) {
    Bytes bytes = map;
    EXPECT_EQ(EditProblem(edit, static_cast<std::int64_t>(map.size())), "");
    const std::vector<LevelEdit> back = InverseEdits(edit, bytes);
    ApplyEdit(edit, bytes);
    undone = bytes;
    for (const LevelEdit& step : back) ApplyEdit(step, undone);
    return bytes;
}

TEST(LevelOperations, FirstAndLastLevelsMoveWithTheTrailingPartialLevelKeptAtTheEnd) {
    const Bytes map = testing::PatternBytes(3 * L + 100, 3);  // three levels and 100 bytes
    const Bytes tail(map.end() - 100, map.end());
    Bytes undone;
    for (const std::int64_t k : {0, 2}) {
        SCOPED_TRACE(k);
        Bytes after = EditAndUndo({LevelOperation::Insert, k, 0, std::nullopt}, map, undone);
        ASSERT_EQ(after.size(), map.size() + L);
        EXPECT_EQ(Level(after, k), Bytes(L, 0));
        EXPECT_EQ(Level(after, k + 1), Level(map, k));
        EXPECT_EQ(Bytes(after.end() - 100, after.end()), tail);
        EXPECT_EQ(undone, map);

        after = EditAndUndo({LevelOperation::Delete, k, 0, std::nullopt}, map, undone);
        ASSERT_EQ(after.size(), map.size() - L);
        EXPECT_EQ(Level(after, 0), Level(map, k == 0 ? 1 : 0));
        EXPECT_EQ(Bytes(after.end() - 100, after.end()), tail);
        EXPECT_EQ(undone, map);

        LevelBlock board{};
        board[5] = 0x70;
        after = EditAndUndo({LevelOperation::Duplicate, k, 0, board}, map, undone);
        EXPECT_EQ(Level(after, k), Bytes(board.begin(), board.end()));
        EXPECT_EQ(Level(after, k + 1), Bytes(board.begin(), board.end()));
        EXPECT_EQ(Bytes(after.end() - 100, after.end()), tail);
        EXPECT_EQ(undone, map);
    }
    Bytes after = EditAndUndo({LevelOperation::Move, 0, 2, std::nullopt}, map, undone);
    EXPECT_EQ(Level(after, 0), Level(map, 1));
    EXPECT_EQ(Level(after, 1), Level(map, 2));
    EXPECT_EQ(Level(after, 2), Level(map, 0));
    EXPECT_EQ(Bytes(after.end() - 100, after.end()), tail);
    EXPECT_EQ(undone, map);
    after = EditAndUndo({LevelOperation::Move, 2, 0, std::nullopt}, map, undone);
    EXPECT_EQ(Level(after, 0), Level(map, 2));
    EXPECT_EQ(Level(after, 1), Level(map, 0));
    EXPECT_EQ(undone, map);

    // The only level deleted leaves the partial level alone.
    const Bytes one = testing::PatternBytes(L + 7, 1);
    after = EditAndUndo({LevelOperation::Delete, 0, 0, std::nullopt}, one, undone);
    EXPECT_EQ(after, Bytes(one.end() - 7, one.end()));
    EXPECT_EQ(undone, one);
}

TEST(LevelOperations, FractionalNegativeAndMissingLevelsAreRefused) {
    EXPECT_EQ(LevelProblem(2.5, 4), "level 2.5 is not a whole level");
    EXPECT_NE(LevelProblem(-1, 4), "");
    EXPECT_EQ(LevelProblem(4, 4), "the map file has no level 4: it holds levels 0 to 3");
    EXPECT_EQ(LevelProblem(0, 0), "the map file holds no whole level");
    EXPECT_EQ(LevelProblem(3, 4), "");
    // A partial level is no level to act on.
    EXPECT_NE(EditProblem({LevelOperation::Delete, 1, 0, std::nullopt}, L + 100), "");
    EXPECT_NE(EditProblem({LevelOperation::Move, 0, 1, std::nullopt}, L + 100), "");
}

TEST(LevelOperations, FindAndReplaceMatchGlyphColourOrBoth) {
    Bytes map(3 * L, 0);
    const auto set = [&](std::size_t level, int column, int row, std::uint8_t glyph,
                         std::uint8_t colour) {
        map[level * L + CellOffsetInLevel(column, row)] = glyph;
        map[level * L + CellOffsetInLevel(column, row) + 1] = colour;
    };
    set(0, 3, 1, 'A', 0x41);  // colour 4 with stray lower bits, kept by a replace
    set(1, 0, 0, 'A', 0x20);
    set(2, 31, 23, 'B', 0x40);
    const auto found = FindCells(map, 0, 2, 'A', std::nullopt);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].level, 0);
    EXPECT_EQ(found[0].column, 3);
    EXPECT_EQ(found[0].row, 1);
    EXPECT_EQ(found[1].level, 1);
    EXPECT_EQ(FindCells(map, 0, 2, 'A', 4).size(), 1u);
    EXPECT_EQ(FindCells(map, 1, 2, std::nullopt, 4).size(), 1u);

    const auto counts =
        ReplaceCells(map, 0, 2, std::nullopt, std::pair<std::uint8_t, std::uint8_t>{4, 9});
    EXPECT_EQ(counts, (std::vector<std::int64_t>{1, 0, 1}));
    EXPECT_EQ(map[CellOffsetInLevel(3, 1) + 1], 0x91);
    const auto both = ReplaceCells(map, 0, 1, std::pair<std::uint8_t, std::uint8_t>{'A', 'Z'},
                                   std::pair<std::uint8_t, std::uint8_t>{2, 3});
    EXPECT_EQ(both, (std::vector<std::int64_t>{0, 1}));
    EXPECT_EQ(map[L], 'Z');
}

TEST(LevelOperations, TheFileIsReplacedWithItsPermissionsAndNothingButARegularFile) {
    testing::ScratchDir dir;
    const std::string map = dir.File("m.qmap");
    testing::WriteBytes(map, Bytes(L, 1));
    ::chmod(map.c_str(), 0640);
    ASSERT_TRUE(ReplaceMapFile(map, Bytes(2 * L, 2)));
    EXPECT_EQ(testing::ReadBytes(map), Bytes(2 * L, 2));
    struct stat status {};
    ::stat(map.c_str(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    const std::string link = dir.File("link.qmap");
    std::filesystem::create_symlink(map, link);
    EXPECT_EQ(ReplaceMapFile(link, Bytes(L, 3)).reason, "not a regular file");
    EXPECT_FALSE(ReplaceMapFile(dir.File("missing"), Bytes(L, 3)));
    EXPECT_FALSE(ReplaceMapFile(dir.Path().string(), Bytes(L, 3)));
    EXPECT_EQ(testing::ReadBytes(map), Bytes(2 * L, 2));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}

class LevelMenu : public ::testing::Test {
  protected:
    void Start(std::size_t levels, std::size_t extra = 0) {
        map = dir.File("levels.qmap");
        testing::WriteBytes(map, testing::PatternBytes(levels * L + extra, 9));
        original = testing::ReadBytes(map);
        editor = std::make_unique<testing::StartedEditor>(map);
    }
    FrmMain& Form() { return editor->form; }
    HeadlessServices& Services() { return editor->services; }
    void Choose(MenuCommand command, const std::string& answer = {}) {
        if (!answer.empty()) Services().answers.push_back(answer);
        Form().Invoke(command);
    }
    void Paint(int X, int Y) {
        testing::PickBrush(Form(), 1, 219, 12);
        testing::PressCell(Form(), 1, 0, X, Y);
        Form().picScreen_MouseUp(0, 0, 0, 0);
    }
    Bytes File() { return testing::ReadBytes(map); }

    testing::ScratchDir dir;
    std::string map;
    Bytes original;
    std::unique_ptr<testing::StartedEditor> editor;
};

TEST_F(LevelMenu, InsertFollowsUnsavedEditsToTheirNewPlaceAndUndoGivesTheBytesBack) {
    Start(3, 10);
    Choose(MenuCommand::LevelSelect, "1");
    Choose(MenuCommand::LevelInsert);  // nothing unsaved: the new blank level shows
    EXPECT_EQ(Form().CurrentLevel, OptionalNumber::Double(1));
    EXPECT_EQ(Form().Board, BoardGrid{});
    EXPECT_EQ(File().size(), original.size() + L);

    Choose(MenuCommand::Undo);
    EXPECT_EQ(File(), original);
    EXPECT_EQ(Form().CurrentLevel, OptionalNumber::Double(1));

    Paint(4, 4);
    const BoardGrid edited = Form().Board;
    Choose(MenuCommand::LevelInsert);
    EXPECT_EQ(Form().CurrentLevel, OptionalNumber::Double(2));
    EXPECT_EQ(Form().Board, edited);
    const Bytes inserted = File();
    EXPECT_EQ(Level(inserted, 2), Level(original, 1)) << "the file holds the level as saved";
    Choose(MenuCommand::Save);
    const LevelBlock block = LevelBlockFromBoard(edited);
    EXPECT_EQ(Level(File(), 2), Bytes(block.begin(), block.end()));
    EXPECT_EQ(Level(File(), 1), Bytes(L, 0));

    // Undo takes the blank level out again; the level saved since moves back with its edits.
    Choose(MenuCommand::Undo);
    EXPECT_TRUE(Services().failures.empty());
    EXPECT_EQ(Form().CurrentLevel, OptionalNumber::Double(1));
    EXPECT_EQ(File().size(), original.size());
    EXPECT_EQ(Level(File(), 1), Bytes(block.begin(), block.end()));
    EXPECT_EQ(Form().Board, edited);
}

TEST_F(LevelMenu, DuplicateWritesTheBoardAsShownIntoBothAndDeleteOfTheLastShowsTheOneBefore) {
    Start(2, 5);
    Choose(MenuCommand::LevelSelect, "1");
    Paint(0, 0);
    const LevelBlock block = Form().BoardAsLevelBlock();
    Choose(MenuCommand::LevelDuplicate);
    EXPECT_EQ(Form().CurrentLevel, OptionalNumber::Double(2));
    const Bytes duplicated = File();
    ASSERT_EQ(duplicated.size(), original.size() + L);
    EXPECT_EQ(Level(duplicated, 1), Bytes(block.begin(), block.end()));
    EXPECT_EQ(Level(duplicated, 2), Bytes(block.begin(), block.end()));
    EXPECT_EQ(Level(duplicated, 0), Level(original, 0));

    Choose(MenuCommand::LevelDelete);  // level 2 was the last: level 1 shows
    EXPECT_EQ(Form().CurrentLevel, OptionalNumber::Double(1));
    EXPECT_EQ(Form().BoardAsLevelBlock(), block);
    EXPECT_EQ(File().size(), original.size());

    Choose(MenuCommand::Undo);
    EXPECT_EQ(File(), duplicated);
    Choose(MenuCommand::Undo);
    EXPECT_EQ(File(), original);
    EXPECT_EQ(Form().CurrentLevel, OptionalNumber::Double(1));
    EXPECT_EQ(Form().BoardAsLevelBlock(), block) << "the edits it wrote are on the board again";
    EXPECT_TRUE(Services().failures.empty());
}

TEST_F(LevelMenu, DeletingTheOnlyLevelLeavesThePartialLevelAndMoveKeepsTheEdits) {
    Start(1, 3);
    Choose(MenuCommand::LevelDelete);
    EXPECT_EQ(File(), Bytes(original.end() - 3, original.end()));
    EXPECT_EQ(Form().CurrentLevel, OptionalNumber::Double(0));
    Choose(MenuCommand::Undo);
    EXPECT_EQ(File(), original);

    // With no level left, the board is the blank level a Save would write, and nothing is unsaved.
    editor.reset();
    Start(1);
    const BoardGrid only = Form().Board;
    Choose(MenuCommand::LevelDelete);
    EXPECT_EQ(File(), Bytes{});
    EXPECT_EQ(Form().Board, BoardGrid{});
    EXPECT_TRUE(Services().failures.empty());
    Choose(MenuCommand::Undo);
    EXPECT_EQ(File(), original);
    EXPECT_EQ(Form().Board, only);

    editor.reset();
    Start(4);
    Paint(2, 2);
    const BoardGrid edited = Form().Board;
    Choose(MenuCommand::LevelMoveTo, "3");
    EXPECT_EQ(Services().questions.back().prompt, "Move to level?");
    EXPECT_EQ(Services().questions.back().defaultAnswer, "0");
    EXPECT_EQ(Form().CurrentLevel, OptionalNumber::Double(3));
    EXPECT_EQ(Form().Board, edited);
    EXPECT_EQ(Level(File(), 3), Level(original, 0));
    EXPECT_EQ(Level(File(), 0), Level(original, 1));
    Choose(MenuCommand::Undo);
    EXPECT_EQ(File(), original);
    EXPECT_EQ(Form().CurrentLevel, OptionalNumber::Whole(0));
}

TEST_F(LevelMenu, AFractionalOrMissingLevelIsRefusedWithNothingChanged) {
    Start(2, 9);
    for (const char* level : {"0.5", "2", "5"}) {
        Choose(MenuCommand::LevelSelect, level);
        Services().failures.clear();
        for (const MenuCommand command :
             {MenuCommand::LevelInsert, MenuCommand::LevelDuplicate, MenuCommand::LevelDelete})
            Choose(command);
        Choose(MenuCommand::LevelMoveTo, "0");
        EXPECT_EQ(Services().failures.size(), 4u) << level;
        EXPECT_EQ(File(), original);
    }
    Choose(MenuCommand::LevelSelect, "0");
    Services().failures.clear();
    Choose(MenuCommand::LevelMoveTo, "2");
    ASSERT_EQ(Services().failures.size(), 1u);
    EXPECT_NE(Services().failures[0].find("has no level 2"), std::string::npos);
    EXPECT_EQ(File(), original);
}

TEST_F(LevelMenu, TheOverviewPagesAndAPressLoadsALevelAsOneStep) {
    Start(30);
    Paint(0, 0);
    const std::vector<std::uint8_t> painted = Services().blittedBits;

    EXPECT_TRUE(Form().KeyDown(NamedKey::Tab, 0));
    ASSERT_TRUE(Form().OverviewShown());
    // The page is the core's drawing of levels 0 to 23, level 0 from the board as it is now.
    IndexedSurface expected;
    expected.bits = painted;
    std::vector<LevelBlock> page(24);
    for (std::size_t i = 0; i < 24; ++i)
        std::copy_n(original.begin() + static_cast<std::ptrdiff_t>(i * L), L, page[i].begin());
    page[0] = Form().BoardAsLevelBlock();
    DrawOverviewPage(expected.View(), {0, page, 0});
    EXPECT_EQ(Services().blittedBits, expected.bits);

    EXPECT_FALSE(Form().TypeCharacter('l')) << "no tool while the overview shows";
    EXPECT_TRUE(Form().KeyDown(NamedKey::PageDown, 0));
    EXPECT_TRUE(Form().KeyDown(NamedKey::PageDown, 0));  // the last page stays
    // Level 25: the second slot of the second page.
    Form().picScreen_MouseDown(1, 0, 80 + 40, 36);
    Form().picScreen_MouseMove(1, 0, 10, 10);  // paints nothing until the release
    Form().picScreen_MouseUp(0, 0, 10, 10);
    EXPECT_FALSE(Form().OverviewShown());
    EXPECT_EQ(Form().CurrentLevel, OptionalNumber::Double(25));
    LevelBlock level25{};
    std::copy_n(original.begin() + 25 * L, L, level25.begin());
    EXPECT_EQ(Form().Board, BoardFromLevelBlock(level25));
    Choose(MenuCommand::Undo);
    EXPECT_EQ(Form().CurrentLevel, OptionalNumber::Whole(0));
    EXPECT_EQ(Services().blittedBits, painted) << "the edited board is back";

    EXPECT_TRUE(Form().KeyDown(NamedKey::Tab, 0));
    EXPECT_TRUE(Form().KeyDown(NamedKey::Escape, 0));
    EXPECT_FALSE(Form().OverviewShown());
    EXPECT_EQ(Services().blittedBits, painted);
    EXPECT_EQ(File(), original);

    // Page Down outside the overview is Next.
    EXPECT_TRUE(Form().KeyDown(NamedKey::PageDown, 0));
    EXPECT_EQ(Form().CurrentLevel, OptionalNumber::Double(1));
    EXPECT_TRUE(Form().KeyDown(NamedKey::PageUp, 0));
    EXPECT_EQ(Form().CurrentLevel, OptionalNumber::Double(0));
}

TEST_F(LevelMenu, RedoRepeatsTheRewriteAndAFileChangedSinceRefusesUndo) {
    Start(3);
    Choose(MenuCommand::LevelDelete);
    const Bytes deleted = File();
    Choose(MenuCommand::Undo);
    EXPECT_EQ(File(), original);
    Choose(MenuCommand::Redo);
    EXPECT_EQ(File(), deleted);

    // Another program lengthened the file: Undo says so and changes nothing.
    Bytes longer = deleted;
    longer.resize(longer.size() + L, 7);
    testing::WriteBytes(map, longer);
    Choose(MenuCommand::Undo);
    ASSERT_EQ(Services().failures.size(), 1u);
    EXPECT_NE(Services().failures[0].find("length has changed"), std::string::npos);
    EXPECT_EQ(File(), longer);
    EXPECT_TRUE(Services().menuEnabled.at(MenuCommand::Undo)) << "the step stays";
}

TEST_F(LevelMenu, WithNoMapTheOverviewShowsTheBoardAloneAndTabIsAlwaysTaken) {
    testing::StartedEditor bare;
    EXPECT_TRUE(bare.form.KeyDown(NamedKey::Tab, 0));
    EXPECT_TRUE(bare.form.OverviewShown());
    EXPECT_TRUE(bare.services.failures.empty());
    bare.form.picScreen_MouseDown(1, 0, 100, 10);  // the second slot holds no level
    EXPECT_TRUE(bare.form.OverviewShown());
    EXPECT_TRUE(bare.form.KeyDown(NamedKey::Tab, 0));
    EXPECT_FALSE(bare.form.OverviewShown());
}

}  // namespace
}  // namespace gridwright
