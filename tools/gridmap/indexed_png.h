// PNG pictures of indexed pictures such as the editing surface: 8-bit palette images whose palette
// holds the exact colours the picture shows, which makes them smaller and quicker to write than
// RGB images with the same pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "bitmap_info.h"
#include "renderer.h"

namespace gridwright {

// The picture as a PNG file, each index in the colour that ShownColor gives it for colours. Empty
// when libpng fails.
std::vector<std::uint8_t> EncodeIndexedPng(const SurfaceView& picture, const BitmapInfo& colours);

}  // namespace gridwright
