// The cells of a straight line on the board: the 8-connected digital line from a to b, both ends
// included, one cell for each column (or row) along the longer axis, each within half a cell of
// the ideal line. Where the ideal line passes exactly between two cells the upper or left one is
// taken, whichever end the line starts from, so a line from b to a covers the same cells.
#pragma once

#include <vector>

#include "board.h"

namespace gridwright {

// From a to b, in that order.
std::vector<BoardPoint> LineCells(BoardPoint a, BoardPoint b);

}  // namespace gridwright
