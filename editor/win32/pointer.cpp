#include "pointer.h"

#include <windows.h>

#include "pointer_input.h"

namespace gridwright::win32 {

std::int16_t HeldButtons(std::uintptr_t keyFlags) {
    std::int16_t buttons = 0;
    if (keyFlags & MK_LBUTTON) buttons |= kLeftButton;
    if (keyFlags & MK_RBUTTON) buttons |= kRightButton;
    if (keyFlags & MK_MBUTTON) buttons |= kMiddleButton;
    return buttons;
}

std::int16_t ModifierKeys(std::uintptr_t keyFlags, bool altDown) {
    std::int16_t keys = 0;
    if (keyFlags & MK_SHIFT) keys |= kShiftKey;
    if (keyFlags & MK_CONTROL) keys |= kCtrlKey;
    if (altDown) keys |= kAltKey;
    return keys;
}

}  // namespace gridwright::win32
