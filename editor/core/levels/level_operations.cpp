#include "level_operations.h"

#include <algorithm>
#include <cmath>

#include "own_files.h"

namespace gridwright {

namespace {

using Bytes = std::vector<std::uint8_t>;

std::ptrdiff_t At(std::int64_t level) {
    return static_cast<std::ptrdiff_t>(level * kLevelBytes);
}

LevelBlock BlockAt(std::span<const std::uint8_t> bytes, std::int64_t level) {
    LevelBlock block{};
    std::copy_n(bytes.begin() + At(level), kLevelBytes, block.begin());
    return block;
}

}  // namespace

std::string LevelProblem(double level, std::int64_t levels) {
    const std::string name = "level " + OptionalNumber::Double(level).ToText();
    if (!std::isfinite(level) || level != std::floor(level)) return name + " is not a whole level";
    if (level < 0) return name + " is no level: levels start at 0";
    if (level >= static_cast<double>(levels)) {
        if (levels == 0) return "the map file holds no whole level";
        return "the map file has no " + name + ": it holds levels 0 to " +
               std::to_string(levels - 1);
    }
    return {};
}

std::string EditProblem(const LevelEdit& edit, std::int64_t bytes) {
    const std::int64_t levels = WholeLevels(bytes);
    std::string problem = LevelProblem(static_cast<double>(edit.level), levels);
    if (problem.empty() && edit.operation == LevelOperation::Move)
        problem = LevelProblem(static_cast<double>(edit.to), levels);
    return problem;
}

bool EditApplies(const LevelEdit& edit, std::int64_t bytes) {
    const std::int64_t levels = WholeLevels(bytes);
    const auto whole = [levels](std::int64_t level) { return level >= 0 && level < levels; };
    switch (edit.operation) {
        case LevelOperation::Insert:
            return edit.level >= 0 && edit.level <= levels;
        case LevelOperation::Move:
            return whole(edit.level) && whole(edit.to);
        default:
            return whole(edit.level);
    }
}

void ApplyEdit(const LevelEdit& edit, Bytes& bytes) {
    const std::int64_t k = edit.level;
    switch (edit.operation) {
        case LevelOperation::Insert: {
            const LevelBlock block = edit.content.value_or(LevelBlock{});
            bytes.insert(bytes.begin() + At(k), block.begin(), block.end());
            break;
        }
        case LevelOperation::Duplicate: {
            const LevelBlock block = edit.content.value_or(BlockAt(bytes, k));
            std::copy(block.begin(), block.end(), bytes.begin() + At(k));
            bytes.insert(bytes.begin() + At(k + 1), block.begin(), block.end());
            break;
        }
        case LevelOperation::Delete:
            bytes.erase(bytes.begin() + At(k), bytes.begin() + At(k + 1));
            break;
        case LevelOperation::Move: {
            const std::int64_t m = edit.to;
            if (k < m)
                std::rotate(bytes.begin() + At(k), bytes.begin() + At(k + 1),
                            bytes.begin() + At(m + 1));
            else if (k > m)
                std::rotate(bytes.begin() + At(m), bytes.begin() + At(k),
                            bytes.begin() + At(k + 1));
            break;
        }
        case LevelOperation::Overwrite: {
            const LevelBlock block = edit.content.value_or(LevelBlock{});
            std::copy(block.begin(), block.end(), bytes.begin() + At(k));
            break;
        }
    }
}

std::vector<LevelEdit> InverseEdits(const LevelEdit& edit, std::span<const std::uint8_t> before) {
    const std::int64_t k = edit.level;
    switch (edit.operation) {
        case LevelOperation::Insert:
            return {{LevelOperation::Delete, k, 0, std::nullopt}};
        case LevelOperation::Duplicate:
            return {{LevelOperation::Delete, k + 1, 0, std::nullopt},
                    {LevelOperation::Overwrite, k, 0, BlockAt(before, k)}};
        case LevelOperation::Delete:
            return {{LevelOperation::Insert, k, 0, BlockAt(before, k)}};
        case LevelOperation::Move:
            return {{LevelOperation::Move, edit.to, k, std::nullopt}};
        case LevelOperation::Overwrite:
            return {{LevelOperation::Overwrite, k, 0, BlockAt(before, k)}};
    }
    return {};
}

std::vector<CellMatch> FindCells(std::span<const std::uint8_t> bytes, std::int64_t first,
                                 std::int64_t last, std::optional<std::uint8_t> glyph,
                                 std::optional<std::uint8_t> colour) {
    std::vector<CellMatch> matches;
    last = std::min(last, WholeLevels(static_cast<std::int64_t>(bytes.size())) - 1);
    for (std::int64_t level = first; level <= last; ++level) {
        const std::uint8_t* block = bytes.data() + At(level);
        for (int row = 0; row < kBoardRows; ++row)
            for (int column = 0; column < kBoardColumns; ++column) {
                const std::size_t at = CellOffsetInLevel(column, row);
                if (glyph && block[at] != *glyph) continue;
                if (colour && ByteToColor(block[at + 1]) != *colour) continue;
                matches.push_back({level, column, row});
            }
    }
    return matches;
}

std::vector<std::int64_t> ReplaceCells(Bytes& bytes, std::int64_t first, std::int64_t last,
                                       CellReplacement glyph, CellReplacement colour) {
    std::vector<std::int64_t> counts;
    last = std::min(last, WholeLevels(static_cast<std::int64_t>(bytes.size())) - 1);
    for (std::int64_t level = first; level <= last; ++level) {
        std::uint8_t* block = bytes.data() + At(level);
        std::int64_t changed = 0;
        for (std::size_t at = 0; at < static_cast<std::size_t>(kLevelBytes); at += 2) {
            if (glyph && block[at] != glyph->first) continue;
            if (colour && ByteToColor(block[at + 1]) != colour->first) continue;
            const std::uint8_t newGlyph = glyph ? glyph->second : block[at];
            const std::uint8_t newColour =
                colour ? static_cast<std::uint8_t>(ColorToByte(colour->second) |
                                                   (block[at + 1] & 0x0F))
                       : block[at + 1];
            if (newGlyph == block[at] && newColour == block[at + 1]) continue;
            block[at] = newGlyph;
            block[at + 1] = newColour;
            ++changed;
        }
        counts.push_back(changed);
    }
    return counts;
}

FileResult ReplaceMapFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (path.empty()) return FileResult::Failure("no map file is named");
    return ReplaceRegularFile(PathFromUtf8(path), bytes);
}

}  // namespace gridwright
