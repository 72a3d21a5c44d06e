#include "menu.h"

#include <array>

namespace gridwright {

namespace {

// Recover stands before Exit, so every older item keeps its place and access letter.
constexpr std::array<MenuItem, 5> kFileMenu{{
    {"mnuWorldLoad", "&Open", 'O', 0, MenuCommand::Open, {}},
    {"mnuFileSaveGame", "&Save", 'S', 0, MenuCommand::Save, {}},
    {"mnuFileLevel", "&Level Select", 'L', 0, MenuCommand::LevelSelect, {}},
    {"mnuFileRecover", "&Recover", 0, 0, MenuCommand::Recover, {}},
    {"mnuWorldQuit", "E&xit", 0, 0, MenuCommand::Exit, {}},
}};

constexpr std::array<MenuItem, 2> kEditMenu{{
    {"mnuEditUndo", "&Undo", 'Z', 0, MenuCommand::Undo, {}},
    {"mnuEditRedo", "&Redo", 'Y', 'Z', MenuCommand::Redo, {}},
}};

// Zoom In also answers Ctrl+=, the same key without Shift on many keyboards.
constexpr std::array<MenuItem, 4> kOptionMenu{{
    {"mnuOptionBright", "&Brightness", 'B', 0, MenuCommand::Brightness, {}},
    {"mnuOptionZoomIn", "Zoom &In", '+', 0, MenuCommand::ZoomIn, {}, '='},
    {"mnuOptionZoomOut", "Zoom &Out", '-', 0, MenuCommand::ZoomOut, {}},
    {"mnuOptionActualSize", "&Actual Size", '0', 0, MenuCommand::ActualSize, {}},
}};

constexpr std::array<MenuItem, 4> kMenuBar{{
    {"mnuWorld", "&File", 0, 0, MenuCommand::None, kFileMenu},
    {"mnuEdit", "&Edit", 0, 0, MenuCommand::None, kEditMenu},
    {"mnuOption", "&Option", 0, 0, MenuCommand::None, kOptionMenu},
    {"mnuStatus", "[]", 0, 0, MenuCommand::None, {}},
}};

}  // namespace

std::span<const MenuItem> MenuBar() {
    return kMenuBar;
}

}  // namespace gridwright
