#include "menu.h"

#include <gtest/gtest.h>

namespace gridwright {
namespace {

TEST(MenuBar, HasFileOptionAndStatusWithTheirShortcuts) {
    auto bar = MenuBar();
    ASSERT_EQ(bar.size(), 3u);
    EXPECT_EQ(bar[0].caption, "&File");
    EXPECT_EQ(bar[1].caption, "&Option");
    EXPECT_EQ(bar[2].caption, "[]");
    EXPECT_EQ(bar[2].name, "mnuStatus");

    ASSERT_EQ(bar[0].items.size(), 4u);
    EXPECT_EQ(bar[0].items[0].caption, "&Open");
    EXPECT_EQ(bar[0].items[0].shortcut, 'O');
    EXPECT_EQ(bar[0].items[1].shortcut, 'S');
    EXPECT_EQ(bar[0].items[2].caption, "&Level Select");
    EXPECT_EQ(bar[0].items[2].shortcut, 'L');
    EXPECT_EQ(bar[0].items[3].caption, "E&xit");
    EXPECT_EQ(bar[0].items[3].shortcut, 0);
    ASSERT_EQ(bar[1].items.size(), 1u);
    EXPECT_EQ(bar[1].items[0].command, MenuCommand::Brightness);
    EXPECT_EQ(bar[1].items[0].shortcut, 'B');
}

}  // namespace
}  // namespace gridwright
