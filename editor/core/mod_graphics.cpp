#include "mod_graphics.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "font_image.h"
#include "numbers.h"

namespace gridwright {

namespace {

// The largest picture side accepted from the window system, so a wrong size cannot make the
// buffer huge.
constexpr int kMaxScreenSide = 4096;

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
    ScreenInfo.bmiColors[Index] = ScaleColor({Red, Green, Blue}, Brightness);
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
    // The rows now fall in other places: the window must take the whole buffer again.
    ClearDamage();
    Damage({0, 0, ScreenWidth, ScreenHeight});
}

void ModGraphics::BuildPalette() {
    for (int index = 0; index < kPaletteSize; ++index) {
        const Rgb& base = kBasePalette[index];
        SetPaletteColor(static_cast<std::int16_t>(index), base.red, base.green, base.blue);
    }
    const PictureSize surface = services_.GetPictureSize(Picture::picScreen);
    SetScreenSize(surface.width, surface.height);
    ScreenInfo.bmiHeader = SurfaceHeader(ScreenWidth, ScreenHeight);
    Damage({0, 0, ScreenWidth, ScreenHeight});  // every pixel's colour may have changed
}

SurfaceView ModGraphics::Surface() {
    const bool fits = ScreenWidth > 0 && ScreenHeight > 0 &&
                      static_cast<std::size_t>(ScreenWidth) * ScreenHeight <= ScreenBuffer.size();
    if (!fits) return {};
    SurfaceView view = SurfaceView::BottomUp(ScreenBuffer.data(), ScreenWidth, ScreenHeight);
    view.height = std::min(view.height, kSurfaceHeight);
    return view;
}

void ModGraphics::PutPixel(std::int16_t X, std::int16_t Y, std::int32_t Colour) {
    const SurfaceView surface = Surface();
    surface.Put(X, Y, static_cast<std::uint8_t>(Colour));
    Damage(Clip({X, Y, 1, 1}, surface.width, surface.height));
}

void ModGraphics::DrawGlyph(std::uint8_t Glyph, std::uint8_t Column, std::uint8_t Row,
                            std::uint8_t Foreground, std::uint8_t Background) {
    const SurfaceView surface = Surface();
    gridwright::DrawGlyph(surface, Glyph, Column, Row, Foreground, Background);
    Damage(Clip(CellPixels({Column, Row, 1, 1}), surface.width, surface.height));
}

void ModGraphics::ClearDamage() {
    damageLeft_ = damageTop_ = std::numeric_limits<int>::max();
    damageRight_ = damageBottom_ = std::numeric_limits<int>::min();
}

void ModGraphics::BlitScreen() {
    PixelRect changed;
    if (damageLeft_ < damageRight_ && damageTop_ < damageBottom_) {
        // Pixels are painted only inside the buffer, so the edges lie within a few thousand.
        changed =
            Clip({damageLeft_, damageTop_, damageRight_ - damageLeft_, damageBottom_ - damageTop_},
                 ScreenWidth, ScreenHeight);
    }
    ClearDamage();
    services_.BlitScreen(ScreenBuffer.data(), ScreenInfo, changed);
}

}  // namespace gridwright
