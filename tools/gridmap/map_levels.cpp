#include "map_levels.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <fstream>
#include <system_error>

#include "tool_files.h"

namespace gridwright {

namespace {

std::optional<std::int64_t> ParseWholeLevel(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
    return value;
}

bool IsBlankLevel(const std::uint8_t* block) {
    // Glyph 0 and colour 0; a colour byte's lower four bits are not part of the colour.
    for (int cell = 0; cell < kBoardCells; ++cell)
        if (block[2 * cell] != 0 || ByteToColor(block[2 * cell + 1]) != 0) return false;
    return true;
}

}  // namespace

std::optional<double> ParseNumber(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string SpanText(LevelSpan span) {
    if (span.first == span.last) return std::to_string(span.first);
    return std::to_string(span.first) + "-" + std::to_string(span.last);
}

std::int64_t LevelCount(std::uintmax_t size) {
    return static_cast<std::int64_t>((size + kLevelBytes - 1) / kLevelBytes);
}

std::optional<LevelSpan> ParseLevelSpan(std::string_view text, std::int64_t levelCount,
                                        std::string& error) {
    if (text == "all") return LevelSpan{0, std::clamp<std::int64_t>(levelCount - 1, 0, kLastLevel)};
    const std::size_t dash = text.find('-', 1);
    const std::string_view firstText = text.substr(0, dash);
    const std::optional<std::int64_t> first = ParseWholeLevel(firstText);
    const std::optional<std::int64_t> last =
        dash == std::string_view::npos ? first : ParseWholeLevel(text.substr(dash + 1));
    if (!first || !last) {
        error = "levels \"" + std::string(text) + "\" are not a level, a range A-B or all";
        return std::nullopt;
    }
    for (const std::int64_t level : {*first, *last}) {
        if (level < 0 || level > kLastLevel) {
            error = "level \"" + std::to_string(level) + "\" is not a level from 0 to " +
                    std::to_string(kLastLevel);
            return std::nullopt;
        }
    }
    if (*last < *first) {
        error = "levels \"" + std::string(text) + "\" run backwards";
        return std::nullopt;
    }
    return LevelSpan{*first, *last};
}

FileResult SummarizeMap(const std::string& path, MapSummary& summary) {
    summary = {};
    // A FIFO would wait for a writer, a device would never end.
    if (std::string problem = tool_files::InputProblem(path); !problem.empty())
        return FileResult::Failure(problem);
    std::ifstream file(path, std::ios::binary);
    if (!file) return FileResult::Failure(std::generic_category().message(errno));
    // A few hundred levels a read.
    constexpr std::size_t kLevelsPerRead = 256;
    std::vector<std::uint8_t> buffer(kLevelsPerRead * kLevelBytes);
    std::int64_t level = 0;
    while (file) {
        file.read(reinterpret_cast<char*>(buffer.data()),
                  static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<std::size_t>(file.gcount());
        summary.size += got;
        std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(got), buffer.end(), 0);
        for (std::size_t at = 0; at < got; at += kLevelBytes, ++level) {
            if (!IsBlankLevel(&buffer[at])) continue;
            if (!summary.blank.empty() && summary.blank.back().last == level - 1)
                summary.blank.back().last = level;
            else
                summary.blank.push_back({level, level});
        }
    }
    if (file.bad()) return FileResult::Failure(std::generic_category().message(errno));
    summary.wholeLevels = static_cast<std::int64_t>(summary.size / kLevelBytes);
    summary.partialBytes = static_cast<int>(summary.size % kLevelBytes);
    return {};
}

}  // namespace gridwright
