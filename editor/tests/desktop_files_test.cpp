// The ways of naming a map file beside the typed Open: the file dialog, the Recent list kept in
// the settings file, and a file dropped on the window.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "recent_files.h"
#include "test_support.h"
#include "user_settings.h"

namespace gridwright {
namespace {

using testing::Bytes;
using testing::ScratchDir;

TEST(RecentFiles, NewestFirstWithoutRepeatsAndAtMostEight) {
    std::vector<std::string> list;
    for (int i = 0; i < 10; ++i) AddRecentFile(list, "/maps/" + std::to_string(i) + ".qmap");
    ASSERT_EQ(list.size(), kRecentFileLimit);
    EXPECT_EQ(list.front(), "/maps/9.qmap");
    EXPECT_EQ(list.back(), "/maps/2.qmap");

    AddRecentFile(list, "/maps/5.qmap");  // named again: moves to the top, once
    ASSERT_EQ(list.size(), kRecentFileLimit);
    EXPECT_EQ(list[0], "/maps/5.qmap");
    EXPECT_EQ(list[1], "/maps/9.qmap");
    EXPECT_EQ(std::count(list.begin(), list.end(), "/maps/5.qmap"), 1);

    const std::vector<std::string> kept = list;
    for (const std::string_view bad :
         {std::string_view{}, std::string_view("a\nb"), std::string_view("\xff.qmap"),
          std::string_view("\t"), std::string_view("/m.qmap ")})
        AddRecentFile(list, bad);
    EXPECT_EQ(list, kept);

    EXPECT_EQ(RecentFileCaption(0, "/m&m/a_b.qmap"), "&1 /m&&m/a_b.qmap");
    EXPECT_EQ(RecentFileCaption(7, "x"), "&8 x");
    EXPECT_TRUE(std::filesystem::path(RecentPathFor("a/../b.qmap")).is_absolute());
    EXPECT_EQ(std::filesystem::path(RecentPathFor("a/../b.qmap")).filename(), "b.qmap");
}

TEST(RecentFiles, SettingsKeepEveryOtherLineAndSkipDamagedRecentLines) {
    // Without recent files, the text is what it was before there were any.
    UserSettings plain;
    plain.zoom = 2;
    plain.otherLines = {"later=thing"};
    const std::string before = FormatSettings(plain);
    EXPECT_EQ(before.find("recent"), std::string::npos);

    UserSettings read;
    std::string why;
    ASSERT_TRUE(ParseSettings(before + "recent=/a b/one.qmap \r\nrecent=\nrecent=bad\xff\n"
                                       "recent=/a b/one.qmap \nrecent = /two.qmap\n",
                              read, why))
        << why;
    EXPECT_EQ(read.zoom, 2);
    EXPECT_EQ(read.otherLines, plain.otherLines);
    EXPECT_EQ(read.recentFiles, (std::vector<std::string>{"/a b/one.qmap", "/two.qmap"}));

    UserSettings again;
    ASSERT_TRUE(ParseSettings(FormatSettings(read), again, why)) << why;
    EXPECT_EQ(again.recentFiles, read.recentFiles);
    EXPECT_EQ(again.zoom, 2);
    EXPECT_EQ(again.otherLines, plain.otherLines);
    read.recentFiles.clear();
    EXPECT_EQ(FormatSettings(read), before);

    // More than eight: the first eight stand, the rest are left out.
    std::string many;
    for (int i = 0; i < 12; ++i) many += "recent=/" + std::to_string(i) + '\n';
    UserSettings full;
    ASSERT_TRUE(ParseSettings(many, full, why)) << why;
    ASSERT_EQ(full.recentFiles.size(), kRecentFileLimit);
    EXPECT_EQ(full.recentFiles.back(), "/7");
}

// A window whose settings live in a folder of the scratch directory, so a second start reads
// what the first remembered.
class Files : public ::testing::Test {
  protected:
    void Start(const std::string& commandLine = {}) {
        form.reset();
        services = std::make_unique<HeadlessServices>();
        services->settingsFolder = dir.File("config");
        services->commandLine = commandLine;
        form = std::make_unique<FrmMain>(*services);
        form->Form_Load();
    }
    std::string Map(const std::string& name, std::uint8_t glyph) {
        const std::string path = dir.File(name);
        Bytes bytes(2 * 1536, 0);
        bytes[0] = glyph;
        bytes[1536] = '1';
        testing::WriteBytes(path, bytes);
        return path;
    }
    std::vector<std::string> Shown() {
        std::vector<std::string> captions;
        for (int i = 0; i < kRecentFileEntries; ++i)
            if (services->menuVisible[RecentFileCommand(i)])
                captions.push_back(services->menuCaptions[RecentFileCommand(i)]);
        return captions;
    }

    ScratchDir dir;
    std::unique_ptr<HeadlessServices> services;
    std::unique_ptr<FrmMain> form;
};

TEST_F(Files, BrowseNamesTheChosenFileAndCancelChangesNothing) {
    const std::string map = Map("first.qmap", 'a');
    Start(map);
    form->SetSquare(3, 3, 'Q', 5);
    const BoardGrid board = form->Board;
    const std::string caption = services->caption;

    form->Invoke(MenuCommand::Browse);  // Cancel
    EXPECT_EQ(services->dialogFolders.back(), dir.Path().string());
    EXPECT_EQ(form->MapFileName, map);
    EXPECT_EQ(services->caption, caption);
    EXPECT_EQ(form->Board, board);
    EXPECT_EQ(form->RecentFiles().size(), 1u);
    EXPECT_FALSE(form->EditHistory().CanUndo());

    const std::string other = dir.File("other.qmap");
    services->chosenFiles.push_back(other);
    form->Invoke(MenuCommand::Browse);
    EXPECT_EQ(form->MapFileName, other);
    EXPECT_EQ(services->caption, "QUORIX Map Editor - " + other);
    EXPECT_EQ(form->Board, board);  // named, not loaded: as Open
    EXPECT_EQ(services->recentDocuments.back(), other);
    form->Invoke(MenuCommand::Undo);
    EXPECT_EQ(form->MapFileName, map);
}

TEST_F(Files, RecentListsTheFilesNamedLastAcrossARestart) {
    Start(dir.Path().string());  // a folder on the command line does not load: not remembered
    EXPECT_TRUE(form->RecentFiles().empty());
    Start();
    EXPECT_TRUE(Shown().empty());
    EXPECT_FALSE(services->menuEnabled[MenuCommand::RecentFiles]);

    const std::string a = Map("a.qmap", 'a'), b = Map("b&b.qmap", 'b'), c = Map("c.qmap", 'c');
    services->answers.push_back(a);
    form->Invoke(MenuCommand::Open);
    services->chosenFiles.push_back(b);
    form->Invoke(MenuCommand::Browse);
    form->DropFile(c);
    services->answers.push_back("");  // a cancelled Open names no file worth remembering
    form->Invoke(MenuCommand::Open);

    Start();
    EXPECT_EQ(Shown(), (std::vector<std::string>{RecentFileCaption(0, c), RecentFileCaption(1, b),
                                                 RecentFileCaption(2, a)}));
    EXPECT_TRUE(services->menuEnabled[MenuCommand::RecentFiles]);
    form->Invoke(RecentFileCommand(2));
    EXPECT_EQ(form->MapFileName, a);
    EXPECT_EQ(form->RecentFiles().front(), a);
    form->Invoke(RecentFileCommand(7));  // no such entry: nothing happens
    EXPECT_EQ(form->MapFileName, a);
}

TEST_F(Files, ADropLoadsLevelZeroAsOneStepThatUndoTakesBack) {
    const std::string first = Map("first.qmap", 'a');
    const std::string dropped = Map("dropped.qmap", 'd');
    Start(first);
    services->answers.push_back("1");
    form->Invoke(MenuCommand::LevelSelect);
    form->SetSquare(5, 5, 'E', 9);  // an unsaved edit of level 1
    const BoardGrid edited = form->Board;

    form->DropFile(dropped);
    EXPECT_EQ(form->MapFileName, dropped);
    EXPECT_EQ(form->CurrentLevel.Value(), 0);
    EXPECT_EQ(form->Board(0, 0).Char, 'd');
    EXPECT_EQ(services->caption, "QUORIX Map Editor - " + dropped);

    form->Invoke(MenuCommand::Undo);
    EXPECT_EQ(form->Board, edited);
    EXPECT_EQ(form->MapFileName, first);
    EXPECT_EQ(form->CurrentLevel.Value(), 1);
    EXPECT_EQ(services->caption, "QUORIX Map Editor - " + first);
    form->Invoke(MenuCommand::Redo);
    EXPECT_EQ(form->MapFileName, dropped);

    // A drop that cannot be loaded (a folder) is told and names nothing.
    const std::size_t failures = services->failures.size();
    form->DropFile(dir.File("config"));
    EXPECT_EQ(services->failures.size(), failures + 1);
    EXPECT_EQ(form->MapFileName, dropped);
    EXPECT_EQ(services->caption, "QUORIX Map Editor - " + dropped);
    EXPECT_EQ(form->RecentFiles().front(), dropped);
}

}  // namespace
}  // namespace gridwright
