#include "text_format.h"

namespace gridwright {

BoardOrError DecodeText(std::string_view text) {
    const CellsOrError decoded = DecodeCells(text, BoardPoint{kBoardColumns, kBoardRows});
    if (!decoded.block) return BoardOrError::Failure(decoded.error);
    BoardGrid board;
    for (int Y = 0; Y < kBoardRows; ++Y)
        for (int X = 0; X < kBoardColumns; ++X) board(X, Y) = (*decoded.block)(X, Y);
    return {board, {}};
}

}  // namespace gridwright
