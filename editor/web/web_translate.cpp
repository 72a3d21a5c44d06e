#include "web_translate.h"

#include <cstdio>
#include <optional>
#include <string>

#include "pointer_input.h"
#include "utf8.h"
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

// The text shown beside a menu entry for its shortcut: the Ctrl key, else the key that chooses it
// without a modifier (shown, not bound: the core hears it as a typed character or a named key).
std::string ShortcutText(const MenuItem& item) {
    const char shortcut = item.shortcut;
    if (shortcut == '+') return "Ctrl+Plus";
    if (shortcut == '-') return "Ctrl+Minus";
    if (shortcut != 0) return std::string("Ctrl+") + shortcut;
    if (item.plainKey != 0) return std::string(1, item.plainKey);
    if (item.namedKey == NamedKey::Delete) return "Del";
    if (item.namedKey == NamedKey::Tab) return "Tab";
    if (item.namedKey == NamedKey::PageUp) return "PgUp";
    if (item.namedKey == NamedKey::PageDown) return "PgDn";
    return {};
}

// Line ends as the page's own text has them: a clipboard on Windows gives "\r\n".
std::string UnixLines(std::string_view text) {
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\r' || i + 1 >= text.size() || text[i + 1] != '\n') lines += text[i];
    return lines;
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
    bool first = true;
    for (const MenuItem& item : items) {
        // The page opens files through the browser's own dialog: it has no paths to name.
        if (item.namesPaths) continue;
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
        const std::string shortcut = ShortcutText(item);
        if (!first) json += ',';
        first = false;
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
        if (item.radioGroup != 0) {
            json += ",\"radio\":" + std::to_string(item.radioGroup);
            json += item.checked ? ",\"checked\":true" : ",\"checked\":false";
        }
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
            if (entry.command == MenuCommand::None || entry.namesPaths) continue;
            if (letter && shift) {
                if (entry.shiftShortcut == pressed) return entry.command;
            } else if (entry.shortcut == pressed || entry.otherShortcut == pressed) {
                return entry.command;
            }
        }
    }
    return MenuCommand::None;
}

NamedKey NamedKeyOf(std::string_view key) {
    // Older browsers name some keys without "Arrow" and abbreviate Escape and Delete.
    static constexpr struct {
        std::string_view key;
        NamedKey named;
    } kNames[] = {
        {"Escape", NamedKey::Escape},
        {"Esc", NamedKey::Escape},
        {"Delete", NamedKey::Delete},
        {"Del", NamedKey::Delete},
        {"Backspace", NamedKey::Backspace},
        {"Enter", NamedKey::Enter},
        {"ArrowLeft", NamedKey::Left},
        {"Left", NamedKey::Left},
        {"ArrowRight", NamedKey::Right},
        {"Right", NamedKey::Right},
        {"ArrowUp", NamedKey::Up},
        {"Up", NamedKey::Up},
        {"ArrowDown", NamedKey::Down},
        {"Down", NamedKey::Down},
        {"Tab", NamedKey::Tab},
        {"PageUp", NamedKey::PageUp},
        {"PageDown", NamedKey::PageDown},
    };
    for (const auto& name : kNames)
        if (name.key == key) return name.named;
    return NamedKey::None;
}

char32_t TypedCharacter(std::string_view key, bool ctrl, bool alt, bool meta, bool altGraph) {
    if (meta || ((ctrl || alt) && !altGraph) || key.empty()) return 0;
    // One UTF-8 sequence, shortest form, no surrogate, nothing after it.
    const std::optional<std::u32string> characters = DecodeUtf8(key);
    if (!characters || characters->size() != 1) return 0;
    const char32_t c = characters->front();
    // Control characters (Tab, a bare Escape or Backspace some browsers type) are no text.
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return 0;
    return c;
}

std::string_view CursorName(PointerShape shape) {
    switch (shape) {
        case PointerShape::Arrow:
            return "default";
        case PointerShape::Crosshair:
            return "crosshair";
        case PointerShape::Fill:
            return "cell";
        case PointerShape::Move:
            return "move";
        case PointerShape::Pick:
            return "copy";
        case PointerShape::Text:
            return "text";
    }
    return "default";
}

ClipboardContent PasteContent(const std::optional<ClipboardContent>& read,
                              const ClipboardContent& written) {
    if (!read) return written;
    if (read->cells || !read->text) return *read;
    if (written.text && written.cells && UnixLines(*read->text) == UnixLines(*written.text))
        return {written.cells, read->text};
    return *read;
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
