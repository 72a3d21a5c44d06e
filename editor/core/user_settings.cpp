#include "user_settings.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

#include "own_files.h"
#include "recent_files.h"
#include "zoom.h"

namespace gridwright {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kZoomName = "zoom";
constexpr std::string_view kRecentName = "recent";
// No settings file of this editor is larger; a larger one is something else.
constexpr std::uintmax_t kLargestSettingsFile = 64 * 1024;

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::optional<int> ZoomValue(std::string_view value) {
    if (value.size() != 1 || value[0] < '0' + kSmallestZoom || value[0] > '0' + kLargestZoom)
        return std::nullopt;
    return value[0] - '0';
}

}  // namespace

bool ParseSettings(std::string_view text, UserSettings& settings, std::string& why) {
    UserSettings read;
    int number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++number;
        const std::string_view line = Trimmed(raw);
        if (line.empty() || line.front() == '#') continue;
        const auto equals = line.find('=');
        const std::string_view name =
            Trimmed(line.substr(0, equals == std::string_view::npos ? 0 : equals));
        if (equals == std::string_view::npos || name.empty()) {
            why = "line " + std::to_string(number) + " is not NAME=VALUE";
            return false;
        }
        const std::string_view value = Trimmed(line.substr(equals + 1));
        if (name == kRecentName) {
            // A damaged path, a repeated one or a ninth is left out; the file still reads.
            if (read.recentFiles.size() < kRecentFileLimit && UsableRecentPath(value) &&
                std::find(read.recentFiles.begin(), read.recentFiles.end(), value) ==
                    read.recentFiles.end())
                read.recentFiles.emplace_back(value);
            continue;
        }
        if (name != kZoomName) {
            read.otherLines.emplace_back(line);
            continue;
        }
        read.zoom = ZoomValue(value);
        if (!read.zoom) {
            why = "line " + std::to_string(number) + ": zoom is \"" + std::string(value) +
                  "\", not a whole number from " + std::to_string(kSmallestZoom) + " to " +
                  std::to_string(kLargestZoom);
            return false;
        }
    }
    settings = std::move(read);
    return true;
}

std::string FormatSettings(const UserSettings& settings) {
    std::string text =
        "# gridwright settings, one NAME=VALUE a line.\n"
        "# zoom: 1 to 4, the device pixels a side that show one pixel of the editing surface.\n";
    for (const std::string& line : settings.otherLines) text += line + '\n';
    if (settings.zoom) text += std::string(kZoomName) + '=' + std::to_string(*settings.zoom) + '\n';
    // Without recent files the text is what it always was.
    if (!settings.recentFiles.empty())
        text += "# recent: the map files named last, newest first.\n";
    for (const std::string& path : settings.recentFiles)
        if (UsableRecentPath(path)) text += std::string(kRecentName) + '=' + path + '\n';
    return text;
}

namespace {

// Why the settings file at path cannot be taken as it stands; empty when it can, or when there is
// none. What it holds goes into settings.
std::string FileProblem(const fs::path& path, UserSettings& settings) {
    std::error_code error;
    const bool present = fs::exists(path, error);
    if (!present && !error) return {};
    std::string why;
    const std::uintmax_t size = error ? 0 : fs::file_size(path, error);
    if (error) {
        why = error.message();
    } else if (size > kLargestSettingsFile) {
        why = "it is larger than any settings file of this editor";
    } else {
        std::vector<std::uint8_t> bytes;
        if (!ReadSmallFile(path, kLargestSettingsFile, bytes))
            why = "it cannot be read";
        else
            ParseSettings(std::string(bytes.begin(), bytes.end()), settings, why);
    }
    return why;
}

}  // namespace

UserSettings ReadSettingsFile(const std::string& folder, std::string& problem) {
    problem.clear();
    UserSettings settings;
    if (folder.empty()) return settings;
    const fs::path path = PathFromUtf8(folder) / kSettingsFileName;
    if (const std::string why = FileProblem(path, settings); !why.empty())
        problem = "gridwright: ignoring the settings file \"" + Utf8FromPath(path) + "\": " + why;
    return settings;
}

FileResult WriteSettingsFile(const std::string& folder, const UserSettings& settings,
                             std::string* keptAs) {
    if (keptAs) keptAs->clear();
    if (folder.empty()) return {};
    const fs::path place = PathFromUtf8(folder);
    std::error_code error;
    fs::create_directories(place, error);
    if (error) return FileResult::Failure(error.message());
    const std::string text = FormatSettings(settings);
    const fs::path file = place / kSettingsFileName;
    // What this editor cannot read may still be what the user wrote: it is kept, never replaced.
    UserSettings old;
    if (!FileProblem(file, old).empty()) {
        const std::string kept = SetAsideFile(file, ".unreadable");
        if (kept.empty())
            return FileResult::Failure("the settings file \"" + Utf8FromPath(file) +
                                       "\" cannot be read, nor kept under another name");
        if (keptAs) *keptAs = kept;
    }
    fs::path temporary = file;
    temporary += ".tmp";
    return ReplaceFile(temporary, file,
                       {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

}  // namespace gridwright
