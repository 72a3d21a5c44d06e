// The web page's translations: DOM mouse buttons and keys, canvas positions, named keys and typed
// characters, the menu bar as the page builds it, pointer shapes, the clipboard's forms, and
// pixels in a canvas's byte order.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "web_translate.h"

namespace gridwright {
namespace {

TEST(WebPointer, PressesNameTheButtonAndMovesSumTheHeldOnes) {
    // MouseEvent.button counts main 0, auxiliary (middle) 1, secondary (right) 2.
    EXPECT_EQ(PressedButton(0), 1);
    EXPECT_EQ(PressedButton(1), 4);
    EXPECT_EQ(PressedButton(2), 2);
    EXPECT_EQ(PressedButton(3), 0);  // back and forward are not the editor's
    EXPECT_EQ(PressedButton(-1), 0);
    // MouseEvent.buttons sums main 1, secondary 2, auxiliary 4, as the editor does; back (8)
    // and forward (16) are dropped.
    EXPECT_EQ(HeldButtons(0), 0);
    EXPECT_EQ(HeldButtons(1 | 2), 3);
    EXPECT_EQ(HeldButtons(4), 4);
    EXPECT_EQ(HeldButtons(1 | 2 | 4 | 8 | 16), 7);
    EXPECT_EQ(ModifierKeys(true, false, false), 1);
    EXPECT_EQ(ModifierKeys(false, true, false), 2);
    EXPECT_EQ(ModifierKeys(false, false, true), 4);
    EXPECT_EQ(ModifierKeys(true, true, false), 3);
}

TEST(WebPointer, CanvasPositionsBecomeTheSurfacePixelUnderThem) {
    // Shown at its own size, larger (zoomed to 1200 CSS pixels) or smaller.
    EXPECT_EQ(SurfacePoint(35, 800, 800), 35);
    EXPECT_EQ(SurfacePoint(600, 1200, 800), 400);
    EXPECT_EQ(SurfacePoint(225, 225, 450), 450);
    // A fractional position on a cell's last pixel stays in that cell (rounding would give 10,
    // the next cell's first pixel).
    EXPECT_EQ(SurfacePoint(9.5, 800, 800), 9);
    EXPECT_EQ(SurfacePoint(14.9, 1200, 800), 9);
    // Outside the canvas during a drag: stays outside, on the same side.
    EXPECT_EQ(SurfacePoint(-8, 800, 800), -8);
    EXPECT_EQ(SurfacePoint(-8, 400, 800), -16);
    EXPECT_EQ(SurfacePoint(-0.5, 800, 800), -1);
    // A canvas not laid out yet (no size) passes the offset through instead of dividing by 0;
    // positions no number could hold are far off.
    EXPECT_EQ(SurfacePoint(12, 0, 800), 12);
    EXPECT_EQ(SurfacePoint(1e300, 1, 800), 1e6F);
    EXPECT_EQ(SurfacePoint(std::nan(""), 800, 800), -1e6F);
}

TEST(WebKeys, ShortcutsComeFromTheMenuBar) {
    EXPECT_EQ(ShortcutCommand("o", "KeyO", true, false, false), MenuCommand::Open);
    EXPECT_EQ(ShortcutCommand("S", "KeyS", true, false, false), MenuCommand::Save);  // Caps Lock
    EXPECT_EQ(ShortcutCommand("l", "KeyL", true, false, false), MenuCommand::LevelSelect);
    EXPECT_EQ(ShortcutCommand("b", "KeyB", true, false, false), MenuCommand::Brightness);
    EXPECT_EQ(ShortcutCommand("z", "KeyZ", true, false, false), MenuCommand::Undo);
    EXPECT_EQ(ShortcutCommand("y", "KeyY", true, false, false), MenuCommand::Redo);
    EXPECT_EQ(ShortcutCommand("Z", "KeyZ", true, true, false), MenuCommand::Redo);
    // A layout whose letters are not Latin: the key's place names it.
    EXPECT_EQ(ShortcutCommand("\xd1\x8b", "KeyS", true, false, false), MenuCommand::Save);
    // A letter in the user's layout wins over its place (AZERTY has Z where QWERTY has W).
    EXPECT_EQ(ShortcutCommand("z", "KeyW", true, false, false), MenuCommand::Undo);
}

TEST(WebKeys, ZoomKeysWithOrWithoutTheShiftThatTypesThem) {
    EXPECT_EQ(ShortcutCommand("+", "Equal", true, true, false), MenuCommand::ZoomIn);
    EXPECT_EQ(ShortcutCommand("+", "NumpadAdd", true, false, false), MenuCommand::ZoomIn);
    EXPECT_EQ(ShortcutCommand("=", "Equal", true, false, false), MenuCommand::ZoomIn);
    EXPECT_EQ(ShortcutCommand("-", "Minus", true, false, false), MenuCommand::ZoomOut);
    EXPECT_EQ(ShortcutCommand("0", "Digit0", true, false, false), MenuCommand::ActualSize);
    // A layout that types another character on the digit row still has the digit's place.
    EXPECT_EQ(ShortcutCommand("Ã ", "Digit0", true, false, false), MenuCommand::ActualSize);
}

TEST(WebKeys, OtherKeysAndModifiersChooseNothing) {
    EXPECT_EQ(ShortcutCommand("s", "KeyS", false, false, false), MenuCommand::None);
    EXPECT_EQ(ShortcutCommand("s", "KeyS", true, false, true), MenuCommand::None);
    EXPECT_EQ(ShortcutCommand("S", "KeyS", true, true, false), MenuCommand::None);
    EXPECT_EQ(ShortcutCommand("q", "KeyQ", true, false, false), MenuCommand::None);
    EXPECT_EQ(ShortcutCommand("Enter", "Enter", true, false, false), MenuCommand::None);
    EXPECT_EQ(ShortcutCommand("", "", true, false, false), MenuCommand::None);
    EXPECT_EQ(ShortcutCommand("1", "Digit1", true, false, false), MenuCommand::None);
}

TEST(WebKeys, NamedKeysInTheNamesOfEveryBrowser) {
    EXPECT_EQ(NamedKeyOf("Escape"), NamedKey::Escape);
    EXPECT_EQ(NamedKeyOf("Esc"), NamedKey::Escape);
    EXPECT_EQ(NamedKeyOf("Delete"), NamedKey::Delete);
    EXPECT_EQ(NamedKeyOf("Backspace"), NamedKey::Backspace);
    EXPECT_EQ(NamedKeyOf("Enter"), NamedKey::Enter);
    EXPECT_EQ(NamedKeyOf("ArrowLeft"), NamedKey::Left);
    EXPECT_EQ(NamedKeyOf("Right"), NamedKey::Right);
    EXPECT_EQ(NamedKeyOf("ArrowUp"), NamedKey::Up);
    EXPECT_EQ(NamedKeyOf("ArrowDown"), NamedKey::Down);
    EXPECT_EQ(NamedKeyOf("Tab"), NamedKey::Tab);
    EXPECT_EQ(NamedKeyOf("PageUp"), NamedKey::PageUp);
    EXPECT_EQ(NamedKeyOf("PageDown"), NamedKey::PageDown);
    // Characters, other named keys and case variants are not these keys.
    EXPECT_EQ(NamedKeyOf("d"), NamedKey::None);
    EXPECT_EQ(NamedKeyOf("Home"), NamedKey::None);
    EXPECT_EQ(NamedKeyOf("escape"), NamedKey::None);
    EXPECT_EQ(NamedKeyOf(""), NamedKey::None);
}

TEST(WebKeys, TypedCharactersAreOneUnicodeCharacterWithoutShortcutModifiers) {
    EXPECT_EQ(TypedCharacter("a", false, false, false, false), U'a');
    EXPECT_EQ(TypedCharacter("L", false, false, false, false), U'L');  // Shift or Caps Lock
    EXPECT_EQ(TypedCharacter(" ", false, false, false, false), U' ');
    EXPECT_EQ(TypedCharacter("\xc3\xa9", false, false, false, false), U'\u00e9');      // e acute
    EXPECT_EQ(TypedCharacter("\xe2\x98\xba", false, false, false, false), U'\u263a');  // smiley
    EXPECT_EQ(TypedCharacter("\xf0\x9f\x99\x82", false, false, false, false), U'\U0001f642');
    // AltGr (Ctrl and Alt on Windows) types; Ctrl, Alt or Meta alone make a shortcut.
    EXPECT_EQ(TypedCharacter("@", true, true, false, true), U'@');
    EXPECT_EQ(TypedCharacter("a", true, false, false, false), 0U);
    EXPECT_EQ(TypedCharacter("a", false, true, false, false), 0U);
    EXPECT_EQ(TypedCharacter("a", false, false, true, false), 0U);
    EXPECT_EQ(TypedCharacter("a", false, false, true, true), 0U);
    // Named keys, a dead key, control characters and malformed or overlong UTF-8 type nothing.
    for (const char* key :
         {"Enter", "Dead", "Shift", "", "\t", "\x7f", "\xc2\x85", "\xc3", "\xc0\xa1",
          "\xe0\x80\xa1", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xff", "ab", "\xc3\xa9x"})
        EXPECT_EQ(TypedCharacter(key, false, false, false, false), 0U) << key;
}

TEST(WebKeys, CutIsCtrlX) {
    EXPECT_EQ(ShortcutCommand("x", "KeyX", true, false, false), MenuCommand::Cut);
    EXPECT_EQ(ShortcutCommand("c", "KeyC", true, false, false), MenuCommand::Copy);
    EXPECT_EQ(ShortcutCommand("v", "KeyV", true, false, false), MenuCommand::Paste);
    EXPECT_EQ(ShortcutCommand("a", "KeyA", true, false, false), MenuCommand::SelectAll);
    // A tool's letter is no shortcut: it reaches the core as a typed character.
    EXPECT_EQ(ShortcutCommand("l", "KeyL", false, false, false), MenuCommand::None);
}

TEST(WebMenu, ToolsShowTheirPlainKeysAndRadioMarks) {
    const std::string json = MenuBarJson();
    EXPECT_NE(json.find(R"({"name":"mnuTool","caption":"Tool","access":0,"command":0,)"),
              std::string::npos);
    EXPECT_NE(json.find(R"({"name":"mnuToolPen","caption":"Pen","access":0,"command":17,)"
                        R"("shortcut":"B","items":[],"radio":1,"checked":true})"),
              std::string::npos);
    EXPECT_NE(json.find(R"("caption":"Pick","access":1,"command":21,"shortcut":"I","items":[],)"
                        R"("radio":1,"checked":false})"),
              std::string::npos);
    EXPECT_NE(
        json.find(R"("caption":"Delete","access":0,"command":15,"shortcut":"Del","items":[]})"),
        std::string::npos);
    EXPECT_NE(
        json.find(R"("caption":"Cut","access":2,"command":12,"shortcut":"Ctrl+X","items":[]})"),
        std::string::npos);
    // Tool sits between Edit and Option.
    EXPECT_LT(json.find(R"("name":"mnuEdit")"), json.find(R"("name":"mnuTool")"));
    EXPECT_LT(json.find(R"("name":"mnuTool")"), json.find(R"("name":"mnuOption")"));
    // Level sits between Tool and Option; its keys are shown, Ctrl+D bound.
    EXPECT_LT(json.find(R"("name":"mnuTool")"), json.find(R"("name":"mnuLevel")"));
    EXPECT_LT(json.find(R"("name":"mnuLevel")"), json.find(R"("name":"mnuOption")"));
    EXPECT_NE(json.find(R"("caption":"Overview","access":0,"command":23,"shortcut":"Tab")"),
              std::string::npos);
    EXPECT_NE(json.find(R"("caption":"Duplicate","access":0,"command":25,"shortcut":"Ctrl+D")"),
              std::string::npos);
    EXPECT_NE(json.find(R"("caption":"Next","access":0,"command":29,"shortcut":"PgDn")"),
              std::string::npos);
    EXPECT_EQ(ShortcutCommand("d", "KeyD", true, false, false), MenuCommand::LevelDuplicate);
}

TEST(WebPointer, EveryShapeHasACursor) {
    EXPECT_EQ(CursorName(PointerShape::Arrow), "default");
    EXPECT_EQ(CursorName(PointerShape::Crosshair), "crosshair");
    EXPECT_EQ(CursorName(PointerShape::Fill), "cell");
    EXPECT_EQ(CursorName(PointerShape::Move), "move");
    EXPECT_EQ(CursorName(PointerShape::Pick), "copy");
    EXPECT_EQ(CursorName(PointerShape::Text), "text");
}

TEST(WebClipboard, PasteTakesTheCellsWhereverTheyAreKept) {
    const ClipboardContent written{"AB\n\n1F\n", "AB"};
    const ClipboardContent nothing{};
    // The browser refused to read: what the page wrote, or nothing before any Copy.
    EXPECT_EQ(PasteContent(std::nullopt, written).cells, written.cells);
    EXPECT_EQ(PasteContent(std::nullopt, written).text, written.text);
    EXPECT_FALSE(PasteContent(std::nullopt, nothing).cells);
    EXPECT_FALSE(PasteContent(std::nullopt, nothing).text);
    // The browser kept the custom format: its cells win, another editor's included.
    const ClipboardContent other{"CD\n\n22\n", "CD"};
    EXPECT_EQ(PasteContent(other, written).cells, other.cells);
    // Only text came back, and it is the page's own: the cells written beside it come with it,
    // also with Windows line ends.
    EXPECT_EQ(PasteContent(ClipboardContent{std::nullopt, "AB"}, written).cells, written.cells);
    const ClipboardContent rows{"A\nB\n\n1\n2\n", "A\nB"};
    EXPECT_EQ(PasteContent(ClipboardContent{std::nullopt, "A\r\nB"}, rows).cells, rows.cells);
    // Another program's text (or a clipboard holding no text) pastes as it is, never the cells.
    const ClipboardContent foreign = PasteContent(ClipboardContent{std::nullopt, "AC"}, written);
    EXPECT_FALSE(foreign.cells);
    EXPECT_EQ(foreign.text, "AC");
    EXPECT_FALSE(PasteContent(ClipboardContent{}, written).cells);
    EXPECT_FALSE(PasteContent(ClipboardContent{std::nullopt, "AB"}, nothing).cells);
}

TEST(WebMenu, DescriptionCarriesCaptionsAccessLettersAndShortcuts) {
    const std::string json = MenuBarJson();
    EXPECT_EQ(json.front(), '[');
    EXPECT_EQ(json.back(), ']');
    EXPECT_NE(json.find(R"({"name":"mnuWorld","caption":"File","access":0,"command":0,)"),
              std::string::npos);
    EXPECT_NE(json.find(R"({"name":"mnuWorldLoad","caption":"Open","access":0,"command":1,)"
                        R"("shortcut":"Ctrl+O","items":[]})"),
              std::string::npos);
    EXPECT_NE(json.find(R"("caption":"Zoom In","access":5,"command":9,"shortcut":"Ctrl+Plus")"),
              std::string::npos);
    EXPECT_NE(json.find(R"("caption":"Zoom Out","access":5,"command":10,"shortcut":"Ctrl+Minus")"),
              std::string::npos);
    EXPECT_NE(json.find(R"("caption":"Actual Size","access":0,"command":11,"shortcut":"Ctrl+0")"),
              std::string::npos);
    // "E&xit": the access letter is the second character; no shortcut.
    EXPECT_NE(json.find(R"("caption":"Exit","access":1,"command":4,"shortcut":"")"),
              std::string::npos);
    EXPECT_NE(json.find(R"({"name":"mnuStatus","caption":"[]","access":-1,"command":0,)"
                        R"("shortcut":"","items":[]})"),
              std::string::npos);
}

TEST(WebPicture, CanvasOrderSwapsRedAndBlueInsideTheAreaOnly) {
    // 3 x 2 pixels in rows of 4; the area is the right two pixels of the bottom row and beyond.
    std::vector<std::uint32_t> pixels{0xFF112233u, 0xFF445566u, 0xFF778899u, 7,
                                      0xFFAABBCCu, 0xFF010203u, 0xFF0A0B0Cu, 7};
    ToCanvasOrder(pixels.data(), 3, 2, 4, {1, 1, 5, 5});
    EXPECT_EQ(pixels, (std::vector<std::uint32_t>{0xFF112233u, 0xFF445566u, 0xFF778899u, 7,
                                                  0xFFAABBCCu, 0xFF030201u, 0xFF0C0B0Au, 7}));
    ToCanvasOrder(pixels.data(), 3, 2, 4, {});
    EXPECT_EQ(pixels[0], 0xFF112233u);
}

}  // namespace
}  // namespace gridwright
