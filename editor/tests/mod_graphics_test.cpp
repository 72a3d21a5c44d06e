// The renderer: palette at several brightnesses, bitmap header, glyph placement in the buffer.
#include "mod_graphics.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

#include "font_image.h"
#include "test_support.h"

namespace gridwright {
namespace {

using testing::StartedEditor;

using Rgb = std::array<int, 3>;

Rgb Entry(const ModGraphics& graphics, int index) {
    const RgbQuad& q = graphics.ScreenInfo.bmiColors[index];
    return {q.rgbRed, q.rgbGreen, q.rgbBlue};
}

ModGraphics& PaletteAt(StartedEditor& editor, float brightness) {
    editor.form.modGraphics.Brightness = brightness;
    editor.form.modGraphics.BuildPalette();
    return editor.form.modGraphics;
}

TEST(Palette, AtBrightness1IsTheBasePaletteExactly) {
    StartedEditor editor;
    const ModGraphics& g = editor.form.modGraphics;
    const Rgb expected[16] = {{1, 0, 0},       {0, 0, 144},     {0, 144, 0},   {0, 144, 144},
                              {144, 0, 0},     {144, 0, 160},   {144, 104, 0}, {192, 192, 192},
                              {128, 128, 128}, {96, 96, 255},   {96, 255, 96}, {96, 255, 255},
                              {255, 96, 96},   {255, 128, 255}, {255, 255, 0}, {255, 255, 255}};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(Entry(g, i), expected[i]) << "colour " << i;
    for (int i = 16; i <= 256; ++i) EXPECT_EQ(Entry(g, i), (Rgb{0, 0, 0})) << "entry " << i;
    EXPECT_EQ(g.ScreenInfo.bmiColors[15].rgbReserved, 0);
}

TEST(Palette, ScalesWithSinglePrecisionProductsRoundedHalfToEven) {
    StartedEditor editor;
    ModGraphics& g = PaletteAt(editor, 2.0f);
    EXPECT_EQ(Entry(g, 9), (Rgb{192, 192, 255}));
    EXPECT_EQ(Entry(g, 7), (Rgb{255, 255, 255}));

    PaletteAt(editor, 0.5f);
    EXPECT_EQ(Entry(g, 15), (Rgb{128, 128, 128}));  // 127.5 rounds to the even 128
    EXPECT_EQ(Entry(g, 0), (Rgb{0, 0, 0}));         // 0.5 rounds to 0

    PaletteAt(editor, 2.5f);
    EXPECT_EQ(Entry(g, 0), (Rgb{2, 0, 0}));  // 2.5 rounds to 2

    PaletteAt(editor, 1.1f);
    EXPECT_EQ(Entry(g, 9), (Rgb{106, 106, 255}));
    EXPECT_EQ(Entry(g, 1), (Rgb{0, 0, 158}));

    PaletteAt(editor, 3.4e38f);  // any product above 255 is 255
    EXPECT_EQ(Entry(g, 0), (Rgb{255, 0, 0}));
}

TEST(Palette, HeaderDescribesTheBottomUp8BitBuffer) {
    StartedEditor editor;
    const BitmapInfoHeader& h = editor.form.modGraphics.ScreenInfo.bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 800);
    EXPECT_EQ(h.biHeight, 450);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biSizeImage, 0u);
    EXPECT_EQ(h.biClrUsed, 16u);
    EXPECT_EQ(h.biClrImportant, 16u);
    EXPECT_EQ(editor.form.modGraphics.ScreenWidth, 800);
    EXPECT_EQ(editor.form.modGraphics.ScreenHeight, 450);
    EXPECT_EQ(editor.form.modGraphics.ScreenBuffer.size(), 360001u);
}

TEST(Font, MaskHoldsTheBuiltInImage) {
    StartedEditor editor;
    const ModGraphics& g = editor.form.modGraphics;
    int lit = 0;
    for (int y = 0; y < kFontImageHeight; ++y)
        for (int x = 0; x < kFontImageWidth; ++x) {
            ASSERT_EQ(g.FontPixel(x, y), kFontImage[y][x] == '#');
            lit += g.FontPixel(x, y);
        }
    EXPECT_GT(lit, 5000);
    EXPECT_FALSE(g.FontPixel(-1, 0));
    EXPECT_FALSE(g.FontPixel(0, 289));
    EXPECT_FALSE(editor.services.visibility.at(Picture::picFont));
    EXPECT_TRUE(editor.services.windowShown);
}

TEST(Font, BlankGlyphsAreEmptyAndJoiningGlyphsReachTheCellEdges) {
    const auto glyphLit = [](int code, int x, int y) {
        return kFontImage[18 * (code / 16) + y][10 * (code % 16) + x] == '#';
    };
    for (int code : {0, 32, 255})
        for (int y = 0; y < 18; ++y)
            for (int x = 0; x < 10; ++x) ASSERT_FALSE(glyphLit(code, x, y)) << code;
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_TRUE(glyphLit(219, x, y));  // full block
    // The single horizontal line runs from edge to edge, the vertical one from top to bottom.
    EXPECT_TRUE(glyphLit(196, 0, 9) || glyphLit(196, 0, 8));
    EXPECT_TRUE(glyphLit(196, 9, 9) || glyphLit(196, 9, 8));
    EXPECT_TRUE(glyphLit(179, 4, 0) || glyphLit(179, 5, 0));
    EXPECT_TRUE(glyphLit(179, 4, 17) || glyphLit(179, 5, 17));
    // Ordinary glyphs keep a margin: "A" touches neither column 0 nor row 0.
    for (int x = 0; x < 10; ++x) EXPECT_FALSE(glyphLit('A', x, 0));
    for (int y = 0; y < 18; ++y) EXPECT_FALSE(glyphLit('A', 0, y));
}

class Glyphs : public ::testing::Test {
  protected:
    std::uint8_t Pixel(int x, int y) const {
        return g.ScreenBuffer[static_cast<std::size_t>(g.ScreenHeight - 1 - y) * g.ScreenWidth + x];
    }
    // Colours found in the cell at column c, row r.
    std::set<int> CellColours(int c, int r) const {
        std::set<int> colours;
        for (int y = 18 * r; y < 18 * r + 18; ++y)
            for (int x = 10 * c; x < 10 * c + 10; ++x) colours.insert(Pixel(x, y));
        return colours;
    }
    StartedEditor editor;
    ModGraphics& g = editor.form.modGraphics;
};

TEST_F(Glyphs, TopRowOfCell00IsAtTheEndOfTheBottomUpBuffer) {
    g.DrawGlyph(219, 0, 0, 12, 1);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(g.ScreenBuffer[359200 + x], 12);
    EXPECT_EQ(g.ScreenBuffer[359210], 0) << "cell (1, 0) untouched";
    EXPECT_EQ(CellColours(0, 0), (std::set<int>{12}));
}

TEST_F(Glyphs, BlankGlyphsFillTheCellWithTheBackground) {
    for (int glyph : {0, 32, 255}) {
        g.DrawGlyph(static_cast<std::uint8_t>(glyph), 60, 10, 14, 5);
        EXPECT_EQ(CellColours(60, 10), (std::set<int>{5})) << glyph;
    }
}

TEST_F(Glyphs, StrokesInForegroundOnBackground) {
    g.DrawGlyph('A', 62, 11, 14, 2);
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(Pixel(620 + x, 198 + y), g.FontPixel(10 + x, 4 * 18 + y) ? 14 : 2);
}

TEST_F(Glyphs, Row24CoversTheLastEighteenPixelRows) {
    g.DrawGlyph(219, 70, 24, 9, 0);
    EXPECT_EQ(Pixel(700, 432), 9);
    EXPECT_EQ(Pixel(709, 449), 9);
    EXPECT_EQ(g.ScreenBuffer[709], 9) << "pixel row 449 is the buffer's first row";
    EXPECT_NE(Pixel(700, 431), 9);
}

TEST_F(Glyphs, PixelsOutsideTheSurfaceAreDropped) {
    const std::vector<std::uint8_t> before = g.ScreenBuffer;
    g.DrawGlyph(219, 200, 0, 9, 9);  // x 2000
    g.DrawGlyph(219, 0, 25, 9, 9);   // y 450
    g.PutPixel(0, 450, 9);
    g.PutPixel(-1, 0, 9);
    g.PutPixel(800, 0, 9);
    EXPECT_EQ(g.ScreenBuffer, before);
    g.DrawGlyph(219, 79, 24, 9, 9);  // the last cell is still inside
    EXPECT_EQ(Pixel(799, 449), 9);
}

TEST_F(Glyphs, ABlitHandsOnWhatDrawGlyphAndPutPixelPainted) {
    g.BlitScreen();
    g.DrawGlyph(219, 60, 10, 14, 5);
    g.PutPixel(799, 449, 3);
    g.PutPixel(0, 450, 9);  // dropped: nothing painted
    g.BlitScreen();
    EXPECT_EQ(editor.services.changedRects.back(), (PixelRect{600, 180, 200, 270}));
    g.BlitScreen();
    EXPECT_TRUE(editor.services.changedRects.back().Empty());
}

}  // namespace
}  // namespace gridwright
