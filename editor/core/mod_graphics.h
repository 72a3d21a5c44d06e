// modGraphics, the editor's picture state: the font mask, the 16-colour palette scaled by
// Brightness, and one 8-bit pixel buffer the size of the editing surface in which every byte is a
// palette index. It paints through the renderer (renderer.h) and hands the finished buffer, with
// its colour table, to the window system through WindowServices::BlitScreen.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "bitmap_info.h"
#include "renderer.h"
#include "surface_geometry.h"
#include "window_services.h"

namespace gridwright {

// FontMask covers X 0..192 and Y 0..288; only the 160 x 288 font image is ever consulted.
inline constexpr int kFontMaskWidth = 193;
inline constexpr int kFontMaskHeight = 289;
// The buffer has the indices 0 to 360000: one byte beyond the 800 x 450 pixels, which is never
// painted and never shown.
inline constexpr std::size_t kScreenBufferSize = 360001;

class ModGraphics {
  public:
    explicit ModGraphics(WindowServices& services);

    // Reads the built-in font image into FontMask. The window is shown first and picFont, the
    // picture control that holds the font image, is hidden afterwards.
    void LoadFont();
    // True where the font image pixel (X, Y) is lit; false outside X 0..192, Y 0..288.
    bool FontPixel(std::int16_t X, std::int16_t Y) const;
    // Sets the 16 palette colours at the current Brightness, takes the buffer's size from
    // picScreen and fills the bitmap header.
    void BuildPalette();
    // Stores Red, Green and Blue, each scaled by Brightness, in colour table entry Index (0..256).
    void SetPaletteColor(std::int16_t Index, std::int16_t Red, std::int16_t Green,
                         std::int16_t Blue);
    // Writes palette index Colour at pixel (X, Y), Y counted from the top. Pixels at Y 450 or more,
    // or outside the buffer, are dropped.
    void PutPixel(std::int16_t X, std::int16_t Y, std::int32_t Colour);
    // Paints glyph Glyph into the cell at Column, Row of the 10 x 18 grid: the whole cell in
    // Background, then the glyph's lit pixels in Foreground (glyphs 0, 32 and 255 are blank).
    void DrawGlyph(std::uint8_t Glyph, std::uint8_t Column, std::uint8_t Row,
                   std::uint8_t Foreground, std::uint8_t Background);
    // Hands the whole buffer and ScreenInfo to the window system, which shows it, with the
    // rectangle painted since the last BlitScreen: only those pixels need converting and
    // repainting.
    void BlitScreen();
    // Notes pixels (y counted from the top) painted into the buffer through Surface() for the next
    // BlitScreen. PutPixel, DrawGlyph and BuildPalette (new colours for every pixel) note their
    // own.
    void Damage(const PixelRect& pixels) {
        if (pixels.Empty()) return;
        damageLeft_ = std::min(damageLeft_, pixels.x);
        damageTop_ = std::min(damageTop_, pixels.y);
        damageRight_ = std::max(damageRight_, pixels.x + pixels.width);
        damageBottom_ = std::max(damageBottom_, pixels.y + pixels.height);
    }

    // Sets ScreenWidth and ScreenHeight from a picture's size in pixels, rounded halves to even,
    // and keeps ScreenBuffer large enough for them.
    void SetScreenSize(double width, double height);
    // ScreenBuffer as the renderer paints it: ScreenWidth x ScreenHeight pixels, bottom row first,
    // of which the rows from 450 down are never painted (450 is the surface's height, whatever
    // picScreen measures).
    SurfaceView Surface();

    std::vector<std::uint8_t> FontMask;  // element (X, Y) at X + 193 * Y; 1 where lit
    std::vector<std::uint8_t>
        ScreenBuffer;  // pixel (x, y) at (ScreenHeight - 1 - y) * ScreenWidth + x
    std::int32_t ScreenWidth = kSurfaceWidth;
    std::int32_t ScreenHeight = kSurfaceHeight;
    BitmapInfo ScreenInfo{};
    float Brightness = 1.0f;  // factor on every palette component; always greater than 0

  private:
    // Forgets what was painted: a blit has handed it on.
    void ClearDamage();

    // The edges of the pixels painted since the last blit: columns damageLeft_ up to damageRight_,
    // rows damageTop_ up to damageBottom_, none when they cross. Everything counts as painted until
    // the first blit: the window has shown nothing yet.
    int damageLeft_ = 0;
    int damageTop_ = 0;
    int damageRight_ = kSurfaceWidth;
    int damageBottom_ = kSurfaceHeight;
    WindowServices& services_;
};

}  // namespace gridwright
