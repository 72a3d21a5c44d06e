#include "surface_image.h"

#include "indexed_image.h"
#include "zoom.h"

namespace gridwright::win32 {

SurfaceImage::SurfaceImage() {
    context_ = CreateCompatibleDC(nullptr);
    SetZoom(1);
}

SurfaceImage::~SurfaceImage() {
    Release();
    DeleteDC(context_);
}

void SurfaceImage::Release() {
    if (bitmap_ == nullptr) return;
    SelectObject(context_, oldBitmap_);
    DeleteObject(bitmap_);
    bitmap_ = nullptr;
    pixels_ = nullptr;
}

void SurfaceImage::SetZoom(int zoom) {
    Release();
    zoom_ = ClampZoom(zoom);
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = Width();
    format.bmiHeader.biHeight = -Height();  // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    // The section's memory starts zeroed: a black image.
    bitmap_ = CreateDIBSection(context_, &format, DIB_RGB_COLORS, &pixels, nullptr, 0);
    pixels_ = static_cast<std::uint32_t*>(pixels);
    oldBitmap_ = SelectObject(context_, bitmap_);
}

RECT SurfaceImage::Show(const std::uint8_t* bits, const BitmapInfo& info,
                        const PixelRect& changed) {
    const BitmapInfoHeader& header = info.bmiHeader;
    if (bits == nullptr || header.biBitCount != 8 || header.biWidth <= 0 || header.biHeight <= 0)
        return {};
    const int height = header.biHeight;
    const PixelRect area =
        Clip(Clip(changed, header.biWidth, height), kSurfaceWidth, kSurfaceHeight);
    if (area.Empty() || pixels_ == nullptr) return {};
    if (zoom_ > 1) {
        // GDI would stretch; the blocks are written here, by the same rule as the 1x picture.
        GdiFlush();
        IndexedToRgb(bits, info, pixels_, kSurfaceWidth, kSurfaceHeight, Width(), area, zoom_);
        const PixelRect shown = ZoomRect(area, zoom_);
        return {shown.x, shown.y, shown.x + shown.width, shown.y + shown.height};
    }
    // GDI is given a colour for every one of the 256 pixel values, by the rule every other view
    // of the surface follows, so values the table does not announce show black here too.
    BitmapInfo shown = info;
    for (int value = 0; value < 256; ++value)
        shown.bmiColors[value] = ShownColor(info, static_cast<std::uint8_t>(value));
    shown.bmiHeader.biClrUsed = 256;
    // The image's rows are stored bottom row first, so the source rectangle is placed by its
    // bottom row, counted from the image's bottom.
    SetDIBitsToDevice(context_, area.x, area.y, static_cast<DWORD>(area.width),
                      static_cast<DWORD>(area.height), area.x, height - area.y - area.height, 0,
                      static_cast<UINT>(height), bits, reinterpret_cast<const BITMAPINFO*>(&shown),
                      DIB_RGB_COLORS);
    GdiFlush();
    return {area.x, area.y, area.x + area.width, area.y + area.height};
}

}  // namespace gridwright::win32
