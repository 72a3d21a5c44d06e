// The map file format, and LoadMap / SaveMap with their failures.
#include "map_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <filesystem>

#include "test_support.h"

namespace gridwright {
namespace {

using testing::Bytes;
using testing::ReadBytes;
using testing::ScratchDir;
using testing::StartedEditor;
using testing::WriteBytes;

TEST(LevelOffset, IsLevelTimes1536WithFractionsKept) {
    EXPECT_EQ(LevelOffset(0), 0);
    EXPECT_EQ(LevelOffset(1), 1536);
    EXPECT_EQ(LevelOffset(2), 3072);
    EXPECT_EQ(LevelOffset(0.25), 384);
    EXPECT_EQ(LevelOffset(1.5), 2304);
    // 1/3 of 1536 is 512 exactly; 1/7 of it 219.43, which rounds to 219.
    EXPECT_EQ(LevelOffset(1.0 / 7), 219);
    EXPECT_EQ(LevelOffset(kLastLevel), 2147483136);
    EXPECT_EQ(LevelOffset(1398101), 2147483136);
}

TEST(LevelOffset, RefusesLevelsThatCannotBeReached) {
    EXPECT_EQ(LevelOffset(-1), std::nullopt);
    EXPECT_EQ(LevelOffset(-0.001), std::nullopt);
    EXPECT_EQ(LevelOffset(kLastLevel + 1), std::nullopt);
    EXPECT_EQ(LevelOffset(kLastLevel + 0.5), std::nullopt);
    EXPECT_EQ(LevelOffset(std::nan("")), std::nullopt);
    EXPECT_EQ(LevelOffset(INFINITY), std::nullopt);
}

TEST(MapFormat, CellsRunRowByRowTwoBytesEach) {
    // Cell (5, 7) of level 2 lies at bytes 3530 and 3531.
    EXPECT_EQ(*LevelOffset(2) + static_cast<std::int64_t>(CellOffsetInLevel(5, 7)), 3530);
    EXPECT_EQ(CellOffsetInLevel(31, 23), 1534u);
    EXPECT_EQ(CellOffsetInLevel(0, 1), 64u);
    EXPECT_EQ(ColorToByte(15), 0xF0);
    EXPECT_EQ(ByteToColor(0x47), 4);
}

TEST(MapFormat, LevelBlocksHoldBoardsRowByRow) {
    LevelBlock block = {};
    block[CellOffsetInLevel(5, 7)] = 'A';
    block[CellOffsetInLevel(5, 7) + 1] = 0x47;  // colour 4; the lower bits mean nothing
    block[1534] = 255;
    block[1535] = 0xF0;
    const BoardGrid board = BoardFromLevelBlock(block);
    EXPECT_EQ(board(5, 7), (BoardCell{'A', 4}));
    EXPECT_EQ(board(31, 23), (BoardCell{255, 15}));
    EXPECT_EQ(board(7, 5), BoardCell{});

    LevelBlock expected = block;
    expected[CellOffsetInLevel(5, 7) + 1] = 0x40;
    EXPECT_EQ(LevelBlockFromBoard(board), expected);
    BoardGrid wide = board;
    wide(0, 0) = {1, 0x13};  // a colour past the palette keeps its lower four bits
    EXPECT_EQ(LevelBlockFromBoard(wide)[1], 0x30);
}

TEST(MapFile, EveryGlyphAndColourSurvivesSaveAndLoad) {
    ScratchDir dir;
    const std::string map = dir.File("all.qmap");
    constexpr int kLevels = 256 * 16 / kBoardCells + 1;  // 4096 pairs over 768-cell levels
    {
        StartedEditor editor(map);
        for (int level = 0; level < kLevels; ++level) {
            for (int i = 0; i < kBoardCells; ++i) {
                const int pair = (level * kBoardCells + i) % 4096;
                editor.form.SetSquare(i % 32, i / 32, pair % 256, pair / 256);
            }
            editor.form.CurrentLevel = OptionalNumber::Double(level);
            ASSERT_TRUE(editor.form.SaveMap());
        }
    }
    EXPECT_EQ(std::filesystem::file_size(map), static_cast<std::uintmax_t>(kLevels * kLevelBytes));
    StartedEditor reader(map);
    for (int level = 0; level < kLevels; ++level) {
        reader.form.CurrentLevel = OptionalNumber::Double(level);
        ASSERT_TRUE(reader.form.LoadMap());
        for (int i = 0; i < kBoardCells; ++i) {
            const int pair = (level * kBoardCells + i) % 4096;
            ASSERT_EQ(reader.form.Board(i % 32, i / 32),
                      (BoardCell{static_cast<std::uint8_t>(pair % 256),
                                 static_cast<std::uint8_t>(pair / 256)}))
                << "level " << level << " cell " << i;
        }
    }
    EXPECT_TRUE(reader.services.failures.empty());
}

TEST(MapFile, SavingLevel0CreatesAFileOfOneLevel) {
    ScratchDir dir;
    const std::string map = dir.File("new.qmap");
    StartedEditor editor;
    editor.form.MapFileName = map;
    editor.form.SetSquare(31, 23, 65, 15);
    ASSERT_TRUE(editor.form.SaveMap());
    const Bytes bytes = ReadBytes(map);
    ASSERT_EQ(bytes.size(), 1536u);  // no level chosen yet: level 0
    EXPECT_EQ(bytes[1534], 65);
    EXPECT_EQ(bytes[1535], 0xF0);
}

TEST(MapFile, SavingLevel3IntoAnEmptyFileZeroFillsTheSkippedLevels) {
    ScratchDir dir;
    const std::string map = dir.File("empty.qmap");
    WriteBytes(map, {});
    StartedEditor editor(map);
    editor.form.SetSquare(0, 0, 1, 2);
    editor.form.CurrentLevel = OptionalNumber::Double(3);
    ASSERT_TRUE(editor.form.SaveMap());
    const Bytes bytes = ReadBytes(map);
    ASSERT_EQ(bytes.size(), 6144u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4608), Bytes(4608, 0));
    EXPECT_EQ(bytes[4608], 1);
    EXPECT_EQ(bytes[4609], 0x20);
}

TEST(MapFile, SavingOneLevelLeavesEveryOtherByteAlone) {
    ScratchDir dir;
    const std::string map = dir.File("five.qmap");
    const Bytes before = testing::PatternBytes(5 * 1536, 1);
    WriteBytes(map, before);
    StartedEditor editor(map);  // loads level 0
    editor.form.SetSquare(3, 4, 200, 9);
    ASSERT_TRUE(editor.form.SaveMap());
    const Bytes after = ReadBytes(map);
    ASSERT_EQ(after.size(), 7680u);
    EXPECT_EQ(Bytes(after.begin() + 1536, after.end()), Bytes(before.begin() + 1536, before.end()));
    for (std::size_t i = 0; i < 1536; ++i) {
        if (i == CellOffsetInLevel(3, 4) || i == CellOffsetInLevel(3, 4) + 1) continue;
        // Glyphs come back as they were; colour bytes lose their lower four bits.
        const std::uint8_t expected = i % 2 ? before[i] & 0xF0 : before[i];
        ASSERT_EQ(after[i], expected) << "byte " << i;
    }
    EXPECT_EQ(after[CellOffsetInLevel(3, 4)], 200);
    EXPECT_EQ(after[CellOffsetInLevel(3, 4) + 1], 0x90);
}

TEST(MapFile, ColourByteKeepsOnlyItsUpperFourBits) {
    ScratchDir dir;
    const std::string map = dir.File("low-bits.qmap");
    Bytes level(1536, 0);
    level[0] = 'A';
    level[1] = 0x47;
    WriteBytes(map, level);
    StartedEditor editor(map);
    EXPECT_EQ(editor.form.Board(0, 0), (BoardCell{'A', 4}));
    ASSERT_TRUE(editor.form.SaveMap());
    EXPECT_EQ(ReadBytes(map)[1], 0x40);
}

TEST(MapFile, ColourAbove15IsSavedAsItsLowFourBitsWithoutTouchingTheNextCell) {
    ScratchDir dir;
    const std::string map = dir.File("wide-colour.qmap");
    StartedEditor editor;
    editor.form.MapFileName = map;
    editor.form.SetSquare(0, 0, 7, 0x1F);
    editor.form.SetSquare(1, 0, 8, 3);
    ASSERT_TRUE(editor.form.SaveMap());
    const Bytes bytes = ReadBytes(map);
    EXPECT_EQ((Bytes{bytes[0], bytes[1], bytes[2], bytes[3]}), (Bytes{7, 0xF0, 8, 0x30}));
}

TEST(MapFile, CellsPastTheEndOfTheFileLoadBlank) {
    ScratchDir dir;
    const std::string map = dir.File("short.qmap");
    Bytes bytes = testing::PatternBytes(1536 + 100, 2);
    WriteBytes(map, bytes);
    StartedEditor editor;
    editor.form.MapFileName = map;
    for (int X = 0; X < 32; ++X)
        for (int Y = 0; Y < 24; ++Y) editor.form.SetSquare(X, Y, 9, 9);
    editor.form.CurrentLevel = OptionalNumber::Double(1);
    ASSERT_TRUE(editor.form.LoadMap());
    for (int i = 0; i < kBoardCells; ++i) {
        const BoardCell expected =
            i < 50 ? BoardCell{bytes[1536 + 2 * i],
                               static_cast<std::uint8_t>(bytes[1537 + 2 * i] >> 4)}
                   : BoardCell{};
        ASSERT_EQ(editor.form.Board(i % 32, i / 32), expected) << "cell " << i;
    }
    EXPECT_EQ(ReadBytes(map).size(), bytes.size()) << "a load never changes the file";
}

TEST(MapFile, FractionalLevelReadsAcrossItsNeighbours) {
    ScratchDir dir;
    const std::string map = dir.File("fraction.qmap");
    const Bytes bytes = testing::PatternBytes(2 * 1536, 3);
    WriteBytes(map, bytes);
    StartedEditor editor;
    editor.form.MapFileName = map;
    editor.form.CurrentLevel = OptionalNumber::Double(0.25);
    ASSERT_TRUE(editor.form.LoadMap());
    EXPECT_EQ(editor.form.Board(0, 0).Char, bytes[384]);
    EXPECT_EQ(editor.form.Board(0, 0).Color, bytes[385] >> 4);
}

TEST(MapFile, LoadingAMissingFileCreatesItEmpty) {
    ScratchDir dir;
    const std::string map = dir.File("missing.qmap");
    StartedEditor editor(map);
    EXPECT_TRUE(editor.services.failures.empty());
    EXPECT_TRUE(std::filesystem::exists(map));
    EXPECT_EQ(std::filesystem::file_size(map), 0u);
    EXPECT_EQ(editor.form.Board, BoardGrid{});
}

TEST(MapFile, NamesWithBlanksAndNonAsciiLettersAreUsedUnchanged) {
    ScratchDir dir;
    const std::string map = dir.File("n\xC3\xBCmmer \xE2\x99\xA5 1.qmap");  // "nümmer ♥ 1.qmap"
    StartedEditor editor(map);
    editor.form.SetSquare(0, 0, 3, 12);
    ASSERT_TRUE(editor.form.SaveMap());
    EXPECT_EQ(ReadBytes(map).size(), 1536u);
}

// Every failure names the file and the system's reason, leaves Board as it was and lets the
// editor go on.
class MapFailure : public ::testing::Test {
  protected:
    void SetUp() override {
        editor.form.SetSquare(4, 5, 66, 3);
        before = editor.form.Board;
    }
    void ExpectReported(const std::string& fileName, const std::string& reason) {
        ASSERT_EQ(editor.services.failures.size(), 1u);
        const std::string& message = editor.services.failures[0];
        EXPECT_NE(message.find('"' + fileName + '"'), std::string::npos) << message;
        EXPECT_NE(message.find(reason), std::string::npos) << message;
        EXPECT_EQ(editor.form.Board, before);
    }

    ScratchDir dir;
    StartedEditor editor;
    BoardGrid before;
};

TEST_F(MapFailure, NoFileNamed) {
    EXPECT_FALSE(editor.form.LoadMap());
    ExpectReported("", "no map file is named");
    EXPECT_FALSE(editor.form.SaveMap());
}

TEST_F(MapFailure, FolderThatDoesNotExist) {
    const std::string map = dir.File("no-such-folder/level.qmap");
    editor.form.MapFileName = map;
    EXPECT_FALSE(editor.form.LoadMap());
    ExpectReported(map, "No such file or directory");
    EXPECT_FALSE(editor.form.SaveMap());
    EXPECT_FALSE(std::filesystem::exists(map));
}

TEST_F(MapFailure, Directory) {
    editor.form.MapFileName = dir.Path().string();
    EXPECT_FALSE(editor.form.LoadMap());
    ExpectReported(dir.Path().string(), "Is a directory");
    EXPECT_FALSE(editor.form.SaveMap());
    EXPECT_EQ(editor.services.failures.size(), 2u);
}

TEST_F(MapFailure, LevelBelowZero) {
    const std::string map = dir.File("m.qmap");
    editor.form.MapFileName = map;
    editor.form.CurrentLevel = OptionalNumber::Double(-1);
    EXPECT_FALSE(editor.form.SaveMap());
    ExpectReported(map, "levels run from 0 to 1398101");
    EXPECT_FALSE(std::filesystem::exists(map)) << "nothing is opened for an unreachable level";
}

TEST_F(MapFailure, LevelBeyondTheLastReachable) {
    const std::string map = dir.File("m.qmap");
    editor.form.MapFileName = map;
    editor.form.CurrentLevel = OptionalNumber::Double(1398102);
    EXPECT_FALSE(editor.form.LoadMap());
    ExpectReported(map, "level 1398102");
}

TEST_F(MapFailure, FullDisk) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    editor.form.MapFileName = "/dev/full";
    EXPECT_FALSE(editor.form.SaveMap());
    ExpectReported("/dev/full", "No space left on device");
}

// Interrupts a call that waits longer than a few seconds while it lives, so that a test of
// something that must not wait fails instead of hanging.
class WaitLimit {
  public:
    WaitLimit() {
        struct sigaction interrupt {};
        interrupt.sa_handler = [](int) {};  // no SA_RESTART: the waiting call fails with EINTR
        ::sigaction(SIGALRM, &interrupt, &saved_);
        ::alarm(5);
    }
    ~WaitLimit() {
        ::alarm(0);
        ::sigaction(SIGALRM, &saved_, nullptr);
    }

  private:
    struct sigaction saved_ {};
};

TEST_F(MapFailure, FifoIsRefusedWithoutWaitingForAWriter) {
    const std::string fifo = dir.File("fifo.qmap");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    WaitLimit limit;
    LevelBlock block;
    const FileResult read = ReadLevelBlock(fifo, 0, MapAccess::ReadOnly, block);
    EXPECT_FALSE(read);
    EXPECT_EQ(read.reason, "Illegal seek");
    editor.form.MapFileName = fifo;
    EXPECT_FALSE(editor.form.LoadMap());
    ExpectReported(fifo, "Illegal seek");
    EXPECT_FALSE(editor.form.SaveMap());
}

// Files may not grow past a size while it lives: as on a disk that fills up, the part of a write
// below the limit lands and the rest fails.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        ignoredSignal_ = std::signal(SIGXFSZ, SIG_IGN);  // the failed write reports it instead
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        applied_ = bytes <= saved_.rlim_max && ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, ignoredSignal_);
    }
    bool Applied() const { return applied_; }

  private:
    rlimit saved_{};
    void (*ignoredSignal_)(int) = nullptr;
    bool applied_ = false;
};

TEST_F(MapFailure, SaveThatFailsHalfWayLeavesTheFileAtItsOldLength) {
    const std::string map = dir.File("m.qmap");
    const Bytes content = testing::PatternBytes(1536, 6);
    WriteBytes(map, content);
    editor.form.MapFileName = map;
    editor.form.CurrentLevel = OptionalNumber::Double(1);
    {
        FileSizeLimit limit(1536 + 1000);
        if (!limit.Applied()) GTEST_SKIP() << "cannot limit the size of files here";
        EXPECT_FALSE(editor.form.SaveMap());
    }
    ExpectReported(map, "File too large");
    EXPECT_EQ(ReadBytes(map), content) << "no half level is left behind";
}

// A file that this process may read but not write: a read-only file, or for a superuser (who
// may write any ordinary file) a read-only kernel attribute file.
std::string ReadOnlyFile(const ScratchDir& dir) {
    const std::string path = dir.File("read-only.qmap");
    WriteBytes(path, testing::PatternBytes(1536, 4));
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
    if (!std::ofstream(path, std::ios::app).is_open()) return path;
    const std::string attribute = "/sys/devices/system/cpu/possible";
    if (std::ifstream(attribute).is_open() && !std::ofstream(attribute, std::ios::app).is_open())
        return attribute;
    return {};
}

TEST_F(MapFailure, ReadOnlyFileLoadsButDoesNotSave) {
    const std::string map = ReadOnlyFile(dir);
    if (map.empty()) GTEST_SKIP() << "no file here that can be read but not written";
    const Bytes content = ReadBytes(map);
    editor.form.MapFileName = map;
    ASSERT_TRUE(editor.form.LoadMap());
    EXPECT_TRUE(editor.services.failures.empty());
    EXPECT_EQ(editor.form.Board(0, 0).Char, content.at(0));
    before = editor.form.Board;
    EXPECT_FALSE(editor.form.SaveMap());
    ExpectReported(map, "Permission denied");
}

}  // namespace
}  // namespace gridwright
