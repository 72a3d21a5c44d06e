// The values that pointer events carry into the editor. Button: the pressed button of a press, or
// the sum of the buttons held during a move (3, 5, 6 and 7 for chords); it also picks the brush.
// Shift: the sum of the modifier keys held.
#pragma once

#include <cstdint>

namespace gridwright {

inline constexpr std::int16_t kLeftButton = 1;
inline constexpr std::int16_t kRightButton = 2;
inline constexpr std::int16_t kMiddleButton = 4;
// Every combination of the three buttons, 1 to 7.
inline constexpr std::int16_t kAllButtons = kLeftButton | kRightButton | kMiddleButton;

constexpr bool IsButtonCombination(std::int16_t Button) {
    return Button >= 1 && Button <= kAllButtons;
}

inline constexpr std::int16_t kShiftKey = 1;
inline constexpr std::int16_t kCtrlKey = 2;
inline constexpr std::int16_t kAltKey = 4;

}  // namespace gridwright
