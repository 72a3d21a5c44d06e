// Levels as plain UTF-8 text that diffs well in version control: 24 lines of 32 characters, the
// glyphs as their code page 437 characters, then an empty line and 24 lines of 32 hexadecimal
// digits, the colours. Glyph 0 (NUL in the code page) is written as U+2400, the symbol for NUL,
// so the file stays text.
#pragma once

#include <string>
#include <string_view>

#include "board.h"
#include "board_import.h"

namespace gridwright {

std::string EncodeText(const BoardGrid& board);

// Reads what EncodeText writes; lines may also end in CR LF, and the text may start with a byte
// order mark.
BoardOrError DecodeText(std::string_view text);

}  // namespace gridwright
