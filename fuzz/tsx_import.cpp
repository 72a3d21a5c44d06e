// gridmap's import of Tiled maps, the tileset (.tsx) from the input beside a level's map as
// gridmap export writes it. Beyond the import's properties: a tileset only lets the level through
// or refuses it, it never changes a cell.
#include "tiled_support.h"

using namespace gridwright;

namespace {

BoardGrid Level() {
    BoardGrid board;
    for (std::size_t i = 0; i < board.cells.size(); ++i)
        board.cells[i] = {static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(i % 16)};
    return board;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const BoardGrid level = Level();
    static const std::string map = EncodeTiledMap(level, "Level 1", fuzz::kTilesetName);
    const std::string tileset(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzz::WriteTiled(fuzz::ScratchFolder() / "tileset", map, tileset);
    fuzz::CheckImport(
        [&] {
            BoardOrError imported = DecodeTiledMap(path);
            FUZZ_CHECK(!imported.board || *imported.board == level);
            return imported;
        },
        fuzz::TiledAgain);
    return 0;
}
