// The sizes of the editing surface and of the font that paints it. The surface is a text screen of
// 80 x 25 cells; every cell, and every glyph of the font, is 10 pixels wide and 18 tall. The font
// image holds the 256 glyphs in a 16 x 16 grid of such cells: glyph c has its top-left pixel at
// (10 * (c % 16), 18 * (c / 16)).
#pragma once

#include <algorithm>

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

// A rectangle of surface pixels: its top-left pixel (x, y), y counted from the top, and its size.
// It holds no pixel when either side is 0 or less.
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;

    constexpr bool Empty() const { return width <= 0 || height <= 0; }
    constexpr long long Pixels() const { return Empty() ? 0 : 1LL * width * height; }
    constexpr bool operator==(const PixelRect&) const = default;
};

// The smallest rectangle that holds both.
constexpr PixelRect Union(const PixelRect& a, const PixelRect& b) {
    if (a.Empty()) return b.Empty() ? PixelRect{} : b;
    if (b.Empty()) return a;
    const int left = std::min(a.x, b.x), top = std::min(a.y, b.y);
    const int right = std::max(a.x + a.width, b.x + b.width);
    const int bottom = std::max(a.y + a.height, b.y + b.height);
    return {left, top, right - left, bottom - top};
}

// The part of a rectangle inside a width x height picture.
constexpr PixelRect Clip(const PixelRect& r, int width, int height) {
    if (r.Empty()) return {};
    const long long left = std::max(0LL, 0LL + r.x), top = std::max(0LL, 0LL + r.y);
    const long long right = std::min(0LL + width, 0LL + r.x + r.width);
    const long long bottom = std::min(0LL + height, 0LL + r.y + r.height);
    if (right <= left || bottom <= top) return {};
    return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
            static_cast<int>(bottom - top)};
}

inline constexpr int kFontGlyphs = 256;
inline constexpr int kFontGlyphsPerRow = 16;
inline constexpr int kFontImageWidth = kFontGlyphsPerRow * kGlyphWidth;                  // 160
inline constexpr int kFontImageHeight = kFontGlyphs / kFontGlyphsPerRow * kGlyphHeight;  // 288

}  // namespace gridwright
