// The map file's load and save path, over map files of any content and length. Each level the
// file holds (and the one after its end) is loaded, checked against the file's bytes, and saved
// back as the editor saves it. Properties: a load gives the level's bytes (past the end: zeros);
// a save of the loaded level changes nothing but the lower four bits of its colour bytes (which
// are no part of a colour) and the zeros that complete a trailing partial level; the level then
// loads as it was.
#include "map_file.h"

#include <algorithm>
#include <filesystem>

#include "fuzz_support.h"

using namespace gridwright;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path path = fuzz::ScratchFolder() / "level.qmap";
    std::vector<std::uint8_t> file(data, data + size);
    fuzz::WriteFile(path, file);
    // Whole levels, a fractional one that starts inside its neighbours, and the one past the end.
    std::vector<double> levels{0.25};
    for (std::size_t level = 0; level <= std::min<std::size_t>(size / kLevelBytes, 3); ++level)
        levels.push_back(static_cast<double>(level));
    for (const double level : levels) {
        const std::int64_t offset = *LevelOffset(level);
        LevelBlock block;
        FUZZ_CHECK(ReadLevelBlock(path.string(), offset, MapAccess::Load, block));
        for (std::size_t i = 0; i < block.size(); ++i) {
            const std::size_t at = static_cast<std::size_t>(offset) + i;
            FUZZ_CHECK(block[i] == (at < file.size() ? file[at] : 0));
        }
        const BoardGrid board = BoardFromLevelBlock(block);
        FUZZ_CHECK(WriteLevelBlock(path.string(), offset, LevelBlockFromBoard(board)));
        // What the file now holds: the level with its colours' lower bits cleared.
        if (file.size() < static_cast<std::size_t>(offset) + kLevelBytes)
            file.resize(static_cast<std::size_t>(offset) + kLevelBytes, 0);
        for (std::size_t i = 1; i < block.size(); i += 2) file[offset + i] &= 0xF0;
        FUZZ_CHECK(fuzz::ReadFile(path) == file);
        LevelBlock again;
        FUZZ_CHECK(ReadLevelBlock(path.string(), offset, MapAccess::ReadOnly, again));
        FUZZ_CHECK(BoardFromLevelBlock(again) == board);
    }
    return 0;
}
