#include "gtk_front_end.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "gtk_translate.h"
#include "icon_data.h"
#include "indexed_image.h"
#include "menu.h"
#include "surface_geometry.h"
#include "zoom.h"

namespace gridwright {

namespace {

constexpr const char* kDialogTitle = "gridwright";  // the program's name titles its boxes

// The clipboard targets this window offers: the cells with their colours, and the text forms.
enum ClipboardTarget : guint { kCellsTarget = 1, kTextTarget = 2 };

GdkAtom CellsAtom() {
    static const GdkAtom atom = gdk_atom_intern(std::string(kCellsClipboardType).c_str(), FALSE);
    return atom;
}

// Keeps a count of open modal boxes for as long as one is shown.
class ModalScope {
  public:
    explicit ModalScope(int& depth) : depth_(depth) { ++depth_; }
    ~ModalScope() { --depth_; }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

  private:
    int& depth_;
};

GList* LoadIcons() {
    GList* icons = nullptr;
    for (const EmbeddedFile& png : IconPngs()) {
        GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("png", nullptr);
        if (loader == nullptr) continue;
        if (gdk_pixbuf_loader_write(loader, png.data, png.size, nullptr) &&
            gdk_pixbuf_loader_close(loader, nullptr)) {
            if (GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader)) {
                icons = g_list_append(icons, g_object_ref(pixbuf));
            }
        }
        g_object_unref(loader);
    }
    return icons;
}

}  // namespace

GtkFrontEnd::GtkFrontEnd(std::string commandLineArguments)
    : commandLineArguments_(std::move(commandLineArguments)),
      trace_(g_getenv("GRIDWRIGHT_TRACE") != nullptr) {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window_), std::string(FrmMain::kDesignCaption).c_str());
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    if (GList* icons = LoadIcons()) {
        gtk_window_set_icon_list(GTK_WINDOW(window_), icons);
        g_list_free_full(icons, g_object_unref);
    }
    g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(window_, "notify::scale-factor", G_CALLBACK(OnScaleChanged), this);
    // Keys reach the window before its accelerators: typed characters through the input method
    // (dead keys and compose sequences included), named keys to the editor.
    input_ = gtk_im_multicontext_new();
    g_signal_connect(input_, "commit", G_CALLBACK(OnCommit), this);
    g_signal_connect(window_, "realize", G_CALLBACK(OnWindowRealize), this);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKeyPress), this);
    g_signal_connect(window_, "key-release-event", G_CALLBACK(OnKeyRelease), this);
    g_signal_connect(window_, "focus-in-event", G_CALLBACK(OnFocusChange), this);
    g_signal_connect(window_, "focus-out-event", G_CALLBACK(OnFocusChange), this);
    // Until the editor says otherwise, one surface pixel is one logical pixel, as GTK draws it.
    zoom_ = Scale();

    GtkAccelGroup* accelerators = gtk_accel_group_new();
    gtk_window_add_accel_group(GTK_WINDOW(window_), accelerators);

    image_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kSurfaceWidth, kSurfaceHeight);
    surface_ = gtk_drawing_area_new();
    gtk_widget_set_size_request(surface_, kSurfaceWidth, kSurfaceHeight);
    gtk_widget_add_events(surface_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                        GDK_POINTER_MOTION_MASK | GDK_LEAVE_NOTIFY_MASK);
    g_signal_connect(surface_, "realize", G_CALLBACK(OnSurfaceRealize), this);
    g_signal_connect(surface_, "draw", G_CALLBACK(OnDraw), this);
    g_signal_connect(surface_, "button-press-event", G_CALLBACK(OnButtonPress), this);
    g_signal_connect(surface_, "button-release-event", G_CALLBACK(OnButtonRelease), this);
    g_signal_connect(surface_, "motion-notify-event", G_CALLBACK(OnMotion), this);
    g_signal_connect(surface_, "leave-notify-event", G_CALLBACK(OnLeave), this);

    // Map files dropped on the window: a file manager offers them as a list of URIs.
    static const GtkTargetEntry kUriList{const_cast<gchar*>("text/uri-list"), 0, 0};
    gtk_drag_dest_set(window_, GTK_DEST_DEFAULT_ALL, &kUriList, 1, GDK_ACTION_COPY);
    g_signal_connect(window_, "drag-data-received", G_CALLBACK(OnDragDataReceived), this);

    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_box_pack_start(GTK_BOX(column), BuildMenuBar(accelerators), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(column), surface_, FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(window_), column);
    g_object_unref(accelerators);
}

GtkFrontEnd::~GtkFrontEnd() {
    if (statusIdle_ != 0) g_source_remove(statusIdle_);
    // The clipboard must not call back into a window that is gone.
    if (ownsClipboard_) gtk_clipboard_clear(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
    gtk_im_context_set_client_window(input_, nullptr);
    g_object_unref(input_);
    if (window_ != nullptr) gtk_widget_destroy(window_);
    for (GdkCursor* cursor : cursors_)
        if (cursor != nullptr) g_object_unref(cursor);
    cairo_surface_destroy(image_);
}

GtkWidget* GtkFrontEnd::BuildMenuBar(GtkAccelGroup* accelerators) {
    GtkWidget* bar = gtk_menu_bar_new();
    for (const MenuItem& top : MenuBar()) {
        if (top.items.empty()) {
            // A plain menu-bar item; the status item is one, its caption shown as it stands.
            GtkWidget* item = gtk_menu_item_new_with_label(DisplayText(top.caption).c_str());
            if (top.name == "mnuStatus") statusItem_ = item;
            gtk_menu_shell_append(GTK_MENU_SHELL(bar), item);
            continue;
        }
        GtkWidget* heading = gtk_menu_item_new_with_mnemonic(MnemonicLabel(top.caption).c_str());
        GtkWidget* menu = BuildMenu(top.items, accelerators);
        gtk_menu_item_set_submenu(GTK_MENU_ITEM(heading), menu);
        gtk_menu_shell_append(GTK_MENU_SHELL(bar), heading);
    }
    return bar;
}

GtkWidget* GtkFrontEnd::BuildMenu(std::span<const MenuItem> entries, GtkAccelGroup* accelerators) {
    GtkWidget* menu = gtk_menu_new();
    gtk_menu_set_accel_group(GTK_MENU(menu), accelerators);
    std::map<int, GtkWidget*> radioGroups;  // the last radio item of each group
    for (const MenuItem& entry : entries) {
        const std::string label = MnemonicLabel(entry.caption);
        GtkWidget* item = nullptr;
        if (!entry.items.empty()) {
            // A submenu (Recent): its heading opens it and is never chosen itself.
            item = gtk_menu_item_new_with_mnemonic(label.c_str());
            gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), BuildMenu(entry.items, accelerators));
            commandItems_[entry.command] = item;
            gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
            continue;
        }
        if (entry.radioGroup != 0) {
            GtkWidget*& group = radioGroups[entry.radioGroup];
            item = gtk_radio_menu_item_new_with_mnemonic_from_widget(
                group != nullptr ? GTK_RADIO_MENU_ITEM(group) : nullptr, label.c_str());
            group = item;
            // The group's first item starts checked; the description says which is.
            gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item), entry.checked);
        } else {
            item = gtk_menu_item_new_with_mnemonic(label.c_str());
        }
        // A plain letter or named key is shown beside the caption but not bound: the letter
        // must reach the editor as a typed character, which is text while the caret shows.
        if (const guint key = ShownOnlyKey(entry)) {
            if (GtkWidget* child = gtk_bin_get_child(GTK_BIN(item)); GTK_IS_ACCEL_LABEL(child))
                gtk_accel_label_set_accel(GTK_ACCEL_LABEL(child), key,
                                          static_cast<GdkModifierType>(0));
        }
        g_object_set_data(G_OBJECT(item), "gridwright-command",
                          GINT_TO_POINTER(static_cast<int>(entry.command)));
        g_signal_connect(item, "activate", G_CALLBACK(OnMenuActivate), this);
        // The menu shows the first key; the others (the keypad's, a second shortcut) work
        // without being shown.
        GtkAccelFlags shown = GTK_ACCEL_VISIBLE;
        for (const char key : {entry.shortcut, entry.otherShortcut}) {
            for (const guint code : ShortcutKeys(key)) {
                gtk_widget_add_accelerator(item, "activate", accelerators, code, GDK_CONTROL_MASK,
                                           shown);
                shown = static_cast<GtkAccelFlags>(0);
            }
        }
        // The second shortcut works without being shown beside the first; an entry without a
        // Ctrl shortcut shows it (Browse: Ctrl+Shift+O).
        if (entry.shiftShortcut >= 'A' && entry.shiftShortcut <= 'Z') {
            const guint key = GDK_KEY_a + static_cast<guint>(entry.shiftShortcut - 'A');
            gtk_widget_add_accelerator(
                item, "activate", accelerators, key,
                static_cast<GdkModifierType>(GDK_CONTROL_MASK | GDK_SHIFT_MASK),
                entry.shortcut == 0 ? GTK_ACCEL_VISIBLE : static_cast<GtkAccelFlags>(0));
        }
        commandItems_[entry.command] = item;
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
    }
    return menu;
}

void GtkFrontEnd::Drive(FrmMain& form) {
    form_ = &form;
}

void GtkFrontEnd::Run() {
    Trace("loaded");
    if (!gtk_widget_get_visible(window_)) ShowMainWindow();
    gtk_main();
}

void GtkFrontEnd::SetCaption(std::string_view caption) {
    gtk_window_set_title(GTK_WINDOW(window_), DisplayText(caption).c_str());
}

void GtkFrontEnd::SetStatusCaption(std::string_view caption) {
    if (statusItem_ == nullptr) return;
    statusText_ = DisplayText(caption);
    // A new text lays the whole menu bar out again, which takes several times as long as
    // painting a cell. While the window shows, the text is set when the main loop idles, after
    // the frame that shows the painted cell, and a quick stroke sets only its newest text.
    if (!gtk_widget_get_mapped(window_)) {
        gtk_menu_item_set_label(GTK_MENU_ITEM(statusItem_), statusText_.c_str());
    } else if (statusIdle_ == 0) {
        statusIdle_ = g_idle_add(OnStatusIdle, this);
    }
}

gboolean GtkFrontEnd::OnStatusIdle(gpointer self) {
    auto* front = static_cast<GtkFrontEnd*>(self);
    front->statusIdle_ = 0;
    gtk_menu_item_set_label(GTK_MENU_ITEM(front->statusItem_), front->statusText_.c_str());
    if (front->trace_) std::fprintf(stderr, "gridwright-status %s\n", front->statusText_.c_str());
    return G_SOURCE_REMOVE;
}

std::string GtkFrontEnd::InputBox(std::string_view prompt, std::string_view defaultAnswer) {
    ModalScope modal(modalDepth_);
    GtkWidget* dialog = gtk_dialog_new_with_buttons(
        kDialogTitle, GTK_WINDOW(window_),
        static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), "_Cancel",
        GTK_RESPONSE_CANCEL, "_OK", GTK_RESPONSE_OK, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    gtk_window_set_default_size(GTK_WINDOW(dialog), 360, -1);

    GtkWidget* label = gtk_label_new(DisplayText(prompt).c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0.0F);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(entry), DisplayText(defaultAnswer).c_str());
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);

    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_container_set_border_width(GTK_CONTAINER(content), 12);
    gtk_box_set_spacing(GTK_BOX(content), 8);
    gtk_box_pack_start(GTK_BOX(content), label, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(content), entry, FALSE, FALSE, 0);
    gtk_widget_show_all(dialog);
    // The default answer starts selected, so typing replaces it.
    gtk_widget_grab_focus(entry);
    gtk_editable_select_region(GTK_EDITABLE(entry), 0, -1);

    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    std::string answer = response == GTK_RESPONSE_OK
                             ? InputBoxAnswer(gtk_entry_get_text(GTK_ENTRY(entry)), defaultAnswer)
                             : "";
    gtk_widget_destroy(dialog);
    return answer;
}

void GtkFrontEnd::ShowMainWindow() {
    gtk_widget_show_all(window_);
}

PictureSize GtkFrontEnd::GetPictureSize(Picture) {
    // Asked for the surface and for picMainScreen, which has the surface's size; the window
    // cannot be resized, so the answer never changes.
    return {static_cast<double>(cairo_image_surface_get_width(image_)),
            static_cast<double>(cairo_image_surface_get_height(image_))};
}

void GtkFrontEnd::SetPictureVisible(Picture, bool) {
    // The start-up hides picFont and picMainScreen, which have no widget here: the font is built
    // in and the pixel buffer's size is the surface's.
}

void GtkFrontEnd::BlitScreen(const std::uint8_t* bits, const BitmapInfo& info,
                             const PixelRect& changed) {
    // Only the changed pixels are converted into the persistent picture and repainted, as
    // zoom_ x zoom_ blocks of device pixels; the rest of it already shows the buffer.
    const int width = cairo_image_surface_get_width(image_);
    const int height = cairo_image_surface_get_height(image_);
    const PixelRect area = Clip(changed, width, height);
    if (!area.Empty()) {
        cairo_surface_flush(image_);
        IndexedToRgb(bits, info,
                     reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(image_)), width,
                     height, cairo_image_surface_get_stride(image_) / 4, area);
        cairo_surface_mark_dirty_rectangle(image_, area.x, area.y, area.width, area.height);
        const PixelRect shown = WidgetArea(area, zoom_, Scale());
        gtk_widget_queue_draw_area(surface_, shown.x, shown.y, shown.width, shown.height);
    }
    Trace("blit");
}

std::string GtkFrontEnd::CommandLineArguments() {
    return commandLineArguments_;
}

double GtkFrontEnd::Random() {
    return random_.Next();
}

void GtkFrontEnd::EndProgram() {
    std::exit(EXIT_SUCCESS);
}

void GtkFrontEnd::ReportFailure(std::string_view message) {
    ModalScope modal(modalDepth_);
    GtkWidget* dialog = gtk_message_dialog_new(
        GTK_WINDOW(window_),
        static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
        GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", DisplayText(message).c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), kDialogTitle);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
}

void GtkFrontEnd::SetMenuEnabled(MenuCommand command, bool enabled) {
    const auto found = commandItems_.find(command);
    if (found != commandItems_.end()) gtk_widget_set_sensitive(found->second, enabled);
}

std::string GtkFrontEnd::RecoveryFolder() {
    // $XDG_STATE_HOME/gridwright, by default ~/.local/state/gridwright; never beside a map.
    gchar* folder = g_build_filename(g_get_user_state_dir(), "gridwright", nullptr);
    std::string path(folder);
    g_free(folder);
    return path;
}

std::string GtkFrontEnd::SettingsFolder() {
    // $XDG_CONFIG_HOME/gridwright, by default ~/.config/gridwright.
    gchar* folder = g_build_filename(g_get_user_config_dir(), "gridwright", nullptr);
    std::string path(folder);
    g_free(folder);
    return path;
}

int GtkFrontEnd::DisplayZoom() {
    return ZoomForScale(Scale());
}

void GtkFrontEnd::SetZoom(int zoom) {
    zoom_ = ClampZoom(zoom);
    FitSurface();
}

void GtkFrontEnd::SetMenuChecked(MenuCommand command, bool checked) {
    const auto found = commandItems_.find(command);
    if (found == commandItems_.end() || !GTK_IS_CHECK_MENU_ITEM(found->second)) return;
    // Checking one radio item unchecks the others of its group; unchecking the checked one alone
    // does nothing, so the core's "old off, new on" leaves exactly the new one checked.
    settingChecks_ = true;
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(found->second), checked);
    settingChecks_ = false;
}

void GtkFrontEnd::WriteClipboard(std::string_view text, std::string_view cells) {
    GtkClipboard* clipboard = gtk_widget_get_clipboard(window_, GDK_SELECTION_CLIPBOARD);
    // The cells first: a program that takes the first target it knows gets the colours too.
    GtkTargetList* targets = gtk_target_list_new(nullptr, 0);
    gtk_target_list_add(targets, CellsAtom(), 0, kCellsTarget);
    gtk_target_list_add_text_targets(targets, kTextTarget);
    gint count = 0;
    GtkTargetEntry* table = gtk_target_table_new_from_list(targets, &count);
    // Taking the selection may clear what this window offered before, so the new texts are
    // kept only after it.
    if (gtk_clipboard_set_with_data(clipboard, table, static_cast<guint>(count), OnClipboardGet,
                                    OnClipboardClear, this)) {
        clipboardText_ = text;
        clipboardCells_ = cells;
        ownsClipboard_ = true;
    } else {
        ReportFailure("The clipboard could not be taken over; nothing was copied.");
    }
    gtk_target_table_free(table, count);
    gtk_target_list_unref(targets);
    Trace("clipboard-written");
}

void GtkFrontEnd::OnClipboardGet(GtkClipboard*, GtkSelectionData* data, guint info, gpointer self) {
    auto* front = static_cast<GtkFrontEnd*>(self);
    if (info == kCellsTarget) {
        gtk_selection_data_set(data, CellsAtom(), 8,
                               reinterpret_cast<const guchar*>(front->clipboardCells_.data()),
                               static_cast<gint>(front->clipboardCells_.size()));
    } else {
        gtk_selection_data_set_text(data, front->clipboardText_.data(),
                                    static_cast<gint>(front->clipboardText_.size()));
    }
}

void GtkFrontEnd::OnClipboardClear(GtkClipboard*, gpointer self) {
    // Another program (or another copy here) owns the clipboard now.
    auto* front = static_cast<GtkFrontEnd*>(self);
    front->clipboardText_.clear();
    front->clipboardCells_.clear();
    front->ownsClipboard_ = false;
}

bool GtkFrontEnd::ReadClipboard(ClipboardContent& content) {
    // The waits run the main loop until the owner answers; no editor event is taken meanwhile,
    // as under a modal box, since the editor is in the middle of its Paste.
    ModalScope modal(modalDepth_);
    GtkClipboard* clipboard = gtk_widget_get_clipboard(window_, GDK_SELECTION_CLIPBOARD);
    // Only a form the owner lists is asked for: some owners answer every target with their text,
    // which is no cells form. An owner that lists nothing may still give text.
    GdkAtom* targets = nullptr;
    gint count = 0;
    bool cells = false, text = true;
    if (gtk_clipboard_wait_for_targets(clipboard, &targets, &count)) {
        cells = std::find(targets, targets + count, CellsAtom()) != targets + count;
        text = gtk_targets_include_text(targets, count);
        g_free(targets);
    }
    if (cells) {
        if (GtkSelectionData* data = gtk_clipboard_wait_for_contents(clipboard, CellsAtom())) {
            const gint length = gtk_selection_data_get_length(data);
            if (length >= 0) {
                const guchar* bytes = gtk_selection_data_get_data(data);
                content.cells.emplace(reinterpret_cast<const char*>(bytes),
                                      static_cast<std::size_t>(length));
            }
            gtk_selection_data_free(data);
        }
    }
    // The text too, for when the cells turn out damaged.
    if (text) {
        if (gchar* plain = gtk_clipboard_wait_for_text(clipboard)) {
            content.text.emplace(plain);
            g_free(plain);
        }
    }
    Trace("clipboard-read");
    return true;
}

void GtkFrontEnd::SetPointerShape(PointerShape shape) {
    pointerShape_ = shape;
    ShowPointerShape();
}

void GtkFrontEnd::ShowPointerShape() {
    GdkWindow* window = gtk_widget_get_window(surface_);
    if (window == nullptr) return;  // shown when the surface is realized
    // The arrow is the window's own pointer, as the surface had it before there were tools.
    GdkCursor* cursor = nullptr;
    const auto index = static_cast<std::size_t>(pointerShape_);
    if (pointerShape_ != PointerShape::Arrow && index < cursors_.size()) {
        if (cursors_[index] == nullptr) {
            for (const char* name : CursorNames(pointerShape_)) {
                cursors_[index] = gdk_cursor_new_from_name(gdk_window_get_display(window), name);
                if (cursors_[index] != nullptr) break;
            }
        }
        cursor = cursors_[index];
    }
    gdk_window_set_cursor(window, cursor);
    Trace("pointer-shape", static_cast<long long>(index));
}

std::optional<std::string> GtkFrontEnd::ChooseMapFile(std::string_view folder) {
    ModalScope modal(modalDepth_);
    // The native chooser goes through the desktop's portal where there is one, and is GTK's
    // own dialog elsewhere.
    GtkFileChooserNative* chooser = gtk_file_chooser_native_new(
        "Open a Map File", GTK_WINDOW(window_), GTK_FILE_CHOOSER_ACTION_OPEN, "_Open", "_Cancel");
    gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
    GtkFileFilter* maps = gtk_file_filter_new();
    gtk_file_filter_set_name(maps, "Map files (*.qmap)");
    gtk_file_filter_add_pattern(maps, "*.qmap");
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), maps);
    GtkFileFilter* all = gtk_file_filter_new();
    gtk_file_filter_set_name(all, "All files");
    gtk_file_filter_add_pattern(all, "*");
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), all);
    // The chooser takes the filters' references; the map files' one is chosen at the start.
    gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(chooser), maps);
    // File names are the system's bytes on Linux, which is what the editor passes on unchanged.
    if (!folder.empty())
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), std::string(folder).c_str());
    std::optional<std::string> chosen;
    if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
        if (gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser))) {
            chosen.emplace(name);
            g_free(name);
        }
    }
    g_object_unref(chooser);
    Trace(chosen ? "file-chosen" : "file-dialog-cancelled");
    return chosen;
}

void GtkFrontEnd::AddRecentDocument(std::string_view path) {
    gchar* uri = g_filename_to_uri(std::string(path).c_str(), nullptr, nullptr);
    if (uri == nullptr) return;
    // Described in full: the manager then has no file type to look up in the background, and the
    // entry opens with this program, as the desktop entry says (Exec, MimeType).
    GtkRecentData data{};
    data.mime_type = const_cast<gchar*>("application/x-quorix-map");
    data.app_name = const_cast<gchar*>("gridwright");
    data.app_exec = const_cast<gchar*>("gridwright %f");
    // A manager of its own for the one addition, which writes the list when it goes: none stays
    // behind watching the list's file for the rest of the run.
    GtkRecentManager* recent = gtk_recent_manager_new();
    gtk_recent_manager_add_full(recent, uri, &data);
    g_object_unref(recent);
    g_free(uri);
}

void GtkFrontEnd::SetMenuCaption(MenuCommand command, std::string_view caption) {
    const auto found = commandItems_.find(command);
    if (found == commandItems_.end()) return;
    gtk_menu_item_set_use_underline(GTK_MENU_ITEM(found->second), TRUE);
    gtk_menu_item_set_label(GTK_MENU_ITEM(found->second),
                            MnemonicLabel(DisplayText(caption)).c_str());
}

void GtkFrontEnd::SetMenuVisible(MenuCommand command, bool visible) {
    const auto found = commandItems_.find(command);
    if (found == commandItems_.end()) return;
    // Showing the whole window later must not show a hidden entry again.
    gtk_widget_set_no_show_all(found->second, !visible);
    gtk_widget_set_visible(found->second, visible);
}

void GtkFrontEnd::OnDragDataReceived(GtkWidget*, GdkDragContext* context, gint, gint,
                                     GtkSelectionData* data, guint, guint time, gpointer self) {
    auto* front = static_cast<GtkFrontEnd*>(self);
    std::string path;
    if (gchar** uris = gtk_selection_data_get_uris(data)) {
        // The first file that is a local one; several dropped at once name only it.
        for (gchar** uri = uris; *uri != nullptr && path.empty(); ++uri) {
            if (gchar* name = g_filename_from_uri(*uri, nullptr, nullptr)) {
                path = name;
                g_free(name);
            }
        }
        g_strfreev(uris);
    }
    const bool taken = !path.empty() && front->TakesEvents();
    // The source hears the outcome before the load, which may show a failure message.
    gtk_drag_finish(context, taken, FALSE, time);
    if (!taken) return;
    front->Trace("dropped");
    front->form_->DropFile(path);
}

void GtkFrontEnd::FitSurface() {
    // A window that cannot be resized takes the size its contents ask for, larger or smaller.
    const int scale = Scale();
    gtk_widget_set_size_request(surface_, (kSurfaceWidth * zoom_ + scale - 1) / scale,
                                (kSurfaceHeight * zoom_ + scale - 1) / scale);
    gtk_widget_queue_draw(surface_);
}

float GtkFrontEnd::SurfaceX(double x) const {
    return static_cast<float>(SurfacePosition(x, Scale(), zoom_));
}

float GtkFrontEnd::SurfaceY(double y) const {
    return static_cast<float>(SurfacePosition(y, Scale(), zoom_));
}

void GtkFrontEnd::OnScaleChanged(GObject*, GParamSpec*, gpointer self) {
    // The window moved to a monitor of another scale: the surface keeps its zoom in device
    // pixels until the editor chooses the zoom that follows the display.
    auto* front = static_cast<GtkFrontEnd*>(self);
    front->FitSurface();
    if (front->form_ != nullptr) front->form_->DisplayScaleChanged();
}

void GtkFrontEnd::OnMenuActivate(GtkMenuItem* item, gpointer self) {
    auto* front = static_cast<GtkFrontEnd*>(self);
    if (!front->TakesEvents()) return;
    // A radio item is activated too when it is unchecked, and when the core checks it.
    if (GTK_IS_CHECK_MENU_ITEM(item) &&
        (front->settingChecks_ || !gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item))))
        return;
    const auto command = static_cast<MenuCommand>(
        GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), "gridwright-command")));
    front->form_->Invoke(command);
}

void GtkFrontEnd::OnSurfaceRealize(GtkWidget* widget, gpointer self) {
    // Every pointer move reaches the editor, not only the last one of each frame, so a quick
    // stroke paints every cell it crosses.
    gdk_window_set_event_compression(gtk_widget_get_window(widget), FALSE);
    auto* front = static_cast<GtkFrontEnd*>(self);
    if (front->pointerShape_ != PointerShape::Arrow) front->ShowPointerShape();
}

void GtkFrontEnd::OnWindowRealize(GtkWidget* widget, gpointer self) {
    gtk_im_context_set_client_window(static_cast<GtkFrontEnd*>(self)->input_,
                                     gtk_widget_get_window(widget));
}

gboolean GtkFrontEnd::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
    auto* front = static_cast<GtkFrontEnd*>(self);
    // Unhandled keys go on to the accelerators (the Ctrl shortcuts) and the access letters.
    if (!front->TakesEvents()) return FALSE;
    front->Trace("key");
    // The input method sees the key first, as in a text field: it may be part of a compose
    // sequence. It commits typed characters (OnCommit) and lets named keys through.
    if (TypesText(event->state) && gtk_im_context_filter_keypress(front->input_, event))
        return TRUE;
    const NamedKey key = NamedKeyOf(event->keyval);
    if (key == NamedKey::None) return FALSE;
    return front->form_->KeyDown(key, ModifierKeys(event->state)) ? TRUE : FALSE;
}

gboolean GtkFrontEnd::OnKeyRelease(GtkWidget*, GdkEventKey* event, gpointer self) {
    auto* front = static_cast<GtkFrontEnd*>(self);
    if (!front->TakesEvents() || !TypesText(event->state)) return FALSE;
    return gtk_im_context_filter_keypress(front->input_, event);
}

gboolean GtkFrontEnd::OnFocusChange(GtkWidget*, GdkEventFocus* event, gpointer self) {
    auto* front = static_cast<GtkFrontEnd*>(self);
    if (event->in)
        gtk_im_context_focus_in(front->input_);
    else
        gtk_im_context_focus_out(front->input_);
    return FALSE;
}

void GtkFrontEnd::OnCommit(GtkIMContext*, gchar* text, gpointer self) {
    auto* front = static_cast<GtkFrontEnd*>(self);
    if (!front->TakesEvents()) return;
    for (const char32_t character : TypedCharacters(text)) {
        front->Trace("typed", static_cast<long long>(character));
        front->form_->TypeCharacter(character);
    }
}

gboolean GtkFrontEnd::OnLeave(GtkWidget*, GdkEventCrossing* event, gpointer self) {
    auto* front = static_cast<GtkFrontEnd*>(self);
    // Only the pointer itself leaving: not a menu's grab taking it while it stays over the board,
    // nor a drag, whose moves off the surface the editor already follows.
    if (!front->TakesEvents() || HeldButtons(event->state) != 0 ||
        (event->mode != GDK_CROSSING_NORMAL && event->mode != GDK_CROSSING_UNGRAB))
        return FALSE;
    front->Trace("left");
    front->form_->PointerLeft();
    return FALSE;
}

gboolean GtkFrontEnd::OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self) {
    auto* front = static_cast<GtkFrontEnd*>(self);
    const int scale = gtk_widget_get_scale_factor(widget);
    if (front->trace_) {
        double left = 0, top = 0, right = 0, bottom = 0;
        cairo_clip_extents(cr, &left, &top, &right, &bottom);
        front->Trace("redrawn-device-pixels",
                     std::llround((right - left) * scale) * std::llround((bottom - top) * scale));
    }
    if (front->zoom_ != scale) {
        // Where the widget reaches past the zoomed surface (rounded up to whole logical pixels,
        // or under a menu bar wider than the surface), the window shows black.
        GtkAllocation size;
        gtk_widget_get_allocation(widget, &size);
        if (size.width * scale > kSurfaceWidth * front->zoom_ ||
            size.height * scale > kSurfaceHeight * front->zoom_) {
            cairo_set_source_rgb(cr, 0, 0, 0);
            cairo_paint(cr);
        }
        const double factor = static_cast<double>(front->zoom_) / scale;
        cairo_scale(cr, factor, factor);
    }
    cairo_set_source_surface(cr, front->image_, 0, 0);
    // Scaled displays show the cells' pixels crisp.
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    front->Trace("frame");
    return TRUE;
}

gboolean GtkFrontEnd::OnButtonPress(GtkWidget*, GdkEventButton* event, gpointer self) {
    auto* front = static_cast<GtkFrontEnd*>(self);
    // A double click also brings GDK_2BUTTON_PRESS after its second press; that is no new press.
    if (event->type != GDK_BUTTON_PRESS || !front->TakesEvents()) return TRUE;
    const std::int16_t button = PressedButton(event->button);
    if (button == 0) return TRUE;
    front->Trace("press");
    front->form_->picScreen_MouseDown(button, ModifierKeys(event->state), front->SurfaceX(event->x),
                                      front->SurfaceY(event->y));
    return TRUE;
}

gboolean GtkFrontEnd::OnButtonRelease(GtkWidget*, GdkEventButton* event, gpointer self) {
    auto* front = static_cast<GtkFrontEnd*>(self);
    if (!front->TakesEvents()) return TRUE;
    // The state still holds the button being let go.
    const auto held =
        static_cast<std::int16_t>(HeldButtons(event->state) & ~PressedButton(event->button));
    front->form_->picScreen_MouseUp(held, ModifierKeys(event->state), front->SurfaceX(event->x),
                                    front->SurfaceY(event->y));
    return TRUE;
}

gboolean GtkFrontEnd::OnMotion(GtkWidget*, GdkEventMotion* event, gpointer self) {
    auto* front = static_cast<GtkFrontEnd*>(self);
    if (!front->TakesEvents()) return TRUE;
    front->Trace("motion");
    front->form_->picScreen_MouseMove(HeldButtons(event->state), ModifierKeys(event->state),
                                      front->SurfaceX(event->x), front->SurfaceY(event->y));
    return TRUE;
}

gboolean GtkFrontEnd::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
    // Closing the window ends the program at once, as Exit does; nothing is saved or asked.
    static_cast<GtkFrontEnd*>(self)->EndProgram();
    return TRUE;
}

void GtkFrontEnd::Trace(const char* what, long long count) const {
    if (!trace_) return;
    const auto now = static_cast<long long>(g_get_monotonic_time());
    if (count < 0)
        std::fprintf(stderr, "gridwright-trace %s %lld\n", what, now);
    else
        std::fprintf(stderr, "gridwright-trace %s %lld %lld\n", what, now, count);
}

}  // namespace gridwright
