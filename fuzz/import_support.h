// What an import of another editor's file must do, whatever the file holds: a refusal says why
// and leaves every file as it was (gridmap writes the map only with a level it was given); a level
// it gives holds only what a map file holds, goes into a map file and comes back the same, and its
// export reads back as the same level.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "board_import.h"
#include "fuzz_support.h"
#include "map_file.h"

namespace fuzz {

// Every file under the scratch folder, with its size and time of change.
inline std::vector<std::string> ScratchFiles() {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(ScratchFolder())) {
        std::error_code ignored;
        files.push_back(entry.path().string() + ' ' + std::to_string(entry.file_size(ignored)) +
                        ' ' +
                        std::to_string(entry.last_write_time(ignored).time_since_epoch().count()));
    }
    std::sort(files.begin(), files.end());
    return files;
}

// import: reads the input, as gridmap import does before it touches the map. exportAndImport:
// the level written in the format and read again.
template <typename Import, typename ExportAndImport>
void CheckImport(Import import, ExportAndImport exportAndImport) {
    using namespace gridwright;
    const std::filesystem::path map = ScratchFolder() / "import.qmap";
    std::error_code ignored;
    std::filesystem::remove(map, ignored);
    const std::vector<std::string> before = ScratchFiles();
    const BoardOrError imported = import();
    if (!imported.board) {
        FUZZ_CHECK(!imported.error.empty());
        FUZZ_CHECK(ScratchFiles() == before);
        return;
    }
    const BoardGrid& board = *imported.board;
    FUZZ_CHECK(BoardFromLevelBlock(LevelBlockFromBoard(board)) == board);
    // Into a map file as gridmap import writes it, and back as the editor loads it.
    FUZZ_CHECK(WriteLevelBlock(map.string(), *LevelOffset(1), LevelBlockFromBoard(board)));
    LevelBlock block;
    FUZZ_CHECK(ReadLevelBlock(map.string(), *LevelOffset(1), MapAccess::ReadOnly, block));
    FUZZ_CHECK(BoardFromLevelBlock(block) == board);
    const BoardOrError again = exportAndImport(board);
    FUZZ_CHECK(again.board && *again.board == board);
}

}  // namespace fuzz
