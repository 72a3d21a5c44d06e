// The Windows editing surface's persistent image: a 32-bit picture of the surface at the window's
// zoom that every blit converts into and every paint copies to the window, one to one. A blit
// converts only the rectangle that changed since the last one: through GDI at 1x, as blocks of
// zoom x zoom pixels above it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "bitmap_info.h"
#include "surface_geometry.h"

namespace gridwright::win32 {

class SurfaceImage {
  public:
    // A black image of the surface's size, at 1x.
    SurfaceImage();
    ~SurfaceImage();
    SurfaceImage(const SurfaceImage&) = delete;
    SurfaceImage& operator=(const SurfaceImage&) = delete;

    // Makes the image black at a new zoom (1 to 4): surface pixel (x, y) becomes the block of
    // image pixels from (x * zoom, y * zoom). The next blit must convert the whole surface.
    void SetZoom(int zoom);
    int Zoom() const { return zoom_; }

    // Converts the `changed` rectangle of a bottom-up 8-bit indexed image (the whole image
    // described by `info`, one byte a pixel) into the image through its colour table, by the rule
    // of indexed_image.h. Returns the rectangle of the image that changed, empty when none did.
    RECT Show(const std::uint8_t* bits, const BitmapInfo& info, const PixelRect& changed);

    // The memory device context that holds the image, for copying it to a window.
    HDC Context() const { return context_; }
    // The image's pixels, top row first, Width() a row, 0x00RRGGBB each (the top byte is unused).
    const std::uint32_t* Pixels() const { return pixels_; }
    int Width() const { return kSurfaceWidth * zoom_; }
    int Height() const { return kSurfaceHeight * zoom_; }

  private:
    void Release();

    HDC context_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    std::uint32_t* pixels_ = nullptr;
    int zoom_ = 1;
};

}  // namespace gridwright::win32
