// What the editor's command line can ask for besides a map file: when the whole argument text is
// exactly "--help" or "--version", the program shows that text and ends without opening a window.
// Any other text, one that begins with a dash included, still names the map file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace gridwright {

// The help or the version text the argument text asks for, or nothing when it names a map file.
std::optional<std::string> InfoRequested(std::string_view argumentText);

}  // namespace gridwright
