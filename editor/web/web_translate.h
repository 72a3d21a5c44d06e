// Translations between the browser's vocabulary and the editor core's: DOM mouse buttons and
// modifier keys, positions on a scaled canvas, keyboard shortcuts, the menu bar as the page builds
// it, and pixels in a canvas's byte order. Pure functions, testable without a browser.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "menu.h"
#include "surface_geometry.h"

namespace gridwright {

// Button value of a press from MouseEvent.button (0 main, 1 auxiliary, 2 secondary); 0 for any
// other button (back, forward), which the editor ignores.
std::int16_t PressedButton(int domButton);
// Button value of a move or release from MouseEvent.buttons, the sum of the buttons held (1 main,
// 2 secondary, 4 auxiliary: the editor's own values).
std::int16_t HeldButtons(int domButtons);
// Shift value: the sum of the modifier keys held.
std::int16_t ModifierKeys(bool shift, bool ctrl, bool alt);

// The surface pixel under a pointer position on the canvas, `offset` CSS pixels from its edge on
// a side `shownSize` CSS pixels long, for a surface side `surfaceSize` pixels long: the whole
// pixel the position falls in (positions are fractional on high-density screens), so that the
// editor's rounding never moves a press on a cell's last pixel into the next cell. The canvas
// may be shown larger or smaller than the surface; a position outside it stays outside.
float SurfacePoint(double offset, double shownSize, int surfaceSize);

// The command that Ctrl (with Shift or not) and a key choose, as the menu bar gives the
// shortcuts (letters, digits, '+', '-', '='); MenuCommand::None for any other key, and with Alt
// held. `key` is KeyboardEvent.key (the character in the user's layout, a letter in either case);
// where that is none of those (a Cyrillic letter, say), `code` ("KeyO", "Digit0", the key's
// place) names it instead.
MenuCommand ShortcutCommand(std::string_view key, std::string_view code, bool ctrl, bool shift,
                            bool alt);

// The menu bar as JSON for the page: a list of {"name", "caption", "access", "command",
// "shortcut", "items"} objects, the caption without its '&' marks ("&&" is one '&'), access
// the position of its access letter in that caption (-1 for none), shortcut the text shown
// beside the entry ("Ctrl+O", "Ctrl+Plus", or empty).
std::string MenuBarJson();

// Turns 0xFFRRGGBB pixels (IndexedToRgb's) into a canvas's RGBA byte order in place, for the
// pixels of `area` in a picture `stride` pixels wide, clipped to width x height.
void ToCanvasOrder(std::uint32_t* pixels, int width, int height, int stride, const PixelRect& area);

}  // namespace gridwright
