// Rectangles of board cells, as the selection holds them, and what Cut, Delete, Paste and a
// selection's drag do with the cells inside. Everything clips at the board's edges, here and
// nowhere else.
#pragma once

#include <optional>

#include "board.h"
#include "cell_block.h"
#include "renderer.h"

namespace gridwright {

// What Cut and Delete leave and a move uncovers: what a new level holds.
inline constexpr BoardCell kBlankCell{};

// The nearest board cell.
BoardPoint ClampToBoard(BoardPoint point);
// The rectangle between two cells, both included, whichever corners they are.
CellRect RectBetween(BoardPoint a, BoardPoint b);
bool RectContains(const CellRect& rect, BoardPoint point);
// The part of a rectangle on the board, or nothing when none of it is.
std::optional<CellRect> ClipToBoard(const CellRect& rect);

// The cells of a rectangle on the board.
CellBlock CopyCells(const BoardGrid& board, const CellRect& rect);
void BlankCells(BoardGrid& board, const CellRect& rect);
// Puts a block with its top-left cell at topLeft (which may lie off the board); the cells that
// fall off the board are dropped. The rectangle of cells it covered, or nothing.
std::optional<CellRect> PutCells(BoardGrid& board, const CellBlock& block, BoardPoint topLeft);
// Moves the cells of `rect` by (dx, dy), blanking those it leaves, or copies them (`copy`),
// dropping those pushed past the edge. The rectangle they cover afterwards, or nothing.
std::optional<CellRect> MoveCells(BoardGrid& board, const CellRect& rect, int dx, int dy,
                                  bool copy);

}  // namespace gridwright
