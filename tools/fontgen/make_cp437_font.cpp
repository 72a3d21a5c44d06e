// Builds the editor's 160 x 288 font image from GNU Unifont's unifont.hex: the 256 glyphs of code
// page 437 in a 16 x 16 grid of 10 x 18 pixel cells, written as C++ source that is compiled into
// the editor (no font file is read at run time).
//
//   make_cp437_font /usr/share/unifont/unifont.hex editor/assets/cp437_font.cpp
//
// Each 8 x 16 Unifont glyph sits at pixel (1, 1) of its cell. The shades, blocks and box-drawing
// glyphs 176 to 223 are carried out to the cell's edges so that neighbouring cells join: the
// shades repeat their pattern, the others extend their outermost pixel rows and columns.
// Glyphs 0, 32 and 255 stay blank.
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "surface_geometry.h"

namespace {

using gridwright::kFontGlyphsPerRow;
constexpr int kCellWidth = gridwright::kGlyphWidth;
constexpr int kCellHeight = gridwright::kGlyphHeight;
constexpr int kImageWidth = gridwright::kFontImageWidth;
constexpr int kImageHeight = gridwright::kFontImageHeight;
constexpr int kBodyWidth = 8;
constexpr int kBodyHeight = 16;

// Code page 437 to Unicode, with the pictograms that the code page shows at 1 to 31 and 127.
constexpr std::array<char32_t, 256> kCp437 = {
    0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,  // 0..7
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,  // 8..15
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,  // 16..23
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,  // 24..31
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027,  // 32..39
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,  // 40..47
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,  // 48..55
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,  // 56..63
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,  // 64..71
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,  // 72..79
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,  // 80..87
    0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,  // 88..95
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,  // 96..103
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,  // 104..111
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,  // 112..119
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x2302,  // 120..127
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 128..135
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 136..143
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 144..151
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,  // 152..159
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // 160..167
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // 168..175
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // 176..183
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // 184..191
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // 192..199
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // 200..207
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // 208..215
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // 216..223
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // 224..231
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,  // 232..239
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // 240..247
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,  // 248..255
};

constexpr int kFirstShade = 176, kLastShade = 178;
constexpr int kFirstJoining = 176, kLastJoining = 223;

bool IsBlank(int code) {
    return code == 0 || code == 32 || code == 255;
}

using Body = std::array<std::array<bool, kBodyWidth>, kBodyHeight>;
using Cell = std::array<std::array<bool, kCellWidth>, kCellHeight>;

// Unifont's narrow glyphs are 32 hex digits: 16 rows of one byte, most significant bit leftmost.
bool ParseBody(const std::string& hex, Body& body) {
    if (hex.size() != 2 * kBodyHeight) return false;
    for (int y = 0; y < kBodyHeight; ++y) {
        const unsigned bits = std::stoul(hex.substr(2 * y, 2), nullptr, 16);
        for (int x = 0; x < kBodyWidth; ++x) body[y][x] = (bits >> (7 - x)) & 1;
    }
    return true;
}

Cell PlaceInCell(const Body& body, int code) {
    Cell cell{};
    const bool shade = code >= kFirstShade && code <= kLastShade;
    const bool joining = code >= kFirstJoining && code <= kLastJoining;
    for (int y = 0; y < kCellHeight; ++y) {
        for (int x = 0; x < kCellWidth; ++x) {
            int bx = x - 1, by = y - 1;
            if (shade) {
                bx = (bx + kBodyWidth) % kBodyWidth;
                by = (by + kBodyHeight) % kBodyHeight;
            } else if (joining) {
                bx = std::min(std::max(bx, 0), kBodyWidth - 1);
                by = std::min(std::max(by, 0), kBodyHeight - 1);
            } else if (bx < 0 || bx >= kBodyWidth || by < 0 || by >= kBodyHeight) {
                continue;
            }
            cell[y][x] = body[by][bx];
        }
    }
    return cell;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_cp437_font UNIFONT.hex OUT.cpp\n";
        return 2;
    }
    std::ifstream hexFile(argv[1]);
    if (!hexFile) {
        std::cerr << "make_cp437_font: cannot read " << argv[1] << "\n";
        return 1;
    }
    std::map<char32_t, std::string> glyphs;
    for (std::string line; std::getline(hexFile, line);) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        glyphs[static_cast<char32_t>(std::stoul(line.substr(0, colon), nullptr, 16))] =
            line.substr(colon + 1);
    }

    std::vector<std::string> image(kImageHeight, std::string(kImageWidth, '.'));
    for (int code = 0; code < gridwright::kFontGlyphs; ++code) {
        if (IsBlank(code)) continue;
        Body body{};
        const auto found = glyphs.find(kCp437[code]);
        if (found == glyphs.end() || !ParseBody(found->second, body)) {
            std::cerr << "make_cp437_font: no narrow glyph for code " << code << "\n";
            return 1;
        }
        const Cell cell = PlaceInCell(body, code);
        const int left = kCellWidth * (code % kFontGlyphsPerRow);
        const int top = kCellHeight * (code / kFontGlyphsPerRow);
        for (int y = 0; y < kCellHeight; ++y)
            for (int x = 0; x < kCellWidth; ++x)
                if (cell[y][x]) image[top + y][left + x] = '#';
    }

    std::ostringstream out;
    out << "// Generated by tools/fontgen/make_cp437_font from GNU Unifont (licence: "
           "UNIFONT-LICENSE.txt\n"
           "// beside this file). Do not edit; regenerate with the target regenerate_font.\n"
           "//\n"
           "// The code page 437 font image: 288 rows of 160 pixels, '#' lit and '.' dark. Glyph c "
           "has\n"
           "// its 10 x 18 pixel cell at (10 * (c % 16), 18 * (c / 16)).\n"
           "#include \"font_image.h\"\n\n"
           "namespace gridwright {\n\n"
           "const char kFontImage[kFontImageHeight][kFontImageWidth + 1] = {\n";
    for (int y = 0; y < kImageHeight; ++y) {
        if (y % kCellHeight == 0) {
            char band[64];
            const int first = kFontGlyphsPerRow * (y / kCellHeight);
            std::snprintf(band, sizeof band, "    // glyphs %d to %d\n", first,
                          first + kFontGlyphsPerRow - 1);
            out << band;
        }
        out << "    \"" << image[y] << "\",\n";
    }
    out << "};\n\n}  // namespace gridwright\n";

    std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
    file << out.str();
    if (!file.flush()) {
        std::cerr << "make_cp437_font: cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
