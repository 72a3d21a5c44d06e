// gridmap: command-line views of map files.
//
//   gridmap render MAP LEVEL OUT.png [--brightness B]
//
// Writes the 800 x 450 editing surface exactly as the editor shows it right after a start-up with
// MAP on its command line, at level LEVEL instead of 0: border, colour row, glyph table and the
// level's board, through the colour table at brightness B (default 1). MAP is opened for reading
// only; no map file is ever created or changed. OUT.png is written whole or not at all.
#include <png.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "indexed_image.h"
#include "map_file.h"
#include "renderer.h"
#include "tool_files.h"

namespace {

using namespace gridwright;

constexpr std::string_view kUsage =
    "usage: gridmap render MAP LEVEL OUT.png [--brightness B]\n"
    "  Renders level LEVEL (0 to 1398101) of the map file MAP as the editor shows it, to an\n"
    "  800 x 450 PNG picture. B scales the palette (default 1).\n";

// The whole text as a finite number, or nothing.
std::optional<double> ParseNumber(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The picture as PNG file bytes, or nothing when libpng fails.
std::optional<std::vector<std::uint8_t>> EncodePng(const std::vector<std::uint8_t>& bits,
                                                   const BitmapInfo& info) {
    const int width = info.bmiHeader.biWidth, height = info.bmiHeader.biHeight;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    IndexedToRgb(bits.data(), info, pixels.data(), width, height, width);
    std::vector<png_byte> rgb(pixels.size() * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        rgb[3 * i] = static_cast<png_byte>(pixels[i] >> 16);
        rgb[3 * i + 1] = static_cast<png_byte>(pixels[i] >> 8);
        rgb[3 * i + 2] = static_cast<png_byte>(pixels[i]);
    }

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop pngInfo = png ? png_create_info_struct(png) : nullptr;
    if (!pngInfo) {
        png_destroy_write_struct(&png, nullptr);
        return std::nullopt;
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) rows[y] = &rgb[static_cast<std::size_t>(y) * width * 3];
    std::vector<std::uint8_t> file;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &pngInfo);
        return std::nullopt;
    }
    png_set_write_fn(
        png, &file,
        [](png_structp writer, png_bytep data, png_size_t size) {
            auto* bytes = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(writer));
            bytes->insert(bytes->end(), data, data + size);
        },
        nullptr);
    png_set_IHDR(png, pngInfo, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, pngInfo);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &pngInfo);
    return file;
}

int Render(const std::vector<std::string_view>& args) {
    if (args.size() != 3 && !(args.size() == 5 && args[3] == "--brightness")) {
        std::cerr << kUsage;
        return 2;
    }
    const std::string map(args[0]), out(args[2]);
    const std::optional<double> level = ParseNumber(args[1]);
    if (!level || !LevelOffset(*level)) {
        std::cerr << "gridmap: level \"" << args[1] << "\" is not a level from 0 to " << kLastLevel
                  << "\n";
        return 1;
    }
    float brightness = 1.0f;
    if (args.size() == 5) {
        const std::optional<double> b = ParseNumber(args[4]);
        if (!b || *b <= 0 || *b > FLT_MAX) {
            std::cerr << "gridmap: brightness \"" << args[4]
                      << "\" is not a number greater than 0\n";
            return 1;
        }
        brightness = static_cast<float>(*b);
    }

    // The picture never takes the map's place, whatever links lead from one name to the other.
    if (tool_files::SameFile(map, out)) {
        std::cerr << "gridmap: the picture must be a file of its own, not the map file\n";
        return 1;
    }
    // A FIFO would wait for a writer, a device would never end.
    if (const std::string problem = tool_files::InputProblem(map); !problem.empty()) {
        std::cerr << "gridmap: cannot read the map file \"" << map << "\": " << problem << "\n";
        return 1;
    }

    LevelBlock block;
    if (FileResult read = ReadLevelBlock(map, *LevelOffset(*level), MapAccess::ReadOnly, block);
        !read) {
        std::cerr << "gridmap: cannot read the map file \"" << map << "\": " << read.reason << "\n";
        return 1;
    }

    // The editor right after opening the map: furniture and board, no brush legend yet.
    const IndexedSurface surface =
        RenderSurface(BoardFromLevelBlock(block), std::nullopt, brightness);

    const auto png = EncodePng(surface.bits, surface.info);
    std::string reason = "the picture could not be made";
    if (!png || !tool_files::ReplaceFile(out, *png, reason)) {
        std::cerr << "gridmap: cannot write \"" << out << "\": " << reason << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) try {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "render") return Render({args.begin() + 1, args.end()});
    if (args.size() == 1 && args[0] == "--help") {
        std::cout << kUsage;
        return 0;
    }
    std::cerr << kUsage;
    return 2;
} catch (const std::exception& error) {
    std::cerr << "gridmap: " << error.what() << "\n";
    return 1;
}
