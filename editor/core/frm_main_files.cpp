// frmMain's ways of naming the map file besides the typed Open: the system's file dialog, the
// map files named last, and a file dropped on the window.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "frm_main.h"
#include "own_files.h"
#include "recent_files.h"

namespace gridwright {

namespace {

// The folder that holds the map file, for the file dialog to start in; empty when no file is
// named, and the system then chooses.
std::string FolderOf(const std::string& mapFileName) {
    if (mapFileName.empty()) return {};
    std::error_code error;
    const std::filesystem::path absolute =
        std::filesystem::absolute(PathFromUtf8(mapFileName), error);
    if (error) return {};
    return Utf8FromPath(absolute.lexically_normal().parent_path());
}

}  // namespace

void FrmMain::NameMapFile(std::string name) {
    const DocumentPlace before = Place();
    MapFileName = std::move(name);
    named_ = true;
    ShowCaption();
    RecordStep(Board, before, false);
    RememberRecentFile(MapFileName);
}

void FrmMain::mnuFileBrowse_Click() {
    const std::optional<std::string> chosen = services_.ChooseMapFile(FolderOf(MapFileName));
    if (!chosen || chosen->empty()) return;  // Cancel: nothing named, nothing changed
    NameMapFile(*chosen);
}

void FrmMain::mnuFileRecent_Click(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= settings_.recentFiles.size()) return;
    NameMapFile(settings_.recentFiles[static_cast<std::size_t>(index)]);
}

void FrmMain::DropFile(std::string_view path) {
    if (path.empty()) return;
    EndToolGesture();
    if (overview_) CloseOverview();
    const BoardGrid before = Board;
    const DocumentPlace beforePlace = Place();
    MapFileName = path;
    named_ = true;
    CurrentLevel = OptionalNumber::Whole(0);
    if (!LoadMap()) {
        // Not loaded, so not named: the next Save still writes where the board came from.
        MapFileName = beforePlace.fileName;
        named_ = beforePlace.named;
        CurrentLevel = beforePlace.level;
        return;
    }
    ShowCaption();
    // The edits the load replaced stay one Undo away, at their level and file.
    RecordStep(before, beforePlace, true);
    RememberRecentFile(MapFileName);
}

void FrmMain::RememberRecentFile(std::string_view name) {
    const std::string path = RecentPathFor(name);
    if (!UsableRecentPath(path)) return;
    services_.AddRecentDocument(path);
    // Another editor may have named files since this one read the settings: its list is the one
    // this name goes on top of. A damaged file is not taken; the write keeps it aside.
    std::string problem;
    const UserSettings current = ReadSettingsFile(settingsFolder_, problem);
    if (problem.empty() && !settingsFolder_.empty()) settings_ = current;
    const std::vector<std::string> before = settings_.recentFiles;
    AddRecentFile(settings_.recentFiles, path);
    ShowRecentFiles();
    if (settings_.recentFiles != before || !problem.empty()) WriteSettings("the recent files");
}

void FrmMain::ShowRecentFiles() {
    const std::vector<std::string>& files = settings_.recentFiles;
    for (int i = 0; i < kRecentFileEntries; ++i) {
        const auto index = static_cast<std::size_t>(i);
        const MenuCommand command = RecentFileCommand(i);
        if (index < files.size())
            services_.SetMenuCaption(command, RecentFileCaption(i, files[index]));
        services_.SetMenuVisible(command, index < files.size());
    }
    services_.SetMenuEnabled(MenuCommand::RecentFiles, !files.empty());
}

void FrmMain::WriteSettings(std::string_view what) {
    std::string keptAs;
    const FileResult written = WriteSettingsFile(settingsFolder_, settings_, &keptAs);
    if (!keptAs.empty()) {
        std::fprintf(stderr,
                     "gridwright: the settings file that could not be read is kept as \"%s\"\n",
                     keptAs.c_str());
    }
    if (!written) {
        std::fprintf(stderr, "gridwright: %.*s could not be remembered: %s\n",
                     static_cast<int>(what.size()), what.data(), written.reason.c_str());
    }
}

}  // namespace gridwright
