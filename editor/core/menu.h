// The editor's menu bar, described once so that every front end builds the same bar.
#pragma once

#include <span>
#include <string_view>

namespace gridwright {

enum class MenuCommand {
    None,
    Open,
    Save,
    LevelSelect,
    Exit,
    Brightness,
    Undo,
    Redo,
    Recover,
    ZoomIn,
    ZoomOut,
    ActualSize,
    // Edit, after Undo and Redo: the selection and the clipboard.
    Cut,
    Copy,
    Paste,
    Delete,
    SelectAll,
    // Tool: one radio item per drawing tool.
    ToolPen,
    ToolLine,
    ToolFill,
    ToolSelect,
    ToolPick,
    ToolText,
    // Level: the overview of the map's levels and the operations on whole levels of the file.
    LevelOverview,
    LevelInsert,
    LevelDuplicate,
    LevelDelete,
    LevelMoveTo,
    LevelPrevious,
    LevelNext,
    // File, after Open: the system's file dialog, and the submenu of the map files named last
    // (RecentFiles is its heading, whose entries RecentFile1 to RecentFile8 are, newest first).
    Browse,
    RecentFiles,
    RecentFile1,
    RecentFile2,
    RecentFile3,
    RecentFile4,
    RecentFile5,
    RecentFile6,
    RecentFile7,
    RecentFile8
};

// The entries of the Recent submenu, one for each map file it can hold.
inline constexpr int kRecentFileEntries = 8;
// The command of entry `index` (0 the newest) of the Recent submenu.
constexpr MenuCommand RecentFileCommand(int index) {
    return static_cast<MenuCommand>(static_cast<int>(MenuCommand::RecentFile1) + index);
}
// The entry of the Recent submenu that a command chooses, or -1 for any other command.
constexpr int RecentFileIndex(MenuCommand command) {
    const int index = static_cast<int>(command) - static_cast<int>(MenuCommand::RecentFile1);
    return index >= 0 && index < kRecentFileEntries ? index : -1;
}

// Keys that have a name rather than a character. The front end hands each press of one to
// FrmMain::KeyDown (frm_main.h).
enum class NamedKey {
    None,
    Escape,
    Delete,
    Backspace,
    Enter,
    Left,
    Right,
    Up,
    Down,
    Tab,
    PageUp,
    PageDown
};

struct MenuItem {
    std::string_view name;     // control name, e.g. "mnuWorldLoad"
    std::string_view caption;  // with '&' before the access letter, e.g. "&Open"
    char shortcut;             // Ctrl + this upper-case letter, digit, '+', '-' or '='; or 0
    // Also Ctrl+Shift + this upper-case letter, or 0 for none. Shown beside the caption when the
    // entry has no Ctrl shortcut (Browse: Ctrl+Shift+O).
    char shiftShortcut;
    // MenuCommand::None for menus and the status item; a submenu's heading may have a command,
    // never chosen, by which the core makes the whole submenu choosable or not.
    MenuCommand command;
    // The entries of a drop-down menu, or of a submenu inside one; empty for a plain item.
    std::span<const MenuItem> items;
    char otherShortcut = 0;  // also Ctrl + this key, not shown beside the first; or 0
    // A key that chooses the entry with no modifier held: an upper-case letter (the tools), or 0.
    // Shown beside the caption ("B"), but never bound by the front end: letters reach the core
    // as typed characters (FrmMain::TypeCharacter), which are text while the text caret shows.
    char plainKey = 0;
    // A named key that chooses the entry with no modifier held (Delete, Tab, Page Up, Page Down),
    // or NamedKey::None. Shown beside the caption ("Del", "Tab", "PgUp", "PgDn"), never bound: the
    // key reaches the core through FrmMain::KeyDown.
    NamedKey namedKey = NamedKey::None;
    // Entries of one drop-down menu with the same non-zero group are radio items: exactly one is
    // checked, shown with a mark. `checked` is the state at start; the core then tells every change
    // through WindowServices::SetMenuChecked.
    int radioGroup = 0;
    bool checked = false;
    // The entry names map files by their paths (Browse, Recent). A front end whose files have no
    // paths the user could name (the web page, which opens files through the browser) leaves it
    // out, with its shortcuts.
    bool namesPaths = false;
};

// The top-level items in display order: "&File", "&Edit", "&Tool", "Le&vel", "&Option" and the
// status item "[]" (mnuStatus), whose caption the core sets through
// WindowServices::SetStatusCaption.
std::span<const MenuItem> MenuBar();

}  // namespace gridwright
