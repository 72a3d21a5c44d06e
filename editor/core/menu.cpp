#include "menu.h"

#include <array>

namespace gridwright {

namespace {

constexpr std::array<MenuItem, 4> kFileMenu{{
    {"mnuWorldLoad", "&Open", 'O', MenuCommand::Open, {}},
    {"mnuFileSaveGame", "&Save", 'S', MenuCommand::Save, {}},
    {"mnuFileLevel", "&Level Select", 'L', MenuCommand::LevelSelect, {}},
    {"mnuWorldQuit", "E&xit", 0, MenuCommand::Exit, {}},
}};

constexpr std::array<MenuItem, 1> kOptionMenu{{
    {"mnuOptionBright", "&Brightness", 'B', MenuCommand::Brightness, {}},
}};

constexpr std::array<MenuItem, 3> kMenuBar{{
    {"mnuWorld", "&File", 0, MenuCommand::None, kFileMenu},
    {"mnuOption", "&Option", 0, MenuCommand::None, kOptionMenu},
    {"mnuStatus", "[]", 0, MenuCommand::None, {}},
}};

}  // namespace

std::span<const MenuItem> MenuBar() {
    return kMenuBar;
}

}  // namespace gridwright
