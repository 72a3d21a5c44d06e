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

std::size_t GetLittleEndian32(const Bytes& bytes, std::size_t at) {
    return bytes.at(at) | bytes.at(at + 1) << 8 | bytes.at(at + 2) << 16 |
           static_cast<std::size_t>(bytes.at(at + 3)) << 24;
}

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

TEST_F(Recovery, RecoverBringsBackALeftJournalWithItsHistoryAndLeavesTheMapAlone) {
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

    // Undo walks back through the first editor's steps: the stroke, then its Level Select,
    // which started from the very board the second editor had loaded.
    second->form.Invoke(MenuCommand::Undo);
    EXPECT_EQ(second->form.CurrentLevel, OptionalNumber::Double(1));
    EXPECT_NE(second->form.Board, painted);
    second->form.Invoke(MenuCommand::Undo);
    EXPECT_EQ(second->form.Board, loaded);
    EXPECT_EQ(second->form.CurrentLevel, OptionalNumber::Whole(0));
    EXPECT_FALSE(second->form.EditHistory().CanUndo()) << "the Recover changed nothing else";
    second->form.Invoke(MenuCommand::Redo);
    second->form.Invoke(MenuCommand::Redo);
    EXPECT_EQ(second->form.Board, painted);
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

// ---- The journal of the history ----------------------------------------------------------

// A document and its history as the editor keeps them, with a journal file brought up to date
// after every change, as the editor's own journal is.
struct JournalledDocument {
    explicit JournalledDocument(std::size_t byteLimit = kHistoryByteLimit) : history(byteLimit) {}
    void Step(const BoardGrid& before, const DocumentPlace& beforePlace,
              std::optional<FileStep> file = std::nullopt) {
        history.Record(before, beforePlace, board, place, false, std::move(file));
        Write();
    }
    void Paint(int cells, std::uint8_t glyph) {
        const BoardGrid before = board;
        for (int i = 0; i < cells; ++i)
            board.cells[(glyph * 7 + i * 13) % kBoardCells] = {glyph, 9};
        Step(before, place);
    }
    void Undo() {
        std::vector<std::uint16_t> changed;
        history.Undo(board, place, changed);
        Write();
    }
    void Redo() {
        std::vector<std::uint16_t> changed;
        history.Redo(board, place, changed);
        Write();
    }
    void Write() {
        bool whole = false;
        const std::vector<std::uint8_t> bytes = writer.Next(board, place, history, whole);
        lastRecordAt = whole ? 0 : journal.size();
        if (whole) journal.clear();
        journal.insert(journal.end(), bytes.begin(), bytes.end());
    }
    BoardGrid board;
    DocumentPlace place{OptionalNumber::Whole(0), "a.qmap", true};
    History history;
    JournalWriter writer;
    std::vector<std::uint8_t> journal;
    std::size_t lastRecordAt = 0;  // where the last write's record starts (0: it wrote all)
};

// Walks both histories back to their oldest documents and forward to their newest, comparing
// each document on the way and each level operation's file rewrite.
void ExpectSameHistory(JournalledDocument& kept, const JournalContents& read) {
    ASSERT_EQ(read.board, kept.board);
    ASSERT_EQ(read.place, kept.place);
    History again;
    BoardGrid board = read.board;
    DocumentPlace place = read.place;
    // From the recovered document's own oldest state, so the Recover itself adds no step.
    BoardGrid oldest = board;
    DocumentPlace oldestPlace = place;
    TakeBackToOldest(read.history, oldest, oldestPlace);
    again.RecordRecovered(oldest, oldestPlace, board, place, read.history);
    ASSERT_EQ(again.UndoCount(), kept.history.UndoCount());
    ASSERT_EQ(again.StepCount(), kept.history.StepCount());
    std::vector<std::uint16_t> changed;
    const auto sameFile = [](const FileStep* a, const FileStep* b) {
        if (!a || !b) return a == b;
        return a->path == b->path && a->bytesBefore == b->bytesBefore &&
               a->bytesAfter == b->bytesAfter && a->forward.size() == b->forward.size() &&
               a->backward.size() == b->backward.size() &&
               a->forward[0].content == b->forward[0].content;
    };
    const std::size_t undos = kept.history.UndoCount();
    for (std::size_t i = 0; i < undos; ++i) {
        EXPECT_TRUE(sameFile(again.UndoFile(), kept.history.UndoFile())) << "undo " << i;
        again.Undo(board, place, changed);
        kept.history.Undo(kept.board, kept.place, changed);
        EXPECT_EQ(board, kept.board) << "undo " << i;
        EXPECT_EQ(place, kept.place) << "undo " << i;
    }
    while (kept.history.CanRedo()) {
        EXPECT_TRUE(sameFile(again.RedoFile(), kept.history.RedoFile()));
        EXPECT_TRUE(again.Redo(board, place, changed));
        kept.history.Redo(kept.board, kept.place, changed);
        EXPECT_EQ(board, kept.board);
        EXPECT_EQ(place, kept.place);
    }
    EXPECT_FALSE(again.CanRedo());
}

// A run of every kind of step: strokes, a place change, a level operation with its file rewrite,
// Undo and Redo, a new step that drops what could be redone, and old steps dropped at the bound.
void MakeHistory(JournalledDocument& document) {
    for (std::uint8_t glyph = 1; glyph <= 6; ++glyph) document.Paint(glyph % 3 ? 1 : 40, glyph);
    const BoardGrid before = document.board;
    const DocumentPlace beforePlace = document.place;
    document.place = {OptionalNumber::Double(2.5), "b.qmap", true};
    document.board.cells[5] = {200, 15};
    LevelBlock content{};
    content[7] = 42;
    document.Step(before, beforePlace,
                  FileStep{"b.qmap",
                           {{LevelOperation::Insert, 2, 0, content}},
                           {{LevelOperation::Delete, 2, 0, std::nullopt}},
                           3 * 1536,
                           4 * 1536});
    document.Paint(3, 7);
    document.Undo();
    document.Undo();
    document.Undo();
    document.Redo();
    document.Paint(2, 8);  // drops the steps that could have been redone
    for (std::uint8_t glyph = 9; glyph < 30; ++glyph) document.Paint(1, glyph);
    document.Undo();
    document.Undo();
}

TEST(JournalHistory, RecoversTheSameDocumentAndTheSameUndoAndRedoSteps) {
    // A bound of some twenty steps, so the oldest go while the journal is kept.
    JournalledDocument document(20 * 300);
    MakeHistory(document);
    ASSERT_GT(document.history.OldestPosition(), 0u) << "old steps were dropped";
    ASSERT_GT(document.lastRecordAt, 0u) << "the last write appended a record";
    JournalContents read;
    std::string why;
    ASSERT_TRUE(ReadJournal(document.journal, read, why)) << why;
    EXPECT_FALSE(read.damagedWithin);
    ExpectSameHistory(document, read);

    // The document alone still comes out of the journal for those that want only that.
    BoardGrid board;
    DocumentPlace place;
    ASSERT_TRUE(DecodeJournal(document.journal, board, place, why)) << why;
    EXPECT_EQ(board, read.board);
}

TEST(JournalHistory, ALastRecordCutShortAnywhereLeavesEverythingBeforeIt) {
    JournalledDocument document;
    MakeHistory(document);
    const std::vector<std::uint8_t> whole = document.journal;
    const std::size_t lastAt = document.lastRecordAt;
    ASSERT_GT(lastAt, 0u);
    JournalContents before;
    std::string why;
    ASSERT_TRUE(ReadJournal(std::span(whole).first(lastAt), before, why)) << why;
    for (std::size_t cut = lastAt; cut < whole.size(); ++cut) {
        JournalContents read;
        ASSERT_TRUE(ReadJournal(std::span(whole).first(cut), read, why)) << "cut at " << cut;
        EXPECT_EQ(read.board, before.board) << "cut at " << cut;
        EXPECT_EQ(read.place, before.place) << "cut at " << cut;
        EXPECT_EQ(read.history.position, before.history.position) << "cut at " << cut;
        EXPECT_EQ(read.history.steps.size(), before.history.steps.size()) << "cut at " << cut;
        EXPECT_FALSE(read.damagedWithin) << "cut at " << cut;
    }
    // A damaged record with more after it is damage, not a cut: what came before is read, and
    // the journal says so.
    std::vector<std::uint8_t> damaged = whole;
    damaged[lastAt - 3] ^= 0x40;
    JournalContents read;
    ASSERT_TRUE(ReadJournal(damaged, read, why)) << why;
    EXPECT_TRUE(read.damagedWithin);
    // A journal cut within its first record holds nothing to recover.
    JournalledDocument fresh;
    fresh.Paint(1, 1);
    for (std::size_t cut = 0; cut < fresh.journal.size(); ++cut)
        EXPECT_FALSE(ReadJournal(std::span(fresh.journal).first(cut), read, why)) << cut;
}

TEST_F(Recovery, UndoAfterRecoverWalksBackThroughTheStepsBeforeTheCrashAndTheLevelOperation) {
    std::vector<BoardGrid> boards;
    {
        auto first = Start();
        boards.push_back(first->form.Board);
        first->form.Invoke(MenuCommand::LevelInsert);  // a blank level 0, the file one longer
        boards.push_back(first->form.Board);
        for (int stroke = 0; stroke < 5; ++stroke) {
            Paint(*first, stroke, stroke);
            boards.push_back(first->form.Board);
        }
        first->form.Invoke(MenuCommand::Exit);
    }
    const Bytes inserted = testing::ReadBytes(map);
    ASSERT_EQ(inserted.size(), original.size() + 1536);

    auto second = Start();
    second->form.Invoke(MenuCommand::Recover);
    EXPECT_TRUE(second->services.failures.empty());
    EXPECT_EQ(second->form.Board, boards.back());
    for (std::size_t i = boards.size() - 1; i-- > 0;) {
        second->form.Invoke(MenuCommand::Undo);
        EXPECT_EQ(second->form.Board, boards[i]) << "after undoing step " << i;
    }
    EXPECT_EQ(testing::ReadBytes(map), original) << "the level operation taken back";
    for (std::size_t i = 1; i < boards.size(); ++i) {
        second->form.Invoke(MenuCommand::Redo);
        EXPECT_EQ(second->form.Board, boards[i]) << "after redoing step " << i;
    }
    EXPECT_EQ(testing::ReadBytes(map), inserted);
}

TEST_F(Recovery, ALevelOperationFromAJournalThatDoesNotFitTheFileIsRefusedAtUndo) {
    // A journal whose level operation would take back a level the file never had.
    History history;
    BoardGrid board;
    board(1, 1) = {65, 3};
    const DocumentPlace place{OptionalNumber::Whole(0), map, true};
    const auto length = static_cast<std::int64_t>(original.size());
    history.Record(BoardGrid{}, place, board, place, false,
                   FileStep{map,
                            {{LevelOperation::Insert, 0, 0, std::nullopt}},
                            {{LevelOperation::Delete, 1000, 0, std::nullopt}},
                            length,
                            length});
    JournalWriter writer;
    bool whole = false;
    fs::create_directories(state);
    testing::WriteBytes((state / "1-1.journal").string(),
                        writer.Next(board, place, history, whole));

    auto editor = Start();
    editor->form.Invoke(MenuCommand::Recover);
    ASSERT_EQ(editor->form.Board, board);
    editor->form.Invoke(MenuCommand::Undo);
    ASSERT_EQ(editor->services.failures.size(), 1u);
    EXPECT_NE(editor->services.failures[0].find("undo the level operation"), std::string::npos);
    EXPECT_EQ(testing::ReadBytes(map), original);
    EXPECT_EQ(editor->form.Board, board) << "the step stays when the file cannot follow";
}

TEST_F(Recovery, AJournalDamagedWithinRecoversWhatCameBeforeAndIsKeptAside) {
    BoardGrid firstStroke;
    {
        auto first = Start();
        Paint(*first, 1, 1);
        firstStroke = first->form.Board;
        Paint(*first, 2, 2);
        Paint(*first, 3, 3);
        first->form.Invoke(MenuCommand::Exit);
    }
    const fs::path journal = FilesIn(state, ".journal").at(0);
    Bytes bytes = testing::ReadBytes(journal.string());
    // The snapshot of the first stroke is followed by two records; the first of them is damaged.
    const std::size_t snapshotEnd = 8 + 4 + 1 + GetLittleEndian32(bytes, 8) + 4;
    bytes.at(snapshotEnd + 6) ^= 1;
    testing::WriteBytes(journal.string(), bytes);

    auto second = Start();
    second->form.Invoke(MenuCommand::Recover);
    EXPECT_EQ(second->form.Board, firstStroke);
    ASSERT_EQ(second->services.failures.size(), 1u);
    EXPECT_NE(second->services.failures[0].find("damaged"), std::string::npos);
    EXPECT_TRUE(fs::exists(journal.string() + ".unreadable"));
}

}  // namespace
}  // namespace gridwright
