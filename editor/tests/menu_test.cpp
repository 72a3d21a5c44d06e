#include "menu.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <utility>

namespace gridwright {
namespace {

TEST(MenuBar, HasFileOptionAndStatusWithTheirShortcuts) {
    auto bar = MenuBar();
    ASSERT_EQ(bar.size(), 4u);
    EXPECT_EQ(bar[0].caption, "&File");
    EXPECT_EQ(bar[2].caption, "&Option");
    EXPECT_EQ(bar[3].caption, "[]");
    EXPECT_EQ(bar[3].name, "mnuStatus");

    ASSERT_EQ(bar[0].items.size(), 5u);
    EXPECT_EQ(bar[0].items[0].caption, "&Open");
    EXPECT_EQ(bar[0].items[0].shortcut, 'O');
    EXPECT_EQ(bar[0].items[1].shortcut, 'S');
    EXPECT_EQ(bar[0].items[2].caption, "&Level Select");
    EXPECT_EQ(bar[0].items[2].shortcut, 'L');
    EXPECT_EQ(bar[0].items[4].caption, "E&xit");
    EXPECT_EQ(bar[0].items[4].shortcut, 0);
    ASSERT_EQ(bar[2].items.size(), 4u);
    EXPECT_EQ(bar[2].items[0].command, MenuCommand::Brightness);
    EXPECT_EQ(bar[2].items[0].shortcut, 'B');
}

// The zoom items follow Brightness, which keeps its place; Zoom In answers Ctrl+Plus and Ctrl+=.
TEST(MenuBar, OptionMenuZoomsWithPlusEqualsMinusAndZero) {
    const auto option = MenuBar()[2].items;
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
    ASSERT_EQ(bar.size(), 4u);
    EXPECT_EQ(bar[1].caption, "&Edit");
    ASSERT_EQ(bar[1].items.size(), 2u);
    EXPECT_EQ(bar[1].items[0].caption, "&Undo");
    EXPECT_EQ(bar[1].items[0].command, MenuCommand::Undo);
    EXPECT_EQ(bar[1].items[0].shortcut, 'Z');
    EXPECT_EQ(bar[1].items[0].shiftShortcut, 0);
    EXPECT_EQ(bar[1].items[1].caption, "&Redo");
    EXPECT_EQ(bar[1].items[1].command, MenuCommand::Redo);
    EXPECT_EQ(bar[1].items[1].shortcut, 'Y');
    EXPECT_EQ(bar[1].items[1].shiftShortcut, 'Z');
    EXPECT_EQ(bar[0].items[3].caption, "&Recover");
    EXPECT_EQ(bar[0].items[3].command, MenuCommand::Recover);

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

}  // namespace
}  // namespace gridwright
