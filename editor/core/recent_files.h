// The map files named last (by Open, Browse, the command line or a drop), newest first, as the
// File menu's Recent submenu lists them and the settings file keeps them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace gridwright {

// The list holds at most this many files; an older one falls off the end.
inline constexpr std::size_t kRecentFileLimit = 8;

// Whether a path can stand in the list and in a line of the settings file: not empty, UTF-8
// without control characters (a line end would split the line), no blank at either end (the
// settings file trims them), and of a sensible length.
bool UsableRecentPath(std::string_view path);
// Puts the path first, taking out an equal entry further down, and keeps the newest
// kRecentFileLimit. An unusable path leaves the list as it was.
void AddRecentFile(std::vector<std::string>& list, std::string_view path);
// The path that stands for a map file name in the list: made absolute (against the current
// folder) and tidied, so that the entry names the same file from any folder a later run starts
// in. A name that cannot be made absolute stays as it is.
std::string RecentPathFor(std::string_view mapFileName);
// The menu caption of entry `index` (0 the newest): its number 1 to 8 as the access letter, then
// the path, whose own ampersands show as such.
std::string RecentFileCaption(int index, std::string_view path);

}  // namespace gridwright
