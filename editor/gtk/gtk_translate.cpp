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
