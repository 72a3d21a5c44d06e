// Where things sit on the editing surface, in cells of its 80 x 25 grid: the board, its border,
// the brush legend, the colour row and the glyph table. The renderer paints by it and mouse
// editing picks by it.
//
//   cells                       content
//   columns 0..31, rows 0..23   the board, one cell per board cell
//   column 32, rows 0..24       right border
//   row 24, columns 0..32       bottom border
//   row 0, columns 34..41       "L", left brush, gap, "M", middle brush, gap, "R", right brush
//   row 3, columns 41..56       colour row: colour k at column 41 + k
//   rows 5..20, columns 41..56  glyph table: glyph c at column 41 + c % 16, row 5 + c / 16
//   any other cell              nothing: it keeps colour 0
#pragma once

#include "board.h"
#include "surface_geometry.h"

namespace gridwright::layout {

inline constexpr int kBorderColumn = 32;
inline constexpr int kBorderRow = 24;
// Presses from this column on act on the strip right of the board.
inline constexpr int kPaletteFirstColumn = 34;
inline constexpr int kLegendRow = 0;
inline constexpr int kLegendColumn = 34;  // the first letter; each brush stands right of its letter
inline constexpr int kLegendEntries = 3;  // left, middle and right button
inline constexpr int kLegendSpacing = 3;  // from one letter to the next
inline constexpr int kTableColumn = 41;   // first column of the colour row and the glyph table
inline constexpr int kTableColumns = 16;
inline constexpr int kColorRow = 3;
inline constexpr int kGlyphTableFirstRow = 5;
inline constexpr int kGlyphTableLastRow = kGlyphTableFirstRow + kFontGlyphs / kTableColumns - 1;

enum class Region { Board, Border, LegendLetter, LegendBrush, ColorRow, GlyphTable, Nothing };

constexpr Region RegionAt(int column, int row) {
    if (column < 0 || row < 0 || column >= kSurfaceColumns || row >= kSurfaceRows)
        return Region::Nothing;
    if (column < kBoardColumns && row < kBoardRows) return Region::Board;
    if ((column == kBorderColumn && row <= kBorderRow) ||
        (row == kBorderRow && column <= kBorderColumn))
        return Region::Border;
    const bool inTable = column >= kTableColumn && column < kTableColumn + kTableColumns;
    if (row == kLegendRow && column >= kLegendColumn &&
        column < kLegendColumn + kLegendEntries * kLegendSpacing) {
        const int place = (column - kLegendColumn) % kLegendSpacing;
        return place == 0   ? Region::LegendLetter
               : place == 1 ? Region::LegendBrush
                            : Region::Nothing;
    }
    if (row == kColorRow && inTable) return Region::ColorRow;
    if (row >= kGlyphTableFirstRow && row <= kGlyphTableLastRow && inTable)
        return Region::GlyphTable;
    return Region::Nothing;
}

}  // namespace gridwright::layout
