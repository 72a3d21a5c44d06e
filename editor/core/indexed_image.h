// Turns the blitted 8-bit indexed image into colours, for front ends and tools that do not hand
// it to GDI unchanged. Indices at or beyond the header's colour count show black, so no pixel
// ever reads past the colour table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bitmap_info.h"

namespace gridwright {

// 0xFFRRGGBB (opaque) for one palette index.
inline std::uint32_t IndexedColor(const BitmapInfo& info, std::uint8_t index) {
    if (index >= info.bmiHeader.biClrUsed) return 0xFF000000u;
    const RgbQuad& c = info.bmiColors[index];
    return 0xFF000000u | (std::uint32_t{c.rgbRed} << 16) | (std::uint32_t{c.rgbGreen} << 8) |
           c.rgbBlue;
}

// Writes the image top row first as 0xFFRRGGBB pixels, outStride pixels apart from row to row.
// bits holds biHeight rows of exactly biWidth bytes, bottom row first.
inline void ExpandIndexedImage(const std::uint8_t* bits, const BitmapInfo& info, std::uint32_t* out,
                               std::size_t outStride) {
    const std::size_t width = static_cast<std::size_t>(info.bmiHeader.biWidth);
    const std::size_t height = static_cast<std::size_t>(info.bmiHeader.biHeight);
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* row = bits + (height - 1 - y) * width;
        for (std::size_t x = 0; x < width; ++x) out[y * outStride + x] = IndexedColor(info, row[x]);
    }
}

}  // namespace gridwright
