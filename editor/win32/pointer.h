// Translation of the window system's mouse messages into the editor's Button and Shift values
// (pointer_input.h).
#pragma once

#include <cstdint>

#include "window_services.h"

namespace gridwright::win32 {

// The sum of the buttons held, from the MK_* flags of a mouse message's wParam.
std::int16_t HeldButtons(std::uintptr_t keyFlags);
// The sum of the modifier keys held, from the MK_* flags and the state of the Alt key (which the
// flags do not carry).
std::int16_t ModifierKeys(std::uintptr_t keyFlags, bool altDown);

// The system cursor (an IDC_ name for LoadCursor) that shows a pointer shape over the surface.
// The surface has always shown the crosshair, with Pen too, so the arrow of Pen and of the
// furniture stays that; the system has no bucket or eyedropper, so Fill and Pick keep it as well.
const wchar_t* CursorFor(PointerShape shape);

}  // namespace gridwright::win32
