#include "line_cells.h"

#include <algorithm>
#include <cstdlib>

namespace gridwright {

namespace {

// The whole number nearest to numerator / denominator (both at least 0, denominator above 0),
// halves rounded down.
int NearestRoundingHalfDown(long numerator, long denominator) {
    return static_cast<int>((2 * numerator + denominator - 1) / (2 * denominator));
}

}  // namespace

std::vector<BoardPoint> LineCells(BoardPoint a, BoardPoint b) {
    const int dx = b.X - a.X;
    const int dy = b.Y - a.Y;
    const int steps = std::max(std::abs(dx), std::abs(dy));
    std::vector<BoardPoint> cells;
    cells.reserve(static_cast<std::size_t>(steps) + 1);
    if (steps == 0) {
        cells.push_back(a);
        return cells;
    }
    // Each step moves one cell along the longer axis; the other coordinate is the ideal line's
    // there, taken absolutely (not from a) so that both directions round it alike. Board
    // coordinates are never negative, so the numerators are not either.
    const bool alongX = std::abs(dx) >= std::abs(dy);
    for (int i = 0; i <= steps; ++i) {
        if (alongX) {
            const int x = a.X + (dx < 0 ? -i : i);
            const long numerator = static_cast<long>(a.Y) * steps + static_cast<long>(i) * dy;
            cells.push_back({x, NearestRoundingHalfDown(numerator, steps)});
        } else {
            const int y = a.Y + (dy < 0 ? -i : i);
            const long numerator = static_cast<long>(a.X) * steps + static_cast<long>(i) * dx;
            cells.push_back({NearestRoundingHalfDown(numerator, steps), y});
        }
    }
    return cells;
}

}  // namespace gridwright
