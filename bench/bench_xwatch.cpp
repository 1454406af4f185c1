// SPDX-License-Identifier: MIT
// Watches the program under test from outside, through the X server.
//
// bench_xwatch startup PANEL_WINDOW SETTLE_SECONDS -- PROGRAM [ARGUMENTS...]
//     Starts the program and watches the tray host's panel until the program's icon is embedded and on
//     screen. Prints: milliseconds from the start to the icon shown, then, SETTLE_SECONDS later, the
//     program's resident, peak resident, anonymous and proportional (Pss) kB. Ends the program
//     afterwards and waits for its icon to go.
//
// bench_xwatch switches PID COUNT DELAY_MS TIMEOUT_SECONDS
//     Prints "ready", then one line per change of the root window's _XROOTPMAP_ID until COUNT changes
//     were seen: the change's number, milliseconds since ready, and DELAY_MS after the change the
//     process's resident, anonymous and peak resident kB.
#include "bench_util.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <X11/Xlib.h>

namespace {

constexpr double GiveUpMs = 20000;

std::vector<Window> children(Display* display, Window parent) {
    Window root = 0;
    Window ancestor = 0;
    Window* list = nullptr;
    unsigned count = 0;
    std::vector<Window> found;
    if (XQueryTree(display, parent, &root, &ancestor, &list, &count) && list) {
        found.assign(list, list + count);
        XFree(list);
    }
    return found;
}

bool viewable(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

// The host puts one socket window per icon into its panel; the icon's own window is the socket's child.
// Watching the sockets too wakes us as soon as an icon inside one is mapped.
bool iconShown(Display* display, Window panel) {
    for (const Window socket : children(display, panel)) {
        XSelectInput(display, socket, SubstructureNotifyMask);
        for (const Window icon : children(display, socket))
            if (viewable(display, icon))
                return true;
    }
    return false;
}

int ignoreErrors(Display* /*display*/, XErrorEvent* /*event*/) {
    return 0; // windows come and go while we look at them
}

// Waits up to `milliseconds` for events and hands each to `onEvent`.
template <typename OnEvent> void waitForEvents(Display* display, int milliseconds, OnEvent onEvent) {
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    if (XPending(display) == 0)
        poll(&connection, 1, milliseconds);
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        onEvent(event);
    }
}

bool waitForIcon(Display* display, Window panel, bool shown, double deadline) {
    XSelectInput(display, panel, SubstructureNotifyMask);
    while (iconShown(display, panel) != shown) {
        if (bench::nowMs() > deadline)
            return false;
        waitForEvents(display, 2, [](const XEvent&) {});
    }
    return true;
}

void endProgram(pid_t pid) {
    kill(pid, SIGTERM);
    for (int tries = 0; tries < 50; ++tries) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        usleep(100000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

int measureStartup(Display* display, Window panel, double settleSeconds, char** command) {
    if (!waitForIcon(display, panel, false, bench::nowMs() + GiveUpMs)) {
        std::fprintf(stderr, "bench_xwatch: the tray still shows an icon from before\n");
        return 1;
    }
    const double started = bench::nowMs();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(command[0], command);
        std::_Exit(127);
    }
    if (pid < 0)
        return 1;
    if (!waitForIcon(display, panel, true, started + GiveUpMs)) {
        std::fprintf(stderr, "bench_xwatch: no icon was embedded\n");
        endProgram(pid);
        return 1;
    }
    const double elapsed = bench::nowMs() - started;
    usleep(static_cast<useconds_t>(settleSeconds * 1e6));
    const std::string id = std::to_string(pid);
    std::printf("%.2f %ld %ld %ld %ld\n", elapsed, bench::statusKb(id, "VmRSS"), bench::statusKb(id, "VmHWM"),
                bench::statusKb(id, "RssAnon"), bench::rollupKb(id, "Pss"));
    std::fflush(stdout);
    endProgram(pid);
    return waitForIcon(display, panel, false, bench::nowMs() + GiveUpMs) ? 0 : 1;
}

int countSwitches(Display* display, const std::string& pid, int count, int delayMs, double timeoutSeconds) {
    const Window root = DefaultRootWindow(display);
    const Atom rootPixmap = XInternAtom(display, "_XROOTPMAP_ID", False);
    XSelectInput(display, root, PropertyChangeMask);
    XSync(display, False);
    std::printf("ready\n");
    std::fflush(stdout);
    const double started = bench::nowMs();
    int seen = 0;
    while (seen < count) {
        if (bench::nowMs() - started > timeoutSeconds * 1000.0 || bench::statusKb(pid, "VmRSS") < 0) {
            std::fprintf(stderr, "bench_xwatch: %d of %d switches seen\n", seen, count);
            return 1;
        }
        int changes = 0;
        waitForEvents(display, 100, [&changes, rootPixmap](const XEvent& event) {
            if (event.type == PropertyNotify && event.xproperty.atom == rootPixmap &&
                event.xproperty.state == PropertyNewValue)
                ++changes;
        });
        for (; changes > 0 && seen < count; --changes) {
            ++seen;
            const double at = bench::nowMs() - started;
            usleep(static_cast<useconds_t>(delayMs) * 1000);
            std::printf("%d %.0f %ld %ld %ld\n", seen, at, bench::statusKb(pid, "VmRSS"),
                        bench::statusKb(pid, "RssAnon"), bench::statusKb(pid, "VmHWM"));
            std::fflush(stdout);
        }
    }
    return 0;
}

int usage() {
    std::fprintf(stderr, "usage: bench_xwatch startup PANEL_WINDOW SETTLE_SECONDS -- PROGRAM [ARGUMENTS...]\n"
                         "       bench_xwatch switches PID COUNT DELAY_MS TIMEOUT_SECONDS\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool startup = mode == "startup" && argc >= 6 && std::string(argv[4]) == "--";
    const bool switches = mode == "switches" && argc == 6;
    if (!startup && !switches)
        return usage();
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench_xwatch: no X display\n");
        return 1;
    }
    XSetErrorHandler(&ignoreErrors);
    const int status =
        startup
            ? measureStartup(display, std::strtoul(argv[2], nullptr, 0), std::strtod(argv[3], nullptr), argv + 5)
            : countSwitches(display, argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::strtod(argv[5], nullptr));
    XCloseDisplay(display);
    return status;
}
