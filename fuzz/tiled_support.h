// The Tiled import reads files: a map (.tmx) and the tileset (.tsx) it names beside it. Its two
// targets each take one of them from the input and write the other as gridmap export writes it.
#pragma once

#include <span>
#include <string>

#include "fuzz_support.h"
#include "import_support.h"
#include "tiled_format.h"

namespace fuzz {

// The names the seeds use: gridmap export OUT/level.tmx writes level.tsx and level-tiles.png.
inline constexpr const char* kTilesetName = "level.tsx";
inline constexpr const char* kPictureName = "level-tiles.png";

inline std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The map and tileset files of a level in a folder of their own; the map's path.
inline std::string WriteTiled(const std::filesystem::path& folder, const std::string& map,
                              const std::string& tileset) {
    std::filesystem::create_directories(folder);
    WriteFile(folder / kTilesetName, Bytes(tileset));
    const std::filesystem::path path = folder / "level.tmx";
    WriteFile(path, Bytes(map));
    return path.string();
}

// Exported again and imported: the board that comes back.
inline gridwright::BoardOrError TiledAgain(const gridwright::BoardGrid& board) {
    // The tileset is the same for every level; its picture, which the import never reads, is
    // left out: drawing it would take most of the time of each run.
    static const std::string tileset =
        gridwright::EncodeTiled({}, "Level 1", kTilesetName, kPictureName).tileset;
    const std::string map = gridwright::EncodeTiledMap(board, "Level 1", kTilesetName);
    return gridwright::DecodeTiledMap(WriteTiled(ScratchFolder() / "again", map, tileset));
}

}  // namespace fuzz
