#include "web_translate.h"

#include <cstdio>

#include "pointer_input.h"
#include "zoom.h"

namespace gridwright {

namespace {

// The character a key gives as the menu bar writes shortcuts: an upper-case Latin letter, a digit,
// '+', '-' or '='; 0 for any other key.
char ShortcutKey(std::string_view key, std::string_view code) {
    const auto shortcut = [](char c) -> char {
        if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
        return c == '+' || c == '-' || c == '=' ? c : 0;
    };
    if (key.size() == 1 && shortcut(key[0]) != 0) return shortcut(key[0]);
    // The key's place, where the layout gives no such character there (a Cyrillic letter).
    if (code.size() == 4 && code.substr(0, 3) == "Key") return shortcut(code[3]);
    if (code.size() == 6 && code.substr(0, 5) == "Digit") return shortcut(code[5]);
    return 0;
}

// The text shown beside a menu entry for its shortcut.
std::string ShortcutText(char shortcut) {
    if (shortcut == 0) return {};
    if (shortcut == '+') return "Ctrl+Plus";
    if (shortcut == '-') return "Ctrl+Minus";
    return std::string("Ctrl+") + shortcut;
}

void AppendJsonString(std::string& json, std::string_view text) {
    json += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            json += escaped;
        } else {
            json += c;
        }
    }
    json += '"';
}

void AppendMenuItems(std::string& json, std::span<const MenuItem> items) {
    json += '[';
    for (std::size_t i = 0; i < items.size(); ++i) {
        const MenuItem& item = items[i];
        // The caption as shown, and where its access letter stands in it.
        std::string caption;
        int access = -1;
        for (std::size_t k = 0; k < item.caption.size(); ++k) {
            if (item.caption[k] == '&' && k + 1 < item.caption.size()) {
                ++k;
                if (item.caption[k] != '&' && access < 0) access = static_cast<int>(caption.size());
            }
            caption += item.caption[k];
        }
        const std::string shortcut = ShortcutText(item.shortcut);
        if (i > 0) json += ',';
        json += "{\"name\":";
        AppendJsonString(json, item.name);
        json += ",\"caption\":";
        AppendJsonString(json, caption);
        json += ",\"access\":" + std::to_string(access);
        json += ",\"command\":" + std::to_string(static_cast<int>(item.command));
        json += ",\"shortcut\":";
        AppendJsonString(json, shortcut);
        json += ",\"items\":";
        AppendMenuItems(json, item.items);
        json += '}';
    }
    json += ']';
}

}  // namespace

std::int16_t PressedButton(int domButton) {
    switch (domButton) {
        case 0:
            return kLeftButton;
        case 1:
            return kMiddleButton;
        case 2:
            return kRightButton;
        default:
            return 0;
    }
}

std::int16_t HeldButtons(int domButtons) {
    return static_cast<std::int16_t>(domButtons & kAllButtons);
}

std::int16_t ModifierKeys(bool shift, bool ctrl, bool alt) {
    return static_cast<std::int16_t>((shift ? kShiftKey : 0) | (ctrl ? kCtrlKey : 0) |
                                     (alt ? kAltKey : 0));
}

float SurfacePoint(double offset, double shownSize, int surfaceSize) {
    return static_cast<float>(
        SurfacePixel(shownSize > 0 ? offset * surfaceSize / shownSize : offset, 1));
}

MenuCommand ShortcutCommand(std::string_view key, std::string_view code, bool ctrl, bool shift,
                            bool alt) {
    const char pressed = ShortcutKey(key, code);
    if (!ctrl || alt || pressed == 0) return MenuCommand::None;
    // Shift picks a letter's second shortcut; for other characters it is part of typing them
    // ('+' is Shift and '=' on many keyboards).
    const bool letter = pressed >= 'A' && pressed <= 'Z';
    for (const MenuItem& top : MenuBar()) {
        for (const MenuItem& entry : top.items) {
            if (entry.command == MenuCommand::None) continue;
            if (letter && shift) {
                if (entry.shiftShortcut == pressed) return entry.command;
            } else if (entry.shortcut == pressed || entry.otherShortcut == pressed) {
                return entry.command;
            }
        }
    }
    return MenuCommand::None;
}

std::string MenuBarJson() {
    std::string json;
    AppendMenuItems(json, MenuBar());
    return json;
}

void ToCanvasOrder(std::uint32_t* pixels, int width, int height, int stride,
                   const PixelRect& area) {
    const PixelRect clipped = Clip(area, width, height);
    for (int y = clipped.y; y < clipped.y + clipped.height; ++y) {
        std::uint32_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = clipped.x; x < clipped.x + clipped.width; ++x) {
            // 0xFFRRGGBB is stored B, G, R, A on a little-endian machine; a canvas takes R, G,
            // B, A, which is 0xAABBGGRR there. WebAssembly is little-endian.
            const std::uint32_t p = row[x];
            row[x] = (p & 0xFF00FF00u) | ((p >> 16) & 0xFFu) | ((p & 0xFFu) << 16);
        }
    }
}

}  // namespace gridwright
