// The editor's window on GTK 3: the menu bar built from the core's description, the editing
// surface with its persistent image, the modal input box and the failure message, the keyboard
// (through an input method) and the CLIPBOARD selection. It only translates events for the core
// (FrmMain) and draws what the core hands it.
#pragma once

#include <gtk/gtk.h>

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "classic_random.h"
#include "frm_main.h"
#include "window_services.h"

namespace gridwright {

class GtkFrontEnd final : public WindowServices {
  public:
    explicit GtkFrontEnd(std::string commandLineArguments);
    ~GtkFrontEnd() override;
    GtkFrontEnd(const GtkFrontEnd&) = delete;
    GtkFrontEnd& operator=(const GtkFrontEnd&) = delete;

    // Delivers the window's menu and pointer events to `form` from now on.
    void Drive(FrmMain& form);
    // After the form's load handler: shows the window (if the load did not) and runs the events.
    void Run();

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
    void EndProgram() override;
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
    GtkWidget* BuildMenuBar(GtkAccelGroup* accelerators);
    // A drop-down menu or a submenu of the description, its entries' items kept by command.
    GtkWidget* BuildMenu(std::span<const MenuItem> entries, GtkAccelGroup* accelerators);
    // True while the form may take an event: it exists and no modal box of ours is open.
    bool TakesEvents() const { return form_ != nullptr && modalDepth_ == 0; }

    static void OnMenuActivate(GtkMenuItem* item, gpointer self);
    static void OnSurfaceRealize(GtkWidget* widget, gpointer self);
    static void OnWindowRealize(GtkWidget* widget, gpointer self);
    static gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static gboolean OnKeyRelease(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static gboolean OnFocusChange(GtkWidget* widget, GdkEventFocus* event, gpointer self);
    static void OnCommit(GtkIMContext* context, gchar* text, gpointer self);
    static gboolean OnLeave(GtkWidget* widget, GdkEventCrossing* event, gpointer self);
    static void OnClipboardGet(GtkClipboard* clipboard, GtkSelectionData* data, guint info,
                               gpointer self);
    static void OnClipboardClear(GtkClipboard* clipboard, gpointer self);
    static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self);
    static gboolean OnButtonPress(GtkWidget* widget, GdkEventButton* event, gpointer self);
    static gboolean OnButtonRelease(GtkWidget* widget, GdkEventButton* event, gpointer self);
    static gboolean OnMotion(GtkWidget* widget, GdkEventMotion* event, gpointer self);
    static gboolean OnDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
    static void OnScaleChanged(GObject* widget, GParamSpec* property, gpointer self);
    static gboolean OnStatusIdle(gpointer self);
    static void OnDragDataReceived(GtkWidget* widget, GdkDragContext* context, gint x, gint y,
                                   GtkSelectionData* data, guint info, guint time, gpointer self);

    // Shows the pointer shape on the surface, once it has a window.
    void ShowPointerShape();

    // Device pixels a logical pixel of the window's display.
    int Scale() const { return gtk_widget_get_scale_factor(window_); }
    // Sizes the surface to show zoom_ device pixels a surface pixel at the display's scale.
    void FitSurface();
    // The surface pixel under a pointer position of the surface widget.
    float SurfaceX(double x) const;
    float SurfaceY(double y) const;

    // With GRIDWRIGHT_TRACE set, writes "gridwright-trace WHAT MICROSECONDS" (CLOCK_MONOTONIC)
    // to standard error, so a harness can time start-up and drag steps from outside; a count of 0
    // or more follows the time.
    void Trace(const char* what, long long count = -1) const;

    std::string commandLineArguments_;
    GtkWidget* window_ = nullptr;
    GtkWidget* surface_ = nullptr;
    GtkWidget* statusItem_ = nullptr;
    std::string statusText_;  // the status item's newest text, shown when the main loop idles
    guint statusIdle_ = 0;    // the idle source that shows it, 0 when none is waiting
    std::map<MenuCommand, GtkWidget*> commandItems_;
    bool settingChecks_ = false;     // a radio item set by the core, not chosen by the user
    GtkIMContext* input_ = nullptr;  // turns key presses into typed characters
    // What this window offers on the CLIPBOARD selection while it owns it.
    std::string clipboardText_;
    std::string clipboardCells_;
    bool ownsClipboard_ = false;
    PointerShape pointerShape_ = PointerShape::Arrow;
    std::array<GdkCursor*, 6> cursors_{};  // by PointerShape, made when first shown
    cairo_surface_t* image_ = nullptr;     // the surface's persistent picture, one pixel a pixel
    int zoom_ = 1;                         // device pixels a side that show one surface pixel
    FrmMain* form_ = nullptr;
    int modalDepth_ = 0;
    bool trace_ = false;
    ClassicRandom random_;
};

}  // namespace gridwright
