// gridmap's import of Tiled maps (.tmx), beside the glyph tileset that gridmap export writes.
#include "tiled_support.h"

using namespace gridwright;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string tileset =
        EncodeTiled(BoardGrid{}, "Level 1", fuzz::kTilesetName, fuzz::kPictureName).tileset;
    const std::string map(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzz::WriteTiled(fuzz::ScratchFolder() / "map", map, tileset);
    fuzz::CheckImport([&] { return DecodeTiledMap(path); }, fuzz::TiledAgain);
    return 0;
}
