// Map files compared and merged cell by cell: what changed between two of them, level by level,
// and the three-way merge of two files that both started from a third, as version control needs
// them. Works on the files' bytes as ReadMapFile gives them; reads and writes nothing itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace gridwright {

using MapBytes = std::span<const std::uint8_t>;

// A cell's two bytes as the file holds them: the glyph code and the colour byte (colour x 16).
struct CellBytes {
    std::uint8_t glyph = 0;
    std::uint8_t color = 0;
    bool operator==(const CellBytes&) const = default;
};

struct CellChange {
    int column = 0, row = 0;
    CellBytes before, after;
};

// How a level of the second file differs from the same level of the first.
struct LevelChange {
    enum class Kind {
        Cells,    // a whole level in both: the cells in cells
        Added,    // levels level to lastLevel are only in the second file
        Removed,  // levels level to lastLevel are only in the first file
        Partial,  // a trailing partial level in one of them or both, whose bytes differ
    };
    Kind kind = Kind::Cells;
    std::int64_t level = 0;
    std::int64_t lastLevel = 0;
    std::vector<CellChange> cells;
    // Partial: the level's bytes in each file, and the first byte in the level that differs.
    std::size_t bytesBefore = 0, bytesAfter = 0, firstDifference = 0;
};

// The number of levels in a map of size bytes, a trailing partial one included.
std::int64_t MapLevelCount(std::size_t size);

// Calls report, in level order, for each level from first to last that differs between before
// and after; levels past the end of both files are equal. Levels are compared as byte blocks
// first, so equal levels cost one comparison. Whether any differed.
bool CompareMaps(MapBytes before, MapBytes after, std::int64_t first, std::int64_t last,
                 const std::function<void(const LevelChange&)>& report);

// "'A' 15": the glyph in quotes and the colour number.
std::string CellText(CellBytes cell);

// The lines that tell a change: "level 3 (4,5): 'A' 15 -> '#' 4" for each cell; "level 3: added"
// or "levels 3-9: removed"; for a partial level its sizes and the first differing byte.
std::vector<std::string> ChangeLines(const LevelChange& change);
// One line for a changed level: "level 3: 12 cells"; as ChangeLines for the other kinds.
std::string ChangeSummary(const LevelChange& change);

// A merge's disagreement: one cell that both sides changed differently, or a whole level
// (added by both with different content, or removed by one side and changed by the other).
struct MergeConflict {
    std::int64_t level = 0;
    bool wholeLevel = false;
    int column = 0, row = 0;
    CellBytes ours, theirs;
    // For a whole level: what happened to it.
    std::string what;
};

struct MapMerge {
    std::vector<std::uint8_t> bytes;
    std::vector<MergeConflict> conflicts;
};

// The three-way merge of ours and theirs, which both came from base. A cell changed on one side
// takes that side's bytes; changed the same way on both, those; changed differently, a conflict
// that keeps ours. Levels past the end of base (added) or missing from the end of a side
// (removed) are merged as whole levels the same way, and so is a trailing partial level, byte
// for byte. The result is whole levels but for its last.
MapMerge MergeMaps(MapBytes base, MapBytes ours, MapBytes theirs);

// "level 3 (4,5): ours 'A' 15, theirs '#' 4", or "level 3: " and what happened to the level.
std::string ConflictLine(const MergeConflict& conflict);

}  // namespace gridwright
