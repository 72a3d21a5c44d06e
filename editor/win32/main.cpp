// Start of the Windows editor: the window is created, the core's form attaches to it and loads,
// and the window's messages drive everything from then on.
#include <windows.h>
// After windows.h, whose types it uses.
#include <commctrl.h>
#include <objbase.h>

#include <memory>

#include "command_line.h"
#include "frm_main.h"
#include "main_window.h"
#include "program_info.h"
#include "text.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    const std::string arguments =
        gridwright::win32::WideToUtf8(gridwright::win32::ArgumentText(GetCommandLineW()));
    if (const auto info = gridwright::InfoRequested(arguments))
        return gridwright::win32::ShowProgramInfo(*info);

    // The manifest asks for common controls 6; this loads them for the input box's controls.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    // The system's file dialog is a COM object of this thread, which runs the window's messages.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    gridwright::win32::MainWindow window(instance, showCommand);
    auto form = std::make_unique<gridwright::FrmMain>(window);
    window.Attach(*form);
    form->Form_Load();
    const int status = window.Run();
    if (SUCCEEDED(com)) CoUninitialize();
    return status;
}
