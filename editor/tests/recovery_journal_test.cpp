// The recovery journal: written while edits are not in the map file, removed once they are, never
// another editor's, and brought back by Recover as one step without touching the map file.
#include "recovery_journal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

#include "test_support.h"

namespace gridwright {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

std::vector<fs::path> FilesIn(const fs::path& folder, std::string_view suffix) {
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; ++entry)
        if (entry->path().string().ends_with(suffix)) found.push_back(entry->path());
    return found;
}

class Recovery : public ::testing::Test {
  protected:
    Recovery() {
        map = dir.File("recover.qmap");
        testing::WriteBytes(map, testing::PatternBytes(2 * 1536, 3));
        original = testing::ReadBytes(map);
        state = dir.Path() / "state" / "gridwright";
    }
    std::unique_ptr<testing::StartedEditor> Start() {
        return std::make_unique<testing::StartedEditor>(map, state.string());
    }
    static void Paint(testing::StartedEditor& editor, int c, int r) {
        testing::PickBrush(editor.form, 1, 219, 12);
        testing::PressCell(editor.form, 1, 0, c, r);
        editor.form.picScreen_MouseUp(0, 0, 0, 0);
    }
    std::size_t Journals() const { return FilesIn(state, ".journal").size(); }

    testing::ScratchDir dir;
    std::string map;
    Bytes original;
    fs::path state;
};

TEST_F(Recovery, JournalExistsExactlyWhileTheBoardHoldsUnsavedEdits) {
    auto editor = Start();
    EXPECT_EQ(Journals(), 0u) << "nothing written before the first edit";
    testing::PressCell(editor->form, 1, 0, 2, 2);
    EXPECT_EQ(Journals(), 0u) << "nothing written during a drag";
    editor->form.picScreen_MouseUp(0, 0, 0, 0);
    EXPECT_EQ(Journals(), 1u);
    EXPECT_TRUE(FilesIn(state, ".tmp").empty());
    editor->form.Invoke(MenuCommand::Undo);
    EXPECT_EQ(Journals(), 0u) << "undone back to what the file holds";
    editor->form.Invoke(MenuCommand::Redo);
    EXPECT_EQ(Journals(), 1u);
    editor->form.Invoke(MenuCommand::Save);
    EXPECT_EQ(Journals(), 0u) << "saved";
    EXPECT_EQ(testing::ReadBytes(dir.File("recover.qmap")).size(), original.size());
    EXPECT_TRUE(FilesIn(dir.Path(), ".journal").empty()) << "never beside the map";
}

TEST_F(Recovery, RecoverBringsBackALeftJournalAsOneStepAndLeavesTheMapAlone) {
    BoardGrid painted;
    {
        auto first = Start();
        first->services.answers.push_back("1");
        first->form.Invoke(MenuCommand::LevelSelect);
        Paint(*first, 4, 5);
        painted = first->form.Board;
        first->form.Invoke(MenuCommand::Exit);  // ends at once, journal left
    }
    ASSERT_EQ(Journals(), 1u);

    auto second = Start();
    const BoardGrid loaded = second->form.Board;
    second->form.Invoke(MenuCommand::Recover);
    EXPECT_TRUE(second->services.failures.empty());
    EXPECT_EQ(second->form.Board, painted);
    EXPECT_EQ(second->form.CurrentLevel, OptionalNumber::Double(1));
    EXPECT_EQ(testing::ReadBytes(map), original) << "the map file is untouched until Save";
    EXPECT_EQ(Journals(), 1u) << "the recovered edits are now the second editor's to keep";

    second->form.Invoke(MenuCommand::Undo);
    EXPECT_EQ(second->form.Board, loaded);
    EXPECT_EQ(second->form.CurrentLevel, OptionalNumber::Whole(0));
    second->form.Invoke(MenuCommand::Redo);
    second->form.Invoke(MenuCommand::Save);
    Bytes expected = original;
    for (std::size_t i = 1536 + 1; i < 2 * 1536; i += 2) expected[i] &= 0xF0;
    expected[1536 + CellOffsetInLevel(4, 5)] = 219;
    expected[1536 + CellOffsetInLevel(4, 5) + 1] = 12 << 4;
    EXPECT_EQ(testing::ReadBytes(map), expected);
    EXPECT_EQ(Journals(), 0u);
}

TEST_F(Recovery, ARunningEditorsJournalIsNeitherTakenNorOverwritten) {
    auto first = Start();
    Paint(*first, 1, 1);
    const Bytes journal = testing::ReadBytes(FilesIn(state, ".journal").at(0).string());
    auto second = Start();
    Paint(*second, 2, 2);
    EXPECT_EQ(Journals(), 2u);
    second->form.Invoke(MenuCommand::Recover);
    EXPECT_EQ(second->services.failures, std::vector<std::string>{"There is nothing to recover."});
    bool firstKept = false;
    for (const fs::path& path : FilesIn(state, ".journal"))
        firstKept |= testing::ReadBytes(path.string()) == journal;
    EXPECT_TRUE(firstKept);
}

TEST_F(Recovery, AnUnreadableJournalIsReportedAndKeptAside) {
    fs::create_directories(state);
    const fs::path torn = state / "1-1.journal";
    testing::WriteBytes(torn.string(), Bytes{'G', 'W', 'J', 'O', 'U', 'R', 'N', '1', 0, 0});
    auto editor = Start();
    const BoardGrid before = editor->form.Board;
    editor->form.Invoke(MenuCommand::Recover);
    ASSERT_EQ(editor->services.failures.size(), 1u);
    EXPECT_NE(editor->services.failures[0].find("cannot be used"), std::string::npos);
    EXPECT_NE(editor->services.failures[0].find("1-1.journal.unreadable"), std::string::npos);
    EXPECT_TRUE(fs::exists(state / "1-1.journal.unreadable"));
    EXPECT_FALSE(fs::exists(torn));
    EXPECT_EQ(editor->form.Board, before);
    EXPECT_FALSE(editor->form.EditHistory().CanUndo());
}

TEST(JournalBytes, RoundTripAndDamageIsRefused) {
    BoardGrid board;
    board(3, 4) = {65, 7};
    const DocumentPlace place{OptionalNumber::Double(2.5), "m\xC3\xA4p.qmap", true};
    std::vector<std::uint8_t> bytes = EncodeJournal(board, place);
    BoardGrid read;
    DocumentPlace readPlace;
    std::string why;
    ASSERT_TRUE(DecodeJournal(bytes, read, readPlace, why)) << why;
    EXPECT_EQ(read, board);
    EXPECT_EQ(readPlace, place);

    for (std::size_t at : {std::size_t{0}, std::size_t{9}, bytes.size() / 2, bytes.size() - 1}) {
        std::vector<std::uint8_t> damaged = bytes;
        damaged[at] ^= 0x40;
        EXPECT_FALSE(DecodeJournal(damaged, read, readPlace, why)) << "byte " << at;
    }
    bytes.pop_back();
    EXPECT_FALSE(DecodeJournal(bytes, read, readPlace, why));
    EXPECT_EQ(readPlace, place) << "a refused journal changes nothing";
}

// A journal's checksum made good again after its bytes were changed, as a program that forges
// journals, or writes them wrongly, would.
void Reseal(std::vector<std::uint8_t>& bytes) {
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i + 4 < bytes.size(); ++i) hash = (hash ^ bytes[i]) * 16777619u;
    for (int i = 0; i < 4; ++i)
        bytes[bytes.size() - 4 + i] = static_cast<std::uint8_t>(hash >> (8 * i));
}

bool Decodes(const std::vector<std::uint8_t>& bytes) {
    BoardGrid board;
    DocumentPlace place;
    std::string why;
    return DecodeJournal(bytes, board, place, why);
}

// Byte offsets in a journal: signature (8), named flag, level kind, level bits (8), name length
// (4), the name, then glyph and colour of each cell.
constexpr std::size_t kNamedAt = 8, kKindAt = 9, kLevelAt = 10, kNameAt = 22;

TEST(JournalBytes, CellsAndLevelsThatNoMapHoldsAreRefused) {
    BoardGrid board;
    board(0, 0) = {65, 15};
    const DocumentPlace place{OptionalNumber::Double(2.5), "a.qmap", true};
    std::vector<std::uint8_t> bytes = EncodeJournal(board, place);
    ASSERT_TRUE(Decodes(bytes));
    bytes[kNameAt + place.fileName.size() + 1] = 156;  // cell (0, 0)'s colour
    Reseal(bytes);
    EXPECT_FALSE(Decodes(bytes)) << "colour 156 is none of the 16";

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    for (const double level : {nan, -1.0, -1e300, 1398101.5, 1398102.0, infinity, -infinity}) {
        EXPECT_FALSE(Decodes(EncodeJournal(board, {OptionalNumber::Double(level), "a.qmap", true})))
            << level;
    }
    EXPECT_FALSE(Decodes(EncodeJournal(board, {OptionalNumber::Whole(-1), "a.qmap", true})));
    EXPECT_FALSE(Decodes(EncodeJournal(board, {{}, std::string("a\0b", 3), true})))
        << "a name that no file system would open as it stands";
    for (const OptionalNumber& level :
         {OptionalNumber::Double(0.25), OptionalNumber::Double(1398101), OptionalNumber::Whole(0),
          OptionalNumber::Whole(32767), OptionalNumber()}) {
        EXPECT_TRUE(Decodes(EncodeJournal(board, {level, "a.qmap", true}))) << level.ToText();
    }
}

TEST(JournalBytes, OnlyWhatTheEncoderWritesIsRead) {
    const BoardGrid board;
    const std::vector<std::uint8_t> whole =
        EncodeJournal(board, {OptionalNumber::Whole(7), "a.qmap", true});
    const std::vector<std::uint8_t> none = EncodeJournal(board, {{}, "", false});
    struct Change {
        const std::vector<std::uint8_t>* journal;
        std::size_t at;
        std::uint8_t value;
        const char* what;
    };
    for (const Change& change : {Change{&whole, kLevelAt + 2, 1, "a whole level beyond 16 bits"},
                                 Change{&whole, kNamedAt, 2, "a named flag of 2"},
                                 Change{&none, kLevelAt, 3, "level bits without a level"},
                                 Change{&none, kKindAt, 3, "a fourth kind of level"}}) {
        std::vector<std::uint8_t> bytes = *change.journal;
        bytes[change.at] = change.value;
        Reseal(bytes);
        EXPECT_FALSE(Decodes(bytes)) << change.what;
    }
}

TEST_F(Recovery, AJournalOfCellsNoMapHoldsIsKeptAsideAndNothingChanges) {
    fs::create_directories(state);
    BoardGrid board;
    std::vector<std::uint8_t> bytes = EncodeJournal(board, {OptionalNumber::Whole(1), map, true});
    bytes[kNameAt + map.size() + 1] = 0xC0;
    Reseal(bytes);
    testing::WriteBytes((state / "1-1.journal").string(), bytes);
    auto editor = Start();
    const BoardGrid before = editor->form.Board;
    editor->form.Invoke(MenuCommand::Recover);
    ASSERT_EQ(editor->services.failures.size(), 1u);
    EXPECT_NE(editor->services.failures[0].find("1-1.journal.unreadable"), std::string::npos);
    EXPECT_TRUE(fs::exists(state / "1-1.journal.unreadable"));
    EXPECT_EQ(editor->form.Board, before);
    EXPECT_FALSE(editor->form.EditHistory().CanUndo());
}

}  // namespace
}  // namespace gridwright
