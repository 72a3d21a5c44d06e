// A rectangle of cells cut out of a board: what the selection holds, what the clipboard carries and
// what a paste puts down. It is 1 to 32 cells wide and 1 to 24 tall, so it always fits a board.
#pragma once

#include <cstddef>
#include <vector>

#include "board.h"

namespace gridwright {

struct CellBlock {
    int width = 0;
    int height = 0;
    std::vector<BoardCell> cells;  // row by row: cell (x, y) at x + width * y

    static CellBlock Sized(int width, int height) {
        return {width, height,
                std::vector<BoardCell>(static_cast<std::size_t>(width) *
                                       static_cast<std::size_t>(height))};
    }

    BoardCell& operator()(int x, int y) {
        return cells[static_cast<std::size_t>(x) + static_cast<std::size_t>(width) * y];
    }
    const BoardCell& operator()(int x, int y) const {
        return cells[static_cast<std::size_t>(x) + static_cast<std::size_t>(width) * y];
    }

    bool operator==(const CellBlock&) const = default;
};

}  // namespace gridwright
