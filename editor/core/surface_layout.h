// Where things sit on the 80 x 25 cell editing surface (cells of 10 x 18 pixels): the board, its
// border, the brush legend, the colour row and the glyph table. Drawing and picking share it.
#pragma once

namespace gridwright::layout {

inline constexpr int kBorderColumn = 32;        // right border, rows 0 to 24
inline constexpr int kBorderRow = 24;           // bottom border, columns 0 to 32
inline constexpr int kPaletteFirstColumn = 34;  // the strip right of the board starts here
inline constexpr int kLegendColumn = 34;        // "L" brush, "M" brush, "R" brush, 3 cells apart
inline constexpr int kTableColumn = 41;         // first column of the colour row and glyph table
inline constexpr int kColorRow = 3;
inline constexpr int kGlyphTableFirstRow = 5;  // 16 rows of 16 glyphs
inline constexpr int kGlyphTableLastRow = 20;

}  // namespace gridwright::layout
