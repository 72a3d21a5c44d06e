// Translation of the window system's mouse messages into the editor's Button and Shift values.
#pragma once

#include <cstdint>

namespace gridwright::win32 {

// The editor's button values: 1 left, 2 right, 4 middle; a move carries the sum of those held.
inline constexpr std::int16_t kLeftButton = 1;
inline constexpr std::int16_t kRightButton = 2;
inline constexpr std::int16_t kMiddleButton = 4;

// The sum of the buttons held, from the MK_* flags of a mouse message's wParam.
std::int16_t HeldButtons(std::uintptr_t keyFlags);
// 1 Shift + 2 Ctrl + 4 Alt, from the MK_* flags and the state of the Alt key (which the flags
// do not carry).
std::int16_t ModifierKeys(std::uintptr_t keyFlags, bool altDown);

}  // namespace gridwright::win32
