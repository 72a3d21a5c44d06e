// The overview of a map's levels: small pictures (thumbnails) of whole levels, each with its
// number, in slots of a grid. The editor shows a page of them in the board's place; gridmap's
// sheet lays out as many as it is given. Painted through the renderer's plain picture, so every
// front end and every picture file shows the same pixels.
//
// A thumbnail gives each board cell 2 x 2 pixels: the cell's colours as the board shows them, each
// pixel lit in the glyph's colour where that quarter of the glyph is drawn, so lines, walls and
// letters keep their shapes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "map_file.h"
#include "renderer.h"
#include "surface_geometry.h"

namespace gridwright {

inline constexpr int kThumbnailCellPixels = 2;
inline constexpr int kThumbnailWidth = kBoardColumns * kThumbnailCellPixels;  // 64
inline constexpr int kThumbnailHeight = kBoardRows * kThumbnailCellPixels;    // 48
inline constexpr int kThumbnailSlotWidth = 80;
inline constexpr int kThumbnailSlotHeight = 72;
// The editor's page fills the board's area: 4 x 6 slots.
inline constexpr int kOverviewColumns = kBoardColumns * kGlyphWidth / kThumbnailSlotWidth;
inline constexpr int kOverviewRows = kBoardRows * kGlyphHeight / kThumbnailSlotHeight;
inline constexpr int kOverviewPageLevels = kOverviewColumns * kOverviewRows;  // 24

// Paints one slot with its top-left pixel at (x, y): colour 0 all over, the thumbnail, the
// level's number below it, and a white frame around the thumbnail when `current`.
void DrawThumbnailSlot(SurfaceView surface, int x, int y, const LevelBlock& level,
                       std::int64_t number, bool current);

// One page of the editor's overview: the levels from `first`, at most kOverviewPageLevels, and
// which of them is the level being edited.
struct OverviewPage {
    std::int64_t first = 0;
    std::span<const LevelBlock> levels;
    std::optional<std::int64_t> current;
};
// Paints the page over the board's area only (the glyph table, colour row, border and legend stay
// as they are); slots without a level are colour 0.
void DrawOverviewPage(SurfaceView surface, const OverviewPage& page);
// The slot of the board's area under a surface pixel, 0 to kOverviewPageLevels - 1, counted row
// by row, or none outside the thumbnails' slots.
std::optional<int> OverviewSlotAt(int x, int y);

}  // namespace gridwright
