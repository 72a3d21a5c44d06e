// REXPaint's .xp pictures. The whole file is gzip data; inside, every number is a 32-bit
// little-endian signed integer unless said otherwise: the format version (-1), the number of
// layers (1 to 9), and for each layer its width and height and then its cells column by column
// (cell i at x = i / height, y = i % height), each cell a glyph code (32-bit), foreground red,
// green and blue and background red, green and blue (one byte each). A background of 255, 0, 255
// marks a transparent cell.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "board.h"
#include "board_import.h"

namespace gridwright {

// One 32 x 24 layer: each cell's glyph, its colour from the palette at brightness 1 in front of a
// black background.
std::vector<std::uint8_t> EncodeXp(const BoardGrid& board);

// The board of a picture of one 32 x 24 layer (further layers must be empty): each glyph as it
// is, each foreground as the nearest palette colour. Refuses glyphs outside code page 437 and
// backgrounds other than black or transparent, which a map cell cannot hold.
BoardOrError DecodeXp(std::span<const std::uint8_t> file);

}  // namespace gridwright
