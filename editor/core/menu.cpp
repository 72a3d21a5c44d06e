#include "menu.h"

#include <array>

namespace gridwright {

namespace {

// The map files named last, newest first. Their captions are the core's: it names each entry
// and shows only as many as it has files (WindowServices::SetMenuCaption, SetMenuVisible).
constexpr MenuItem RecentEntry(std::string_view name, int index) {
    return {name, "", 0, 0, RecentFileCommand(index), {}, 0, 0, NamedKey::None, 0, false, true};
}
constexpr std::array<MenuItem, kRecentFileEntries> kRecentMenu{{
    RecentEntry("mnuFileRecent1", 0),
    RecentEntry("mnuFileRecent2", 1),
    RecentEntry("mnuFileRecent3", 2),
    RecentEntry("mnuFileRecent4", 3),
    RecentEntry("mnuFileRecent5", 4),
    RecentEntry("mnuFileRecent6", 5),
    RecentEntry("mnuFileRecent7", 6),
    RecentEntry("mnuFileRecent8", 7),
}};

// Browse and Recent follow Open, the other way of naming a map file; Recover stands before Exit.
constexpr std::array<MenuItem, 7> kFileMenu{{
    {"mnuWorldLoad", "&Open", 'O', 0, MenuCommand::Open, {}},
    {"mnuFileBrowse",
     "&Browse...",
     0,
     'O',
     MenuCommand::Browse,
     {},
     0,
     0,
     NamedKey::None,
     0,
     false,
     true},
    {"mnuFileRecent", "Recen&t", 0, 0, MenuCommand::RecentFiles, kRecentMenu, 0, 0, NamedKey::None,
     0, false, true},
    {"mnuFileSaveGame", "&Save", 'S', 0, MenuCommand::Save, {}},
    {"mnuFileLevel", "&Level Select", 'L', 0, MenuCommand::LevelSelect, {}},
    {"mnuFileRecover", "&Recover", 0, 0, MenuCommand::Recover, {}},
    {"mnuWorldQuit", "E&xit", 0, 0, MenuCommand::Exit, {}},
}};

// The selection's commands follow Undo and Redo, with the keys every editor gives them.
constexpr std::array<MenuItem, 7> kEditMenu{{
    {"mnuEditUndo", "&Undo", 'Z', 0, MenuCommand::Undo, {}},
    {"mnuEditRedo", "&Redo", 'Y', 'Z', MenuCommand::Redo, {}},
    {"mnuEditCut", "Cu&t", 'X', 0, MenuCommand::Cut, {}},
    {"mnuEditCopy", "&Copy", 'C', 0, MenuCommand::Copy, {}},
    {"mnuEditPaste", "&Paste", 'V', 0, MenuCommand::Paste, {}},
    {"mnuEditDelete", "&Delete", 0, 0, MenuCommand::Delete, {}, 0, 0, NamedKey::Delete},
    {"mnuEditSelectAll", "Select &All", 'A', 0, MenuCommand::SelectAll, {}},
}};

// The drawing tools, one radio group; the keys are the plain letters raster editors give them.
constexpr int kToolGroup = 1;
constexpr std::array<MenuItem, 6> kToolMenu{{
    {"mnuToolPen",
     "&Pen",
     0,
     0,
     MenuCommand::ToolPen,
     {},
     0,
     'B',
     NamedKey::None,
     kToolGroup,
     true},
    {"mnuToolLine", "&Line", 0, 0, MenuCommand::ToolLine, {}, 0, 'L', NamedKey::None, kToolGroup},
    {"mnuToolFill", "&Fill", 0, 0, MenuCommand::ToolFill, {}, 0, 'G', NamedKey::None, kToolGroup},
    {"mnuToolSelect",
     "&Select",
     0,
     0,
     MenuCommand::ToolSelect,
     {},
     0,
     'M',
     NamedKey::None,
     kToolGroup},
    {"mnuToolPick", "P&ick", 0, 0, MenuCommand::ToolPick, {}, 0, 'I', NamedKey::None, kToolGroup},
    {"mnuToolText", "&Text", 0, 0, MenuCommand::ToolText, {}, 0, 'T', NamedKey::None, kToolGroup},
}};

// Whole levels of the map file: the overview, the operations that rewrite the file, and the
// neighbouring levels, which load as Level Select loads them.
constexpr std::array<MenuItem, 7> kLevelMenu{{
    {"mnuLevelOverview", "&Overview", 0, 0, MenuCommand::LevelOverview, {}, 0, 0, NamedKey::Tab},
    {"mnuLevelInsert", "&Insert", 0, 0, MenuCommand::LevelInsert, {}},
    {"mnuLevelDuplicate", "&Duplicate", 'D', 0, MenuCommand::LevelDuplicate, {}},
    {"mnuLevelDelete", "De&lete", 0, 0, MenuCommand::LevelDelete, {}},
    {"mnuLevelMove", "&Move To...", 0, 0, MenuCommand::LevelMoveTo, {}},
    {"mnuLevelPrevious", "&Previous", 0, 0, MenuCommand::LevelPrevious, {}, 0, 0, NamedKey::PageUp},
    {"mnuLevelNext", "&Next", 0, 0, MenuCommand::LevelNext, {}, 0, 0, NamedKey::PageDown},
}};

// Zoom In also answers Ctrl+=, the same key without Shift on many keyboards.
constexpr std::array<MenuItem, 4> kOptionMenu{{
    {"mnuOptionBright", "&Brightness", 'B', 0, MenuCommand::Brightness, {}},
    {"mnuOptionZoomIn", "Zoom &In", '+', 0, MenuCommand::ZoomIn, {}, '='},
    {"mnuOptionZoomOut", "Zoom &Out", '-', 0, MenuCommand::ZoomOut, {}},
    {"mnuOptionActualSize", "&Actual Size", '0', 0, MenuCommand::ActualSize, {}},
}};

constexpr std::array<MenuItem, 6> kMenuBar{{
    {"mnuWorld", "&File", 0, 0, MenuCommand::None, kFileMenu},
    {"mnuEdit", "&Edit", 0, 0, MenuCommand::None, kEditMenu},
    {"mnuTool", "&Tool", 0, 0, MenuCommand::None, kToolMenu},
    {"mnuLevel", "Le&vel", 0, 0, MenuCommand::None, kLevelMenu},
    {"mnuOption", "&Option", 0, 0, MenuCommand::None, kOptionMenu},
    {"mnuStatus", "[]", 0, 0, MenuCommand::None, {}},
}};

}  // namespace

std::span<const MenuItem> MenuBar() {
    return kMenuBar;
}

}  // namespace gridwright
