// Turns an 8-bit indexed picture, such as the editing surface, into colours: the one rule that
// every front end and tool shows it by. A pixel value shows the colour table's entry for it when
// the header announces that entry (biClrUsed entries; 0 announces all 256), and black otherwise,
// so no pixel ever reads past the table: with the editor's 16 colours, values 16 and above show
// black.
#pragma once

#include <cstdint>

#include "bitmap_info.h"
#include "surface_geometry.h"

namespace gridwright {

RgbQuad ShownColor(const BitmapInfo& info, std::uint8_t value);

// The same colour as an opaque 0xFFRRGGBB pixel, which is also Cairo's RGB24 layout (whose top
// byte is unused).
std::uint32_t ShownPixel(const BitmapInfo& info, std::uint8_t value);

// Writes an 8-bit indexed picture (rows padded to 4 bytes; bottom row first for a positive
// height, top row first for a negative one) as 0xFFRRGGBB pixels, top row first, targetStride
// pixels from one row to the next, clipped to targetWidth x targetHeight. A header that does not
// describe 8 bits a pixel writes nothing.
void IndexedToRgb(const std::uint8_t* bits, const BitmapInfo& info, std::uint32_t* target,
                  int targetWidth, int targetHeight, int targetStride);
// The same for the pixels of `area` alone (y counted from the top, clipped to the picture and the
// target): a front end that keeps the converted picture converts only what changed. Every other
// target pixel is left as it was. With a zoom above 1 each pixel becomes a zoom x zoom block of
// the target, whose size and stride count those blocks' pixels; `area`, the picture and
// targetWidth x targetHeight stay in the picture's pixels.
void IndexedToRgb(const std::uint8_t* bits, const BitmapInfo& info, std::uint32_t* target,
                  int targetWidth, int targetHeight, int targetStride, const PixelRect& area,
                  int zoom = 1);

}  // namespace gridwright
