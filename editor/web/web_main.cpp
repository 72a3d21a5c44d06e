// gridwright in a web page: the functions page.js calls, each an event for the core. The page
// delivers one at a time and none while a command waits for its input box.
#include <emscripten/emscripten.h>

#include <memory>
#include <optional>
#include <string>

#include "frm_main.h"
#include "surface_geometry.h"
#include "web_front_end.h"
#include "web_translate.h"

namespace {

using namespace gridwright;

std::unique_ptr<WebFrontEnd> window;
std::unique_ptr<FrmMain> form;
std::string text;            // the last text handed to the page; valid until the next call
std::string recoveryFolder;  // set by the page before the start, when it keeps journals

// The pointer's place on the canvas in surface pixels.
struct Point {
    float x, y;
};
Point At(double offsetX, double offsetY, double shownWidth, double shownHeight) {
    return {SurfacePoint(offsetX, shownWidth, kSurfaceWidth),
            SurfacePoint(offsetY, shownHeight, kSurfaceHeight)};
}

}  // namespace

extern "C" {

// The menu bar as JSON (web_translate.h).
EMSCRIPTEN_KEEPALIVE const char* gw_menu_bar() {
    text = MenuBarJson();
    return text.c_str();
}

EMSCRIPTEN_KEEPALIVE int gw_surface_width() {
    return kSurfaceWidth;
}

EMSCRIPTEN_KEEPALIVE int gw_surface_height() {
    return kSurfaceHeight;
}

// The in-memory folder for the recovery journals, which the page mirrors into the browser's
// storage; called before gw_start, or never when the browser keeps no storage for the page.
EMSCRIPTEN_KEEPALIVE void gw_set_recovery_folder(const char* folder) {
    if (!form) recoveryFolder = folder;
}

// Creates the window and runs its load handler with `arguments` as the command line.
EMSCRIPTEN_KEEPALIVE void gw_start(const char* arguments) {
    if (form) return;
    window = std::make_unique<WebFrontEnd>(arguments, recoveryFolder);
    form = std::make_unique<FrmMain>(*window);
    form->Form_Load();
}

// A mouse event on the canvas: kind 0 a press of `button`, 1 a move, 2 a release; `buttons` the
// buttons held after it (MouseEvent.buttons); offsets and shown size in CSS pixels.
EMSCRIPTEN_KEEPALIVE void gw_mouse(int kind, int button, int buttons, int shift, int ctrl, int alt,
                                   double offsetX, double offsetY, double shownWidth,
                                   double shownHeight) {
    if (!form) return;
    const std::int16_t keys = ModifierKeys(shift != 0, ctrl != 0, alt != 0);
    const Point p = At(offsetX, offsetY, shownWidth, shownHeight);
    switch (kind) {
        case 0:
            if (const std::int16_t pressed = PressedButton(button); pressed != 0)
                form->picScreen_MouseDown(pressed, keys, p.x, p.y);
            break;
        case 1:
            form->picScreen_MouseMove(HeldButtons(buttons), keys, p.x, p.y);
            break;
        case 2:
            if (PressedButton(button) != 0)
                form->picScreen_MouseUp(HeldButtons(buttons), keys, p.x, p.y);
            break;
        default:
            break;
    }
}

// The command a shortcut key chooses, or 0 (MenuCommand::None).
EMSCRIPTEN_KEEPALIVE int gw_shortcut(const char* key, const char* code, int ctrl, int shift,
                                     int alt) {
    return static_cast<int>(ShortcutCommand(key, code, ctrl != 0, shift != 0, alt != 0));
}

// Any other key pressed (KeyboardEvent.key, with the modifiers held): a named key for the core's
// KeyDown, else the character it typed for TypeCharacter. 1 when the core took it: the page then
// gives the key no meaning of its own.
EMSCRIPTEN_KEEPALIVE int gw_key(const char* key, int shift, int ctrl, int alt, int meta,
                                int altGraph) {
    if (!form) return 0;
    if (const NamedKey named = NamedKeyOf(key); named != NamedKey::None)
        return meta == 0 && form->KeyDown(named, ModifierKeys(shift != 0, ctrl != 0, alt != 0));
    const char32_t typed = TypedCharacter(key, ctrl != 0, alt != 0, meta != 0, altGraph != 0);
    return typed != 0 && form->TypeCharacter(typed);
}

// The pointer left the canvas with no button held.
EMSCRIPTEN_KEEPALIVE void gw_pointer_left() {
    if (form) form->PointerLeft();
}

// The browser's clipboard for the Paste that asked for it: `read` 0 when the browser refused,
// else the forms it gave (`hasCells`, `hasText` whether each was there; `plain` the text), UTF-8
// of the given lengths.
EMSCRIPTEN_KEEPALIVE void gw_paste_clipboard(int read, int hasCells, const char* cells,
                                             int cellsLength, int hasText, const char* plain,
                                             int plainLength) {
    if (!form) return;
    std::optional<ClipboardContent> content;
    if (read != 0) {
        content.emplace();
        if (hasCells != 0) content->cells.emplace(cells, static_cast<std::size_t>(cellsLength));
        if (hasText != 0) content->text.emplace(plain, static_cast<std::size_t>(plainLength));
    }
    form->PasteClipboard(window->PasteContent(content));
}

// Runs a menu command; one with an input box returns while the box is open and ends later.
EMSCRIPTEN_KEEPALIVE void gw_invoke(int command) {
    if (form) form->Invoke(static_cast<MenuCommand>(command));
}

// File > Open with the name of a file the user picked in the page, which is in the file system
// under that name already.
EMSCRIPTEN_KEEPALIVE void gw_open_named(const char* name) {
    if (!form) return;
    window->AnswerNextInputBox(name);
    form->Invoke(MenuCommand::Open);
}

// The page's device pixel ratio changed (browser zoom, another monitor): the zoom follows it.
EMSCRIPTEN_KEEPALIVE void gw_display_scale_changed() {
    if (form) form->DisplayScaleChanged();
}

EMSCRIPTEN_KEEPALIVE const char* gw_map_file_name() {
    text = form ? form->MapFileName : std::string();
    return text.c_str();
}

EMSCRIPTEN_KEEPALIVE int gw_failures() {
    return window ? window->Failures() : 0;
}

}  // extern "C"
