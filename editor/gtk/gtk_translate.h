// Translations between GTK's vocabulary and the editor core's: pointer buttons, modifier keys,
// menu captions, the command line and the indexed pixel buffer. Pure functions, testable without
// a display.
#pragma once

#include <gdk/gdk.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace gridwright {

struct BitmapInfo;

// Button value of a press: 1 left, 2 right, 4 middle; 0 for any other button (ignored).
std::int16_t PressedButton(guint gdkButton);
// Button value of a move: the sum of the buttons held.
std::int16_t HeldButtons(guint state);
// Shift value: 1 Shift + 2 Ctrl + 4 Alt.
std::int16_t ModifierKeys(guint state);

// A caption with '&' before its access letter ("E&xit") as a GTK mnemonic label ("E_xit");
// "&&" is a literal ampersand and a literal underscore is doubled.
std::string MnemonicLabel(std::string_view caption);

// The argument text after the program's name: the shell has already split the words, so they
// are joined again with single blanks.
std::string JoinArguments(std::span<char* const> arguments);

// Text for a GTK widget: valid UTF-8 as is, anything else with its invalid bytes replaced.
std::string DisplayText(std::string_view text);

// The answer of an input box whose field was filled with DisplayText(defaultAnswer): an answer
// left as shown is the default itself, bytes and all, so a file name that is not UTF-8 (given on
// the command line) still names the same file.
std::string InputBoxAnswer(std::string_view entered, std::string_view defaultAnswer);

// Puts a bottom-up (positive height) or top-down (negative height) 8-bit indexed image through
// its colour table into 32-bit xRGB pixels (Cairo's RGB24), clipped to the target. Indices past
// the colours the header announces show black.
void IndexedToRgb24(const std::uint8_t* bits, const BitmapInfo& info, std::uint32_t* target,
                    int targetWidth, int targetHeight, int targetStridePixels);

}  // namespace gridwright
