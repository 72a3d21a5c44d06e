// Tiled maps (.tmx) with their tileset (.tsx and a PNG picture). A level is one orthogonal tile
// layer of 32 x 24 tiles, written as CSV: global tile ids row by row from the top, 0 for an empty
// cell and otherwise the tileset's firstgid plus the tile's index. The top four bits of an id are
// flip and rotation flags. The tileset holds one tile per glyph and colour, drawn by the editor's
// renderer as a board cell shows them: tile colour * 256 + glyph, 64 tiles a row of its picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board.h"
#include "board_import.h"

namespace gridwright {

// The three files of an exported level; the map names the tileset file, and the tileset names
// its picture, by the names given to EncodeTiled, relative to the map's folder.
struct TiledFiles {
    std::string map;
    std::string tileset;
    std::vector<std::uint8_t> picture;
};

TiledFiles EncodeTiled(const BoardGrid& board, const std::string& layerName,
                       const std::string& tilesetFile, const std::string& pictureFile);
// The map file alone, as EncodeTiled writes it.
std::string EncodeTiledMap(const BoardGrid& board, const std::string& layerName,
                           const std::string& tilesetFile);

// Reads a map and the tileset it names (or holds): the first tile layer is the level; other
// layers must be empty, and the tileset must be the glyph tileset that EncodeTiled writes.
BoardOrError DecodeTiledMap(const std::string& path);

}  // namespace gridwright
