// Drops one file on an X window as a file manager does, through the XDND protocol (version 5,
// freedesktop.org's drag-and-drop for X): enter, a position at the window's centre, the drop, the
// file's URI handed over as text/uri-list, and the target's finish.
//
//     xdnd_drop WINDOW URI      (WINDOW: the X window id, decimal or 0x hexadecimal)
//
// Exits 0 when the target accepted and finished the drop, 1 with a message otherwise.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Atoms {
    Atom aware, selection, enter, position, status, drop, finished, copy, uriList;
};

void Send(Display* display, Window target, Atom type, const long (&data)[5]) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.display = display;
    event.xclient.window = target;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    for (int i = 0; i < 5; ++i) event.xclient.data.l[i] = data[i];
    XSendEvent(display, target, False, NoEventMask, &event);
    XFlush(display);
}

// The next event, or false after the deadline.
bool NextEvent(Display* display, std::chrono::steady_clock::time_point deadline, XEvent& event) {
    while (XPending(display) == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd wait{ConnectionNumber(display), POLLIN, 0};
        poll(&wait, 1, static_cast<int>(left.count()));
    }
    XNextEvent(display, &event);
    return true;
}

// Hands the URI list to a target that asks for the selection's contents.
void Answer(Display* display, const Atoms& atoms, const XSelectionRequestEvent& request,
            const std::string& list) {
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = display;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    reply.xselection.property = None;
    if (request.target == atoms.uriList) {
        const Atom property = request.property != None ? request.property : request.target;
        XChangeProperty(display, request.requestor, property, atoms.uriList, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(list.data()),
                        static_cast<int>(list.size()));
        reply.xselection.property = property;
    }
    XSendEvent(display, request.requestor, False, NoEventMask, &reply);
    XFlush(display);
}

int Fail(const char* why) {
    std::fprintf(stderr, "xdnd_drop: %s\n", why);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return Fail("usage: xdnd_drop WINDOW URI");
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return Fail("cannot open the display");
    const Window target = std::strtoul(argv[1], nullptr, 0);
    const std::string list = std::string(argv[2]) + "\r\n";
    const Atoms atoms{
        XInternAtom(display, "XdndAware", False),    XInternAtom(display, "XdndSelection", False),
        XInternAtom(display, "XdndEnter", False),    XInternAtom(display, "XdndPosition", False),
        XInternAtom(display, "XdndStatus", False),   XInternAtom(display, "XdndDrop", False),
        XInternAtom(display, "XdndFinished", False), XInternAtom(display, "XdndActionCopy", False),
        XInternAtom(display, "text/uri-list", False)};

    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* version = nullptr;
    if (XGetWindowProperty(display, target, atoms.aware, 0, 1, False, XA_ATOM, &type, &format,
                           &count, &after, &version) != Success ||
        count == 0)
        return Fail("the window takes no drops (no XdndAware)");
    XFree(version);

    const Window source =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display, atoms.selection, source, CurrentTime);
    if (XGetSelectionOwner(display, atoms.selection) != source)
        return Fail("cannot own the XdndSelection");

    XWindowAttributes shape;
    XGetWindowAttributes(display, target, &shape);
    int x = 0, y = 0;
    Window child = None;
    XTranslateCoordinates(display, target, DefaultRootWindow(display), shape.width / 2,
                          shape.height / 2, &x, &y, &child);
    const long self = static_cast<long>(source);
    Send(display, target, atoms.enter, {self, 5L << 24, static_cast<long>(atoms.uriList), 0, 0});
    Send(display, target, atoms.position,
         {self, 0, (static_cast<long>(x) << 16) | y, CurrentTime, static_cast<long>(atoms.copy)});

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool dropped = false;
    XEvent event;
    while (NextEvent(display, deadline, event)) {
        if (event.type == SelectionRequest) {
            Answer(display, atoms, event.xselectionrequest, list);
        } else if (event.type == ClientMessage && event.xclient.message_type == atoms.status) {
            if (dropped) continue;
            if ((event.xclient.data.l[1] & 1) == 0) return Fail("the window refused the drop");
            Send(display, target, atoms.drop, {self, 0, CurrentTime, 0, 0});
            dropped = true;
        } else if (event.type == ClientMessage && event.xclient.message_type == atoms.finished) {
            // Version 5: bit 0 of the second value tells whether the target took the data.
            const bool taken = (event.xclient.data.l[1] & 1) != 0;
            XCloseDisplay(display);
            return taken ? 0 : Fail("the window finished the drop without taking it");
        }
    }
    return Fail(dropped ? "the window never finished the drop" : "the window never answered");
}
