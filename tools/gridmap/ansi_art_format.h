// Levels in the three formats of the ANSI-art editors, whose cells are the PC text screen's as
// ours are: a code page 437 glyph and an attribute byte (bits 0-3 the foreground in the PC's
// colour order, which is our palette's, bits 4-6 the background, bit 7 blink or, in iCE
// pictures, a bright background). A map cell is a glyph in a colour on black: the attribute is
// the colour.
//   .bin  binary text: the cells row by row, glyph then attribute, and a SAUCE record that gives
//         the width, since the file has none of its own.
//   .xb   XBin: an 11-byte header (width, height, font height, flags), a palette, the cells in
//         XBin's run-length scheme, and a SAUCE record.
//   .ans  ANSI: the glyphs as bytes among escape sequences that place the rows and set colours,
//         and a SAUCE record.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ansi_art_sauce.h"
#include "board.h"
#include "board_import.h"

namespace gridwright {

// What an export writes into the SAUCE record beside the picture's own facts.
struct SauceFields {
    std::string title, author, group;  // code page 437 bytes
    std::string date;                  // "CCYYMMDD"
};

std::vector<std::uint8_t> EncodeBin(const BoardGrid& board, const SauceFields& fields);
std::vector<std::uint8_t> EncodeXBin(const BoardGrid& board, const SauceFields& fields);
// Nothing, and the reason naming the first such cells, for a level that holds a glyph an ANSI
// stream cannot carry (9, 10, 13, 26 or 27: viewers act on them).
std::optional<std::vector<std::uint8_t>> EncodeAnsi(const BoardGrid& board,
                                                    const SauceFields& fields,
                                                    std::string& problem);

// How a picture becomes a level.
struct AnsiArtImport {
    // Keep only each cell's foreground where its background is not black or it blinks, instead
    // of refusing it.
    bool dropBackground = false;
    // The 32 x 24 cells to take from a picture of another size: its top-left cell.
    std::optional<std::pair<int, int>> from;
};

BoardOrError DecodeBin(std::span<const std::uint8_t> file, const AnsiArtImport& how);
BoardOrError DecodeXBin(std::span<const std::uint8_t> file, const AnsiArtImport& how);
BoardOrError DecodeAnsi(std::span<const std::uint8_t> file, const AnsiArtImport& how);

}  // namespace gridwright
