// The editor's one window on Win32: a frame with the menu bar whose client area is the 800 x 450
// editing surface, each of its pixels shown as zoom x zoom device pixels. It implements the
// window-system services that the core calls and forwards the menu and pointer events of the window
// to the core's handlers.
#pragma once

#include <windows.h>
// After windows.h: HDROP, a file drop.
#include <shellapi.h>

#include "classic_random.h"
#include "keyboard.h"
#include "surface_image.h"
#include "window_menu.h"
#include "window_services.h"

namespace gridwright {
class FrmMain;
}

namespace gridwright::win32 {

class MainWindow final : public WindowServices {
  public:
    // Creates the window hidden; `showCommand` is how the start-up shows it.
    MainWindow(HINSTANCE instance, int showCommand);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // The form whose handlers receive the window's events from now on.
    void Attach(FrmMain& form) { form_ = &form; }
    // Shows the window if the start-up has not, then runs the message loop until the window is
    // closed; returns the exit code.
    int Run();

    void SetCaption(std::string_view caption) override;
    void SetStatusCaption(std::string_view caption) override;
    std::string InputBox(std::string_view prompt, std::string_view defaultAnswer) override;
    void ShowMainWindow() override;
    PictureSize GetPictureSize(Picture picture) override;
    void SetPictureVisible(Picture picture, bool visible) override;
    void BlitScreen(const std::uint8_t* bits, const BitmapInfo& info,
                    const PixelRect& changed) override;
    std::string CommandLineArguments() override;
    double Random() override;
    [[noreturn]] void EndProgram() override;
    void ReportFailure(std::string_view message) override;
    void SetMenuEnabled(MenuCommand command, bool enabled) override;
    std::string RecoveryFolder() override;
    std::string SettingsFolder() override;
    int DisplayZoom() override;
    void SetZoom(int zoom) override;
    void SetMenuChecked(MenuCommand command, bool checked) override;
    void WriteClipboard(std::string_view text, std::string_view cells) override;
    bool ReadClipboard(ClipboardContent& content) override;
    void SetPointerShape(PointerShape shape) override;
    std::optional<std::string> ChooseMapFile(std::string_view folder) override;
    void AddRecentDocument(std::string_view path) override;
    void SetMenuCaption(MenuCommand command, std::string_view caption) override;
    void SetMenuVisible(MenuCommand command, bool visible) override;

  private:
    // A file dropped on the window (WM_DROPFILES): the first one goes to the editor.
    void OnDropFiles(HDROP drop);
    // The window procedure of the frame or the surface: forwards to this object's handler.
    template <HWND MainWindow::*Handle, LRESULT (MainWindow::*Handler)(UINT, WPARAM, LPARAM)>
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnFrameMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnSurfaceMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnPointer(UINT message, WPARAM wParam, LPARAM lParam);
    // Keyboard messages of whichever window has the focus; true when the editor took the key.
    bool OnKey(UINT message, WPARAM wParam);
    // Sizes the surface at the zoom and the frame so that its client area below the menu bar is
    // exactly the surface.
    void FitClientArea();

    int showCommand_;
    WindowMenu menu_;
    HWND frame_ = nullptr;
    HWND surface_ = nullptr;
    // The surface's persistent image: every blit goes here, every paint shows it.
    SurfaceImage image_;
    int zoom_ = 1;  // device pixels a side that show one surface pixel
    FrmMain* form_ = nullptr;
    TypedCharacters typed_;
    HCURSOR cursor_ = nullptr;    // the surface's pointer shape
    bool trackingLeave_ = false;  // WM_MOUSELEAVE asked for since the pointer came in
    ClassicRandom random_;
};

}  // namespace gridwright::win32
