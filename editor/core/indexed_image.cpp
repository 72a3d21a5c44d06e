#include "indexed_image.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>

namespace gridwright {

namespace {

constexpr int kValues = 256;  // every value of an 8-bit pixel

std::uint32_t AnnouncedColors(const BitmapInfoHeader& header) {
    return header.biClrUsed == 0 ? kValues : std::min<std::uint32_t>(header.biClrUsed, kValues);
}

}  // namespace

RgbQuad ShownColor(const BitmapInfo& info, std::uint8_t value) {
    if (value >= AnnouncedColors(info.bmiHeader)) return {0, 0, 0, 0};
    const RgbQuad& entry = info.bmiColors[value];
    return {entry.rgbBlue, entry.rgbGreen, entry.rgbRed, 0};
}

std::uint32_t ShownPixel(const BitmapInfo& info, std::uint8_t value) {
    const RgbQuad color = ShownColor(info, value);
    return 0xFF000000u | (std::uint32_t{color.rgbRed} << 16) |
           (std::uint32_t{color.rgbGreen} << 8) | color.rgbBlue;
}

void IndexedToRgb(const std::uint8_t* bits, const BitmapInfo& info, std::uint32_t* target,
                  int targetWidth, int targetHeight, int targetStride) {
    IndexedToRgb(bits, info, target, targetWidth, targetHeight, targetStride,
                 {0, 0, targetWidth, targetHeight});
}

void IndexedToRgb(const std::uint8_t* bits, const BitmapInfo& info, std::uint32_t* target,
                  int targetWidth, int targetHeight, int targetStride, const PixelRect& area,
                  int zoom) {
    const BitmapInfoHeader& header = info.bmiHeader;
    if (header.biBitCount != 8 || header.biWidth <= 0 || header.biHeight == 0 || zoom < 1) return;
    const int width = header.biWidth;
    const int height = std::abs(header.biHeight);
    const PixelRect part = Clip(area, std::min(width, targetWidth), std::min(height, targetHeight));
    if (part.Empty()) return;

    std::array<std::uint32_t, kValues> shown;
    for (int value = 0; value < kValues; ++value)
        shown[value] = ShownPixel(info, static_cast<std::uint8_t>(value));

    const bool bottomUp = header.biHeight > 0;
    const std::size_t sourceStride = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
    const int columns = part.width;
    const int end = part.y + part.height;
    for (int y = part.y; y < end; ++y) {
        const std::uint8_t* source =
            bits + static_cast<std::size_t>(bottomUp ? height - 1 - y : y) * sourceStride + part.x;
        if (zoom == 1) {
            std::uint32_t* out = target + static_cast<std::size_t>(y) * targetStride + part.x;
            for (int x = 0; x < columns; ++x) out[x] = shown[source[x]];
            continue;
        }
        // The block's first row, then copies of it.
        std::uint32_t* first =
            target + (static_cast<std::size_t>(y) * targetStride + part.x) * zoom;
        std::uint32_t* out = first;
        for (int x = 0; x < columns; ++x, out += zoom) std::fill_n(out, zoom, shown[source[x]]);
        for (int row = 1; row < zoom; ++row)
            std::copy_n(first, static_cast<std::size_t>(columns) * zoom,
                        first + static_cast<std::size_t>(row) * targetStride);
    }
}

}  // namespace gridwright
