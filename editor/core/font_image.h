// The editor's built-in font image: the 256 glyphs of code page 437 in a 16 x 16 grid of 10 x 18
// pixel cells, white strokes ('#') on black ('.'). Glyph c has its top-left pixel at
// (10 * (c % 16), 18 * (c / 16)); glyphs 0, 32 and 255 are blank.
#pragma once

namespace gridwright {

inline constexpr int kFontImageWidth = 160;
inline constexpr int kFontImageHeight = 288;

// One text row per pixel row, each kFontImageWidth characters and a terminating NUL.
extern const char kFontImage[kFontImageHeight][kFontImageWidth + 1];

}  // namespace gridwright
