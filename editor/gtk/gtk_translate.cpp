#include "gtk_translate.h"

#include <gdk/gdkkeysyms.h>
#include <glib.h>

#include <cmath>

#include "pointer_input.h"
#include "zoom.h"

namespace gridwright {

std::int16_t PressedButton(guint gdkButton) {
    switch (gdkButton) {
        case GDK_BUTTON_PRIMARY:
            return kLeftButton;
        case GDK_BUTTON_SECONDARY:
            return kRightButton;
        case GDK_BUTTON_MIDDLE:
            return kMiddleButton;
        default:
            return 0;
    }
}

std::int16_t HeldButtons(guint state) {
    return static_cast<std::int16_t>(((state & GDK_BUTTON1_MASK) ? kLeftButton : 0) |
                                     ((state & GDK_BUTTON3_MASK) ? kRightButton : 0) |
                                     ((state & GDK_BUTTON2_MASK) ? kMiddleButton : 0));
}

std::int16_t ModifierKeys(guint state) {
    return static_cast<std::int16_t>(((state & GDK_SHIFT_MASK) ? kShiftKey : 0) |
                                     ((state & GDK_CONTROL_MASK) ? kCtrlKey : 0) |
                                     ((state & GDK_MOD1_MASK) ? kAltKey : 0));
}

NamedKey NamedKeyOf(guint keyval) {
    switch (keyval) {
        case GDK_KEY_Escape:
            return NamedKey::Escape;
        case GDK_KEY_Delete:
        case GDK_KEY_KP_Delete:
            return NamedKey::Delete;
        case GDK_KEY_BackSpace:
            return NamedKey::Backspace;
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_ISO_Enter:
            return NamedKey::Enter;
        case GDK_KEY_Left:
        case GDK_KEY_KP_Left:
            return NamedKey::Left;
        case GDK_KEY_Right:
        case GDK_KEY_KP_Right:
            return NamedKey::Right;
        case GDK_KEY_Up:
        case GDK_KEY_KP_Up:
            return NamedKey::Up;
        case GDK_KEY_Down:
        case GDK_KEY_KP_Down:
            return NamedKey::Down;
        // Shift+Tab arrives as ISO_Left_Tab: the core takes it too, so the focus never moves.
        case GDK_KEY_Tab:
        case GDK_KEY_KP_Tab:
        case GDK_KEY_ISO_Left_Tab:
            return NamedKey::Tab;
        case GDK_KEY_Page_Up:
        case GDK_KEY_KP_Page_Up:
            return NamedKey::PageUp;
        case GDK_KEY_Page_Down:
        case GDK_KEY_KP_Page_Down:
            return NamedKey::PageDown;
        default:
            return NamedKey::None;
    }
}

bool TypesText(guint state) {
    return (state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) == 0;
}

std::vector<char32_t> TypedCharacters(std::string_view utf8) {
    std::vector<char32_t> characters;
    const gchar* at = utf8.data();
    const gchar* const end = utf8.data() + utf8.size();
    while (at < end) {
        const gunichar c = g_utf8_get_char_validated(at, end - at);
        if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) break;
        characters.push_back(static_cast<char32_t>(c));
        at = g_utf8_next_char(at);
    }
    return characters;
}

int SurfacePosition(double logical, int scale, int zoom) {
    // Logical positions are device pixels divided by the scale; a scale of 3 makes them thirds,
    // which a double holds only nearly, so the product is nudged before it is floored.
    return SurfacePixel(std::floor(logical * scale + 1.0 / 1024), zoom);
}

PixelRect WidgetArea(const PixelRect& surface, int zoom, int scale) {
    // Surface rectangles lie on the surface, so every edge here is 0 or more.
    const PixelRect device = ZoomRect(surface, zoom);
    if (device.Empty() || scale < 1) return device;
    const int left = device.x / scale, top = device.y / scale;
    const int right = (device.x + device.width + scale - 1) / scale;
    const int bottom = (device.y + device.height + scale - 1) / scale;
    return {left, top, right - left, bottom - top};
}

std::vector<guint> ShortcutKeys(char key) {
    if (key >= 'A' && key <= 'Z') return {GDK_KEY_a + static_cast<guint>(key - 'A')};
    switch (key) {
        case '+':
            return {GDK_KEY_plus, GDK_KEY_KP_Add};
        case '-':
            return {GDK_KEY_minus, GDK_KEY_KP_Subtract};
        case '=':
            return {GDK_KEY_equal};
        default:
            if (key >= '0' && key <= '9')
                return {GDK_KEY_0 + static_cast<guint>(key - '0'),
                        GDK_KEY_KP_0 + static_cast<guint>(key - '0')};
            return {};
    }
}

guint ShownOnlyKey(const MenuItem& entry) {
    if (entry.shortcut != 0) return 0;  // its Ctrl shortcut is bound and shown
    if (entry.plainKey >= 'A' && entry.plainKey <= 'Z')
        return GDK_KEY_A + static_cast<guint>(entry.plainKey - 'A');
    switch (entry.namedKey) {
        case NamedKey::Escape:
            return GDK_KEY_Escape;
        case NamedKey::Delete:
            return GDK_KEY_Delete;
        case NamedKey::Backspace:
            return GDK_KEY_BackSpace;
        case NamedKey::Enter:
            return GDK_KEY_Return;
        case NamedKey::Left:
            return GDK_KEY_Left;
        case NamedKey::Right:
            return GDK_KEY_Right;
        case NamedKey::Up:
            return GDK_KEY_Up;
        case NamedKey::Down:
            return GDK_KEY_Down;
        case NamedKey::Tab:
            return GDK_KEY_Tab;
        case NamedKey::PageUp:
            return GDK_KEY_Page_Up;
        case NamedKey::PageDown:
            return GDK_KEY_Page_Down;
        case NamedKey::None:
            break;
    }
    return 0;
}

std::vector<const char*> CursorNames(PointerShape shape) {
    switch (shape) {
        case PointerShape::Arrow:
            return {"default"};
        case PointerShape::Crosshair:
        case PointerShape::Pick:
            return {"crosshair"};
        case PointerShape::Fill:
            return {"cell", "crosshair"};
        case PointerShape::Move:
            return {"move", "all-scroll", "default"};  // all-scroll: the four-way arrows
        case PointerShape::Text:
            return {"text", "default"};
    }
    return {"default"};
}

std::string MnemonicLabel(std::string_view caption) {
    std::string label;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        const char c = caption[i];
        if (c == '&' && i + 1 < caption.size()) {
            ++i;
            label += caption[i] == '&' ? "&" : std::string{'_', caption[i]};
        } else if (c == '_') {
            label += "__";
        } else {
            label += c;
        }
    }
    return label;
}

std::string JoinArguments(std::span<char* const> arguments) {
    std::string text;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) text += ' ';
        text += arguments[i];
    }
    return text;
}

std::string DisplayText(std::string_view text) {
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        return std::string{text};
    }
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string result{valid};
    g_free(valid);
    return result;
}

std::string InputBoxAnswer(std::string_view entered, std::string_view defaultAnswer) {
    if (entered == DisplayText(defaultAnswer)) return std::string{defaultAnswer};
    return std::string{entered};
}

}  // namespace gridwright
