#include "overview.h"

#include <array>
#include <string>

#include "font_image.h"

namespace gridwright {

namespace {

constexpr std::uint8_t kFrame = 15;                                          // white
constexpr std::uint8_t kNumber = 7;                                          // light grey
constexpr int kThumbnailLeft = (kThumbnailSlotWidth - kThumbnailWidth) / 2;  // 8
constexpr int kThumbnailTop = 6;
constexpr int kNumberTop = kThumbnailTop + kThumbnailHeight + 4;

// Which quarters of each glyph are drawn: bit 0 top left, 1 top right, 2 bottom left, 3 bottom
// right. A quarter counts as drawn when a fifth of its pixels are lit.
const std::array<std::uint8_t, kFontGlyphs>& GlyphQuarters() {
    static const std::array<std::uint8_t, kFontGlyphs> quarters = [] {
        std::array<std::uint8_t, kFontGlyphs> table{};
        constexpr int kHalfWidth = kGlyphWidth / 2, kHalfHeight = kGlyphHeight / 2;
        for (int glyph = 0; glyph < kFontGlyphs; ++glyph) {
            if (glyph == 0 || glyph == 32 || glyph == 255) continue;
            const int left = glyph % kFontGlyphsPerRow * kGlyphWidth;
            const int top = glyph / kFontGlyphsPerRow * kGlyphHeight;
            for (int quarter = 0; quarter < 4; ++quarter) {
                const int x0 = left + (quarter % 2) * kHalfWidth;
                const int y0 = top + (quarter / 2) * kHalfHeight;
                int lit = 0;
                for (int j = 0; j < kHalfHeight; ++j)
                    for (int i = 0; i < kHalfWidth; ++i) lit += kFontImage[y0 + j][x0 + i] == '#';
                if (lit * 5 >= kHalfWidth * kHalfHeight)
                    table[glyph] |= static_cast<std::uint8_t>(1 << quarter);
            }
        }
        return table;
    }();
    return quarters;
}

// Digits 3 pixels wide and 5 tall, a row of three bits each, the leftmost pixel the highest bit.
constexpr std::array<std::array<std::uint8_t, 5>, 10> kDigits{{
    {7, 5, 5, 5, 7},
    {2, 6, 2, 2, 7},
    {7, 1, 7, 4, 7},
    {7, 1, 3, 1, 7},
    {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7},
    {7, 4, 7, 5, 7},
    {7, 1, 1, 2, 2},
    {7, 5, 7, 5, 7},
    {7, 5, 7, 1, 7},
}};

void DrawNumber(SurfaceView surface, int x, int y, std::int64_t number) {
    const std::string digits = std::to_string(number);
    for (const char digit : digits) {
        const auto& rows = kDigits[static_cast<std::size_t>(digit - '0')];
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < 3; ++i)
                if (rows[j] & (4 >> i)) surface.Put(x + i, y + j, kNumber);
        x += 4;
    }
}

void Fill(SurfaceView surface, int x, int y, int width, int height, std::uint8_t value) {
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) surface.Put(x + i, y + j, value);
}

}  // namespace

void DrawThumbnailSlot(SurfaceView surface, int x, int y, const LevelBlock& level,
                       std::int64_t number, bool current) {
    Fill(surface, x, y, kThumbnailSlotWidth, kThumbnailSlotHeight, 0);
    const auto& quarters = GlyphQuarters();
    const int left = x + kThumbnailLeft, top = y + kThumbnailTop;
    for (int row = 0; row < kBoardRows; ++row)
        for (int column = 0; column < kBoardColumns; ++column) {
            const std::size_t at = CellOffsetInLevel(column, row);
            const CellLook look = BoardCellLook({level[at], ByteToColor(level[at + 1])});
            const std::uint8_t drawn = quarters[look.glyph];
            for (int quarter = 0; quarter < 4; ++quarter)
                surface.Put(left + column * kThumbnailCellPixels + quarter % 2,
                            top + row * kThumbnailCellPixels + quarter / 2,
                            (drawn >> quarter) & 1 ? look.foreground : look.background);
        }
    if (current) {
        const int fx = left - 2, fy = top - 2, fw = kThumbnailWidth + 4, fh = kThumbnailHeight + 4;
        Fill(surface, fx, fy, fw, 1, kFrame);
        Fill(surface, fx, fy + fh - 1, fw, 1, kFrame);
        Fill(surface, fx, fy, 1, fh, kFrame);
        Fill(surface, fx + fw - 1, fy, 1, fh, kFrame);
    }
    DrawNumber(surface, left, y + kNumberTop, number);
}

void DrawOverviewPage(SurfaceView surface, const OverviewPage& page) {
    for (int slot = 0; slot < kOverviewPageLevels; ++slot) {
        const int x = slot % kOverviewColumns * kThumbnailSlotWidth;
        const int y = slot / kOverviewColumns * kThumbnailSlotHeight;
        if (static_cast<std::size_t>(slot) >= page.levels.size()) {
            Fill(surface, x, y, kThumbnailSlotWidth, kThumbnailSlotHeight, 0);
            continue;
        }
        const std::int64_t number = page.first + slot;
        DrawThumbnailSlot(surface, x, y, page.levels[static_cast<std::size_t>(slot)], number,
                          page.current == number);
    }
}

std::optional<int> OverviewSlotAt(int x, int y) {
    if (x < 0 || y < 0 || x >= kOverviewColumns * kThumbnailSlotWidth ||
        y >= kOverviewRows * kThumbnailSlotHeight)
        return std::nullopt;
    return y / kThumbnailSlotHeight * kOverviewColumns + x / kThumbnailSlotWidth;
}

}  // namespace gridwright
