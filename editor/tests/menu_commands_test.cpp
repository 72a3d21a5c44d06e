// The menu commands, answered from a script as a user answers the input boxes.
#include <gtest/gtest.h>

#include <cfloat>
#include <filesystem>

#include "test_support.h"

namespace gridwright {
namespace {

using testing::Bytes;
using testing::ReadBytes;
using testing::ScratchDir;
using testing::StartedEditor;

// Each level's first cell holds its own number as glyph, so the loaded level shows at (0, 0).
std::string NumberedMap(const ScratchDir& dir, int levels) {
    const std::string map = dir.File("levels.qmap");
    Bytes bytes(static_cast<std::size_t>(levels) * 1536, 0);
    for (int level = 0; level < levels; ++level) {
        bytes[level * 1536] = static_cast<std::uint8_t>('a' + level);
        bytes[level * 1536 + 1] = 0x70;
    }
    testing::WriteBytes(map, bytes);
    return map;
}

class Menu : public ::testing::Test {
  protected:
    void Answer(const std::string& text) { services().answers.push_back(text); }
    HeadlessServices& services() { return editor->services; }
    FrmMain& form() { return editor->form; }
    void Start(const std::string& commandLine = {}) {
        editor = std::make_unique<StartedEditor>(commandLine);
    }
    const HeadlessServices::Question& LastQuestion() { return services().questions.back(); }

    ScratchDir dir;
    std::unique_ptr<StartedEditor> editor = std::make_unique<StartedEditor>();
};

TEST_F(Menu, OpenNamesTheFileAndLoadsNothing) {
    form().SetSquare(1, 1, 'Q', 3);
    const BoardGrid board = form().Board;
    Answer("some/where.qmap");
    form().Invoke(MenuCommand::Open);
    EXPECT_EQ(LastQuestion().prompt, "Filename?");
    EXPECT_EQ(LastQuestion().defaultAnswer, "");
    EXPECT_EQ(form().MapFileName, "some/where.qmap");
    EXPECT_EQ(services().caption, "QUORIX Map Editor - some/where.qmap");
    EXPECT_EQ(form().Board, board);
    EXPECT_FALSE(form().CurrentLevel.HasValue());
    EXPECT_FALSE(std::filesystem::exists("some/where.qmap"));

    form().mnuWorldLoad_Click();  // cancelled
    EXPECT_EQ(LastQuestion().defaultAnswer, "some/where.qmap");
    EXPECT_EQ(form().MapFileName, "");
    EXPECT_EQ(services().caption, "QUORIX Map Editor - ");
}

TEST_F(Menu, OpenThenSaveWritesTheBoardIntoTheNewlyNamedFile) {
    const std::string first = NumberedMap(dir, 3);
    Start(first);
    Answer("2");
    form().mnuFileLevel_Click();
    form().SetSquare(31, 23, 'z', 15);
    const std::string second = dir.File("copy.qmap");
    Answer(second);
    form().mnuWorldLoad_Click();
    form().Invoke(MenuCommand::Save);
    const Bytes bytes = ReadBytes(second);
    ASSERT_EQ(bytes.size(), 3u * 1536);
    EXPECT_EQ(bytes[2 * 1536], 'c');
    EXPECT_EQ(bytes[2 * 1536 + 1534], 'z');
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 2 * 1536), Bytes(2 * 1536, 0));
    EXPECT_EQ(ReadBytes(first)[2 * 1536 + 1534], 0) << "the first file is untouched";
}

TEST_F(Menu, LevelSelectOffersTheCurrentLevel) {
    form().mnuFileLevel_Click();
    EXPECT_EQ(LastQuestion().prompt, "Level?");
    EXPECT_EQ(LastQuestion().defaultAnswer, "");

    Start(NumberedMap(dir, 4));
    form().mnuFileLevel_Click();
    EXPECT_EQ(LastQuestion().defaultAnswer, "0");

    Answer("2.50");
    form().mnuFileLevel_Click();
    form().mnuFileLevel_Click();
    EXPECT_EQ(LastQuestion().defaultAnswer, "2.5");
}

TEST_F(Menu, LevelSelectReadsTheNumberAtTheStartOfTheAnswer) {
    Start(NumberedMap(dir, 8));
    const struct {
        const char* answer;
        char glyph;
    } cases[] = {{"7", 'h'}, {" 3 ", 'd'}, {"x", 'a'}, {"&H5", 'f'}, {"1e0", 'b'}};
    for (const auto& c : cases) {
        Answer(c.answer);
        form().Invoke(MenuCommand::LevelSelect);
        EXPECT_EQ(form().Board(0, 0).Char, c.glyph) << c.answer;
        EXPECT_FALSE(form().CurrentLevel.IsWhole());
    }
    EXPECT_TRUE(services().failures.empty());
}

TEST_F(Menu, LevelSelectCancelledLoadsNothing) {
    const std::string map = NumberedMap(dir, 2);
    Start(map);
    form().SetSquare(0, 0, 'E', 1);
    std::filesystem::remove(map);
    form().mnuFileLevel_Click();
    EXPECT_EQ(form().Board(0, 0), (BoardCell{'E', 1}));
    EXPECT_EQ(form().CurrentLevel, OptionalNumber::Whole(0));
    EXPECT_FALSE(std::filesystem::exists(map)) << "no file was opened";
}

TEST_F(Menu, LevelSelectOfTheSameLevelDiscardsUnsavedEdits) {
    Start(NumberedMap(dir, 2));
    form().SetSquare(0, 0, 'E', 1);
    Answer("0");
    form().mnuFileLevel_Click();
    EXPECT_EQ(form().Board(0, 0), (BoardCell{'a', 7}));
}

TEST_F(Menu, UnreachableLevelIsReportedAndChangesNothing) {
    Start(NumberedMap(dir, 2));
    form().SetSquare(0, 0, 'E', 1);
    const BoardGrid board = form().Board;
    for (const char* answer : {"-1", "1398102", "1e300"}) {
        Answer(answer);
        form().mnuFileLevel_Click();
        EXPECT_EQ(form().Board, board);
        EXPECT_EQ(form().CurrentLevel, OptionalNumber::Whole(0));
    }
    ASSERT_EQ(services().failures.size(), 3u);
    EXPECT_NE(services().failures[0].find("level -1"), std::string::npos) << services().failures[0];
    EXPECT_NE(services().failures[0].find("0 to 1398101"), std::string::npos);
}

TEST_F(Menu, LevelTooLargeForANumberIsRefusedAndKeepsTheEdits) {
    Start(NumberedMap(dir, 2));
    form().SetSquare(0, 0, 'E', 1);
    const BoardGrid board = form().Board;
    Answer("1e400");
    form().mnuFileLevel_Click();
    EXPECT_EQ(form().Board, board);
    EXPECT_EQ(form().CurrentLevel, OptionalNumber::Whole(0));
    ASSERT_EQ(services().failures.size(), 1u);
    EXPECT_NE(services().failures[0].find("level 1e400"), std::string::npos)
        << services().failures[0];
    EXPECT_NE(services().failures[0].find("0 to 1398101"), std::string::npos);
}

TEST_F(Menu, LevelWhoseLoadFailsIsNotTakenAsTheLevelBeingEdited) {
    Start(NumberedMap(dir, 2));
    Answer(dir.Path().string());  // a folder: cannot be loaded
    form().mnuWorldLoad_Click();
    Answer("1");
    form().mnuFileLevel_Click();
    ASSERT_EQ(services().failures.size(), 1u);
    EXPECT_EQ(form().CurrentLevel, OptionalNumber::Whole(0));
    EXPECT_EQ(form().Board(0, 0), (BoardCell{'a', 7}));
}

TEST_F(Menu, SaveWithoutAFileNameIsReported) {
    form().Invoke(MenuCommand::Save);
    ASSERT_EQ(services().failures.size(), 1u);
    EXPECT_NE(services().failures[0].find("no map file is named"), std::string::npos);
}

class Brightness : public Menu {
  protected:
    float AnswerBrightness(const std::string& answer) {
        if (!answer.empty()) Answer(answer);
        form().Invoke(MenuCommand::Brightness);
        return form().modGraphics.Brightness;
    }
    RgbQuad Blitted(int index) { return services().blittedInfo.bmiColors[index]; }
};

TEST_F(Brightness, ScalesThePaletteAndShowsTheUnchangedBuffer) {
    const std::vector<std::uint8_t> pixels = form().modGraphics.ScreenBuffer;
    const int blits = services().blits;
    EXPECT_EQ(AnswerBrightness("0.5"), 0.5f);
    EXPECT_EQ(LastQuestion().prompt, "Brightness?");
    EXPECT_EQ(LastQuestion().defaultAnswer, "1");
    EXPECT_EQ(services().blits, blits + 1);
    EXPECT_EQ(Blitted(15).rgbRed, 128);
    EXPECT_EQ(Blitted(9).rgbBlue, 128);
    EXPECT_EQ(services().blittedBits, std::vector<std::uint8_t>(pixels.begin(), pixels.end() - 1));

    EXPECT_EQ(AnswerBrightness("0.1"), 0.1f);
    form().mnuOptionBright_Click();  // cancelled
    EXPECT_EQ(LastQuestion().defaultAnswer, "0.1");
}

TEST_F(Brightness, NothingUsableGivesOne) {
    for (const char* answer : {"-1", "abc", "", "0", "1e-50"}) {
        AnswerBrightness("3");
        EXPECT_EQ(AnswerBrightness(answer), 1.0f) << '"' << answer << '"';
        EXPECT_EQ(Blitted(9).rgbRed, 96);
    }
}

TEST_F(Brightness, LargeFactorsCutComponentsAt255) {
    EXPECT_EQ(AnswerBrightness("3"), 3.0f);
    EXPECT_EQ(Blitted(1).rgbBlue, 255);   // 144 * 3
    EXPECT_EQ(Blitted(6).rgbGreen, 255);  // 104 * 3
    EXPECT_EQ(Blitted(0).rgbRed, 3);

    EXPECT_EQ(AnswerBrightness("1e39"), FLT_MAX);
    EXPECT_EQ(Blitted(0).rgbRed, 255);
    EXPECT_EQ(Blitted(0).rgbGreen, 0);
    // The largest value is offered as text that reads back as itself.
    form().mnuOptionBright_Click();
    EXPECT_EQ(static_cast<float>(ReadNumber(LastQuestion().defaultAnswer)), FLT_MAX);
}

TEST_F(Menu, ExitEndsAtOnceWithoutSaving) {
    const std::string map = NumberedMap(dir, 1);
    const Bytes before = ReadBytes(map);
    Start(map);
    form().SetSquare(0, 0, 'E', 1);
    form().Invoke(MenuCommand::Exit);
    EXPECT_TRUE(services().ended);
    EXPECT_TRUE(services().questions.empty());
    EXPECT_EQ(ReadBytes(map), before);
}

}  // namespace
}  // namespace gridwright
