// Translations between the browser's vocabulary and the editor core's: DOM mouse buttons and
// modifier keys, positions on a scaled canvas, keyboard shortcuts, named keys and typed
// characters, the menu bar as the page builds it, pointer shapes as CSS cursors, the clipboard's
// forms, and pixels in a canvas's byte order. Pure functions, testable without a browser.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "menu.h"
#include "surface_geometry.h"
#include "window_services.h"

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

// The named key of KeyboardEvent.key ("Escape", "ArrowLeft", ...), or NamedKey::None.
NamedKey NamedKeyOf(std::string_view key);

// The character a key typed, from KeyboardEvent.key: one Unicode character (UTF-8) that is no
// control character, pressed without Ctrl, Alt or Meta (those are shortcuts and access letters;
// AltGr, which a browser on Windows reports as Ctrl and Alt together, types characters). 0 for
// anything else: named keys ("Enter", "Dead" for a dead key), malformed text.
char32_t TypedCharacter(std::string_view key, bool ctrl, bool alt, bool meta, bool altGraph);

// The menu bar as JSON for the page: a list of {"name", "caption", "access", "command",
// "shortcut", "items"} objects, the caption without its '&' marks ("&&" is one '&'), access
// the position of its access letter in that caption (-1 for none), shortcut the text shown
// beside the entry ("Ctrl+O", "Ctrl+Plus", a tool's plain key "B", "Del", or empty). A radio
// item also has "radio" (its group) and "checked" (its state at start) after "items".
std::string MenuBarJson();

// The CSS cursor that shows a pointer shape over the canvas.
std::string_view CursorName(PointerShape shape);

// What a Paste hands the core. `read`: the forms the browser's clipboard gave, nothing when the
// browser refused to read it. `written`: the forms the page's last Copy or Cut put, which the
// page keeps itself. A refused read pastes what the page wrote; a read with the cells pastes
// them; plain text that is the page's own last text (a browser keeping no custom format) comes
// with the cells written beside it, so a copy within the page keeps its colours; other text is
// another program's and pastes as text.
ClipboardContent PasteContent(const std::optional<ClipboardContent>& read,
                              const ClipboardContent& written);

// Turns 0xFFRRGGBB pixels (IndexedToRgb's) into a canvas's RGBA byte order in place, for the
// pixels of `area` in a picture `stride` pixels wide, clipped to width x height.
void ToCanvasOrder(std::uint32_t* pixels, int width, int height, int stride, const PixelRect& area);

}  // namespace gridwright
