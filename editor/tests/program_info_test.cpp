// The editor's help and version, asked for by an argument text of exactly --help or --version.
#include "program_info.h"

#include <gtest/gtest.h>

#include "version.h"

namespace gridwright {
namespace {

TEST(ProgramInfo, ExactOptionsGiveTheirTexts) {
    EXPECT_EQ(InfoRequested("--version"), "gridwright " + std::string(gw::VersionText()) + "\n");
    const std::optional<std::string> help = InfoRequested("--help");
    ASSERT_TRUE(help.has_value());
    EXPECT_EQ(help->rfind("Usage: gridwright [MAP]\n", 0), 0u);
}

TEST(ProgramInfo, AnyOtherTextNamesTheMapFile) {
    for (const char* text : {"", "world.qmap", "--help ", " --help", "--help world.qmap", "-h",
                             "--HELP", "--version=1", "\"--version\""})
        EXPECT_EQ(InfoRequested(text), std::nullopt) << text;
}

}  // namespace
}  // namespace gridwright
