// The least a GTK 3 program does to show an 800 x 450 picture: a window with a drawing area that
// paints it black. Start-up figures of the editor are set against it; at its first frame it
// writes "gridwright-trace frame MICROSECONDS" (CLOCK_MONOTONIC) to standard error, as the editor
// does with GRIDWRIGHT_TRACE set.
#include <gtk/gtk.h>

#include <cstdio>

namespace {

gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer) {
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    static bool first = true;
    if (first) {
        first = false;
        std::fprintf(stderr, "gridwright-trace frame %lld\n",
                     static_cast<long long>(g_get_monotonic_time()));
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "minimal GTK 3 window");
    GtkWidget* area = gtk_drawing_area_new();
    gtk_widget_set_size_request(area, 800, 450);
    g_signal_connect(area, "draw", G_CALLBACK(OnDraw), nullptr);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    gtk_container_add(GTK_CONTAINER(window), area);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
