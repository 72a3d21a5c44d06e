// Levels as plain UTF-8 text that diffs well in version control: 24 lines of 32 characters, the
// glyphs as their code page 437 characters, then an empty line and 24 lines of 32 hexadecimal
// digits, the colours. The codec lives in the core (cell_text.h), which the editor's clipboard
// shares; EncodeText comes from there.
#pragma once

#include <string_view>

#include "board.h"
#include "board_import.h"
#include "cell_text/cell_text.h"

namespace gridwright {

// Reads what EncodeText writes; lines may also end in CR LF, and the text may start with a byte
// order mark.
BoardOrError DecodeText(std::string_view text);

}  // namespace gridwright
