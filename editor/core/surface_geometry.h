// The sizes of the editing surface and of the font that paints it. The surface is a text screen of
// 80 x 25 cells; every cell, and every glyph of the font, is 10 pixels wide and 18 tall. The font
// image holds the 256 glyphs in a 16 x 16 grid of such cells: glyph c has its top-left pixel at
// (10 * (c % 16), 18 * (c / 16)).
#pragma once

namespace gridwright {

inline constexpr int kGlyphWidth = 10;
inline constexpr int kGlyphHeight = 18;

inline constexpr int kSurfaceColumns = 80;
inline constexpr int kSurfaceRows = 25;
inline constexpr int kSurfaceWidth = kSurfaceColumns * kGlyphWidth;  // 800
inline constexpr int kSurfaceHeight = kSurfaceRows * kGlyphHeight;   // 450
// The surface's rows are stored without padding; a bitmap pads its rows to 4 bytes, so the two
// layouts agree only while the width is a multiple of 4.
static_assert(kSurfaceWidth % 4 == 0);

inline constexpr int kFontGlyphs = 256;
inline constexpr int kFontGlyphsPerRow = 16;
inline constexpr int kFontImageWidth = kFontGlyphsPerRow * kGlyphWidth;                  // 160
inline constexpr int kFontImageHeight = kFontGlyphs / kFontGlyphsPerRow * kGlyphHeight;  // 288

}  // namespace gridwright
