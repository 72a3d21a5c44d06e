#include "menu.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <utility>

namespace gridwright {
namespace {

TEST(MenuBar, HasFileOptionAndStatusWithTheirShortcuts) {
    auto bar = MenuBar();
    ASSERT_EQ(bar.size(), 6u);
    EXPECT_EQ(bar[0].caption, "&File");
    EXPECT_EQ(bar[4].caption, "&Option");
    EXPECT_EQ(bar[5].caption, "[]");
    EXPECT_EQ(bar[5].name, "mnuStatus");

    ASSERT_EQ(bar[0].items.size(), 7u);
    EXPECT_EQ(bar[0].items[0].caption, "&Open");
    EXPECT_EQ(bar[0].items[0].shortcut, 'O');
    EXPECT_EQ(bar[0].items[3].shortcut, 'S');
    EXPECT_EQ(bar[0].items[4].caption, "&Level Select");
    EXPECT_EQ(bar[0].items[4].shortcut, 'L');
    EXPECT_EQ(bar[0].items[6].caption, "E&xit");
    EXPECT_EQ(bar[0].items[6].shortcut, 0);
    ASSERT_EQ(bar[4].items.size(), 4u);
    EXPECT_EQ(bar[4].items[0].command, MenuCommand::Brightness);
    EXPECT_EQ(bar[4].items[0].shortcut, 'B');
}

// The zoom items follow Brightness, which keeps its place; Zoom In answers Ctrl+Plus and Ctrl+=.
TEST(MenuBar, OptionMenuZoomsWithPlusEqualsMinusAndZero) {
    const auto option = MenuBar()[4].items;
    ASSERT_EQ(option.size(), 4u);
    EXPECT_EQ(option[1].caption, "Zoom &In");
    EXPECT_EQ(option[1].command, MenuCommand::ZoomIn);
    EXPECT_EQ(option[1].shortcut, '+');
    EXPECT_EQ(option[1].otherShortcut, '=');
    EXPECT_EQ(option[2].caption, "Zoom &Out");
    EXPECT_EQ(option[2].command, MenuCommand::ZoomOut);
    EXPECT_EQ(option[2].shortcut, '-');
    EXPECT_EQ(option[3].caption, "&Actual Size");
    EXPECT_EQ(option[3].command, MenuCommand::ActualSize);
    EXPECT_EQ(option[3].shortcut, '0');
}

// Edit sits between File and Option; Recover joins File before Exit with a letter of its own, so
// every older access letter and shortcut still reaches what it reached.
TEST(MenuBar, EditMenuAndRecoverTakeNoOlderLetterOrShortcut) {
    auto bar = MenuBar();
    ASSERT_EQ(bar.size(), 6u);
    EXPECT_EQ(bar[1].caption, "&Edit");
    ASSERT_EQ(bar[1].items.size(), 7u);
    EXPECT_EQ(bar[1].items[0].caption, "&Undo");
    EXPECT_EQ(bar[1].items[0].command, MenuCommand::Undo);
    EXPECT_EQ(bar[1].items[0].shortcut, 'Z');
    EXPECT_EQ(bar[1].items[0].shiftShortcut, 0);
    EXPECT_EQ(bar[1].items[1].caption, "&Redo");
    EXPECT_EQ(bar[1].items[1].command, MenuCommand::Redo);
    EXPECT_EQ(bar[1].items[1].shortcut, 'Y');
    EXPECT_EQ(bar[1].items[1].shiftShortcut, 'Z');
    EXPECT_EQ(bar[0].items[5].caption, "&Recover");
    EXPECT_EQ(bar[0].items[5].command, MenuCommand::Recover);

    // Access letters are unique within each menu and along the bar; shortcuts across all.
    const auto letter = [](std::string_view caption) {
        const auto at = caption.find('&');
        return at == std::string_view::npos ? '\0'
                                            : static_cast<char>(std::toupper(caption[at + 1]));
    };
    std::set<char> topLetters;
    std::set<std::pair<char, bool>> shortcuts;
    for (const MenuItem& top : bar) {
        if (!top.items.empty()) {
            EXPECT_TRUE(topLetters.insert(letter(top.caption)).second);
        }
        std::set<char> letters;
        for (const MenuItem& item : top.items) {
            EXPECT_TRUE(letters.insert(letter(item.caption)).second) << item.caption;
            if (item.shortcut) {
                EXPECT_TRUE(shortcuts.insert({item.shortcut, false}).second);
            }
            if (item.shiftShortcut) {
                EXPECT_TRUE(shortcuts.insert({item.shiftShortcut, true}).second);
            }
            if (item.otherShortcut) {
                EXPECT_TRUE(shortcuts.insert({item.otherShortcut, false}).second);
            }
        }
    }
}

// The selection's commands follow Undo and Redo; the Tool menu, between Edit and Option, holds one
// radio item per tool with a plain letter (no Ctrl), Pen checked at start.
TEST(MenuBar, EditGainsClipboardCommandsAndToolMenuHasPlainLetterRadioItems) {
    const auto edit = MenuBar()[1].items;
    const struct {
        std::string_view caption;
        char shortcut;
        NamedKey named;
        MenuCommand command;
    } editItems[] = {{"Cu&t", 'X', NamedKey::None, MenuCommand::Cut},
                     {"&Copy", 'C', NamedKey::None, MenuCommand::Copy},
                     {"&Paste", 'V', NamedKey::None, MenuCommand::Paste},
                     {"&Delete", 0, NamedKey::Delete, MenuCommand::Delete},
                     {"Select &All", 'A', NamedKey::None, MenuCommand::SelectAll}};
    for (std::size_t i = 0; i < std::size(editItems); ++i) {
        EXPECT_EQ(edit[2 + i].caption, editItems[i].caption);
        EXPECT_EQ(edit[2 + i].shortcut, editItems[i].shortcut);
        EXPECT_EQ(edit[2 + i].namedKey, editItems[i].named);
        EXPECT_EQ(edit[2 + i].command, editItems[i].command);
        EXPECT_EQ(edit[2 + i].plainKey, 0);
    }

    const MenuItem& tool = MenuBar()[2];
    EXPECT_EQ(tool.caption, "&Tool");
    EXPECT_EQ(tool.name, "mnuTool");
    const struct {
        std::string_view caption;
        char key;
        MenuCommand command;
    } tools[] = {{"&Pen", 'B', MenuCommand::ToolPen},   {"&Line", 'L', MenuCommand::ToolLine},
                 {"&Fill", 'G', MenuCommand::ToolFill}, {"&Select", 'M', MenuCommand::ToolSelect},
                 {"P&ick", 'I', MenuCommand::ToolPick}, {"&Text", 'T', MenuCommand::ToolText}};
    ASSERT_EQ(tool.items.size(), std::size(tools));
    for (std::size_t i = 0; i < std::size(tools); ++i) {
        EXPECT_EQ(tool.items[i].caption, tools[i].caption);
        EXPECT_EQ(tool.items[i].plainKey, tools[i].key);
        EXPECT_EQ(tool.items[i].shortcut, 0);
        EXPECT_EQ(tool.items[i].command, tools[i].command);
        EXPECT_NE(tool.items[i].radioGroup, 0);
        EXPECT_EQ(tool.items[i].radioGroup, tool.items[0].radioGroup);
        EXPECT_EQ(tool.items[i].checked, i == 0);
    }
}

// Browse (Ctrl+Shift+O) and the Recent submenu follow Open; both name files by their paths, so the
// page leaves them out. Recent holds one entry per remembered file, the core's to caption.
TEST(MenuBar, BrowseAndRecentFollowOpen) {
    const auto file = MenuBar()[0].items;
    EXPECT_EQ(file[1].caption, "&Browse...");
    EXPECT_EQ(file[1].command, MenuCommand::Browse);
    EXPECT_EQ(file[1].shortcut, 0);
    EXPECT_EQ(file[1].shiftShortcut, 'O');
    EXPECT_TRUE(file[1].namesPaths);
    EXPECT_EQ(file[2].caption, "Recen&t");
    EXPECT_EQ(file[2].command, MenuCommand::RecentFiles);
    EXPECT_TRUE(file[2].namesPaths);
    ASSERT_EQ(file[2].items.size(), static_cast<std::size_t>(kRecentFileEntries));
    for (int i = 0; i < kRecentFileEntries; ++i) {
        EXPECT_EQ(file[2].items[static_cast<std::size_t>(i)].command, RecentFileCommand(i));
        EXPECT_EQ(RecentFileIndex(RecentFileCommand(i)), i);
    }
    EXPECT_EQ(RecentFileIndex(MenuCommand::Browse), -1);
    EXPECT_EQ(RecentFileIndex(MenuCommand::RecentFiles), -1);
}

// Level sits between Tool and Option; Tab and the page keys are shown, never bound.
TEST(MenuBar, LevelMenuBetweenToolAndOption) {
    const MenuItem& level = MenuBar()[3];
    EXPECT_EQ(level.caption, "Le&vel");
    EXPECT_EQ(level.name, "mnuLevel");
    const struct {
        std::string_view caption;
        char shortcut;
        NamedKey named;
        MenuCommand command;
    } items[] = {{"&Overview", 0, NamedKey::Tab, MenuCommand::LevelOverview},
                 {"&Insert", 0, NamedKey::None, MenuCommand::LevelInsert},
                 {"&Duplicate", 'D', NamedKey::None, MenuCommand::LevelDuplicate},
                 {"De&lete", 0, NamedKey::None, MenuCommand::LevelDelete},
                 {"&Move To...", 0, NamedKey::None, MenuCommand::LevelMoveTo},
                 {"&Previous", 0, NamedKey::PageUp, MenuCommand::LevelPrevious},
                 {"&Next", 0, NamedKey::PageDown, MenuCommand::LevelNext}};
    ASSERT_EQ(level.items.size(), std::size(items));
    for (std::size_t i = 0; i < std::size(items); ++i) {
        EXPECT_EQ(level.items[i].caption, items[i].caption);
        EXPECT_EQ(level.items[i].shortcut, items[i].shortcut);
        EXPECT_EQ(level.items[i].namedKey, items[i].named);
        EXPECT_EQ(level.items[i].command, items[i].command);
        EXPECT_EQ(level.items[i].plainKey, 0);
    }
}

}  // namespace
}  // namespace gridwright
