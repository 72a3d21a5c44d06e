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
    ActualSize
};

struct MenuItem {
    std::string_view name;            // control name, e.g. "mnuWorldLoad"
    std::string_view caption;         // with '&' before the access letter, e.g. "&Open"
    char shortcut;                    // Ctrl + this upper-case letter, digit, '+', '-' or '='; or 0
    char shiftShortcut;               // also Ctrl+Shift + this upper-case letter, or 0 for none
    MenuCommand command;              // MenuCommand::None for menus and the status item
    std::span<const MenuItem> items;  // the entries of a drop-down menu; empty for a plain item
    char otherShortcut = 0;           // also Ctrl + this key, not shown beside the first; or 0
};

// The top-level items in display order: "&File", "&Edit", "&Option" and the status item "[]"
// (mnuStatus), whose caption the core sets through WindowServices::SetStatusCaption.
std::span<const MenuItem> MenuBar();

}  // namespace gridwright
