#include "recent_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "own_files.h"
#include "utf8.h"

namespace gridwright {

namespace {
// Longer than any path the systems the editor runs on take.
constexpr std::size_t kLongestRecentPath = 32 * 1024;
}  // namespace

bool UsableRecentPath(std::string_view path) {
    if (path.empty() || path.size() > kLongestRecentPath) return false;
    // The settings file trims blanks around a value, as a person writes it.
    if (path.front() == ' ' || path.back() == ' ') return false;
    const auto characters = DecodeUtf8(path);
    if (!characters) return false;
    return std::none_of(characters->begin(), characters->end(),
                        [](char32_t c) { return c < U' ' || c == U'\x7f'; });
}

void AddRecentFile(std::vector<std::string>& list, std::string_view path) {
    if (!UsableRecentPath(path)) return;
    std::erase(list, path);
    list.insert(list.begin(), std::string(path));
    if (list.size() > kRecentFileLimit) list.resize(kRecentFileLimit);
}

std::string RecentPathFor(std::string_view mapFileName) {
    if (mapFileName.empty()) return {};
    std::error_code error;
    const std::filesystem::path absolute =
        std::filesystem::absolute(PathFromUtf8(mapFileName), error);
    if (error) return std::string(mapFileName);
    return Utf8FromPath(absolute.lexically_normal());
}

std::string RecentFileCaption(int index, std::string_view path) {
    std::string caption(1, '&');
    caption.append(std::to_string(index + 1));
    caption.push_back(' ');
    for (const char c : path) {
        if (c == '&') caption += '&';
        caption += c;
    }
    return caption;
}

}  // namespace gridwright
