// The user's settings, kept between runs in a small text file that a person can read and edit:
// one NAME=VALUE a line; blank lines and lines that begin with '#' are notes. It holds the zoom
// and the map files named last, one recent=PATH line each, newest first.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "map_file.h"

namespace gridwright {

inline constexpr std::string_view kSettingsFileName = "settings.ini";

struct UserSettings {
    std::optional<int> zoom;  // 1 to 4 (zoom.h)
    // The map files named last, newest first (recent_files.h): UTF-8 paths, at most eight. A
    // recent= line that holds no usable path, or one more than eight, is left out, not refused.
    std::vector<std::string> recentFiles;
    // Settings this editor does not know (a later version's), kept as they stand.
    std::vector<std::string> otherLines;
};

// Reads settings text. False, with the line and what is wrong with it, when the text is damaged;
// `settings` is then unchanged.
bool ParseSettings(std::string_view text, UserSettings& settings, std::string& why);
std::string FormatSettings(const UserSettings& settings);

// Reads the settings file of a folder (UTF-8). No folder or no file gives no settings; so does a
// file that cannot be read or is damaged, and then `problem` tells the user which and why.
UserSettings ReadSettingsFile(const std::string& folder, std::string& problem);
// Replaces the folder's settings file whole, making the folder when it is missing. A settings
// file there that cannot be read is first renamed to settings.ini.unreadable (or -2, -3, ...),
// given in keptAs; when even that fails nothing is written.
FileResult WriteSettingsFile(const std::string& folder, const UserSettings& settings,
                             std::string* keptAs = nullptr);

}  // namespace gridwright
