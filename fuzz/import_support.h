// What an import of another editor's file must do, whatever the file holds: a refusal says why
// (and gridmap then writes nothing: it writes only a level it was given); a level it gives holds
// only what a map file holds, goes into a map file and comes back the same, and its export reads
// back as the same level.
#pragma once

#include <filesystem>

#include "board_import.h"
#include "fuzz_support.h"
#include "map_file.h"

namespace fuzz {

// exportAndImport: the level written in the format and read again.
template <typename ExportAndImport>
void CheckImport(const gridwright::BoardOrError& imported, ExportAndImport exportAndImport) {
    using namespace gridwright;
    if (!imported.board) {
        FUZZ_CHECK(!imported.error.empty());
        return;
    }
    const BoardGrid& board = *imported.board;
    FUZZ_CHECK(BoardFromLevelBlock(LevelBlockFromBoard(board)) == board);
    // Into a map file as gridmap import writes it, and back as the editor loads it.
    const std::filesystem::path map = ScratchFolder() / "import.qmap";
    std::error_code ignored;
    std::filesystem::remove(map, ignored);
    FUZZ_CHECK(WriteLevelBlock(map.string(), *LevelOffset(1), LevelBlockFromBoard(board)));
    LevelBlock block;
    FUZZ_CHECK(ReadLevelBlock(map.string(), *LevelOffset(1), MapAccess::ReadOnly, block));
    FUZZ_CHECK(BoardFromLevelBlock(block) == board);
    const BoardOrError again = exportAndImport(board);
    FUZZ_CHECK(again.board && *again.board == board);
}

}  // namespace fuzz
