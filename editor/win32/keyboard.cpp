#include "keyboard.h"

#include <windows.h>

#include "pointer.h"
#include "pointer_input.h"

namespace gridwright::win32 {

NamedKey NamedKeyFor(std::uintptr_t virtualKey) {
    switch (virtualKey) {
        case VK_ESCAPE:
            return NamedKey::Escape;
        case VK_DELETE:
            return NamedKey::Delete;
        case VK_BACK:
            return NamedKey::Backspace;
        case VK_RETURN:  // the keypad's Enter too
            return NamedKey::Enter;
        case VK_LEFT:
            return NamedKey::Left;
        case VK_RIGHT:
            return NamedKey::Right;
        case VK_UP:
            return NamedKey::Up;
        case VK_DOWN:
            return NamedKey::Down;
        case VK_TAB:
            return NamedKey::Tab;
        case VK_PRIOR:  // Page Up
            return NamedKey::PageUp;
        case VK_NEXT:  // Page Down
            return NamedKey::PageDown;
        default:
            return NamedKey::None;
    }
}

std::int16_t HeldModifierKeys() {
    std::uintptr_t flags = 0;
    if (GetKeyState(VK_SHIFT) < 0) flags |= MK_SHIFT;
    if (GetKeyState(VK_CONTROL) < 0) flags |= MK_CONTROL;
    return ModifierKeys(flags, GetKeyState(VK_MENU) < 0);
}

std::optional<char32_t> TypedCharacters::Take(wchar_t unit, std::int16_t modifiers) {
    const auto u = static_cast<char16_t>(unit);
    const char16_t high = high_;
    high_ = 0;
    if ((modifiers & (kCtrlKey | kAltKey)) == kCtrlKey) return std::nullopt;
    if (u >= 0xD800 && u <= 0xDBFF) {
        high_ = u;
        return std::nullopt;
    }
    if (u >= 0xDC00 && u <= 0xDFFF) {
        if (high == 0) return std::nullopt;
        return 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (u - 0xDC00);
    }
    if (u < 0x20 || u == 0x7F) return std::nullopt;
    return static_cast<char32_t>(u);
}

}  // namespace gridwright::win32
