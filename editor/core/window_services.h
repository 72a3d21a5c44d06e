// The services that the editor's core takes from the window system. The core never includes a
// platform header; each front end (GTK on Linux, Win32 on Windows, a headless one in the tests)
// implements this interface and drives the core's event handlers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "menu.h"
#include "surface_geometry.h"

namespace gridwright {

// The window's picture controls: the editing surface; picMainScreen, laid out with the surface's
// size, which gives the pixel buffer its size; and picFont, which holds the font image.
enum class Picture { picScreen, picMainScreen, picFont };

struct PictureSize {
    double width = 0;  // drawing area in pixels; the core rounds
    double height = 0;
};

// The clipboard's type for cells with their colours: UTF-8 text in the `.txt` cell form
// (cell_text.h), rows of glyphs, an empty line, rows of hexadecimal colour digits, any width 1 to
// 32 and height 1 to 24. Registered under this name on Windows, offered under it by GTK and the
// browser.
inline constexpr std::string_view kCellsClipboardType = "application/x-gridwright-cells";

// What the clipboard holds, as the front end found it: either form may be missing. The core
// prefers the cells.
struct ClipboardContent {
    std::optional<std::string> cells;  // the bytes under kCellsClipboardType
    std::optional<std::string> text;   // plain text, UTF-8 (converted from the system's form)
};

// The pointer shape that suits the current tool; a front end without such shapes may show the
// standard arrow for all.
enum class PointerShape {
    Arrow,      // Pen, and everywhere off the board
    Crosshair,  // Line, and Select outside the selection
    Fill,       // Fill (a paint bucket, or a crosshair)
    Move,       // Select over the selection: a press drags it
    Pick,       // Pick (an eyedropper, or a crosshair)
    Text        // Text (an I-beam)
};

struct BitmapInfo;  // 40-byte bitmap header followed by the colour table (see bitmap_info.h)

class WindowServices {
  public:
    virtual ~WindowServices() = default;

    // Window caption; shows at once. Text is UTF-8.
    virtual void SetCaption(std::string_view caption) = 0;
    // Caption of the menu-bar status item (mnuStatus); shows at once.
    virtual void SetStatusCaption(std::string_view caption) = 0;
    // Modal input box: prompt and default answer in; the answer out on OK, empty text on Cancel.
    // No other editor event runs while it is open.
    virtual std::string InputBox(std::string_view prompt, std::string_view defaultAnswer) = 0;
    // Makes the main window visible (the start-up does this before it draws).
    virtual void ShowMainWindow() = 0;
    // Asked for picScreen and picMainScreen.
    virtual PictureSize GetPictureSize(Picture picture) = 0;
    // The start-up hides picFont and picMainScreen once it has read them.
    virtual void SetPictureVisible(Picture picture, bool visible) = 0;
    // Copies a bottom-up 8-bit indexed image (width and height from the header, one byte per
    // pixel, rows of exactly `width` bytes) through the header's colour table into the surface's
    // persistent image at its top-left corner, then has the surface repaint. Only the pixels in
    // `changed` differ from the last blit's, so only they need copying and repainting; with
    // `changed` empty, nothing does.
    virtual void BlitScreen(const std::uint8_t* bits, const BitmapInfo& info,
                            const PixelRect& changed) = 0;
    // The argument text after the program's name, as one text (UTF-8); empty when there is none.
    virtual std::string CommandLineArguments() = 0;
    // Uniform in [0, 1); never seeded, so each start repeats the sequence.
    virtual double Random() = 0;
    // Ends the program at once; nothing is saved or asked.
    virtual void EndProgram() = 0;
    // Tells the user that something failed (a modal message); the editor goes on afterwards.
    virtual void ReportFailure(std::string_view message) = 0;
    // Makes a menu entry choosable or not (shown greyed), with its shortcuts. A window system
    // without menus ignores it.
    virtual void SetMenuEnabled(MenuCommand, bool) {}
    // The user's folder for this program's recovery files (UTF-8), which need not exist yet;
    // empty when the system names none, and then no edit is kept for recovery.
    virtual std::string RecoveryFolder() { return {}; }
    // The user's folder for this program's settings file (UTF-8), which need not exist yet; empty
    // when the system names none, and then nothing is remembered between runs.
    virtual std::string SettingsFolder() { return {}; }
    // The zoom (zoom.h) that the window's display asks for with its own scale: 1 on an ordinary
    // display, 2 at 200 %.
    virtual int DisplayZoom() { return 1; }
    // Shows every surface pixel as a zoom x zoom block of device pixels from now on and fits the
    // window around the surface; the core blits the whole buffer right after. Pointer positions
    // still reach the core in surface pixels (zoom.h's SurfacePixel).
    virtual void SetZoom(int /*zoom*/) {}
    // Shows a radio item of the menu (menu.h: radioGroup) checked or not. The core unchecks the
    // old tool before it checks the new one. Showing the mark must not choose the entry again.
    virtual void SetMenuChecked(MenuCommand, bool) {}
    // Puts both forms on the system clipboard at once (Copy and Cut), replacing what it held:
    // `text` as the system's plain text (UTF-8 here), `cells` as the bytes of kCellsClipboardType.
    virtual void WriteClipboard(std::string_view /*text*/, std::string_view /*cells*/) {}
    // Paste asks for the clipboard. A window system that has it at once fills `content` (the cells
    // form when the clipboard offers it, the plain text when it offers that) and returns true. One
    // that must wait (the browser's asynchronous clipboard) returns false, and later, when the
    // content arrives, hands it to FrmMain::PasteClipboard; a refused read can fall back to what
    // the last WriteClipboard put.
    virtual bool ReadClipboard(ClipboardContent& /*content*/) { return false; }
    // The pointer shape the surface should show now: the tool's over the board (Move over the
    // selection), Arrow elsewhere. Called when it changes, from pointer events and tool changes.
    virtual void SetPointerShape(PointerShape) {}
    // The system's own dialog for choosing a file to open (modal, as the input box is), with a
    // filter for map files (*.qmap) and one for all files, starting in `folder` (UTF-8; empty:
    // where the system likes). The chosen file's path (UTF-8), or nothing on Cancel. A window
    // system without one answers nothing.
    virtual std::optional<std::string> ChooseMapFile(std::string_view /*folder*/) {
        return std::nullopt;
    }
    // Tells the desktop that the user named this map file (an absolute UTF-8 path), for its own
    // list of recently used documents.
    virtual void AddRecentDocument(std::string_view /*path*/) {}
    // Replaces the caption of a menu entry (with '&' before its access letter, "&&" for an
    // ampersand), and shows or hides an entry: the entries of the Recent submenu. A hidden entry
    // takes no space and cannot be chosen. A window system without menus ignores both.
    virtual void SetMenuCaption(MenuCommand, std::string_view /*caption*/) {}
    virtual void SetMenuVisible(MenuCommand, bool) {}
};

}  // namespace gridwright
