// The Windows front end's translations between the window system and the editor's core.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "command_line.h"
#include "menu.h"
#include "pointer.h"
#include "text.h"
#include "window_menu.h"

namespace gridwright::win32 {
namespace {

TEST(ArgumentText, IsEverythingAfterTheProgramNameUnchanged) {
    EXPECT_EQ(ArgumentText(L"gridwright.exe maps\\world.qmap"), L"maps\\world.qmap");
    EXPECT_EQ(ArgumentText(L"gridwright.exe"), L"");
    EXPECT_EQ(ArgumentText(L"gridwright.exe   "), L"");
    EXPECT_EQ(ArgumentText(L""), L"");
    // Not split at blanks and not unquoted: the editor takes the text as one file name.
    EXPECT_EQ(ArgumentText(L"gridwright.exe my map.qmap"), L"my map.qmap");
    EXPECT_EQ(ArgumentText(L"gridwright.exe \"my map.qmap\""), L"\"my map.qmap\"");
    EXPECT_EQ(ArgumentText(L"gridwright.exe a  b\t "), L"a  b\t ");
    EXPECT_EQ(ArgumentText(L"gridwright.exe\t \tworld.qmap"), L"world.qmap");
}

TEST(ArgumentText, SkipsAQuotedProgramNameWithBlanks) {
    EXPECT_EQ(ArgumentText(L"\"C:\\Program Files\\gridwright.exe\" world.qmap"), L"world.qmap");
    EXPECT_EQ(ArgumentText(L"\"C:\\Program Files\\gridwright.exe\""), L"");
    // The system's parser lets a name continue after its closing quotation mark.
    EXPECT_EQ(ArgumentText(L"\"C:\\Tools\"\\gridwright.exe world.qmap"), L"world.qmap");
    EXPECT_EQ(ArgumentText(L"\"C:\\unterminated world.qmap"), L"");
}

TEST(Text, RoundTripsBetweenUtf8AndUtf16) {
    const std::string utf8 =
        "Karte \xC3\x84\xC3\xB6\xC3\xBC \xE5\x9C\xB0\xE5\x9B\xB3 \xF0\x9F\x98\x80";
    const std::wstring wide = L"Karte \u00C4\u00F6\u00FC \u5730\u56F3 \U0001F600";
    EXPECT_EQ(Utf8ToWide(utf8), wide);
    EXPECT_EQ(WideToUtf8(wide), utf8);
    EXPECT_EQ(Utf8ToWide(""), L"");
    EXPECT_EQ(WideToUtf8(L""), "");
}

TEST(Text, MarksMalformedInputInsteadOfDroppingIt) {
    EXPECT_EQ(Utf8ToWide("a\xFF"
                         "b"),
              L"a\uFFFD"
              L"b");
    EXPECT_EQ(WideToUtf8(std::wstring(L"a") + static_cast<wchar_t>(0xD800) + L"b"),
              "a\xEF\xBF\xBD"
              "b");
}

TEST(Pointer, ButtonsAreTheEditorsValues) {
    EXPECT_EQ(HeldButtons(0), 0);
    EXPECT_EQ(HeldButtons(MK_LBUTTON), 1);
    EXPECT_EQ(HeldButtons(MK_RBUTTON), 2);
    EXPECT_EQ(HeldButtons(MK_MBUTTON), 4);
    EXPECT_EQ(HeldButtons(MK_LBUTTON | MK_RBUTTON), 3);
    EXPECT_EQ(HeldButtons(MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_SHIFT | MK_CONTROL), 7);
    // The extra buttons have no brush.
    EXPECT_EQ(HeldButtons(MK_XBUTTON1 | MK_XBUTTON2), 0);
}

TEST(Pointer, ToolShapesAreSystemCursorsWithPenKeepingTheCrosshair) {
    EXPECT_EQ(CursorFor(PointerShape::Arrow), IDC_CROSS);
    EXPECT_EQ(CursorFor(PointerShape::Crosshair), IDC_CROSS);
    EXPECT_EQ(CursorFor(PointerShape::Move), IDC_SIZEALL);
    EXPECT_EQ(CursorFor(PointerShape::Text), IDC_IBEAM);
    EXPECT_NE(LoadCursorW(nullptr, CursorFor(PointerShape::Move)), nullptr);
}

TEST(Pointer, ModifierKeysAreShiftCtrlAlt) {
    EXPECT_EQ(ModifierKeys(0, false), 0);
    EXPECT_EQ(ModifierKeys(MK_SHIFT, false), 1);
    EXPECT_EQ(ModifierKeys(MK_CONTROL, false), 2);
    EXPECT_EQ(ModifierKeys(0, true), 4);
    EXPECT_EQ(ModifierKeys(MK_SHIFT | MK_CONTROL, false), 3);
    EXPECT_EQ(ModifierKeys(MK_CONTROL | MK_LBUTTON, true), 6);
    EXPECT_EQ(ModifierKeys(MK_SHIFT | MK_CONTROL | MK_RBUTTON, true), 7);
}

std::wstring ItemText(HMENU menu, UINT position) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
    return text;
}

TEST(WindowMenu, ShowsTheDesignedBarWithAccessLettersAndShortcuts) {
    WindowMenu menu(MenuBar());
    HMENU bar = menu.Handle();
    ASSERT_EQ(GetMenuItemCount(bar), 6);
    EXPECT_EQ(ItemText(bar, 0), L"&File");
    EXPECT_EQ(ItemText(bar, 1), L"&Edit");
    EXPECT_EQ(ItemText(bar, 2), L"&Tool");
    EXPECT_EQ(ItemText(bar, 3), L"Le&vel");
    EXPECT_EQ(ItemText(bar, 4), L"&Option");
    EXPECT_EQ(ItemText(bar, 5), L"[]");

    HMENU file = GetSubMenu(bar, 0);
    ASSERT_EQ(GetMenuItemCount(file), 7);
    EXPECT_EQ(ItemText(file, 0), L"&Open\tCtrl+O");
    EXPECT_EQ(ItemText(file, 1), L"&Browse...\tCtrl+Shift+O");
    EXPECT_EQ(ItemText(file, 2), L"Recen&t");
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(file, 2)), kRecentFileEntries);
    EXPECT_EQ(ItemText(file, 3), L"&Save\tCtrl+S");
    EXPECT_EQ(ItemText(file, 4), L"&Level Select\tCtrl+L");
    EXPECT_EQ(ItemText(file, 5), L"&Recover");
    EXPECT_EQ(ItemText(file, 6), L"E&xit");
    HMENU edit = GetSubMenu(bar, 1);
    ASSERT_EQ(GetMenuItemCount(edit), 7);
    EXPECT_EQ(ItemText(edit, 0), L"&Undo\tCtrl+Z");
    EXPECT_EQ(ItemText(edit, 1), L"&Redo\tCtrl+Y");
    EXPECT_EQ(ItemText(edit, 2), L"Cu&t\tCtrl+X");
    EXPECT_EQ(ItemText(edit, 3), L"&Copy\tCtrl+C");
    EXPECT_EQ(ItemText(edit, 4), L"&Paste\tCtrl+V");
    EXPECT_EQ(ItemText(edit, 5), L"&Delete\tDel");
    EXPECT_EQ(ItemText(edit, 6), L"Select &All\tCtrl+A");
    HMENU tool = GetSubMenu(bar, 2);
    ASSERT_EQ(GetMenuItemCount(tool), 6);
    EXPECT_EQ(ItemText(tool, 0), L"&Pen\tB");
    EXPECT_EQ(ItemText(tool, 1), L"&Line\tL");
    EXPECT_EQ(ItemText(tool, 2), L"&Fill\tG");
    EXPECT_EQ(ItemText(tool, 3), L"&Select\tM");
    EXPECT_EQ(ItemText(tool, 4), L"P&ick\tI");
    EXPECT_EQ(ItemText(tool, 5), L"&Text\tT");
    HMENU level = GetSubMenu(bar, 3);
    ASSERT_EQ(GetMenuItemCount(level), 7);
    EXPECT_EQ(ItemText(level, 0), L"&Overview\tTab");
    EXPECT_EQ(ItemText(level, 1), L"&Insert");
    EXPECT_EQ(ItemText(level, 2), L"&Duplicate\tCtrl+D");
    EXPECT_EQ(ItemText(level, 3), L"De&lete");
    EXPECT_EQ(ItemText(level, 4), L"&Move To...");
    EXPECT_EQ(ItemText(level, 5), L"&Previous\tPgUp");
    EXPECT_EQ(ItemText(level, 6), L"&Next\tPgDn");
    HMENU option = GetSubMenu(bar, 4);
    ASSERT_EQ(GetMenuItemCount(option), 4);
    EXPECT_EQ(ItemText(option, 0), L"&Brightness\tCtrl+B");
    EXPECT_EQ(ItemText(option, 1), L"Zoom &In\tCtrl+Plus");
    EXPECT_EQ(ItemText(option, 2), L"Zoom &Out\tCtrl+Minus");
    EXPECT_EQ(ItemText(option, 3), L"&Actual Size\tCtrl+0");
    // The status item is a plain item of the bar, not a menu.
    EXPECT_EQ(GetSubMenu(bar, 5), nullptr);

    EXPECT_EQ(menu.CommandFor(GetMenuItemID(file, 0)), MenuCommand::Open);
    EXPECT_EQ(menu.CommandFor(GetMenuItemID(file, 1)), MenuCommand::Browse);
    EXPECT_EQ(menu.CommandFor(GetMenuItemID(GetSubMenu(file, 2), 0)), MenuCommand::RecentFile1);
    EXPECT_EQ(menu.CommandFor(GetMenuItemID(file, 3)), MenuCommand::Save);
    EXPECT_EQ(menu.CommandFor(GetMenuItemID(file, 4)), MenuCommand::LevelSelect);
    EXPECT_EQ(menu.CommandFor(GetMenuItemID(file, 5)), MenuCommand::Recover);
    EXPECT_EQ(menu.CommandFor(GetMenuItemID(file, 6)), MenuCommand::Exit);
    EXPECT_EQ(menu.CommandFor(GetMenuItemID(edit, 0)), MenuCommand::Undo);
    EXPECT_EQ(menu.CommandFor(GetMenuItemID(edit, 1)), MenuCommand::Redo);
    EXPECT_EQ(menu.CommandFor(GetMenuItemID(edit, 2)), MenuCommand::Cut);
    EXPECT_EQ(menu.CommandFor(GetMenuItemID(edit, 5)), MenuCommand::Delete);
    EXPECT_EQ(menu.CommandFor(GetMenuItemID(edit, 6)), MenuCommand::SelectAll);
    EXPECT_EQ(menu.CommandFor(GetMenuItemID(tool, 0)), MenuCommand::ToolPen);
    EXPECT_EQ(menu.CommandFor(GetMenuItemID(tool, 5)), MenuCommand::ToolText);
    EXPECT_EQ(menu.CommandFor(GetMenuItemID(option, 0)), MenuCommand::Brightness);
    EXPECT_EQ(menu.CommandFor(GetMenuItemID(option, 3)), MenuCommand::ActualSize);
    EXPECT_EQ(menu.CommandFor(GetMenuItemID(level, 0)), MenuCommand::LevelOverview);
    EXPECT_EQ(menu.CommandFor(GetMenuItemID(level, 6)), MenuCommand::LevelNext);
    EXPECT_EQ(menu.StatusId(), GetMenuItemID(bar, 5));
    EXPECT_EQ(menu.CommandFor(menu.StatusId()), MenuCommand::None);
    EXPECT_EQ(menu.CommandFor(0), MenuCommand::None);
    EXPECT_EQ(menu.CommandFor(IDCANCEL), MenuCommand::None);
    EXPECT_EQ(menu.CommandFor(60000), MenuCommand::None);
}

TEST(WindowMenu, ShortcutsAreCtrlKeysForTheirCommands) {
    WindowMenu menu(MenuBar());
    ASSERT_NE(menu.Accelerators(), nullptr);
    ACCEL table[32] = {};
    // The tools' plain letters and Delete are no accelerators: the editor reads those keys as
    // typed characters and named keys, so that the text tool can type them.
    ASSERT_EQ(CopyAcceleratorTableW(menu.Accelerators(), table, 32), 20);
    // Zoom In: Ctrl with the key of '+' and Shift, the keypad's plus, and the key of '=' alone.
    const struct {
        WORD key;
        BYTE modifiers;
        MenuCommand command;
    } expected[] = {{'O', FCONTROL, MenuCommand::Open},
                    {'O', FCONTROL | FSHIFT, MenuCommand::Browse},
                    {'S', FCONTROL, MenuCommand::Save},
                    {'L', FCONTROL, MenuCommand::LevelSelect},
                    {'Z', FCONTROL, MenuCommand::Undo},
                    {'Y', FCONTROL, MenuCommand::Redo},
                    {'Z', FCONTROL | FSHIFT, MenuCommand::Redo},
                    {'X', FCONTROL, MenuCommand::Cut},
                    {'C', FCONTROL, MenuCommand::Copy},
                    {'V', FCONTROL, MenuCommand::Paste},
                    {'A', FCONTROL, MenuCommand::SelectAll},
                    {'D', FCONTROL, MenuCommand::LevelDuplicate},
                    {'B', FCONTROL, MenuCommand::Brightness},
                    {VK_OEM_PLUS, FCONTROL | FSHIFT, MenuCommand::ZoomIn},
                    {VK_ADD, FCONTROL, MenuCommand::ZoomIn},
                    {VK_OEM_PLUS, FCONTROL, MenuCommand::ZoomIn},
                    {VK_OEM_MINUS, FCONTROL, MenuCommand::ZoomOut},
                    {VK_SUBTRACT, FCONTROL, MenuCommand::ZoomOut},
                    {'0', FCONTROL, MenuCommand::ActualSize},
                    {VK_NUMPAD0, FCONTROL, MenuCommand::ActualSize}};
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(table[i].fVirt & (FVIRTKEY | FCONTROL | FSHIFT | FALT),
                  FVIRTKEY | expected[i].modifiers);
        EXPECT_EQ(table[i].key, expected[i].key);
        EXPECT_EQ(menu.CommandFor(table[i].cmd), expected[i].command);
    }
}

TEST(WindowMenu, GreysAndRestoresTheEntriesOfACommand) {
    WindowMenu menu(MenuBar());
    HMENU edit = GetSubMenu(menu.Handle(), 1);
    const UINT redo = GetMenuItemID(edit, 1);
    menu.SetEnabled(MenuCommand::Redo, false);
    EXPECT_TRUE(GetMenuState(edit, redo, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(edit, GetMenuItemID(edit, 0), MF_BYCOMMAND) & MF_GRAYED);
    menu.SetEnabled(MenuCommand::Redo, true);
    EXPECT_FALSE(GetMenuState(edit, redo, MF_BYCOMMAND) & MF_GRAYED);
}

// The Recent submenu shows only the entries the core captions: hidden ones leave the menu and come
// back at their own place; the heading greys by its command.
TEST(WindowMenu, RecentEntriesHideAndComeBackInTheirOrder) {
    WindowMenu menu(MenuBar());
    HMENU file = GetSubMenu(menu.Handle(), 0);
    HMENU recent = GetSubMenu(file, 2);
    for (int i = 0; i < kRecentFileEntries; ++i) menu.SetVisible(RecentFileCommand(i), false);
    EXPECT_EQ(GetMenuItemCount(recent), 0);
    menu.SetCaption(RecentFileCommand(1), L"&2 second");
    menu.SetVisible(RecentFileCommand(1), true);
    menu.SetCaption(RecentFileCommand(0), L"&1 first");
    menu.SetVisible(RecentFileCommand(0), true);
    ASSERT_EQ(GetMenuItemCount(recent), 2);
    EXPECT_EQ(ItemText(recent, 0), L"&1 first");
    EXPECT_EQ(ItemText(recent, 1), L"&2 second");
    EXPECT_EQ(menu.CommandFor(GetMenuItemID(recent, 1)), MenuCommand::RecentFile2);
    menu.SetCaption(RecentFileCommand(0), L"&1 newer");
    EXPECT_EQ(ItemText(recent, 0), L"&1 newer");

    menu.SetEnabled(MenuCommand::RecentFiles, false);
    EXPECT_TRUE(GetMenuState(file, 2, MF_BYPOSITION) & MF_GRAYED);
    menu.SetEnabled(MenuCommand::RecentFiles, true);
    EXPECT_FALSE(GetMenuState(file, 2, MF_BYPOSITION) & MF_GRAYED);
}

TEST(WindowMenu, StatusCaptionIsReplacedAsIs) {
    WindowMenu menu(MenuBar());
    menu.SetCaption(menu.StatusId(), L"[L0:5,7=65,15]");
    EXPECT_EQ(ItemText(menu.Handle(), 5), L"[L0:5,7=65,15]");
    menu.SetCaption(menu.StatusId(), L"[L:31,23=255,0]");
    EXPECT_EQ(ItemText(menu.Handle(), 5), L"[L:31,23=255,0]");
    EXPECT_EQ(GetMenuItemCount(menu.Handle()), 6);
}

MENUITEMINFOW ItemInfo(HMENU menu, UINT position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE;
    GetMenuItemInfoW(menu, position, TRUE, &info);
    return info;
}

TEST(WindowMenu, ToolsAreRadioItemsWithPenCheckedAtStart) {
    WindowMenu menu(MenuBar());
    HMENU tool = GetSubMenu(menu.Handle(), 2);
    for (UINT i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const MENUITEMINFOW info = ItemInfo(tool, i);
        EXPECT_TRUE(info.fType & MFT_RADIOCHECK);
        EXPECT_EQ((info.fState & MFS_CHECKED) != 0, i == 0);
    }
    // Other entries stay plain items.
    EXPECT_FALSE(ItemInfo(GetSubMenu(menu.Handle(), 1), 3).fType & MFT_RADIOCHECK);

    // The core unchecks the old tool, then checks the new one; the dot moves, the type stays.
    menu.SetChecked(MenuCommand::ToolPen, false);
    menu.SetChecked(MenuCommand::ToolSelect, true);
    for (UINT i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const MENUITEMINFOW info = ItemInfo(tool, i);
        EXPECT_TRUE(info.fType & MFT_RADIOCHECK);
        EXPECT_EQ((info.fState & MFS_CHECKED) != 0, i == 3);
    }
}

}  // namespace
}  // namespace gridwright::win32
