// frmMain's zoom: how many device pixels a side show one pixel of the editing surface.
#include <cstdio>

#include "frm_main.h"
#include "zoom.h"

namespace gridwright {

void FrmMain::StartZoom() {
    settingsFolder_ = services_.SettingsFolder();
    std::string problem;
    settings_ = ReadSettingsFile(settingsFolder_, problem);
    // A damaged settings file never stops the editor: it starts as if there were none.
    if (!problem.empty()) std::fprintf(stderr, "%s\n", problem.c_str());
    displayZoom_ = ClampZoom(services_.DisplayZoom());
    zoom_ = settings_.zoom.value_or(displayZoom_);
    ShowZoom();
}

void FrmMain::mnuOptionZoom_Click(MenuCommand command) {
    int zoom = displayZoom_;
    if (command == MenuCommand::ZoomIn) zoom = zoom_ + 1;
    if (command == MenuCommand::ZoomOut) zoom = zoom_ - 1;
    zoom = ClampZoom(zoom);
    if (zoom == zoom_) return;
    ChangeZoom(zoom);
    settings_.zoom = zoom;
    WriteSettings("the zoom");
}

void FrmMain::DisplayScaleChanged() {
    const int display = ClampZoom(services_.DisplayZoom());
    const int zoom = ZoomForNewDisplay(zoom_, displayZoom_, display);
    displayZoom_ = display;
    if (zoom != zoom_) ChangeZoom(zoom);
}

void FrmMain::ChangeZoom(int zoom) {
    zoom_ = zoom;
    ShowZoom();
    // The window's picture has a new size: it takes the whole buffer again.
    modGraphics.Damage(CellPixels(kWholeSurface));
    modGraphics.BlitScreen();
}

void FrmMain::ShowZoom() {
    services_.SetZoom(zoom_);
    services_.SetMenuEnabled(MenuCommand::ZoomIn, zoom_ < kLargestZoom);
    services_.SetMenuEnabled(MenuCommand::ZoomOut, zoom_ > kSmallestZoom);
}

}  // namespace gridwright
