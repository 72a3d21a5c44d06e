#include "renderer.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "font_image.h"
#include "numbers.h"
#include "surface_layout.h"

namespace gridwright {

namespace {

using namespace layout;

constexpr std::uint8_t kShadeGlyph = 176;  // light shade: the border
constexpr std::uint8_t kLightGray = 7;
constexpr std::uint8_t kDarkGray = 8;
constexpr std::uint8_t kWhite = 15;
constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr std::string_view kLegendLetters = "LMR";

bool IsBlankGlyph(std::uint8_t glyph) {
    return glyph == 0 || glyph == 32 || glyph == 255;
}

// The built-in font as masks, one per glyph row: 0xFF in the byte of each lit pixel, in memory
// order, pixels 0 to 7 (from the left) in `head` and 8 and 9 in `tail`. A cell row of 10 pixels
// is then painted with one 8-byte and one 2-byte store, whichever the machine's byte order.
struct GlyphMasks {
    std::array<std::uint64_t, kGlyphHeight> head{};
    std::array<std::uint16_t, kGlyphHeight> tail{};
};
static_assert(kGlyphWidth == 8 + 2, "a cell row is painted as 8 + 2 bytes");

const std::array<GlyphMasks, kFontGlyphs>& Font() {
    static const std::array<GlyphMasks, kFontGlyphs> font = [] {
        std::array<GlyphMasks, kFontGlyphs> glyphs{};
        for (int glyph = 0; glyph < kFontGlyphs; ++glyph) {
            if (IsBlankGlyph(static_cast<std::uint8_t>(glyph))) continue;
            const int left = glyph % kFontGlyphsPerRow * kGlyphWidth;
            const int top = glyph / kFontGlyphsPerRow * kGlyphHeight;
            for (int j = 0; j < kGlyphHeight; ++j) {
                std::array<std::uint8_t, kGlyphWidth> lit{};
                for (int i = 0; i < kGlyphWidth; ++i)
                    lit[i] = kFontImage[top + j][left + i] == '#' ? 0xFF : 0;
                std::memcpy(&glyphs[glyph].head[j], lit.data(), 8);
                std::memcpy(&glyphs[glyph].tail[j], lit.data() + 8, 2);
            }
        }
        return glyphs;
    }();
    return font;
}

std::uint8_t ScaleComponent(std::int16_t component, float brightness) {
    const float product = static_cast<float>(component) * brightness;
    if (product > 255.0f) return 255;
    if (!(product > 0.0f)) return 0;
    return static_cast<std::uint8_t>(RoundHalfEven(product));
}

void Draw(SurfaceView surface, int column, int row, CellLook look) {
    DrawGlyph(surface, look.glyph, column, row, look.foreground, look.background);
}

}  // namespace

RgbQuad ScaleColor(Rgb color, float brightness) {
    return {ScaleComponent(color.blue, brightness), ScaleComponent(color.green, brightness),
            ScaleComponent(color.red, brightness), 0};
}

std::uint8_t NearestPaletteColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const auto distance = [&](const Rgb& color) {
        const int r = color.red - red, g = color.green - green, b = color.blue - blue;
        return r * r + g * g + b * b;
    };
    int nearest = 0;
    for (int index = 1; index < kPaletteSize; ++index)
        if (distance(kBasePalette[index]) < distance(kBasePalette[nearest])) nearest = index;
    return static_cast<std::uint8_t>(nearest);
}

BitmapInfoHeader SurfaceHeader(std::int32_t width, std::int32_t height) {
    BitmapInfoHeader header{};
    header.biSize = sizeof(BitmapInfoHeader);
    header.biWidth = width;
    header.biHeight = height;  // positive: bottom row first
    header.biPlanes = 1;
    header.biBitCount = 8;
    header.biCompression = 0;  // BI_RGB
    header.biClrUsed = kPaletteSize;
    header.biClrImportant = kPaletteSize;
    return header;
}

void SetBrightness(BitmapInfo& info, float brightness) {
    for (int index = 0; index < kPaletteSize; ++index)
        info.bmiColors[index] = ScaleColor(kBasePalette[index], brightness);
}

IndexedSurface::IndexedSurface()
    : bits(static_cast<std::size_t>(kSurfaceWidth) * kSurfaceHeight, 0) {
    info.bmiHeader = SurfaceHeader(kSurfaceWidth, kSurfaceHeight);
    SetBrightness(info, 1.0f);
}

CellLook BoardCellLook(BoardCell cell) {
    if (cell.Char == 255) return {'X', 0, cell.Color};
    const std::uint8_t background = cell.Char > 0 && cell.Color == 0 ? kDarkGray : 0;
    return {cell.Char, cell.Color, background};
}

std::optional<CellLook> FurnitureLook(int column, int row) {
    switch (RegionAt(column, row)) {
        case Region::Border:
            return CellLook{kShadeGlyph, kLightGray, kDarkGray};
        case Region::ColorRow: {
            // The digit "0" is drawn in colour 0 on colour 0: unseen, but its cell still picks.
            const int color = column - kTableColumn;
            return CellLook{static_cast<std::uint8_t>(kHexDigits[color]),
                            static_cast<std::uint8_t>(color), 0};
        }
        case Region::GlyphTable: {
            const int glyph = (row - kGlyphTableFirstRow) * kTableColumns + column - kTableColumn;
            return CellLook{static_cast<std::uint8_t>(glyph), kWhite, kDarkGray};
        }
        default:
            return std::nullopt;
    }
}

std::optional<CellLook> LegendLook(int column, int row, const BrushLegend& legend) {
    const Region region = RegionAt(column, row);
    const int entry = (column - kLegendColumn) / kLegendSpacing;
    if (region == Region::LegendLetter)
        return CellLook{static_cast<std::uint8_t>(kLegendLetters[entry]), kLightGray, 0};
    if (region != Region::LegendBrush) return std::nullopt;
    // Brushes show as they are: a brush of colour 0 shows nothing on its black background.
    const BoardCell brush = entry == 0 ? legend.left : entry == 1 ? legend.middle : legend.right;
    return CellLook{brush.Char, brush.Color, 0};
}

CellLook LookAt(int column, int row, const BoardGrid& board,
                const std::optional<BrushLegend>& legend) {
    if (RegionAt(column, row) == Region::Board) return BoardCellLook(board(column, row));
    if (const auto furniture = FurnitureLook(column, row)) return *furniture;
    if (legend) {
        if (const auto shown = LegendLook(column, row, *legend)) return *shown;
    }
    return {};
}

void DrawGlyph(SurfaceView surface, std::uint8_t glyph, int column, int row,
               std::uint8_t foreground, std::uint8_t background) {
    // A cell at a negative place or past the view's far edge has no pixel inside it.
    if (column < 0 || row < 0 || column > surface.width / kGlyphWidth ||
        row > surface.height / kGlyphHeight)
        return;
    const int left = column * kGlyphWidth;
    const int top = row * kGlyphHeight;
    const int columns = std::min(kGlyphWidth, surface.width - left);
    const int rows = std::min(kGlyphHeight, surface.height - top);
    if (columns <= 0 || rows <= 0) return;
    // Each pixel is written once, with the colour that the background followed by the strokes
    // would leave there.
    const GlyphMasks& lit = Font()[IsBlankGlyph(glyph) ? 0 : glyph];
    const std::ptrdiff_t stride = surface.stride;
    std::uint8_t* line = surface.Row(top) + left;
    if (columns < kGlyphWidth) {
        // A cell cut by the view's right edge, pixel by pixel.
        for (int j = 0; j < rows; ++j, line += stride) {
            std::array<std::uint8_t, kGlyphWidth> mask;
            std::memcpy(mask.data(), &lit.head[j], 8);
            std::memcpy(mask.data() + 8, &lit.tail[j], 2);
            for (int i = 0; i < columns; ++i) line[i] = mask[i] ? foreground : background;
        }
        return;
    }
    // Background in every byte, turned to foreground where the mask's bytes are 0xFF.
    constexpr std::uint64_t kEveryByte = 0x0101010101010101u;
    const std::uint64_t back = kEveryByte * background;
    const std::uint64_t flip = kEveryByte * static_cast<std::uint8_t>(foreground ^ background);
    const auto backTail = static_cast<std::uint16_t>(back);
    const auto flipTail = static_cast<std::uint16_t>(flip);
    const auto paintRow = [&](int j) {
        const std::uint64_t head = back ^ (flip & lit.head[j]);
        const auto tail = static_cast<std::uint16_t>(backTail ^ (flipTail & lit.tail[j]));
        std::memcpy(line, &head, sizeof head);
        std::memcpy(line + sizeof head, &tail, sizeof tail);
        line += stride;
    };
    if (rows == kGlyphHeight) {
        // The usual whole cell: a loop of fixed length, laid out straight.
#pragma GCC unroll 18
        for (int j = 0; j < kGlyphHeight; ++j) paintRow(j);
    } else {
        for (int j = 0; j < rows; ++j) paintRow(j);
    }
}

void DrawBoardCell(SurfaceView surface, int X, int Y, BoardCell cell) {
    if (BoardGrid::Contains(X, Y)) Draw(surface, X, Y, BoardCellLook(cell));
}

void DrawCellMarks(SurfaceView surface, int X, int Y, std::uint8_t marks) {
    constexpr std::uint8_t kLight = 15, kDark = 0;
    if (marks == 0 || !BoardGrid::Contains(X, Y)) return;
    const int left = X * kGlyphWidth, top = Y * kGlyphHeight;
    const int right = left + kGlyphWidth - 1, bottom = top + kGlyphHeight - 1;
    // The dashes follow the surface's pixels, so they run on unbroken from one cell to the next.
    const auto dash = [](int along) { return (along / 2) % 2 == 0 ? kLight : kDark; };
    if (marks & kMarkCaret)
        for (int y = bottom - 1; y <= bottom; ++y)
            for (int x = left; x <= right; ++x) surface.Put(x, y, kLight);
    for (int x = left; x <= right; ++x) {
        if (marks & kMarkTop) surface.Put(x, top, dash(x));
        if (marks & kMarkBottom) surface.Put(x, bottom, dash(x));
    }
    for (int y = top; y <= bottom; ++y) {
        if (marks & kMarkLeft) surface.Put(left, y, dash(y));
        if (marks & kMarkRight) surface.Put(right, y, dash(y));
    }
}

void CopyCellPixels(SurfaceView surface, int fromColumn, int fromRow, int toColumn, int toRow) {
    const auto inside = [&](int column, int row) {
        return column >= 0 && row >= 0 && (column + 1) * kGlyphWidth <= surface.width &&
               (row + 1) * kGlyphHeight <= surface.height;
    };
    if (!inside(fromColumn, fromRow) || !inside(toColumn, toRow)) return;
    for (int y = 0; y < kGlyphHeight; ++y)
        std::memcpy(surface.Row(toRow * kGlyphHeight + y) + toColumn * kGlyphWidth,
                    surface.Row(fromRow * kGlyphHeight + y) + fromColumn * kGlyphWidth,
                    kGlyphWidth);
}

void DrawFurniture(SurfaceView surface) {
    for (int row = 0; row < kSurfaceRows; ++row)
        for (int column = 0; column < kSurfaceColumns; ++column)
            if (const auto look = FurnitureLook(column, row)) Draw(surface, column, row, *look);
}

void DrawLegend(SurfaceView surface, const BrushLegend& legend) {
    for (int column = kLegendColumn; column < kLegendColumn + kLegendEntries * kLegendSpacing;
         ++column)
        if (const auto look = LegendLook(column, kLegendRow, legend))
            Draw(surface, column, kLegendRow, *look);
}

void DrawCells(SurfaceView surface, CellRect cells, const BoardGrid& board,
               const std::optional<BrushLegend>& legend) {
    const auto end = [](int first, int count, int limit) {
        return static_cast<int>(std::clamp(0LL + first + count, 0LL, 0LL + limit));
    };
    const int firstColumn = std::max(cells.column, 0);
    const int firstRow = std::max(cells.row, 0);
    const int endColumn = end(cells.column, cells.columns, kSurfaceColumns);
    const int endRow = end(cells.row, cells.rows, kSurfaceRows);
    for (int row = firstRow; row < endRow; ++row)
        for (int column = firstColumn; column < endColumn; ++column)
            Draw(surface, column, row, LookAt(column, row, board, legend));
}

IndexedSurface RenderSurface(const BoardGrid& board, const std::optional<BrushLegend>& legend,
                             float brightness) {
    IndexedSurface surface;
    SetBrightness(surface.info, brightness);
    DrawCells(surface.View(), kWholeSurface, board, legend);
    return surface;
}

}  // namespace gridwright
