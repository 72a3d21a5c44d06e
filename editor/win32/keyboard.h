// Translation of the window system's keyboard messages into the editor's keys: the named keys of
// WM_KEYDOWN and the typed characters of WM_CHAR.
#pragma once

#include <cstdint>
#include <optional>

#include "menu.h"

namespace gridwright::win32 {

// The editor's named key of a WM_KEYDOWN's virtual key; NamedKey::None for any other key.
NamedKey NamedKeyFor(std::uintptr_t virtualKey);

// The sum of the modifier keys held now (pointer_input.h), from the keyboard's state.
std::int16_t HeldModifierKeys();

// Joins the UTF-16 units of successive WM_CHAR messages into characters: a character beyond the
// Basic Multilingual Plane arrives as a high surrogate, then a low one. Control characters
// (Enter, Backspace, Tab, Escape and the Ctrl+letter codes) are keys, not text, and give nothing;
// so does a surrogate without its partner, and a key typed with Ctrl (a shortcut). Ctrl with Alt
// is AltGr, which types the third character of a key on many layouts: that is text.
class TypedCharacters {
  public:
    // `modifiers`: the modifier keys held (pointer_input.h).
    std::optional<char32_t> Take(wchar_t unit, std::int16_t modifiers);

  private:
    char16_t high_ = 0;  // a high surrogate waiting for its low one
};

}  // namespace gridwright::win32
