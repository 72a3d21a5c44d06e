#include "gtk_translate.h"

#include <glib.h>

#include "pointer_input.h"

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
