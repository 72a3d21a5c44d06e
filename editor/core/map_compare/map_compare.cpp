#include "map_compare.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <optional>

#include "board.h"
#include "cell_text/cell_text.h"
#include "code_page_437.h"
#include "map_file.h"

namespace gridwright {

namespace {

constexpr auto kLevel = static_cast<std::size_t>(kLevelBytes);

// The bytes a map holds of a level: all 1536, fewer for a trailing partial level, or nothing
// past its end.
std::optional<MapBytes> LevelOf(MapBytes map, std::int64_t level) {
    const auto at = static_cast<std::size_t>(level) * kLevel;
    if (at >= map.size()) return std::nullopt;
    return map.subspan(at, std::min(kLevel, map.size() - at));
}

bool SameBytes(MapBytes a, MapBytes b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0;
}

// Two levels as a merge sees them: both missing, or both there with the same bytes.
bool SameLevel(const std::optional<MapBytes>& a, const std::optional<MapBytes>& b) {
    if (!a || !b) return !a && !b;
    return SameBytes(*a, *b);
}

CellBytes CellAt(MapBytes level, int cell) {
    const auto at = static_cast<std::size_t>(cell) * 2;
    return {level[at], level[at + 1]};
}

std::string LevelName(std::int64_t first, std::int64_t last) {
    if (first == last) return "level " + std::to_string(first);
    return "levels " + std::to_string(first) + "-" + std::to_string(last);
}

std::string Place(std::int64_t level, int column, int row) {
    return "level " + std::to_string(level) + " (" + std::to_string(column) + "," +
           std::to_string(row) + ")";
}

std::string Hex(std::uint8_t byte) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

}  // namespace

std::int64_t MapLevelCount(std::size_t size) {
    return static_cast<std::int64_t>((size + kLevel - 1) / kLevel);
}

bool CompareMaps(MapBytes before, MapBytes after, std::int64_t first, std::int64_t last,
                 const std::function<void(const LevelChange&)>& report) {
    const std::int64_t beforeLevels = MapLevelCount(before.size());
    const std::int64_t afterLevels = MapLevelCount(after.size());
    const std::int64_t common = std::min(beforeLevels, afterLevels);
    bool differ = false;
    for (std::int64_t level = std::max<std::int64_t>(first, 0); level <= last && level < common;
         ++level) {
        const MapBytes a = *LevelOf(before, level), b = *LevelOf(after, level);
        if (SameBytes(a, b)) continue;
        differ = true;
        LevelChange change;
        change.level = change.lastLevel = level;
        if (a.size() == kLevel && b.size() == kLevel) {
            for (int cell = 0; cell < kBoardCells; ++cell) {
                const CellBytes was = CellAt(a, cell), is = CellAt(b, cell);
                if (was != is)
                    change.cells.push_back({cell % kBoardColumns, cell / kBoardColumns, was, is});
            }
        } else {
            change.kind = LevelChange::Kind::Partial;
            change.bytesBefore = a.size();
            change.bytesAfter = b.size();
            const std::size_t shorter = std::min(a.size(), b.size());
            change.firstDifference = static_cast<std::size_t>(
                std::mismatch(a.begin(), a.begin() + shorter, b.begin()).first - a.begin());
        }
        report(change);
    }
    // The levels that only the longer file has, as one range.
    const std::int64_t from = std::max({first, common, std::int64_t{0}});
    const std::int64_t to = std::min(last, std::max(beforeLevels, afterLevels) - 1);
    if (from <= to) {
        LevelChange change;
        change.kind =
            afterLevels > beforeLevels ? LevelChange::Kind::Added : LevelChange::Kind::Removed;
        change.level = from;
        change.lastLevel = to;
        report(change);
        differ = true;
    }
    return differ;
}

std::string CellText(CellBytes cell) {
    // Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict on "'" + std::string.
    std::string text = "'";
    text += GlyphText(cell.glyph);
    text += "' ";
    text += std::to_string(ByteToColor(cell.color));
    return text;
}

std::vector<std::string> ChangeLines(const LevelChange& change) {
    if (change.kind != LevelChange::Kind::Cells) return {ChangeSummary(change)};
    std::vector<std::string> lines;
    lines.reserve(change.cells.size());
    for (const CellChange& cell : change.cells) {
        std::string line = Place(change.level, cell.column, cell.row) + ": " +
                           CellText(cell.before) + " -> " + CellText(cell.after);
        // The editor drops a colour byte's lower four bits; a change there is still a change of
        // the file, so it is shown.
        if ((cell.before.color & 0x0F) != (cell.after.color & 0x0F))
            line +=
                " (colour byte " + Hex(cell.before.color) + " -> " + Hex(cell.after.color) + ")";
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string ChangeSummary(const LevelChange& change) {
    const std::string name = LevelName(change.level, change.lastLevel);
    switch (change.kind) {
        case LevelChange::Kind::Cells:
            return name + ": " + std::to_string(change.cells.size()) +
                   (change.cells.size() == 1 ? " cell" : " cells");
        case LevelChange::Kind::Added:
            return name + ": added";
        case LevelChange::Kind::Removed:
            return name + ": removed";
        case LevelChange::Kind::Partial:
            break;
    }
    const std::string sizes = change.bytesBefore == change.bytesAfter
                                  ? "of " + std::to_string(change.bytesBefore) + " bytes"
                                  : std::to_string(change.bytesBefore) + " -> " +
                                        std::to_string(change.bytesAfter) + " bytes";
    return name + ": partial level " + sizes + ", first difference at byte " +
           std::to_string(change.firstDifference);
}

MapMerge MergeMaps(MapBytes base, MapBytes ours, MapBytes theirs) {
    MapMerge merge;
    const std::int64_t levels = std::max(
        {MapLevelCount(base.size()), MapLevelCount(ours.size()), MapLevelCount(theirs.size())});
    // Each level's outcome: the bytes it takes (nothing for a level that is gone), and whether
    // it was already a conflict.
    struct Outcome {
        std::optional<MapBytes> bytes;
        bool conflict = false;
    };
    std::vector<Outcome> outcomes(static_cast<std::size_t>(levels));
    // Levels merged cell by cell; a deque keeps each where it is while more are added.
    std::deque<std::vector<std::uint8_t>> mergedCells;
    const auto levelConflict = [&](std::int64_t level, std::string what) {
        MergeConflict conflict;
        conflict.level = level;
        conflict.wholeLevel = true;
        conflict.what = std::move(what);
        merge.conflicts.push_back(std::move(conflict));
    };

    for (std::int64_t level = 0; level < levels; ++level) {
        const std::optional<MapBytes> b = LevelOf(base, level), o = LevelOf(ours, level),
                                      t = LevelOf(theirs, level);
        Outcome& outcome = outcomes[static_cast<std::size_t>(level)];
        if (SameLevel(o, t) || SameLevel(b, t)) {
            outcome.bytes = o;
        } else if (SameLevel(b, o)) {
            outcome.bytes = t;
        } else if (b && o && t && b->size() == kLevel && o->size() == kLevel &&
                   t->size() == kLevel) {
            std::vector<std::uint8_t> cells(o->begin(), o->end());
            for (int cell = 0; cell < kBoardCells; ++cell) {
                const CellBytes was = CellAt(*b, cell), mine = CellAt(*o, cell),
                                other = CellAt(*t, cell);
                if (mine == other || other == was) continue;
                if (mine == was) {
                    cells[2 * static_cast<std::size_t>(cell)] = other.glyph;
                    cells[2 * static_cast<std::size_t>(cell) + 1] = other.color;
                    continue;
                }
                merge.conflicts.push_back(
                    {level, false, cell % kBoardColumns, cell / kBoardColumns, mine, other, {}});
            }
            mergedCells.push_back(std::move(cells));
            outcome.bytes = MapBytes(mergedCells.back());
        } else {
            outcome.bytes = o;
            outcome.conflict = true;
            levelConflict(level, !b   ? "added by both sides with different content"
                                 : !o ? "removed on our side, changed on theirs"
                                 : !t ? "changed on our side, removed on theirs"
                                      : "a partial level changed differently on both sides");
        }
    }

    // Levels stand at fixed places: only the last can be partial, and none can be missing
    // before it.
    std::int64_t end = levels;
    while (end > 0 && !outcomes[static_cast<std::size_t>(end - 1)].bytes) --end;
    merge.bytes.reserve(static_cast<std::size_t>(end) * kLevel);
    for (std::int64_t level = 0; level < end; ++level) {
        Outcome& outcome = outcomes[static_cast<std::size_t>(level)];
        const bool last = level == end - 1;
        if (!outcome.bytes) {
            // One side removed it, the other has levels after it: the other side's level holds
            // the place.
            const std::optional<MapBytes> o = LevelOf(ours, level);
            outcome.bytes = o ? o : LevelOf(theirs, level);
            if (!outcome.conflict)
                levelConflict(level, "removed on one side, while the other has levels after it");
        } else if (!last && outcome.bytes->size() < kLevel && !outcome.conflict) {
            levelConflict(level,
                          "a partial level on one side, while the other has levels after it");
        }
        merge.bytes.insert(merge.bytes.end(), outcome.bytes->begin(), outcome.bytes->end());
        // A partial level before the last is filled with zero bytes, as the editor loads it.
        if (!last) merge.bytes.resize(static_cast<std::size_t>(level + 1) * kLevel, 0);
    }
    std::stable_sort(
        merge.conflicts.begin(), merge.conflicts.end(),
        [](const MergeConflict& a, const MergeConflict& b) { return a.level < b.level; });
    return merge;
}

std::string ConflictLine(const MergeConflict& conflict) {
    if (conflict.wholeLevel)
        return "level " + std::to_string(conflict.level) + ": " + conflict.what;
    return Place(conflict.level, conflict.column, conflict.row) + ": ours " +
           CellText(conflict.ours) + ", theirs " + CellText(conflict.theirs);
}

}  // namespace gridwright
