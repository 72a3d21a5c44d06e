// The levels of a map file as the toolbox names them: a level, a range "A-B" or "all", and a
// summary of what a map holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "map_file.h"

namespace gridwright {

// The whole text as a finite number, or nothing.
std::optional<double> ParseNumber(std::string_view text);

// Levels first to last, both included.
struct LevelSpan {
    std::int64_t first = 0;
    std::int64_t last = 0;

    std::int64_t Count() const { return last - first + 1; }
    bool operator==(const LevelSpan&) const = default;
};

// "7" or "3-9", the form ParseLevelSpan reads.
std::string SpanText(LevelSpan span);

// The number of levels in a map file of size bytes: every whole level and a trailing partial one.
std::int64_t LevelCount(std::uintmax_t size);

// LEVELS text: a whole level number, a range "A-B" with A <= B, or "all" for every level of a map
// of levelCount levels (level 0 for an empty map). Levels lie between 0 and kLastLevel; "all"
// stops there. On failure, nothing and the reason in error.
std::optional<LevelSpan> ParseLevelSpan(std::string_view text, std::int64_t levelCount,
                                        std::string& error);

// What a map file holds.
struct MapSummary {
    std::uintmax_t size = 0;
    std::int64_t wholeLevels = 0;
    // The bytes of a trailing level that the file holds only in part; 0 when there is none.
    int partialBytes = 0;
    // The levels, a partial one included, whose every cell is glyph 0 in colour 0 (bytes past the
    // end of the file count as 0, as the editor loads them).
    std::vector<LevelSpan> blank;
};

// Reads the whole map file once.
FileResult SummarizeMap(const std::string& path, MapSummary& summary);

}  // namespace gridwright
