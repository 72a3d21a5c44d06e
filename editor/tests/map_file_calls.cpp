// Loads and saves one level through the editor's core, for a trace of the system calls that the
// load and the save make:
//
//   map_file_calls MAP LEVEL
//
// Right before the load, between the load and the save, and right after the save it calls
// getppid(), which nothing else in the program calls, so the trace can be cut there. The window
// shows nothing, so the calls between the marks are the map file's alone.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "frm_main.h"
#include "silent_window.h"

namespace {

using namespace gridwright;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: map_file_calls MAP LEVEL\n");
        return 2;
    }
    SilentWindow window{"map_file_calls"};
    FrmMain form(window);
    form.Form_Load();
    form.MapFileName = argv[1];
    form.CurrentLevel = OptionalNumber::Whole(static_cast<std::int16_t>(std::atoi(argv[2])));

    ::getppid();
    const bool loaded = form.LoadMap();
    ::getppid();
    const bool saved = form.SaveMap();
    ::getppid();
    return loaded && saved ? 0 : 1;
}
