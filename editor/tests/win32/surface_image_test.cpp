// The Windows surface's persistent image: a blit converts the changed rectangle through GDI and
// nothing else, with the bottom-up rows put in their places; at a zoom, that rectangle's blocks.
#include "surface_image.h"

#include <gtest/gtest.h>

#include <vector>

#include "indexed_image.h"
#include "renderer.h"

namespace gridwright::win32 {
namespace {

// The surface with a different palette index in every cell, and its bitmap description.
IndexedSurface CheckeredSurface() {
    IndexedSurface surface;
    const SurfaceView view = surface.View();
    for (int y = 0; y < kSurfaceHeight; ++y)
        for (int x = 0; x < kSurfaceWidth; ++x)
            view.Put(x, y,
                     static_cast<std::uint8_t>(1 + (x / kGlyphWidth + y / kGlyphHeight) % 15));
    return surface;
}

// How many pixels of the image hold the colour that the surface shows there (at the image's zoom,
// the surface pixel that each image pixel shows); every other pixel must still be black.
long long ConvertedPixels(const SurfaceImage& image, const IndexedSurface& surface) {
    long long converted = 0;
    const int zoom = image.Zoom();
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const std::uint32_t pixel = image.Pixels()[y * image.Width() + x] & 0xFFFFFF;
            const std::uint32_t shown =
                ShownPixel(surface.info, surface.At(x / zoom, y / zoom)) & 0xFFFFFF;
            if (pixel == shown)
                ++converted;
            else
                EXPECT_EQ(pixel, 0u) << "pixel (" << x << ", " << y << ") is neither";
        }
    return converted;
}

TEST(SurfaceImage, ABlitConvertsOnlyTheChangedRectangle) {
    const IndexedSurface surface = CheckeredSurface();
    SurfaceImage image;
    ASSERT_NE(image.Pixels(), nullptr);

    RECT shown = image.Show(surface.bits.data(), surface.info, {});
    EXPECT_TRUE(IsRectEmpty(&shown)) << "nothing changed: nothing to repaint";
    EXPECT_EQ(ConvertedPixels(image, surface), 0);

    // One cell of the board, (5, 7): 180 pixels.
    shown = image.Show(surface.bits.data(), surface.info, {50, 126, 10, 18});
    EXPECT_EQ(shown.left, 50);
    EXPECT_EQ(shown.top, 126);
    EXPECT_EQ(shown.right, 60);
    EXPECT_EQ(shown.bottom, 144);
    EXPECT_EQ(ConvertedPixels(image, surface), 180);

    // The bottom right cell and a rectangle reaching past the surface, clipped to it.
    image.Show(surface.bits.data(), surface.info, {790, 432, 100, 100});
    EXPECT_EQ(ConvertedPixels(image, surface), 360);

    shown = image.Show(surface.bits.data(), surface.info, {0, 0, kSurfaceWidth, kSurfaceHeight});
    EXPECT_EQ(shown.right - shown.left, kSurfaceWidth);
    EXPECT_EQ(shown.bottom - shown.top, kSurfaceHeight);
    EXPECT_EQ(ConvertedPixels(image, surface), 360000);
}

// At 4x one cell is 4 x 4 x 180 pixels of the image; a new zoom starts black.
TEST(SurfaceImage, AZoomedBlitConvertsTheChangedCellsBlocksAlone) {
    const IndexedSurface surface = CheckeredSurface();
    SurfaceImage image;
    image.Show(surface.bits.data(), surface.info, {0, 0, kSurfaceWidth, kSurfaceHeight});
    image.SetZoom(4);
    EXPECT_EQ(image.Width(), 3200);
    EXPECT_EQ(image.Height(), 1800);
    EXPECT_EQ(ConvertedPixels(image, surface), 0);

    const RECT shown = image.Show(surface.bits.data(), surface.info, {50, 126, 10, 18});
    EXPECT_EQ(shown.left, 200);
    EXPECT_EQ(shown.top, 504);
    EXPECT_EQ(shown.right, 240);
    EXPECT_EQ(shown.bottom, 576);
    EXPECT_EQ(ConvertedPixels(image, surface), 4 * 4 * 180);

    image.Show(surface.bits.data(), surface.info, {790, 432, 100, 100});
    EXPECT_EQ(ConvertedPixels(image, surface), 2 * 4 * 4 * 180) << "clipped to the surface";

    image.SetZoom(1);
    image.Show(surface.bits.data(), surface.info, {0, 0, kSurfaceWidth, kSurfaceHeight});
    EXPECT_EQ(ConvertedPixels(image, surface), 360000) << "back to one pixel a pixel";
}

}  // namespace
}  // namespace gridwright::win32
