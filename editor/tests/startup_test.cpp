// The start-up of the window with and without a map file on the command line.
#include <gtest/gtest.h>

#include "test_support.h"

namespace gridwright {
namespace {

using testing::Bytes;
using testing::ScratchDir;
using testing::StartedEditor;

TEST(Startup, WithoutArgumentTouchesNoFile) {
    StartedEditor editor;
    EXPECT_EQ(editor.services.caption, "QUORIX Map Editor");
    EXPECT_FALSE(editor.form.CurrentLevel.HasValue());
    EXPECT_EQ(editor.form.CurrentLevel.ToText(), "");
    EXPECT_EQ(editor.form.MapFileName, "");
    EXPECT_EQ(editor.form.Board, BoardGrid{});
    EXPECT_FALSE(editor.form.AnchorX.HasValue());
    EXPECT_FALSE(editor.form.AnchorY.HasValue());
    for (int button = 1; button <= 7; ++button)
        EXPECT_EQ(editor.form.MouseObj[button], BoardCell{});
    EXPECT_FLOAT_EQ(editor.form.modGraphics.Brightness, 1.0f);
    EXPECT_FALSE(editor.services.visibility.at(Picture::picMainScreen));
    EXPECT_EQ(editor.services.status, "[]");
    EXPECT_TRUE(editor.services.failures.empty());
    EXPECT_EQ(editor.services.blits, 1);
}

TEST(Startup, WithAMapLoadsLevel0AndShowsIt) {
    ScratchDir dir;
    const std::string map = dir.File("start.qmap");
    Bytes bytes(2 * 1536, 0);
    bytes[0] = 'Q';
    bytes[1] = 0xE0;    // cell (0, 0): "Q" in yellow
    bytes[1536] = 'Z';  // level 1 is not loaded
    testing::WriteBytes(map, bytes);

    StartedEditor editor(map);
    EXPECT_EQ(editor.services.caption, "QUORIX Map Editor - " + map);
    EXPECT_EQ(editor.form.MapFileName, map);
    EXPECT_TRUE(editor.form.CurrentLevel.IsWhole());
    EXPECT_EQ(editor.form.CurrentLevel.ToText(), "0");
    EXPECT_EQ(editor.form.Board(0, 0), (BoardCell{'Q', 14}));
    EXPECT_EQ(editor.form.Board(1, 0), BoardCell{});
    EXPECT_EQ(editor.services.blits, 2);
    // On the screen: some pixel of cell (0, 0) is yellow.
    int yellow = 0;
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 10; ++x) yellow += editor.services.BlittedIndex(x, y) == 14;
    EXPECT_GT(yellow, 10);
    EXPECT_TRUE(editor.services.failures.empty());
}

TEST(Startup, ArgumentIsOneTextKeptWithItsQuotesAndBlanks) {
    ScratchDir dir;
    // Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict on "\"" + std::string.
    std::string quoted = "\"";
    quoted += dir.File("two words.qmap");
    quoted += '"';
    StartedEditor editor(quoted);
    EXPECT_EQ(editor.form.MapFileName, quoted);
    EXPECT_EQ(editor.services.caption, "QUORIX Map Editor - " + quoted);
    // No such file name can be made (the folder part starts with a quotation mark): the load
    // fails, says so, and the editor goes on with a blank board.
    ASSERT_EQ(editor.services.failures.size(), 1u);
    EXPECT_NE(editor.services.failures[0].find(quoted), std::string::npos);
    EXPECT_EQ(editor.form.Board, BoardGrid{});
}

}  // namespace
}  // namespace gridwright
