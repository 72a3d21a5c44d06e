// The one indexed-to-colour rule: through the colour table, black past the announced colours, for
// bottom-up and top-down pictures of any width, clipped to the target.
#include "indexed_image.h"

#include <gtest/gtest.h>

#include <vector>

#include "surface_geometry.h"
#include "test_support.h"

namespace gridwright {
namespace {

BitmapInfo SixteenColours(int width, int height) {
    BitmapInfo info{};
    info.bmiHeader = {40, width, height, 1, 8, 0, 0, 0, 0, 16, 16};
    for (int i = 0; i < 16; ++i) {
        info.bmiColors[i] = {static_cast<std::uint8_t>(i * 16), static_cast<std::uint8_t>(i),
                             static_cast<std::uint8_t>(255 - i), 0};
    }
    return info;
}

TEST(ShownColor, TheEditorsSixteenColoursAndBlackBeyond) {
    testing::StartedEditor editor;
    const BitmapInfo& info = editor.form.modGraphics.ScreenInfo;
    EXPECT_EQ(ShownPixel(info, 15), 0xFFFFFFFFu);
    EXPECT_EQ(ShownPixel(info, 9), 0xFF6060FFu);
    EXPECT_EQ(ShownPixel(info, 0), 0xFF010000u);  // colour 0 is red 1
    // Values 16 and above show black, whatever the table holds past its announced entries.
    BitmapInfo stale = info;
    stale.bmiColors[16] = {255, 255, 255, 0};
    for (int value : {16, 38, 255}) {
        EXPECT_EQ(ShownPixel(stale, static_cast<std::uint8_t>(value)), 0xFF000000u) << value;
        const RgbQuad color = ShownColor(stale, static_cast<std::uint8_t>(value));
        EXPECT_EQ(color.rgbRed | color.rgbGreen | color.rgbBlue | color.rgbReserved, 0) << value;
    }
}

TEST(ShownColor, NoColourCountAnnouncesAllEntries) {
    BitmapInfo info = SixteenColours(1, 1);
    info.bmiColors[200] = {1, 2, 3, 99};
    info.bmiHeader.biClrUsed = 0;
    EXPECT_EQ(ShownPixel(info, 200), 0xFF030201u);
    EXPECT_EQ(ShownColor(info, 200).rgbReserved, 0) << "the reserved byte is always 0";
}

TEST(IndexedToRgb, BottomUpRowsGoThroughTheColourTable) {
    const BitmapInfo info = SixteenColours(4, 2);
    // Bottom row first: the lower row holds indices 0..3, the upper one 12..15.
    const std::uint8_t bits[] = {0, 1, 2, 3, 12, 13, 14, 15};
    std::vector<std::uint32_t> out(4 * 2, 0xDEADBEEF);
    IndexedToRgb(bits, info, out.data(), 4, 2, 4);
    EXPECT_EQ(out[0], 0xFFF30CC0u);  // index 12: red 243, green 12, blue 192
    EXPECT_EQ(out[3], 0xFFF00FF0u);  // index 15
    EXPECT_EQ(out[4], 0xFFFF0000u);  // index 0
    EXPECT_EQ(out[7], 0xFFFC0330u);  // index 3
}

TEST(IndexedToRgb, TopDownRowsKeepTheirOrder) {
    BitmapInfo info = SixteenColours(4, -2);
    const std::uint8_t bits[] = {0, 1, 2, 3, 12, 13, 14, 15};
    std::vector<std::uint32_t> out(4 * 2);
    IndexedToRgb(bits, info, out.data(), 4, 2, 4);
    EXPECT_EQ(out[0], 0xFFFF0000u);
    EXPECT_EQ(out[4], 0xFFF30CC0u);
}

TEST(IndexedToRgb, IndicesPastTheAnnouncedColoursShowBlack) {
    BitmapInfo info = SixteenColours(4, 1);
    info.bmiColors[16] = {255, 255, 255, 0};  // present in the table but not announced
    const std::uint8_t bits[] = {15, 16, 38, 255};
    std::vector<std::uint32_t> out(4);
    IndexedToRgb(bits, info, out.data(), 4, 1, 4);
    EXPECT_EQ(out[0], 0xFFF00FF0u);
    EXPECT_EQ(out[1], 0xFF000000u);
    EXPECT_EQ(out[2], 0xFF000000u);
    EXPECT_EQ(out[3], 0xFF000000u);
}

TEST(IndexedToRgb, SurfaceSizedImageFillsEveryPixelAndKeepsTheStride) {
    BitmapInfo info = SixteenColours(kSurfaceWidth, kSurfaceHeight);
    std::vector<std::uint8_t> bits(kSurfaceWidth * kSurfaceHeight, 0);
    // The top-left pixel of the surface is the first byte of the buffer's last row.
    bits[(kSurfaceHeight - 1) * kSurfaceWidth] = 9;
    bits[kSurfaceWidth - 1] = 7;  // bottom-right
    const int stride = kSurfaceWidth + 16;
    std::vector<std::uint32_t> out(static_cast<std::size_t>(stride) * kSurfaceHeight, 0x123456);
    IndexedToRgb(bits.data(), info, out.data(), kSurfaceWidth, kSurfaceHeight, stride);
    EXPECT_EQ(out[0], 0xFFF60990u);
    EXPECT_EQ(out[static_cast<std::size_t>(kSurfaceHeight - 1) * stride + kSurfaceWidth - 1],
              0xFFF80770u);
    EXPECT_EQ(out[1], 0xFFFF0000u);            // index 0 elsewhere
    EXPECT_EQ(out[kSurfaceWidth], 0x123456u);  // the stride's padding is left alone
}

TEST(IndexedToRgb, LargerImagesAreClippedAndBadHeadersIgnored) {
    const BitmapInfo info = SixteenColours(3, 3);
    // Rows of three pixels are padded to four bytes.
    const std::uint8_t bits[] = {1, 1, 1, 0, 2, 2, 2, 0, 3, 3, 3, 0};
    std::vector<std::uint32_t> out(2 * 2, 0);
    IndexedToRgb(bits, info, out.data(), 2, 2, 2);
    EXPECT_EQ(out[0], 0xFFFC0330u);  // top row is the last stored one
    EXPECT_EQ(out[2], 0xFFFD0220u);

    BitmapInfo fourBit = info;
    fourBit.bmiHeader.biBitCount = 4;
    std::vector<std::uint32_t> untouched(4, 7);
    IndexedToRgb(bits, fourBit, untouched.data(), 2, 2, 2);
    EXPECT_EQ(untouched, std::vector<std::uint32_t>(4, 7));
}

TEST(IndexedToRgb, AnAreaConvertsItsOwnPixelsAlone) {
    // 6 x 5, bottom row first, every pixel its own value 0..15 (row y from the top holds 5 - y...).
    std::vector<std::uint8_t> bits(8 * 5);  // rows padded to 8 bytes
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            bits[static_cast<std::size_t>(4 - y) * 8 + x] = (x + 3 * y) % 16;
    const BitmapInfo info = SixteenColours(6, 5);
    const auto converted = [&](PixelRect area) {
        std::vector<std::uint32_t> out(6 * 5, 0x12345678u);
        IndexedToRgb(bits.data(), info, out.data(), 6, 5, 6, area);
        std::vector<std::pair<int, int>> pixels;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) {
                const std::uint32_t pixel = out[static_cast<std::size_t>(y) * 6 + x];
                if (pixel == 0x12345678u) continue;
                EXPECT_EQ(pixel, ShownPixel(info, static_cast<std::uint8_t>((x + 3 * y) % 16)))
                    << x << ", " << y;
                pixels.emplace_back(x, y);
            }
        return pixels;
    };
    using Pixels = std::vector<std::pair<int, int>>;
    EXPECT_EQ(converted({1, 2, 3, 2}), (Pixels{{1, 2}, {2, 2}, {3, 2}, {1, 3}, {2, 3}, {3, 3}}));
    EXPECT_EQ(converted({4, 3, 10, 10}), (Pixels{{4, 3}, {5, 3}, {4, 4}, {5, 4}}))
        << "clipped to the picture";
    EXPECT_EQ(converted({-3, -3, 4, 4}), (Pixels{{0, 0}}));
    EXPECT_TRUE(converted({}).empty());
    EXPECT_TRUE(converted({6, 0, 2, 2}).empty());
    EXPECT_EQ(converted({0, 0, 6, 5}).size(), 30u);
}

TEST(IndexedToRgb, AZoomedAreaBecomesBlocksOfItsPixelsAndNothingElse) {
    // 4 x 3, bottom row first, pixel (x, y) from the top holding x + 4 * y.
    std::vector<std::uint8_t> bits(4 * 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) bits[static_cast<std::size_t>(2 - y) * 4 + x] = x + 4 * y;
    const BitmapInfo info = SixteenColours(4, 3);
    for (const int zoom : {2, 3}) {
        SCOPED_TRACE(zoom);
        const int stride = 4 * zoom + 1;  // one spare pixel a row, which must stay as it was
        std::vector<std::uint32_t> out(static_cast<std::size_t>(stride) * 3 * zoom, 7);
        IndexedToRgb(bits.data(), info, out.data(), 4, 3, stride, {1, 1, 5, 1}, zoom);
        for (int y = 0; y < 3 * zoom; ++y)
            for (int x = 0; x < stride; ++x) {
                const int sx = x / zoom, sy = y / zoom;
                const bool inArea = sy == 1 && sx >= 1 && sx < 4 && x < 4 * zoom;
                EXPECT_EQ(out[static_cast<std::size_t>(y) * stride + x],
                          inArea ? ShownPixel(info, static_cast<std::uint8_t>(sx + 4 * sy)) : 7u)
                    << x << ", " << y;
            }
    }
}

}  // namespace
}  // namespace gridwright
