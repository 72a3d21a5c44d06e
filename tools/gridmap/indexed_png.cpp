#include "indexed_png.h"

#include <png.h>

#include "indexed_image.h"

namespace gridwright {

namespace {

void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

// libpng reports failures by longjmp, so this function keeps no locals that change after setjmp.
bool WritePalettePng(std::vector<std::uint8_t>& out, const SurfaceView& picture,
                     const std::vector<png_color>& palette,
                     const std::vector<png_const_bytep>& rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, AppendToVector, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), 8, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    // Rows of a few long runs of one index compress best unfiltered. zlib's level 3 is its
    // fastest that still finds the repeats of glyph rows: half the time of its default level
    // for a picture a third larger, and still smaller than the same pixels as RGB.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    png_write_image(png, const_cast<png_bytepp>(rows.data()));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

std::vector<std::uint8_t> EncodeIndexedPng(const SurfaceView& picture, const BitmapInfo& colours) {
    // The palette runs at least up to the highest index in use, so every pixel has its entry: the
    // bits of all indices together make a number no smaller than any of them (15 for the
    // surface's 16 colours), and a loop of ORs runs many pixels at a time.
    std::uint8_t bits = 0;
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* row = picture.Row(y);
        for (int x = 0; x < picture.width; ++x) bits |= row[x];
    }
    const int highest = bits;
    std::vector<png_color> palette(static_cast<std::size_t>(highest) + 1);
    for (int index = 0; index <= highest; ++index) {
        const RgbQuad shown = ShownColor(colours, static_cast<std::uint8_t>(index));
        palette[index] = {shown.rgbRed, shown.rgbGreen, shown.rgbBlue};
    }
    std::vector<png_const_bytep> rows(static_cast<std::size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y) rows[y] = picture.Row(y);
    std::vector<std::uint8_t> out;
    if (!WritePalettePng(out, picture, palette, rows)) return {};
    return out;
}

}  // namespace gridwright
