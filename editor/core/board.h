// The map being edited: 32 columns by 24 rows of character cells.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>

namespace gridwright {

inline constexpr int kBoardColumns = 32;
inline constexpr int kBoardRows = 24;
inline constexpr int kBoardCells = kBoardColumns * kBoardRows;

// One map cell: a glyph code of the font and a colour index of the palette (0 to 15 are shown and
// stored in map files).
struct BoardCell {
    std::uint8_t Char = 0;
    std::uint8_t Color = 0;

    bool operator==(const BoardCell&) const = default;
};
static_assert(sizeof(BoardCell) == 2);

// A board cell's place: column X, row Y.
struct BoardPoint {
    int X = 0;
    int Y = 0;

    bool operator==(const BoardPoint&) const = default;
};

// Cells are kept column by column: cell (X, Y) is element Y + 24 * X, so the 24 cells of column 0
// come first. Every access names the column first and is checked against the board's bounds.
class BoardGrid {
  public:
    static bool Contains(int X, int Y) {
        return X >= 0 && X < kBoardColumns && Y >= 0 && Y < kBoardRows;
    }

    BoardCell& operator()(int X, int Y) { return cells[Index(X, Y)]; }
    const BoardCell& operator()(int X, int Y) const { return cells[Index(X, Y)]; }

    bool operator==(const BoardGrid&) const = default;

    std::array<BoardCell, kBoardCells> cells{};

  private:
    static std::size_t Index(int X, int Y) {
        if (!Contains(X, Y)) throw std::out_of_range("board cell outside 32 x 24");
        return static_cast<std::size_t>(Y + kBoardRows * X);
    }
};

}  // namespace gridwright
