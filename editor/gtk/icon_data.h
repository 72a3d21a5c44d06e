// The editor's icon at several sizes, compiled into the program from editor/assets so the window
// shows it whether or not the icon theme has it installed.
#pragma once

#include <cstddef>
#include <span>

namespace gridwright {

struct EmbeddedFile {
    const unsigned char* data;
    std::size_t size;
};

std::span<const EmbeddedFile> IconPngs();

}  // namespace gridwright
