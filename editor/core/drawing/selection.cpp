#include "selection.h"

#include <algorithm>

namespace gridwright {

BoardPoint ClampToBoard(BoardPoint point) {
    return {std::clamp(point.X, 0, kBoardColumns - 1), std::clamp(point.Y, 0, kBoardRows - 1)};
}

CellRect RectBetween(BoardPoint a, BoardPoint b) {
    const int left = std::min(a.X, b.X), top = std::min(a.Y, b.Y);
    return {left, top, std::max(a.X, b.X) - left + 1, std::max(a.Y, b.Y) - top + 1};
}

bool RectContains(const CellRect& rect, BoardPoint point) {
    return point.X >= rect.column && point.X < rect.column + rect.columns && point.Y >= rect.row &&
           point.Y < rect.row + rect.rows;
}

std::optional<CellRect> ClipToBoard(const CellRect& rect) {
    // Moves can push a rectangle any distance; long arithmetic keeps the edges exact.
    const long left = std::max<long>(rect.column, 0);
    const long top = std::max<long>(rect.row, 0);
    const long right = std::min<long>(static_cast<long>(rect.column) + rect.columns, kBoardColumns);
    const long bottom = std::min<long>(static_cast<long>(rect.row) + rect.rows, kBoardRows);
    if (right <= left || bottom <= top) return std::nullopt;
    return CellRect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                    static_cast<int>(bottom - top)};
}

CellBlock CopyCells(const BoardGrid& board, const CellRect& rect) {
    CellBlock block = CellBlock::Sized(rect.columns, rect.rows);
    for (int y = 0; y < rect.rows; ++y)
        for (int x = 0; x < rect.columns; ++x) block(x, y) = board(rect.column + x, rect.row + y);
    return block;
}

void BlankCells(BoardGrid& board, const CellRect& rect) {
    for (int X = rect.column; X < rect.column + rect.columns; ++X)
        for (int Y = rect.row; Y < rect.row + rect.rows; ++Y) board(X, Y) = kBlankCell;
}

std::optional<CellRect> PutCells(BoardGrid& board, const CellBlock& block, BoardPoint topLeft) {
    const std::optional<CellRect> covered =
        ClipToBoard({topLeft.X, topLeft.Y, block.width, block.height});
    if (!covered) return std::nullopt;
    for (int X = covered->column; X < covered->column + covered->columns; ++X)
        for (int Y = covered->row; Y < covered->row + covered->rows; ++Y)
            board(X, Y) = block(X - topLeft.X, Y - topLeft.Y);
    return covered;
}

std::optional<CellRect> MoveCells(BoardGrid& board, const CellRect& rect, int dx, int dy,
                                  bool copy) {
    const CellBlock cells = CopyCells(board, rect);
    if (!copy) BlankCells(board, rect);
    // Further than a board's width or height, nothing of it stays on the board.
    dx = std::clamp(dx, -kBoardColumns, kBoardColumns);
    dy = std::clamp(dy, -kBoardRows, kBoardRows);
    return PutCells(board, cells, {rect.column + dx, rect.row + dy});
}

}  // namespace gridwright
