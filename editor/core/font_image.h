// The editor's built-in font image: the 256 glyphs of code page 437 in the grid that
// surface_geometry.h describes, white strokes ('#') on black ('.'); glyphs 0, 32 and 255 are blank.
#pragma once

#include "surface_geometry.h"

namespace gridwright {

// One text row per pixel row, each kFontImageWidth characters and a terminating NUL.
extern const char kFontImage[kFontImageHeight][kFontImageWidth + 1];

}  // namespace gridwright
