#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <array>
#include <string_view>
#include <vector>

#include "gtk_translate.h"
#include "menu.h"

namespace gridwright {
namespace {

TEST(GtkPointer, PressesNameTheButtonAndMovesSumTheHeldOnes) {
    EXPECT_EQ(PressedButton(GDK_BUTTON_PRIMARY), 1);
    EXPECT_EQ(PressedButton(GDK_BUTTON_SECONDARY), 2);
    EXPECT_EQ(PressedButton(GDK_BUTTON_MIDDLE), 4);
    EXPECT_EQ(PressedButton(8), 0);  // back/forward buttons are not the editor's

    EXPECT_EQ(HeldButtons(0), 0);
    EXPECT_EQ(HeldButtons(GDK_BUTTON1_MASK), 1);
    EXPECT_EQ(HeldButtons(GDK_BUTTON3_MASK), 2);
    EXPECT_EQ(HeldButtons(GDK_BUTTON2_MASK), 4);
    EXPECT_EQ(HeldButtons(GDK_BUTTON1_MASK | GDK_BUTTON3_MASK), 3);
    EXPECT_EQ(HeldButtons(GDK_BUTTON1_MASK | GDK_BUTTON2_MASK | GDK_BUTTON3_MASK), 7);
    EXPECT_EQ(HeldButtons(GDK_BUTTON4_MASK | GDK_SHIFT_MASK), 0);
}

TEST(GtkPointer, ModifierKeysSumShiftCtrlAndAlt) {
    EXPECT_EQ(ModifierKeys(0), 0);
    EXPECT_EQ(ModifierKeys(GDK_SHIFT_MASK), 1);
    EXPECT_EQ(ModifierKeys(GDK_CONTROL_MASK), 2);
    EXPECT_EQ(ModifierKeys(GDK_MOD1_MASK), 4);
    EXPECT_EQ(ModifierKeys(GDK_SHIFT_MASK | GDK_CONTROL_MASK), 3);
    EXPECT_EQ(ModifierKeys(GDK_CONTROL_MASK | GDK_MOD1_MASK), 6);
    // Caps Lock, Num Lock (Mod2) and held buttons are no modifier keys of the editor.
    EXPECT_EQ(ModifierKeys(GDK_LOCK_MASK | GDK_MOD2_MASK | GDK_BUTTON1_MASK), 0);
}

// GTK reports positions in logical pixels: halves of a device pixel at scale 2, thirds at 3. The
// editor is given the surface pixel that the device pixel under the pointer shows.
TEST(GtkPointer, PositionsBecomeTheSurfacePixelUnderTheDevicePixel) {
    EXPECT_EQ(SurfacePosition(159.5, 2, 2), 159) << "device pixel 319 at 2x";
    EXPECT_EQ(SurfacePosition(160.0, 2, 2), 160);
    EXPECT_EQ(SurfacePosition(159.5, 2, 1), 319);
    EXPECT_EQ(SurfacePosition(213.0, 2, 3), 142);
    for (int device = 0; device < 90; ++device) {
        EXPECT_EQ(SurfacePosition(device / 3.0, 3, 3), device / 3) << device;
        EXPECT_EQ(SurfacePosition(device / 3.0, 3, 4), device / 4) << device;
    }
    EXPECT_EQ(SurfacePosition(-0.5, 2, 2), -1) << "left of the surface while a button is held";
    EXPECT_EQ(SurfacePosition(42.0, 1, 1), 42);
}

TEST(GtkPointer, ARepaintCoversEveryLogicalPixelOfTheZoomedRectangle) {
    const PixelRect cell{50, 126, 10, 18};
    EXPECT_EQ(WidgetArea(cell, 1, 1), cell);
    EXPECT_EQ(WidgetArea(cell, 4, 1), (PixelRect{200, 504, 40, 72}));
    EXPECT_EQ(WidgetArea(cell, 2, 2), cell);
    EXPECT_EQ(WidgetArea(cell, 3, 2), (PixelRect{75, 189, 15, 27}));
    EXPECT_EQ(WidgetArea({1, 1, 1, 1}, 1, 2), (PixelRect{0, 0, 1, 1})) << "half a logical pixel";
    EXPECT_EQ(WidgetArea({1, 1, 1, 1}, 4, 3), (PixelRect{1, 1, 2, 2}));
    EXPECT_TRUE(WidgetArea({}, 4, 1).Empty());
}

TEST(GtkMenu, ShortcutKeysWithTheKeypadsBesideThem) {
    EXPECT_EQ(ShortcutKeys('B'), (std::vector<guint>{GDK_KEY_b}));
    EXPECT_EQ(ShortcutKeys('+'), (std::vector<guint>{GDK_KEY_plus, GDK_KEY_KP_Add}));
    EXPECT_EQ(ShortcutKeys('='), (std::vector<guint>{GDK_KEY_equal}));
    EXPECT_EQ(ShortcutKeys('-'), (std::vector<guint>{GDK_KEY_minus, GDK_KEY_KP_Subtract}));
    EXPECT_EQ(ShortcutKeys('0'), (std::vector<guint>{GDK_KEY_0, GDK_KEY_KP_0}));
    EXPECT_TRUE(ShortcutKeys(0).empty());
}

TEST(GtkMenu, AccessLettersBecomeMnemonics) {
    EXPECT_EQ(MnemonicLabel("&File"), "_File");
    EXPECT_EQ(MnemonicLabel("E&xit"), "E_xit");
    EXPECT_EQ(MnemonicLabel("&Level Select"), "_Level Select");
    EXPECT_EQ(MnemonicLabel("[]"), "[]");
    EXPECT_EQ(MnemonicLabel("Save && Quit"), "Save & Quit");
    EXPECT_EQ(MnemonicLabel("snake_case"), "snake__case");
    EXPECT_EQ(MnemonicLabel("trailing&"), "trailing&");
}

TEST(GtkKeys, NamedKeysWithTheKeypadsAndNothingElse) {
    EXPECT_EQ(NamedKeyOf(GDK_KEY_Escape), NamedKey::Escape);
    EXPECT_EQ(NamedKeyOf(GDK_KEY_Delete), NamedKey::Delete);
    EXPECT_EQ(NamedKeyOf(GDK_KEY_KP_Delete), NamedKey::Delete);
    EXPECT_EQ(NamedKeyOf(GDK_KEY_BackSpace), NamedKey::Backspace);
    EXPECT_EQ(NamedKeyOf(GDK_KEY_Return), NamedKey::Enter);
    EXPECT_EQ(NamedKeyOf(GDK_KEY_KP_Enter), NamedKey::Enter);
    EXPECT_EQ(NamedKeyOf(GDK_KEY_Left), NamedKey::Left);
    EXPECT_EQ(NamedKeyOf(GDK_KEY_KP_Right), NamedKey::Right);
    EXPECT_EQ(NamedKeyOf(GDK_KEY_Up), NamedKey::Up);
    EXPECT_EQ(NamedKeyOf(GDK_KEY_KP_Down), NamedKey::Down);
    // Tab (Shift+Tab too) and the page keys are the Level menu's, which the core takes.
    EXPECT_EQ(NamedKeyOf(GDK_KEY_Tab), NamedKey::Tab);
    EXPECT_EQ(NamedKeyOf(GDK_KEY_ISO_Left_Tab), NamedKey::Tab);
    EXPECT_EQ(NamedKeyOf(GDK_KEY_Page_Up), NamedKey::PageUp);
    EXPECT_EQ(NamedKeyOf(GDK_KEY_KP_Page_Down), NamedKey::PageDown);
    // Letters, digits and the keypad's digits (Num Lock on) are typed; Home and F10 are GTK's.
    for (const guint key : {GDK_KEY_b, GDK_KEY_T, GDK_KEY_0, GDK_KEY_KP_4, GDK_KEY_space,
                            GDK_KEY_Home, GDK_KEY_F10, GDK_KEY_Shift_L})
        EXPECT_EQ(NamedKeyOf(key), NamedKey::None) << key;
}

TEST(GtkKeys, CtrlAndAltMakeShortcutsNotText) {
    EXPECT_TRUE(TypesText(0));
    EXPECT_TRUE(TypesText(GDK_SHIFT_MASK | GDK_LOCK_MASK | GDK_MOD2_MASK));
    EXPECT_TRUE(TypesText(GDK_MOD5_MASK)) << "AltGr types the layout's third characters";
    EXPECT_TRUE(TypesText(GDK_BUTTON1_MASK));
    EXPECT_FALSE(TypesText(GDK_CONTROL_MASK));
    EXPECT_FALSE(TypesText(GDK_MOD1_MASK));
    EXPECT_FALSE(TypesText(GDK_SHIFT_MASK | GDK_CONTROL_MASK));
}

TEST(GtkKeys, ACommitIsSplitIntoItsCharacters) {
    EXPECT_EQ(TypedCharacters("Hi"), (std::vector<char32_t>{U'H', U'i'}));
    // A dead key's or an input method's commit: beyond ASCII, beyond the first plane.
    EXPECT_EQ(TypedCharacters("\xc3\xa9\xe2\x99\xa5\xf0\x9f\x98\x80"),
              (std::vector<char32_t>{U'\u00e9', U'\u2665', U'\U0001f600'}));
    EXPECT_TRUE(TypedCharacters("").empty());
    EXPECT_EQ(TypedCharacters("a\xff"
                              "b"),
              (std::vector<char32_t>{U'a'}))
        << "cut at bad bytes";
    EXPECT_EQ(TypedCharacters(std::string_view("x\xc3", 2)), (std::vector<char32_t>{U'x'}));
}

const MenuItem& Entry(MenuCommand command) {
    for (const MenuItem& top : MenuBar())
        for (const MenuItem& entry : top.items)
            if (entry.command == command) return entry;
    ADD_FAILURE() << "no menu entry of command " << static_cast<int>(command);
    return MenuBar().front();
}

// The Tool menu's letters and Edit's Delete are shown beside the caption but never bound.
TEST(GtkMenu, PlainAndNamedKeysAreShownOnly) {
    EXPECT_EQ(ShownOnlyKey(Entry(MenuCommand::ToolPen)), GDK_KEY_B);
    EXPECT_EQ(ShownOnlyKey(Entry(MenuCommand::ToolText)), GDK_KEY_T);
    EXPECT_EQ(ShownOnlyKey(Entry(MenuCommand::Delete)), GDK_KEY_Delete);
    EXPECT_EQ(ShownOnlyKey(Entry(MenuCommand::LevelOverview)), GDK_KEY_Tab);
    EXPECT_EQ(ShownOnlyKey(Entry(MenuCommand::LevelPrevious)), GDK_KEY_Page_Up);
    EXPECT_EQ(ShownOnlyKey(Entry(MenuCommand::LevelNext)), GDK_KEY_Page_Down);
    EXPECT_EQ(ShownOnlyKey(Entry(MenuCommand::LevelDuplicate)), 0U) << "Ctrl+D is bound";
    EXPECT_EQ(ShownOnlyKey(Entry(MenuCommand::Copy)), 0U) << "Ctrl+C is bound and shown by GTK";
    EXPECT_EQ(ShownOnlyKey(Entry(MenuCommand::Open)), 0U);
    const MenuItem both{"mnuBoth", "&Both", 'B', 0, MenuCommand::None, {}, 0, 'X'};
    EXPECT_EQ(ShownOnlyKey(both), 0U) << "Ctrl+B is shown, not X";
}

TEST(GtkPointer, EveryShapeHasACursorTheXServerKnows) {
    EXPECT_EQ(std::string_view(CursorNames(PointerShape::Text).front()), "text");
    EXPECT_EQ(std::string_view(CursorNames(PointerShape::Move).front()), "move");
    EXPECT_EQ(std::string_view(CursorNames(PointerShape::Fill).front()), "cell");
    // The last name of each is one that GDK maps to the X server's cursor font.
    for (const PointerShape shape :
         {PointerShape::Arrow, PointerShape::Crosshair, PointerShape::Fill, PointerShape::Move,
          PointerShape::Pick, PointerShape::Text}) {
        const std::string_view last = CursorNames(shape).back();
        EXPECT_TRUE(last == "default" || last == "crosshair") << static_cast<int>(shape);
    }
}

TEST(GtkCommandLine, ArgumentsAreJoinedWithSingleBlanks) {
    std::array<char*, 0> none{};
    EXPECT_EQ(JoinArguments(none), "");

    char one[] = "/tmp/levels.qmap";
    std::array<char*, 1> single{one};
    EXPECT_EQ(JoinArguments(single), "/tmp/levels.qmap");

    // `gridwright my map.qmap` gives the core the path with its blank back; quotes the shell
    // removed stay removed, quotes the user escaped stay in the text.
    char my[] = "my", map[] = "map.qmap", quoted[] = "\"x\"", empty[] = "";
    std::array<char*, 4> words{my, map, quoted, empty};
    EXPECT_EQ(JoinArguments(words), "my map.qmap \"x\" ");
}

TEST(GtkText, InvalidUtf8IsMadeShowable) {
    EXPECT_EQ(DisplayText("QUORIX Map Editor - /tmp/m\xc3\xa4p"),
              "QUORIX Map Editor - /tmp/m\xc3\xa4p");
    const std::string shown = DisplayText("bad \xff name");
    EXPECT_TRUE(g_utf8_validate(shown.c_str(), -1, nullptr));
    EXPECT_EQ(shown.substr(0, 4), "bad ");
}

TEST(GtkText, DefaultAnswerLeftAsShownKeepsItsOwnBytes) {
    const std::string latin1 = "/tmp/m\xe4p.qmap";
    EXPECT_EQ(InputBoxAnswer(DisplayText(latin1), latin1), latin1);
    EXPECT_EQ(InputBoxAnswer("/tmp/other.qmap", latin1), "/tmp/other.qmap");
    EXPECT_EQ(InputBoxAnswer("2.5", "2.5"), "2.5");
}

}  // namespace
}  // namespace gridwright
