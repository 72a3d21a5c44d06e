// Whole levels of a map file: insert a blank one, duplicate, delete or move one, find and replace
// cells, all on the file's bytes in memory, and the file replaced whole or not at all. A level's
// number is its place in the file, so every operation that moves levels renumbers the levels
// after it. A trailing partial level (a file whose length is no multiple of 1536) is kept as it
// is at the end of the file, after the whole levels.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "map_file.h"
#include "numbers.h"

namespace gridwright {

// The whole levels in a file of that many bytes.
constexpr std::int64_t WholeLevels(std::int64_t bytes) {
    return bytes / kLevelBytes;
}

// Why level cannot be operated on in a file of `levels` whole levels (a fractional level, one
// below 0 or at or past the last whole level), or empty when it can.
std::string LevelProblem(double level, std::int64_t levels);

// Overwrite puts `content` in place of a level; it serves to take a Duplicate back.
enum class LevelOperation { Insert, Duplicate, Delete, Move, Overwrite };

// One operation on a map file's whole levels.
struct LevelEdit {
    LevelOperation operation = LevelOperation::Insert;
    std::int64_t level = 0;  // the level it acts on
    std::int64_t to = 0;     // Move: where the level goes
    // Duplicate: what levels `level` and `level + 1` hold afterwards (the board as shown), or
    // none for a copy of the level as the file holds it. Insert, Overwrite: the level put in,
    // or none for a blank one.
    std::optional<LevelBlock> content;
};

// Checks the edit against a file of `bytes` bytes: empty when it applies, else why not. Every
// level it names must be a whole level of the file.
std::string EditProblem(const LevelEdit& edit, std::int64_t bytes);
// True when ApplyEdit can take the edit on a file of `bytes` bytes: every level it names is a
// whole level of the file, except that an Insert may also put its level right after the last one
// (as the edits that take back a Delete of the last level do).
bool EditApplies(const LevelEdit& edit, std::int64_t bytes);
// Applies a checked edit to the file's bytes.
//   Insert: a blank level (1536 zero bytes) at `level`; the levels from there one place up.
//   Duplicate: `level` and a copy right after it, both holding `content` when given.
//   Delete: `level` gone, the levels after it one place down.
//   Move: `level` taken out and put at `to`; the levels between shift by one.
void ApplyEdit(const LevelEdit& edit, std::vector<std::uint8_t>& bytes);
// The edits that, applied in order, take the bytes ApplyEdit made back to the bytes it was given,
// `before`, exactly: they keep only the one level a Duplicate or a Delete overwrote or dropped.
std::vector<LevelEdit> InverseEdits(const LevelEdit& edit, std::span<const std::uint8_t> before);

// The cells of the whole levels first to last (those the file holds) that hold the glyph and/or the
// colour (both when both are given), in level, then row, then column order.
struct CellMatch {
    std::int64_t level;
    int column, row;
};
std::vector<CellMatch> FindCells(std::span<const std::uint8_t> bytes, std::int64_t first,
                                 std::int64_t last, std::optional<std::uint8_t> glyph,
                                 std::optional<std::uint8_t> colour);

// Replaces, in the whole levels first to last, the glyph `glyph->first` by `glyph->second` and the
// colour `colour->first` by `colour->second`; with both, only cells that hold both change, and they
// get both. A colour byte keeps its lower four bits. The count of changed cells of each level, from
// first on.
using CellReplacement = std::optional<std::pair<std::uint8_t, std::uint8_t>>;
std::vector<std::int64_t> ReplaceCells(std::vector<std::uint8_t>& bytes, std::int64_t first,
                                       std::int64_t last, CellReplacement glyph,
                                       CellReplacement colour);

// Replaces the map file at the UTF-8 path with bytes, whole or not at all: a new file beside it,
// put on the disk, given the old file's permissions, renamed over it. Refuses what exists and is
// not a regular file (a symbolic link, a folder, a device), and a missing file.
FileResult ReplaceMapFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace gridwright
