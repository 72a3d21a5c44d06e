// Plugs the map format into git: the textconv that makes `git diff` show changed cells as changed
// lines of the .txt form, and the merge driver that merges map files cell by cell.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace gridwright {

// The line that .gitattributes needs for map files to use both drivers.
inline constexpr std::string_view kGitAttributesLine = "*.qmap diff=qmap merge=qmap";

// The configuration that git-setup writes, key and value, for a gridmap started as `program`.
std::vector<std::pair<std::string, std::string>> GitDriverSettings(const std::string& program);

// Writes those settings into the repository's configuration (the user's with global) through the
// git program, each only when it differs from what is there, and in a repository adds
// kGitAttributesLine to the .gitattributes at its top when no line says it already. Prints what
// it changed; false, with a message on standard error, when git cannot be run or refuses.
bool SetUpGit(bool global);

// How a git configuration value names this gridmap: "gridmap" when that is what the search path
// finds, else the program's own path, quoted for the shell that git runs drivers through.
std::string ProgramForGit();

}  // namespace gridwright
