#include "program_info.h"

#include "version.h"

namespace gridwright {

namespace {

constexpr std::string_view kHelp =
    "Usage: gridwright [MAP]\n"
    "The QUORIX map editor. Opens its window on level 0 of the map file MAP, which is created\n"
    "empty when it does not exist; without MAP, File > Open names one.\n"
    "The whole argument text is the file name, as it stands: blanks and quotation marks are\n"
    "part of it.\n"
    "\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "Only an argument text that is exactly --help or --version is taken as an option; any other\n"
    "text names the map file.\n";

}  // namespace

std::optional<std::string> InfoRequested(std::string_view argumentText) {
    if (argumentText == "--help") return std::string(kHelp);
    if (argumentText == "--version") return "gridwright " + std::string(gw::VersionText()) + "\n";
    return std::nullopt;
}

}  // namespace gridwright
