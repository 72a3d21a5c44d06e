// gridwright on Linux: opens the editor's window with GTK 3 and hands it to the core.
#include <gtk/gtk.h>

#include <clocale>
#include <cstdio>
#include <span>

#include "frm_main.h"
#include "gtk_front_end.h"
#include "gtk_translate.h"
#include "program_info.h"

int main(int argc, char** argv) {
    // Every argument belongs to the editor, so GTK is given none to interpret.
    const std::string arguments =
        gridwright::JoinArguments(std::span<char* const>(argv + 1, argc > 1 ? argc - 1 : 0));
    // Answered before any display is needed, so they work on a text console too.
    if (const auto info = gridwright::InfoRequested(arguments)) {
        std::fputs(info->c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    g_set_prgname("gridwright");
    g_set_application_name("QUORIX Map Editor");
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr,
                     "gridwright: cannot open a display (DISPLAY is \"%s\"). Run it inside a "
                     "desktop session, or render a map to PNG with: gridmap render MAP LEVEL "
                     "OUT.png\n",
                     g_getenv("DISPLAY") != nullptr ? g_getenv("DISPLAY") : "");
        return 1;
    }
    // Numbers typed into the input boxes are read with a full stop, whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");

    gridwright::GtkFrontEnd window(arguments);
    gridwright::FrmMain form(window);
    window.Drive(form);
    form.Form_Load();
    window.Run();
    return 0;
}
