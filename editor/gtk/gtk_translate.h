// Translations between GTK's vocabulary and the editor core's: pointer buttons, modifier keys,
// named and typed keys, menu captions, pointer shapes and the command line. Pure functions,
// testable without a display.
#pragma once

#include <gdk/gdk.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "menu.h"
#include "surface_geometry.h"
#include "window_services.h"

namespace gridwright {

// Button value of a press (pointer_input.h); 0 for any other button, which the editor ignores.
std::int16_t PressedButton(guint gdkButton);
// Button value of a move: the sum of the buttons held.
std::int16_t HeldButtons(guint state);
// Shift value: the sum of the modifier keys held.
std::int16_t ModifierKeys(guint state);

// The editor's named key of a GDK key value (the keypad's Enter, Delete, arrows, Tab and page keys
// included, and Shift+Tab's ISO_Left_Tab), or NamedKey::None.
NamedKey NamedKeyOf(guint keyval);
// Whether a key pressed in that state may type a character: not with Ctrl or Alt held, which make
// it a shortcut or an access letter (AltGr is no Alt: it types the layout's third characters).
bool TypesText(guint state);
// The characters of an input method's commit (UTF-8), one by one; an invalid sequence ends it.
std::vector<char32_t> TypedCharacters(std::string_view utf8);

// The surface pixel under a pointer position in the widget's logical pixels, on a display of that
// scale (device pixels a logical pixel), at that zoom (device pixels a surface pixel): the device
// pixel under the pointer, floored to the surface pixel it shows (zoom.h).
int SurfacePosition(double logical, int scale, int zoom);
// The widget's logical pixels to redraw for a rectangle of surface pixels at that zoom and scale:
// every logical pixel that shows any of its device pixels.
PixelRect WidgetArea(const PixelRect& surface, int zoom, int scale);

// The GDK keys of a menu shortcut's key (menu.h): first the one the menu shows, then the keypad's.
std::vector<guint> ShortcutKeys(char key);

// The key shown beside a menu entry that GTK must not bind (menu.h: plainKey, namedKey) as a GDK
// key value, or 0 when the entry has none or its Ctrl shortcut is shown instead.
guint ShownOnlyKey(const MenuItem& entry);

// The pointer cursors' names (CSS names, as gdk_cursor_new_from_name takes them) for a shape, the
// best first: a cursor theme may lack the first, and the X server's own cursors have few. The
// window shows Arrow as its own pointer, without a cursor of the surface's.
std::vector<const char*> CursorNames(PointerShape shape);

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

}  // namespace gridwright
