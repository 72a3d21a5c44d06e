// The services that the editor's core takes from the window system. The core never includes a
// platform header; each front end (GTK on Linux, Win32 on Windows, a headless one in the tests)
// implements this interface and drives the core's event handlers.
#pragma once

#include <cstdint>
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
};

}  // namespace gridwright
