// The region a fill paints: the cells 4-connected to a start cell that hold exactly its glyph and
// colour.
#pragma once

#include <vector>

#include "board.h"

namespace gridwright {

// Column by column, each top to bottom (the board's own order), start included.
std::vector<BoardPoint> FillRegion(const BoardGrid& board, BoardPoint start);

}  // namespace gridwright
