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

const wchar_t* CursorFor(PointerShape shape) {
    switch (shape) {
        case PointerShape::Move:
            return IDC_SIZEALL;
        case PointerShape::Text:
            return IDC_IBEAM;
        case PointerShape::Arrow:
        case PointerShape::Crosshair:
        case PointerShape::Fill:
        case PointerShape::Pick:
            break;
    }
    return IDC_CROSS;
}

}  // namespace gridwright::win32
