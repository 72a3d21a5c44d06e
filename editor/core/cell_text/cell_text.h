// Cells as plain UTF-8 text, the form `gridmap` writes levels in (`.txt`) and the clipboard carries
// cells in. Rows of glyphs as their code page 437 characters, then an empty line, then as many
// rows of hexadecimal colour digits; every line ends in a line feed. Glyph 0 (NUL in the code page)
// is written as U+2400, the symbol for NUL, so the text stays text. A level is 32 x 24 cells; a
// block on the clipboard any size from 1 x 1 to that.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "board.h"
#include "cell_block.h"

namespace gridwright {

struct CellsOrError {
    std::optional<CellBlock> block;
    std::string error;  // why there is no block: lower case, no full stop
};

// The glyph a character stands for in the text forms (U+2400 for glyph 0), or nothing for a
// character outside code page 437.
std::optional<std::uint8_t> TextGlyph(char32_t character);

// A glyph as the text forms write it: its code page 437 character in UTF-8 (U+2400 for glyph 0).
std::string GlyphText(std::uint8_t glyph);

// A whole level in the text form.
std::string EncodeText(const BoardGrid& board);
// A block in the text form.
std::string EncodeCells(const CellBlock& block);
// Reads what EncodeCells writes; lines may also end in CR LF, and the text may start with a byte
// order mark. With `size`, the block must have exactly that many columns and rows.
CellsOrError DecodeCells(std::string_view text, std::optional<BoardPoint> size = std::nullopt);

// The glyphs alone, as any program shows text: the rows joined by line feeds.
std::string EncodePlainText(const CellBlock& block);
// Plain text from any program as cells of one colour: one row per line (CR LF or LF), as wide as
// the longest line, shorter lines filled out with spaces; lines beyond the 24th and characters
// beyond the 32nd are dropped, blank lines at the end too. A character outside code page 437
// (a tab among them) refuses the whole text.
CellsOrError DecodePlainText(std::string_view text, std::uint8_t color);

}  // namespace gridwright
