#include "web_translate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "pointer_input.h"

namespace gridwright {

namespace {

// The upper-case Latin letter a key names, or 0.
char KeyLetter(std::string_view key, std::string_view code) {
    const auto letter = [](char c) -> char {
        if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
        return c >= 'A' && c <= 'Z' ? c : 0;
    };
    if (key.size() == 1 && letter(key[0]) != 0) return letter(key[0]);
    if (code.size() == 4 && code.substr(0, 3) == "Key") return letter(code[3]);
    return 0;
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
        std::string shortcut;
        if (item.shortcut != 0) shortcut = std::string("Ctrl+") + item.shortcut;
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
    const double pixel = shownSize > 0 ? offset * surfaceSize / shownSize : offset;
    if (std::isnan(pixel)) return -1e6F;
    // Far beyond the surface either way is as good as a million pixels off.
    return static_cast<float>(std::floor(std::clamp(pixel, -1e6, 1e6)));
}

MenuCommand ShortcutCommand(std::string_view key, std::string_view code, bool ctrl, bool shift,
                            bool alt) {
    const char letter = KeyLetter(key, code);
    if (!ctrl || alt || letter == 0) return MenuCommand::None;
    for (const MenuItem& top : MenuBar()) {
        for (const MenuItem& entry : top.items) {
            if (entry.command == MenuCommand::None) continue;
            if ((shift ? entry.shiftShortcut : entry.shortcut) == letter) return entry.command;
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
