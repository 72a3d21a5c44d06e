// Drives the editor's core without a window through a script of events, as a desktop front end
// would deliver them, so that a test can hold another front end to what the core does for the
// same input: the map files it writes and the surface it shows.
//
//   replay_events SCRIPT [COMMAND_LINE]
//
// runs in the current folder, with COMMAND_LINE as the editor's argument text. Script lines:
//   down|move|up BUTTON SHIFT X Y   a pointer event (pointer_input.h values, surface pixels)
//   answer [TEXT]                   the answer of the next input box (none: Cancel)
//   menu NAME                       the command of the menu entry with that control name
//   picture FILE                    writes the surface as shown now, as a binary PPM picture
// Failures the core reports are printed on standard error; a script error ends with status 2.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "frm_main.h"
#include "headless_services.h"
#include "indexed_image.h"
#include "menu.h"
#include "surface_geometry.h"

namespace {

using namespace gridwright;

MenuCommand CommandNamed(const std::string& name) {
    for (const MenuItem& top : MenuBar())
        for (const MenuItem& entry : top.items)
            if (entry.name == name) return entry.command;
    return MenuCommand::None;
}

bool WritePicture(const HeadlessServices& window, const std::string& path) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kSurfaceWidth) * kSurfaceHeight);
    IndexedToRgb(window.blittedBits.data(), window.blittedInfo, pixels.data(), kSurfaceWidth,
                 kSurfaceHeight, kSurfaceWidth);
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << kSurfaceWidth << ' ' << kSurfaceHeight << "\n255\n";
    for (const std::uint32_t p : pixels) {
        const char rgb[3] = {static_cast<char>(p >> 16), static_cast<char>(p >> 8),
                             static_cast<char>(p)};
        out.write(rgb, 3);
    }
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: replay_events SCRIPT [COMMAND_LINE]\n";
        return 2;
    }
    std::ifstream script(argv[1]);
    if (!script) {
        std::cerr << "replay_events: cannot read " << argv[1] << '\n';
        return 2;
    }
    HeadlessServices window;
    window.commandLine = argc == 3 ? argv[2] : "";
    FrmMain form(window);
    form.Form_Load();

    std::string line;
    for (int number = 1; std::getline(script, line); ++number) {
        std::istringstream words(line);
        std::string verb;
        words >> verb;
        if (verb == "down" || verb == "move" || verb == "up") {
            int button = 0, shift = 0;
            float x = 0, y = 0;
            if (!(words >> button >> shift >> x >> y)) {
                std::cerr << argv[1] << ':' << number << ": expected BUTTON SHIFT X Y\n";
                return 2;
            }
            const auto b = static_cast<std::int16_t>(button);
            const auto s = static_cast<std::int16_t>(shift);
            if (verb == "down") form.picScreen_MouseDown(b, s, x, y);
            if (verb == "move") form.picScreen_MouseMove(b, s, x, y);
            if (verb == "up") form.picScreen_MouseUp(b, s, x, y);
        } else if (verb == "answer") {
            std::string text;
            std::getline(words >> std::ws, text);
            window.answers.push_back(text);
        } else if (verb == "menu") {
            std::string name;
            words >> name;
            const MenuCommand command = CommandNamed(name);
            if (command == MenuCommand::None) {
                std::cerr << argv[1] << ':' << number << ": no menu entry " << name << '\n';
                return 2;
            }
            form.Invoke(command);
        } else if (verb == "picture") {
            std::string path;
            words >> path;
            if (!WritePicture(window, path)) {
                std::cerr << "replay_events: cannot write " << path << '\n';
                return 2;
            }
        } else if (!verb.empty()) {
            std::cerr << argv[1] << ':' << number << ": unknown line " << line << '\n';
            return 2;
        }
    }
    for (const std::string& failure : window.failures) std::cerr << failure << '\n';
    return 0;
}
