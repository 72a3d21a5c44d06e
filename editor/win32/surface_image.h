// The Windows editing surface's persistent image: a 32-bit picture the size of the surface that
// every blit converts into through GDI and every paint copies to the window. A blit converts only
// the rectangle that changed since the last one.
#pragma once

#include <windows.h>

#include <cstdint>

#include "bitmap_info.h"
#include "surface_geometry.h"

namespace gridwright::win32 {

class SurfaceImage {
  public:
    // A black image of the surface's size.
    SurfaceImage();
    ~SurfaceImage();
    SurfaceImage(const SurfaceImage&) = delete;
    SurfaceImage& operator=(const SurfaceImage&) = delete;

    // Converts the `changed` rectangle of a bottom-up 8-bit indexed image (the whole image
    // described by `info`, one byte a pixel) into the image through its colour table, by the rule
    // of indexed_image.h. Returns the rectangle of the image that changed, empty when none did.
    RECT Show(const std::uint8_t* bits, const BitmapInfo& info, const PixelRect& changed);

    // The memory device context that holds the image, for copying it to a window.
    HDC Context() const { return context_; }
    // The image's pixels, top row first, 0x00RRGGBB each.
    const std::uint32_t* Pixels() const { return pixels_; }

  private:
    HDC context_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    std::uint32_t* pixels_ = nullptr;
};

}  // namespace gridwright::win32
