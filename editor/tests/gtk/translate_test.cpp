#include "gtk_translate.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "bitmap_info.h"

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

TEST(GtkMenu, AccessLettersBecomeMnemonics) {
    EXPECT_EQ(MnemonicLabel("&File"), "_File");
    EXPECT_EQ(MnemonicLabel("E&xit"), "E_xit");
    EXPECT_EQ(MnemonicLabel("&Level Select"), "_Level Select");
    EXPECT_EQ(MnemonicLabel("[]"), "[]");
    EXPECT_EQ(MnemonicLabel("Save && Quit"), "Save & Quit");
    EXPECT_EQ(MnemonicLabel("snake_case"), "snake__case");
    EXPECT_EQ(MnemonicLabel("trailing&"), "trailing&");
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

BitmapInfo SixteenColours(int width, int height) {
    BitmapInfo info{};
    info.bmiHeader = {40, width, height, 1, 8, 0, 0, 0, 0, 16, 16};
    for (int i = 0; i < 16; ++i) {
        info.bmiColors[i] = {static_cast<std::uint8_t>(i * 16), static_cast<std::uint8_t>(i),
                             static_cast<std::uint8_t>(255 - i), 0};
    }
    return info;
}

TEST(GtkSurface, BottomUpRowsGoThroughTheColourTable) {
    const BitmapInfo info = SixteenColours(4, 2);
    // Bottom row first: the lower row holds indices 0..3, the upper one 12..15.
    const std::uint8_t bits[] = {0, 1, 2, 3, 12, 13, 14, 15};
    std::vector<std::uint32_t> out(4 * 2, 0xDEADBEEF);
    IndexedToRgb24(bits, info, out.data(), 4, 2, 4);
    EXPECT_EQ(out[0], 0xF30CC0u);  // index 12: red 243, green 12, blue 192
    EXPECT_EQ(out[3], 0xF00FF0u);  // index 15
    EXPECT_EQ(out[4], 0xFF0000u);  // index 0
    EXPECT_EQ(out[7], 0xFC0330u);  // index 3
}

TEST(GtkSurface, IndicesPastTheAnnouncedColoursShowBlack) {
    BitmapInfo info = SixteenColours(4, 1);
    info.bmiColors[16] = {255, 255, 255, 0};  // present in the table but not announced
    const std::uint8_t bits[] = {15, 16, 38, 255};
    std::vector<std::uint32_t> out(4);
    IndexedToRgb24(bits, info, out.data(), 4, 1, 4);
    EXPECT_EQ(out[0], 0xF00FF0u);
    EXPECT_EQ(out[1], 0u);
    EXPECT_EQ(out[2], 0u);
    EXPECT_EQ(out[3], 0u);
}

TEST(GtkSurface, SurfaceSizedImageFillsEveryPixelAndKeepsTheStride) {
    BitmapInfo info = SixteenColours(kSurfaceWidth, kSurfaceHeight);
    std::vector<std::uint8_t> bits(kSurfaceWidth * kSurfaceHeight, 0);
    // The top-left pixel of the surface is the first byte of the buffer's last row.
    bits[(kSurfaceHeight - 1) * kSurfaceWidth] = 9;
    bits[kSurfaceWidth - 1] = 7;  // bottom-right
    const int stride = kSurfaceWidth + 16;
    std::vector<std::uint32_t> out(static_cast<std::size_t>(stride) * kSurfaceHeight, 0x123456);
    IndexedToRgb24(bits.data(), info, out.data(), kSurfaceWidth, kSurfaceHeight, stride);
    EXPECT_EQ(out[0], 0xF60990u);
    EXPECT_EQ(out[static_cast<std::size_t>(kSurfaceHeight - 1) * stride + kSurfaceWidth - 1],
              0xF80770u);
    EXPECT_EQ(out[1], 0xFF0000u);              // index 0 elsewhere
    EXPECT_EQ(out[kSurfaceWidth], 0x123456u);  // the stride's padding is left alone
}

TEST(GtkSurface, LargerImagesAreClippedAndBadHeadersIgnored) {
    const BitmapInfo info = SixteenColours(3, 3);
    // Rows of three pixels are padded to four bytes.
    const std::uint8_t bits[] = {1, 1, 1, 0, 2, 2, 2, 0, 3, 3, 3, 0};
    std::vector<std::uint32_t> out(2 * 2, 0);
    IndexedToRgb24(bits, info, out.data(), 2, 2, 2);
    EXPECT_EQ(out[0], 0xFC0330u);  // top row is the last stored one
    EXPECT_EQ(out[2], 0xFD0220u);

    BitmapInfo fourBit = info;
    fourBit.bmiHeader.biBitCount = 4;
    std::vector<std::uint32_t> untouched(4, 7);
    IndexedToRgb24(bits, fourBit, untouched.data(), 2, 2, 2);
    EXPECT_EQ(untouched, std::vector<std::uint32_t>(4, 7));
}

}  // namespace
}  // namespace gridwright
