#include "fill_region.h"

#include <array>
#include <cstdint>

namespace gridwright {

std::vector<BoardPoint> FillRegion(const BoardGrid& board, BoardPoint start) {
    std::vector<BoardPoint> region;
    if (!BoardGrid::Contains(start.X, start.Y)) return region;
    // Cells by their index in the board's own order (Y + 24 * X), so neighbours are a step of 1
    // (a row) or 24 (a column) away; a whole-board fill costs less than painting it.
    const auto& cells = board.cells;
    const std::size_t first = static_cast<std::size_t>(start.Y + kBoardRows * start.X);
    const BoardCell target = cells[first];
    std::array<bool, kBoardCells> inRegion{};
    std::array<std::uint16_t, kBoardCells> pending;  // each cell is pushed at most once
    std::size_t count = 0;
    inRegion[first] = true;
    pending[count++] = static_cast<std::uint16_t>(first);
    const auto reach = [&](std::size_t i) {
        if (inRegion[i] || cells[i] != target) return;
        inRegion[i] = true;
        pending[count++] = static_cast<std::uint16_t>(i);
    };
    while (count > 0) {
        const std::size_t i = pending[--count];
        const std::size_t row = i % kBoardRows;
        if (row > 0) reach(i - 1);
        if (row + 1 < kBoardRows) reach(i + 1);
        if (i >= kBoardRows) reach(i - kBoardRows);
        if (i + kBoardRows < kBoardCells) reach(i + kBoardRows);
    }
    for (std::size_t i = 0; i < kBoardCells; ++i)
        if (inRegion[i])
            region.push_back({static_cast<int>(i / kBoardRows), static_cast<int>(i % kBoardRows)});
    return region;
}

}  // namespace gridwright
