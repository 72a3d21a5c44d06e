// The settings reader, over settings files that a person edited by hand. Properties: what it
// reads it writes back so that the writing reads the same again; and no byte of a file it cannot
// read is lost when a setting is then written (the file is kept under another name).
#include <filesystem>

#include "fuzz_support.h"
#include "user_settings.h"

using namespace gridwright;

namespace {

bool Same(const UserSettings& a, const UserSettings& b) {
    return a.zoom == b.zoom && a.otherLines == b.otherLines && a.recentFiles == b.recentFiles;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    UserSettings settings;
    settings.zoom = 2;
    std::string why;
    const bool read = ParseSettings(text, settings, why);
    if (read) {
        const std::string written = FormatSettings(settings);
        UserSettings again;
        FUZZ_CHECK(ParseSettings(written, again, why));
        FUZZ_CHECK(Same(again, settings));
        FUZZ_CHECK(FormatSettings(again) == written);
    } else {
        FUZZ_CHECK(!why.empty());
        FUZZ_CHECK(settings.zoom == 2 && settings.otherLines.empty() &&
                   settings.recentFiles.empty());
    }

    // The file as the editor meets it: read at start, then a zoom change writes the settings.
    const std::filesystem::path folder = fuzz::ScratchFolder() / "settings";
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / kSettingsFileName;
    fuzz::WriteFile(file, {data, size});
    // No settings file of the editor is larger than 64 KiB; a larger one is something else.
    const bool readable = read && size <= 64 * 1024;
    std::string problem;
    UserSettings fromFile = ReadSettingsFile(folder.string(), problem);
    FUZZ_CHECK(problem.empty() == readable);
    fromFile.zoom = 3;
    std::string keptAs;
    FUZZ_CHECK(WriteSettingsFile(folder.string(), fromFile, &keptAs));
    FUZZ_CHECK(keptAs.empty() == readable);
    if (!readable) {
        const std::vector<std::uint8_t> kept = fuzz::ReadFile(keptAs);
        FUZZ_CHECK(std::equal(kept.begin(), kept.end(), data, data + size));
    }
    UserSettings now = ReadSettingsFile(folder.string(), problem);
    FUZZ_CHECK(problem.empty() && now.zoom == 3);
    if (readable)
        FUZZ_CHECK(now.otherLines == settings.otherLines &&
                   now.recentFiles == settings.recentFiles);
    return 0;
}
