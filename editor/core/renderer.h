// The editor's renderer: paints the editing surface, a picture of one-byte palette indices, from
// what the editor shows (the board and the brush legend) and colours it through a 16-colour palette
// scaled by a brightness. Plain functions over a plain picture, with no window in sight, so the
// editor, its tools and its tests all paint the same pixels. Every cell of the surface is drawn
// here, where surface_layout.h places it.
//
// Because the picture holds palette indices, a change of brightness needs a new colour table and
// no repaint of the cells.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "bitmap_info.h"
#include "board.h"
#include "surface_geometry.h"
#include "surface_layout.h"

namespace gridwright {

// ---- Palette ----

inline constexpr int kPaletteSize = 16;

struct Rgb {
    std::int16_t red, green, blue;
};

// The palette before brightness. The values are the editor's own, not a standard set: colour 0 is
// red 1, colour 5 has blue 160, colour 6 green 104, colour 13 green 128.
inline constexpr std::array<Rgb, kPaletteSize> kBasePalette{{
    {1, 0, 0},
    {0, 0, 144},
    {0, 144, 0},
    {0, 144, 144},
    {144, 0, 0},
    {144, 0, 160},
    {144, 104, 0},
    {192, 192, 192},
    {128, 128, 128},
    {96, 96, 255},
    {96, 255, 96},
    {96, 255, 255},
    {255, 96, 96},
    {255, 128, 255},
    {255, 255, 0},
    {255, 255, 255},
}};

// A colour with every component times brightness: the product is rounded to single precision;
// above 255 it is 255, otherwise the nearest whole number with halves to even (127.5 gives 128,
// 2.5 gives 2).
RgbQuad ScaleColor(Rgb color, float brightness);

// The header of a width x height picture of one byte a pixel, stored bottom row first (positive
// height), with the 16-colour table.
BitmapInfoHeader SurfaceHeader(std::int32_t width, std::int32_t height);

// The palette colour nearest to a colour (by the sum of the squared differences of the
// components; the lower index on a tie), at brightness 1: each palette colour gives its own index.
std::uint8_t NearestPaletteColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// Sets colour table entries 0 to 15 to the palette at brightness (greater than 0).
void SetBrightness(BitmapInfo& info, float brightness);

// ---- Pictures ----

// Where the renderer paints: `height` rows of `width` one-byte palette indices. `top` is the first
// pixel of the top row and `stride` the step from one row to the next one down, negative for a
// picture stored bottom row first. Painting is clipped here, at the view's edges, and nowhere
// else.
struct SurfaceView {
    std::uint8_t* top = nullptr;
    std::ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;

    // A picture of width x height pixels stored bottom row first, rows of exactly width bytes.
    static SurfaceView BottomUp(std::uint8_t* bits, int width, int height) {
        if (bits == nullptr || width <= 0 || height <= 0) return {};
        return {bits + static_cast<std::ptrdiff_t>(height - 1) * width,
                -static_cast<std::ptrdiff_t>(width), width, height};
    }

    std::uint8_t* Row(int y) const { return top + stride * y; }
    // Writes pixel (x, y), y counted from the top; a pixel outside the view is dropped.
    void Put(int x, int y, std::uint8_t value) const {
        if (x >= 0 && x < width && y >= 0 && y < height) Row(y)[x] = value;
    }
};

// The editing surface as a plain picture: 800 x 450 palette indices stored bottom row first, and
// the bitmap description with the colour table that gives them their colours. It is what
// WindowServices::BlitScreen, GDI's SetDIBitsToDevice and IndexedToRgb take.
struct IndexedSurface {
    // Every pixel colour 0, the colour table at brightness 1.
    IndexedSurface();

    SurfaceView View() { return SurfaceView::BottomUp(bits.data(), kSurfaceWidth, kSurfaceHeight); }
    // The palette index of pixel (x, y), y counted from the top.
    std::uint8_t At(int x, int y) const {
        return bits[static_cast<std::size_t>(kSurfaceHeight - 1 - y) * kSurfaceWidth + x];
    }

    std::vector<std::uint8_t> bits;
    BitmapInfo info{};
};

// ---- Cells ----

// What a surface cell shows: a glyph of the font in a foreground colour on a background colour.
struct CellLook {
    std::uint8_t glyph = 0;
    std::uint8_t foreground = 0;
    std::uint8_t background = 0;

    bool operator==(const CellLook&) const = default;
};

// The brushes of the left, middle and right mouse buttons, which the legend shows.
struct BrushLegend {
    BoardCell left, middle, right;
};

// A rectangle of surface cells.
struct CellRect {
    int column = 0, row = 0, columns = 0, rows = 0;

    constexpr bool operator==(const CellRect&) const = default;
};
inline constexpr CellRect kWholeSurface{0, 0, kSurfaceColumns, kSurfaceRows};
inline constexpr CellRect kWholeBoard{0, 0, kBoardColumns, kBoardRows};
// The brush legend: its letters, brushes and the gaps between them.
inline constexpr CellRect kLegendCells{layout::kLegendColumn, layout::kLegendRow,
                                       layout::kLegendEntries* layout::kLegendSpacing - 1, 1};

// The pixels of a rectangle of cells.
constexpr PixelRect CellPixels(CellRect cells) {
    return {cells.column * kGlyphWidth, cells.row * kGlyphHeight, cells.columns * kGlyphWidth,
            cells.rows * kGlyphHeight};
}

// How a board cell shows: its glyph in its colour on black, except that a glyph in colour 0 shows
// on dark grey 8 instead of vanishing, and glyph 255, blank in the font, shows as a black "X" on a
// field of the cell's colour.
CellLook BoardCellLook(BoardCell cell);
// The border, the colour row and the glyph table, which never change; nothing elsewhere.
std::optional<CellLook> FurnitureLook(int column, int row);
// The legend's letters and brushes, the brushes as they are; nothing elsewhere.
std::optional<CellLook> LegendLook(int column, int row, const BrushLegend& legend);
// What any surface cell shows for this board and legend. The editor draws no legend until the
// first press, so a legend of no value shows none; cells that nothing paints show colour 0.
CellLook LookAt(int column, int row, const BoardGrid& board,
                const std::optional<BrushLegend>& legend);

// Paints a glyph of the built-in font into the cell at column, row: the whole cell in background,
// then the glyph's lit pixels in foreground. Glyphs 0, 32 and 255 are blank.
void DrawGlyph(SurfaceView surface, std::uint8_t glyph, int column, int row,
               std::uint8_t foreground, std::uint8_t background);
// Paints board cell (X, Y) as BoardCellLook says.
void DrawBoardCell(SurfaceView surface, int X, int Y, BoardCell cell);
// Marks the editor draws over a board cell and never stores: the edges of the selection's outline
// that run along the cell, and the text caret.
enum CellMark : std::uint8_t {
    kMarkTop = 1,
    kMarkBottom = 2,
    kMarkLeft = 4,
    kMarkRight = 8,
    kMarkCaret = 16
};
// Paints the marks over board cell (X, Y) as it is painted: outline edges one pixel wide, dashed
// two pixels white and two black so they show on any cell; the caret as a white bar along the
// cell's two bottom rows.
void DrawCellMarks(SurfaceView surface, int X, int Y, std::uint8_t marks);
// Paints the cell at toColumn, toRow as a copy of the pixels of the cell at fromColumn, fromRow,
// both wholly inside the view: a cell that shows what another already shows costs ten-byte copies.
void CopyCellPixels(SurfaceView surface, int fromColumn, int fromRow, int toColumn, int toRow);
// Paints the border, the colour row and the glyph table.
void DrawFurniture(SurfaceView surface);
// Paints the brush legend.
void DrawLegend(SurfaceView surface, const BrushLegend& legend);
// Paints every cell of a rectangle (clipped to the 80 x 25 grid) as LookAt says.
void DrawCells(SurfaceView surface, CellRect cells, const BoardGrid& board,
               const std::optional<BrushLegend>& legend);

// The whole surface for a board, a legend and a brightness (greater than 0).
IndexedSurface RenderSurface(const BoardGrid& board, const std::optional<BrushLegend>& legend,
                             float brightness);

}  // namespace gridwright
