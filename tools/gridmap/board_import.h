// What reading a level from another editor's file gives: the board, or why there is none.
#pragma once

#include <optional>
#include <string>

#include "board.h"

namespace gridwright {

struct BoardOrError {
    std::optional<BoardGrid> board;
    std::string error;

    static BoardOrError Failure(std::string why) { return {std::nullopt, std::move(why)}; }
};

// "row 3, column 7": where a cell lies, counted from 0 as the editor counts them.
inline std::string CellPlace(int X, int Y) {
    return "row " + std::to_string(Y) + ", column " + std::to_string(X);
}

}  // namespace gridwright
