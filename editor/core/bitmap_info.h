// The description of the pixel buffer handed to the front ends: a 40-byte header laid out exactly
// as the Windows BITMAPINFOHEADER, followed by a colour table of RGBQUAD entries, so the Windows
// front end can pass it to SetDIBitsToDevice unchanged and the others read the same fields.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gridwright {

struct BitmapInfoHeader {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;  // positive: rows are stored bottom row first
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;  // 0 = BI_RGB
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);
static_assert(offsetof(BitmapInfoHeader, biClrImportant) == 36);

struct RgbQuad {
    std::uint8_t rgbBlue;
    std::uint8_t rgbGreen;
    std::uint8_t rgbRed;
    std::uint8_t rgbReserved;
};
static_assert(sizeof(RgbQuad) == 4);

// Room for colour indices 0..256; the header announces 16 of them (biClrUsed).
struct BitmapInfo {
    BitmapInfoHeader bmiHeader;
    RgbQuad bmiColors[257];
};
static_assert(offsetof(BitmapInfo, bmiColors) == 40);

}  // namespace gridwright
