#include "mod_graphics.h"

#include <algorithm>
#include <cstddef>

#include "font_image.h"
#include "numbers.h"

namespace gridwright {

namespace {

struct Rgb {
    std::int16_t red, green, blue;
};

// The base palette before brightness. The values are the editor's own, not a standard set:
// colour 0 is red 1, colour 5 has blue 160, colour 6 green 104, colour 13 green 128.
constexpr Rgb kBasePalette[kPaletteSize] = {
    {1, 0, 0},     {0, 0, 144},     {0, 144, 0},     {0, 144, 144},   {144, 0, 0},   {144, 0, 160},
    {144, 104, 0}, {192, 192, 192}, {128, 128, 128}, {96, 96, 255},   {96, 255, 96}, {96, 255, 255},
    {255, 96, 96}, {255, 128, 255}, {255, 255, 0},   {255, 255, 255},
};

// The largest picture side accepted from the window system, so a wrong size cannot make the
// buffer huge.
constexpr int kMaxScreenSide = 4096;

bool IsBlankGlyph(std::uint8_t glyph) {
    return glyph == 0 || glyph == 32 || glyph == 255;
}

}  // namespace

ModGraphics::ModGraphics(WindowServices& services)
    : FontMask(kFontMaskWidth * kFontMaskHeight, 0),
      ScreenBuffer(kScreenBufferSize, 0),
      services_(services) {}

void ModGraphics::LoadFont() {
    services_.ShowMainWindow();
    for (int y = 0; y < kFontImageHeight; ++y)
        for (int x = 0; x < kFontImageWidth; ++x)
            FontMask[x + kFontMaskWidth * y] = kFontImage[y][x] == '#' ? 1 : 0;
    services_.SetPictureVisible(Picture::picFont, false);
}

bool ModGraphics::FontPixel(std::int16_t X, std::int16_t Y) const {
    if (X < 0 || X >= kFontMaskWidth || Y < 0 || Y >= kFontMaskHeight) return false;
    return FontMask[X + kFontMaskWidth * Y] != 0;
}

void ModGraphics::SetPaletteColor(std::int16_t Index, std::int16_t Red, std::int16_t Green,
                                  std::int16_t Blue) {
    if (Index < 0 || Index > 256) return;
    // The product is rounded to single precision first; above 255 it is cut to 255, otherwise
    // rounded to the nearest whole number with halves to even (127.5 gives 128, 2.5 gives 2).
    const auto scale = [this](std::int16_t component) -> std::uint8_t {
        const float product = static_cast<float>(component) * Brightness;
        if (product > 255.0f) return 255;
        if (!(product > 0.0f)) return 0;
        return static_cast<std::uint8_t>(RoundHalfEven(product));
    };
    RgbQuad& entry = ScreenInfo.bmiColors[Index];
    entry.rgbRed = scale(Red);
    entry.rgbGreen = scale(Green);
    entry.rgbBlue = scale(Blue);
    entry.rgbReserved = 0;
}

void ModGraphics::SetScreenSize(double width, double height) {
    const auto side = [](double pixels) {
        return static_cast<std::int32_t>(
            std::clamp(RoundHalfEven(pixels), 0.0, static_cast<double>(kMaxScreenSide)));
    };
    ScreenWidth = side(width);
    ScreenHeight = side(height);
    const std::size_t needed = static_cast<std::size_t>(ScreenWidth) * ScreenHeight + 1;
    if (ScreenBuffer.size() < needed) ScreenBuffer.resize(needed, 0);
}

void ModGraphics::BuildPalette() {
    for (int index = 0; index < kPaletteSize; ++index) {
        const Rgb& base = kBasePalette[index];
        SetPaletteColor(static_cast<std::int16_t>(index), base.red, base.green, base.blue);
    }
    const PictureSize surface = services_.GetPictureSize(Picture::picScreen);
    SetScreenSize(surface.width, surface.height);

    BitmapInfoHeader& header = ScreenInfo.bmiHeader;
    header.biSize = sizeof(BitmapInfoHeader);
    header.biWidth = ScreenWidth;
    header.biHeight = ScreenHeight;  // positive: bottom row first
    header.biPlanes = 1;
    header.biBitCount = 8;
    header.biCompression = 0;  // BI_RGB
    header.biSizeImage = 0;
    header.biXPelsPerMeter = 0;
    header.biYPelsPerMeter = 0;
    header.biClrUsed = kPaletteSize;
    header.biClrImportant = kPaletteSize;
}

void ModGraphics::PutPixel(std::int16_t X, std::int16_t Y, std::int32_t Colour) {
    if (Y >= kSurfaceHeight) return;
    if (X < 0 || X >= ScreenWidth || Y < 0 || Y >= ScreenHeight) return;
    ScreenBuffer[static_cast<std::size_t>(ScreenHeight - 1 - Y) * ScreenWidth + X] =
        static_cast<std::uint8_t>(Colour);
}

void ModGraphics::DrawGlyph(std::uint8_t Glyph, std::uint8_t Column, std::uint8_t Row,
                            std::uint8_t Foreground, std::uint8_t Background) {
    // Paints each pixel once with the colour that the background pass followed by the stroke pass
    // would leave there; pixels outside the surface are dropped as PutPixel drops them.
    const int gx = (Glyph % 16) * kGlyphWidth;
    const int gy = (Glyph / 16) * kGlyphHeight;
    const bool blank = IsBlankGlyph(Glyph);
    const int left = Column * kGlyphWidth;
    const int top = Row * kGlyphHeight;
    const int visibleHeight = std::min(ScreenHeight, kSurfaceHeight);
    const int columns = std::clamp(ScreenWidth - left, 0, kGlyphWidth);
    if (columns == 0) return;
    for (int j = 0; j < kGlyphHeight; ++j) {
        const int y = top + j;
        if (y >= visibleHeight) break;
        std::uint8_t* line =
            &ScreenBuffer[static_cast<std::size_t>(ScreenHeight - 1 - y) * ScreenWidth + left];
        if (blank) {
            std::fill_n(line, columns, Background);
            continue;
        }
        const std::uint8_t* strokes = &FontMask[gx + kFontMaskWidth * (gy + j)];
        if (columns == kGlyphWidth) {
            // The usual whole-cell row, in a fixed-length loop the compiler can unroll.
            for (int i = 0; i < kGlyphWidth; ++i) line[i] = strokes[i] ? Foreground : Background;
        } else {
            for (int i = 0; i < columns; ++i) line[i] = strokes[i] ? Foreground : Background;
        }
    }
}

void ModGraphics::BlitScreen() {
    services_.BlitScreen(ScreenBuffer.data(), ScreenInfo);
}

}  // namespace gridwright
