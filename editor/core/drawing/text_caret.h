// Where typed text goes: the caret's cell and the column where the typing began, to which Enter
// returns. The caret stops at the board's edges.
#pragma once

#include <algorithm>

#include "board.h"

namespace gridwright {

struct TextCaret {
    BoardPoint at;
    int lineStart = 0;

    static TextCaret At(BoardPoint cell) { return {cell, cell.X}; }

    // One cell in a direction, unless the edge is there; false when it stays.
    bool Move(int dx, int dy) {
        const BoardPoint next{std::clamp(at.X + dx, 0, kBoardColumns - 1),
                              std::clamp(at.Y + dy, 0, kBoardRows - 1)};
        const bool moved = next != at;
        at = next;
        return moved;
    }
    // The next row, at the column where the typing began; on the last row, the caret stays.
    bool NewLine() {
        if (at.Y + 1 >= kBoardRows) return false;
        at = {lineStart, at.Y + 1};
        return true;
    }
};

}  // namespace gridwright
