#include "main_window.h"

#include <windowsx.h>
// After windows.h: the shell's drop and recent documents, and the common item dialog.
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstddef>

#include "bitmap_info.h"
#include "clipboard.h"
#include "command_line.h"
#include "frm_main.h"
#include "input_box.h"
#include "pointer.h"
#include "pointer_input.h"
#include "resource.h"
#include "surface_geometry.h"
#include "text.h"
#include "zoom.h"

namespace gridwright::win32 {

// The core's bitmap description is handed to GDI as it stands, so it must be the system's layout.
static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER));
static_assert(offsetof(BitmapInfoHeader, biClrImportant) ==
              offsetof(BITMAPINFOHEADER, biClrImportant));
static_assert(sizeof(RgbQuad) == sizeof(RGBQUAD));
static_assert(offsetof(BitmapInfo, bmiColors) == offsetof(BITMAPINFO, bmiColors));

namespace {

constexpr wchar_t kFrameClass[] = L"GridwrightFrame";
constexpr wchar_t kSurfaceClass[] = L"GridwrightSurface";
constexpr wchar_t kProgramName[] = L"gridwright";
constexpr DWORD kFrameStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

void RegisterClasses(HINSTANCE instance, WNDPROC frameProc, WNDPROC surfaceProc) {
    WNDCLASSEXW frame{};
    frame.cbSize = sizeof frame;
    frame.lpfnWndProc = frameProc;
    frame.hInstance = instance;
    frame.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_GRIDWRIGHT));
    frame.hIconSm = frame.hIcon;
    frame.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frame.lpszClassName = kFrameClass;
    RegisterClassExW(&frame);

    WNDCLASSEXW surface{};
    surface.cbSize = sizeof surface;
    surface.lpfnWndProc = surfaceProc;
    surface.hInstance = instance;
    surface.hCursor = LoadCursorW(nullptr, IDC_CROSS);
    surface.lpszClassName = kSurfaceClass;
    RegisterClassExW(&surface);
}

// The object behind a window, stored with it at creation.
template <typename T>
T* Owner(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* owner = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
        return owner;
    }
    return reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, int showCommand)
    : showCommand_(showCommand),
      menu_(gridwright::MenuBar()),
      cursor_(LoadCursorW(nullptr, CursorFor(PointerShape::Arrow))) {
    RegisterClasses(instance, WindowProc<&MainWindow::frame_, &MainWindow::OnFrameMessage>,
                    WindowProc<&MainWindow::surface_, &MainWindow::OnSurfaceMessage>);
    frame_ = CreateWindowExW(0, kFrameClass, Utf8ToWide(FrmMain::kDesignCaption).c_str(),
                             kFrameStyle, CW_USEDEFAULT, CW_USEDEFAULT, kSurfaceWidth,
                             kSurfaceHeight, nullptr, nullptr, instance, this);
    menu_.AttachTo(frame_);
    surface_ = CreateWindowExW(0, kSurfaceClass, nullptr, WS_CHILD | WS_VISIBLE, 0, 0,
                               kSurfaceWidth, kSurfaceHeight, frame_, nullptr, instance, this);
    // Files dropped from Explorer: the surface covers the frame's client area, so both take them.
    DragAcceptFiles(frame_, TRUE);
    DragAcceptFiles(surface_, TRUE);
    FitClientArea();
}

MainWindow::~MainWindow() = default;

int MainWindow::Run() {
    if (!IsWindowVisible(frame_)) ShowMainWindow();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(frame_, menu_.Accelerators(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

void MainWindow::FitClientArea() {
    const int width = kSurfaceWidth * zoom_, height = kSurfaceHeight * zoom_;
    SetWindowPos(surface_, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The menu bar's height is only known once it is laid out, so measure and correct; a bar
    // that wraps to a second line after the first correction needs one more.
    for (int pass = 0; pass < 3; ++pass) {
        RECT client;
        GetClientRect(frame_, &client);
        const int dw = width - client.right;
        const int dh = height - client.bottom;
        if (dw == 0 && dh == 0) return;
        RECT outer;
        GetWindowRect(frame_, &outer);
        SetWindowPos(frame_, nullptr, 0, 0, outer.right - outer.left + dw,
                     outer.bottom - outer.top + dh, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

template <HWND MainWindow::*Handle, LRESULT (MainWindow::*Handler)(UINT, WPARAM, LPARAM)>
LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindow* self = Owner<MainWindow>(window, message, lParam);
    // Until CreateWindowExW has returned the handle, the default handling serves.
    if (self == nullptr || self->*Handle == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return (self->*Handler)(message, wParam, lParam);
}

LRESULT MainWindow::OnFrameMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            // Menu choices and accelerators carry no control handle.
            if (lParam == 0 && form_ != nullptr) {
                const MenuCommand command = menu_.CommandFor(LOWORD(wParam));
                if (command != MenuCommand::None) form_->Invoke(command);
            }
            return 0;
        case WM_DPICHANGED: {
            // On a monitor of another scale the frame and the menu bar take its size, and the
            // zoom follows the scale, so the surface keeps its size on the glass.
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(frame_, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            if (form_ != nullptr) form_->DisplayScaleChanged();
            FitClientArea();
            return 0;
        }
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_KEYDOWN:
        case WM_CHAR:
            if (OnKey(message, wParam)) return 0;
            return DefWindowProcW(frame_, message, wParam, lParam);
        default:
            return DefWindowProcW(frame_, message, wParam, lParam);
    }
}

LRESULT MainWindow::OnSurfaceMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC target = BeginPaint(surface_, &paint);
            const RECT& r = paint.rcPaint;
            BitBlt(target, r.left, r.top, r.right - r.left, r.bottom - r.top, image_.Context(),
                   r.left, r.top, SRCCOPY);
            EndPaint(surface_, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;  // the paint covers every pixel
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lParam) != HTCLIENT)
                return DefWindowProcW(surface_, message, wParam, lParam);
            SetCursor(cursor_);
            return TRUE;
        case WM_MOUSELEAVE:
            trackingLeave_ = false;
            // While a button holds the capture the pointer still belongs to the gesture.
            if (GetCapture() != surface_ && form_ != nullptr) form_->PointerLeft();
            return 0;
        case WM_KEYDOWN:
        case WM_CHAR:
            if (OnKey(message, wParam)) return 0;
            return DefWindowProcW(surface_, message, wParam, lParam);
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            OnPointer(message, wParam, lParam);
            return 0;
        default:
            return DefWindowProcW(surface_, message, wParam, lParam);
    }
}

void MainWindow::OnPointer(UINT message, WPARAM wParam, LPARAM lParam) {
    // Positions are signed: while the surface holds the capture they run past its edges. The
    // editor is given the surface pixel that the device pixel under the pointer shows.
    const auto x = static_cast<float>(SurfacePixel(GET_X_LPARAM(lParam), zoom_));
    const auto y = static_cast<float>(SurfacePixel(GET_Y_LPARAM(lParam), zoom_));
    const std::int16_t keys = ModifierKeys(wParam, GetKeyState(VK_MENU) < 0);
    std::int16_t pressed = 0;
    switch (message) {
        case WM_LBUTTONDOWN:
            pressed = kLeftButton;
            break;
        case WM_RBUTTONDOWN:
            pressed = kRightButton;
            break;
        case WM_MBUTTONDOWN:
            pressed = kMiddleButton;
            break;
        case WM_MOUSEMOVE:
            // Ask to hear when the pointer leaves; not while a drag holds it outside, where the
            // system would answer at once with every move.
            if (!trackingLeave_) {
                RECT client;
                GetClientRect(surface_, &client);
                const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
                if (PtInRect(&client, at)) {
                    TRACKMOUSEEVENT leave{sizeof leave, TME_LEAVE, surface_, 0};
                    trackingLeave_ = TrackMouseEvent(&leave) != FALSE;
                }
            }
            if (form_ != nullptr) form_->picScreen_MouseMove(HeldButtons(wParam), keys, x, y);
            return;
        default:  // a release paints nothing; the last one ends the capture and the gesture
            if (HeldButtons(wParam) == 0 && GetCapture() == surface_) ReleaseCapture();
            if (form_ != nullptr) form_->picScreen_MouseUp(HeldButtons(wParam), keys, x, y);
            return;
    }
    // Keep the moves coming while a button is held, wherever the pointer goes.
    SetCapture(surface_);
    if (form_ != nullptr) form_->picScreen_MouseDown(pressed, keys, x, y);
}

bool MainWindow::OnKey(UINT message, WPARAM wParam) {
    if (form_ == nullptr) return false;
    // Only keys without a Ctrl shortcut get here: the accelerators took those first.
    if (message == WM_KEYDOWN) {
        const NamedKey key = NamedKeyFor(wParam);
        return key != NamedKey::None && form_->KeyDown(key, HeldModifierKeys());
    }
    const auto character = typed_.Take(static_cast<wchar_t>(wParam), HeldModifierKeys());
    if (character) form_->TypeCharacter(*character);
    return true;
}

void MainWindow::SetCaption(std::string_view caption) {
    SetWindowTextW(frame_, Utf8ToWide(caption).c_str());
}

void MainWindow::SetStatusCaption(std::string_view caption) {
    menu_.SetCaption(menu_.StatusId(), Utf8ToWide(caption));
}

std::string MainWindow::InputBox(std::string_view prompt, std::string_view defaultAnswer) {
    // A modal box ends any drag: the buttons' releases go to the box, not to the surface.
    if (GetCapture() == surface_) ReleaseCapture();
    return WideToUtf8(
        win32::InputBox(frame_, kProgramName, Utf8ToWide(prompt), Utf8ToWide(defaultAnswer)));
}

void MainWindow::ReportFailure(std::string_view message) {
    if (GetCapture() == surface_) ReleaseCapture();
    MessageBoxW(frame_, Utf8ToWide(message).c_str(), kProgramName, MB_OK | MB_ICONERROR);
}

void MainWindow::SetMenuEnabled(MenuCommand command, bool enabled) {
    menu_.SetEnabled(command, enabled);
}

std::string MainWindow::RecoveryFolder() {
    // %LOCALAPPDATA%\gridwright: the user's own, never beside a map.
    wchar_t folder[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return WideToUtf8(std::wstring(folder, length) + L"\\gridwright");
}

std::string MainWindow::SettingsFolder() {
    // %APPDATA%\gridwright: the user's settings, which roam with the user.
    wchar_t folder[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"APPDATA", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return WideToUtf8(std::wstring(folder, length) + L"\\gridwright");
}

int MainWindow::DisplayZoom() {
    // 96 dpi is the system's 100 %.
    return ZoomForScale(GetDpiForWindow(frame_) / 96.0);
}

void MainWindow::SetZoom(int zoom) {
    zoom_ = ClampZoom(zoom);
    if (image_.Zoom() != zoom_) image_.SetZoom(zoom_);
    FitClientArea();
    InvalidateRect(surface_, nullptr, FALSE);
}

void MainWindow::SetMenuChecked(MenuCommand command, bool checked) {
    menu_.SetChecked(command, checked);
}

void MainWindow::WriteClipboard(std::string_view text, std::string_view cells) {
    if (!PutOnClipboard(frame_, text, cells))
        ReportFailure(
            "The clipboard cannot be written: another program holds it. Nothing was copied.");
}

bool MainWindow::ReadClipboard(ClipboardContent& content) {
    if (TakeFromClipboard(frame_, content)) return true;
    // No answer follows: the paste does nothing, and the user knows why.
    ReportFailure("The clipboard cannot be read: another program holds it. Nothing was pasted.");
    return false;
}

void MainWindow::SetPointerShape(PointerShape shape) {
    cursor_ = LoadCursorW(nullptr, CursorFor(shape));
    // Shown at once when the pointer is over the surface; elsewhere the next WM_SETCURSOR does.
    POINT at;
    if (GetCapture() == surface_ || (GetCursorPos(&at) && WindowFromPoint(at) == surface_))
        SetCursor(cursor_);
}

void MainWindow::OnDropFiles(HDROP drop) {
    std::wstring path;
    if (const UINT length = DragQueryFileW(drop, 0, nullptr, 0); length > 0) {
        path.resize(length + 1);
        path.resize(DragQueryFileW(drop, 0, path.data(), length + 1));
    }
    DragFinish(drop);
    // Not while a modal box of the editor's is open: the frame is disabled then.
    if (path.empty() || form_ == nullptr || !IsWindowEnabled(frame_)) return;
    form_->DropFile(WideToUtf8(path));
}

std::optional<std::string> MainWindow::ChooseMapFile(std::string_view folder) {
    // A modal dialog ends any drag, as the input box does.
    if (GetCapture() == surface_) ReleaseCapture();
    IFileOpenDialog* dialog = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFileOpenDialog, reinterpret_cast<void**>(&dialog)))) {
        ReportFailure("The system's file dialog cannot be shown.");
        return std::nullopt;
    }
    const COMDLG_FILTERSPEC filters[] = {{L"Map files (*.qmap)", L"*.qmap"},
                                         {L"All files (*.*)", L"*.*"}};
    dialog->SetFileTypes(2, filters);
    dialog->SetFileTypeIndex(1);
    dialog->SetTitle(L"Open a Map File");
    FILEOPENDIALOGOPTIONS options = 0;
    if (SUCCEEDED(dialog->GetOptions(&options)))
        dialog->SetOptions(options | FOS_FORCEFILESYSTEM | FOS_FILEMUSTEXIST);
    if (!folder.empty()) {
        IShellItem* start = nullptr;
        if (SUCCEEDED(SHCreateItemFromParsingName(Utf8ToWide(folder).c_str(), nullptr,
                                                  IID_IShellItem,
                                                  reinterpret_cast<void**>(&start)))) {
            dialog->SetFolder(start);
            start->Release();
        }
    }
    std::optional<std::string> chosen;
    IShellItem* result = nullptr;
    // Cancel answers ERROR_CANCELLED, and then nothing is chosen.
    if (SUCCEEDED(dialog->Show(frame_)) && SUCCEEDED(dialog->GetResult(&result))) {
        PWSTR path = nullptr;
        if (SUCCEEDED(result->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
            chosen = WideToUtf8(path);
            CoTaskMemFree(path);
        }
        result->Release();
    }
    dialog->Release();
    return chosen;
}

void MainWindow::AddRecentDocument(std::string_view path) {
    // The shell's recent documents (Explorer's Recent and the taskbar's jump list).
    SHAddToRecentDocs(SHARD_PATHW, Utf8ToWide(path).c_str());
}

void MainWindow::SetMenuCaption(MenuCommand command, std::string_view caption) {
    menu_.SetCaption(command, Utf8ToWide(caption));
}

void MainWindow::SetMenuVisible(MenuCommand command, bool visible) {
    menu_.SetVisible(command, visible);
}

void MainWindow::ShowMainWindow() {
    ShowWindow(frame_, showCommand_);
    UpdateWindow(frame_);
}

PictureSize MainWindow::GetPictureSize(Picture picture) {
    if (picture == Picture::picScreen) {
        // In surface pixels, whatever the zoom.
        RECT client;
        GetClientRect(surface_, &client);
        return {static_cast<double>(client.right) / zoom_,
                static_cast<double>(client.bottom) / zoom_};
    }
    // picMainScreen, which has the surface's size and only ever gives the pixel buffer's.
    return {kSurfaceWidth, kSurfaceHeight};
}

void MainWindow::SetPictureVisible(Picture, bool) {
    // The start-up hides picFont and picMainScreen, which are no windows here: the font is
    // compiled in and the pixel buffer's size is the surface's.
}

void MainWindow::BlitScreen(const std::uint8_t* bits, const BitmapInfo& info,
                            const PixelRect& changed) {
    // Only the changed rectangle is converted and repainted; the rest of the image already shows
    // the buffer.
    const RECT shown = image_.Show(bits, info, changed);
    if (IsRectEmpty(&shown)) return;
    InvalidateRect(surface_, &shown, FALSE);
    UpdateWindow(surface_);
}

std::string MainWindow::CommandLineArguments() {
    return WideToUtf8(ArgumentText(GetCommandLineW()));
}

double MainWindow::Random() {
    return random_.Next();
}

void MainWindow::EndProgram() {
    ExitProcess(0);
}

}  // namespace gridwright::win32
