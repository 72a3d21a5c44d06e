// The web page's translations: DOM mouse buttons and keys, canvas positions, the menu bar as the
// page builds it, and pixels in a canvas's byte order.
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
    EXPECT_EQ(ShortcutCommand("x", "KeyX", true, false, false), MenuCommand::None);
    EXPECT_EQ(ShortcutCommand("Enter", "Enter", true, false, false), MenuCommand::None);
    EXPECT_EQ(ShortcutCommand("", "", true, false, false), MenuCommand::None);
    EXPECT_EQ(ShortcutCommand("1", "Digit1", true, false, false), MenuCommand::None);
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
