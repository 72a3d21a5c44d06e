#include "fill_region.h"

#include <array>

namespace gridwright {

std::vector<BoardPoint> FillRegion(const BoardGrid& board, BoardPoint start) {
    std::vector<BoardPoint> region;
    if (!BoardGrid::Contains(start.X, start.Y)) return region;
    const BoardCell target = board(start.X, start.Y);
    std::array<bool, kBoardCells> inRegion{};
    const auto index = [](int X, int Y) { return static_cast<std::size_t>(Y + kBoardRows * X); };

    // A stack of cells found but not yet looked around; each cell is pushed at most once.
    std::vector<BoardPoint> pending{start};
    inRegion[index(start.X, start.Y)] = true;
    while (!pending.empty()) {
        const BoardPoint at = pending.back();
        pending.pop_back();
        const BoardPoint around[] = {
            {at.X - 1, at.Y}, {at.X + 1, at.Y}, {at.X, at.Y - 1}, {at.X, at.Y + 1}};
        for (const BoardPoint next : around) {
            if (!BoardGrid::Contains(next.X, next.Y) || inRegion[index(next.X, next.Y)] ||
                board(next.X, next.Y) != target)
                continue;
            inRegion[index(next.X, next.Y)] = true;
            pending.push_back(next);
        }
    }
    for (int X = 0; X < kBoardColumns; ++X)
        for (int Y = 0; Y < kBoardRows; ++Y)
            if (inRegion[index(X, Y)]) region.push_back({X, Y});
    return region;
}

}  // namespace gridwright
