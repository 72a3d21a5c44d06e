// Translation of the window system's mouse messages into the editor's Button and Shift values
// (pointer_input.h).
#pragma once

#include <cstdint>

namespace gridwright::win32 {

// The sum of the buttons held, from the MK_* flags of a mouse message's wParam.
std::int16_t HeldButtons(std::uintptr_t keyFlags);
// The sum of the modifier keys held, from the MK_* flags and the state of the Alt key (which the
// flags do not carry).
std::int16_t ModifierKeys(std::uintptr_t keyFlags, bool altDown);

}  // namespace gridwright::win32
