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
//   key NAME SHIFT                  a named key (Escape, Delete, Backspace, Enter, Left, Right,
//                                   Up, Down, Tab, PageUp, PageDown) with the modifier keys held
//   type HEX                        a typed character, its Unicode code point in hexadecimal
//   leave                           the pointer left the surface with no button held
//   paste refused                   the clipboard for the last Paste, as the page hands it over:
//   paste CELLS TEXT                refused, or the forms read, each hexadecimal UTF-8 bytes,
//                                   "." for an empty form or "-" for a missing one (the page's
//                                   own last Copy fills in as on the page: web_translate.h's
//                                   PasteContent)
//   picture FILE                    writes the surface as shown now, as a binary PPM picture
//   clipboard FILE                  writes the last Copy's text to FILE, its cells to FILE.cells
// Failures the core reports are printed on standard error; a script error ends with status 2.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "frm_main.h"
#include "headless_services.h"
#include "indexed_image.h"
#include "menu.h"
#include "surface_geometry.h"
#include "web_translate.h"

namespace {

using namespace gridwright;

MenuCommand CommandNamed(const std::string& name) {
    for (const MenuItem& top : MenuBar())
        for (const MenuItem& entry : top.items)
            if (entry.name == name) return entry.command;
    return MenuCommand::None;
}

NamedKey KeyNamed(const std::string& name) {
    static const std::pair<const char*, NamedKey> kNames[] = {{"Escape", NamedKey::Escape},
                                                              {"Delete", NamedKey::Delete},
                                                              {"Backspace", NamedKey::Backspace},
                                                              {"Enter", NamedKey::Enter},
                                                              {"Left", NamedKey::Left},
                                                              {"Right", NamedKey::Right},
                                                              {"Up", NamedKey::Up},
                                                              {"Down", NamedKey::Down},
                                                              {"Tab", NamedKey::Tab},
                                                              {"PageUp", NamedKey::PageUp},
                                                              {"PageDown", NamedKey::PageDown}};
    for (const auto& [text, key] : kNames)
        if (name == text) return key;
    return NamedKey::None;
}

// Hexadecimal bytes as a text ("." an empty text, "-" none); false when malformed.
bool FromHex(const std::string& hex, std::optional<std::string>& bytes) {
    bytes.reset();
    if (hex == "-") return true;
    if (hex == ".") {
        bytes.emplace();
        return true;
    }
    if (hex.size() % 2 != 0) return false;
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned value = 0;
        if (std::sscanf(hex.c_str() + i, "%2x", &value) != 1) return false;
        out += static_cast<char>(value);
    }
    bytes = std::move(out);
    return true;
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
    window.clipboardAtOnce = false;  // the page's clipboard answers later, as a "paste" line
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
        } else if (verb == "key") {
            std::string name;
            int shift = 0;
            words >> name >> shift;
            const NamedKey key = KeyNamed(name);
            if (key == NamedKey::None || !words) {
                std::cerr << argv[1] << ':' << number << ": expected NAME SHIFT\n";
                return 2;
            }
            form.KeyDown(key, static_cast<std::int16_t>(shift));
        } else if (verb == "type") {
            unsigned long code = 0;
            if (!(words >> std::hex >> code) || code == 0 || code > 0x10FFFF) {
                std::cerr << argv[1] << ':' << number << ": expected a code point\n";
                return 2;
            }
            form.TypeCharacter(static_cast<char32_t>(code));
        } else if (verb == "leave") {
            form.PointerLeft();
        } else if (verb == "paste") {
            std::string cells, text;
            words >> cells;
            std::optional<ClipboardContent> read;
            if (cells != "refused") {
                read.emplace();
                words >> text;
                if (!FromHex(cells, read->cells) || !FromHex(text, read->text) || !words) {
                    std::cerr << argv[1] << ':' << number << ": expected CELLS TEXT\n";
                    return 2;
                }
            }
            form.PasteClipboard(PasteContent(read, window.clipboard));
        } else if (verb == "clipboard") {
            std::string path;
            words >> path;
            if (window.clipboardWrites == 0) {
                std::cerr << argv[1] << ':' << number << ": nothing was copied\n";
                return 2;
            }
            std::ofstream(path, std::ios::binary) << window.clipboard.text.value_or("");
            std::ofstream(path + ".cells", std::ios::binary) << window.clipboard.cells.value_or("");
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
