#include "pointer.h"

#include <windows.h>

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
    if (keyFlags & MK_SHIFT) keys |= 1;
    if (keyFlags & MK_CONTROL) keys |= 2;
    if (altDown) keys |= 4;
    return keys;
}

}  // namespace gridwright::win32
