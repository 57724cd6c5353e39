// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
//
// Launches a program and prints the milliseconds from the launch to the first window it maps
// on the X server, as the server itself reports it (MapNotify on the root window), so no
// polling interval blurs the figure. Meant for a private X server where nothing else maps.
//   perf_first_map [-k] [-n NAME] [-w] [-t SECONDS] PROGRAM [ARGS...]
// Prints "MS WINDOW PID". -k ends the program (SIGTERM) once its window is mapped; without
// it the program keeps running and the caller ends it by its pid. -n counts only a window
// whose title contains NAME. -w lets PROGRAM end without a window: it is then a trigger (say
// `xdotool key Return` on a box) and the figure is from the trigger to the window NAME.
// -v also prints, on stderr, the launch and map instants on the monotonic clock.
#include <X11/Xlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}
} // namespace

int main(int argc, char *argv[])
{
    bool killAfter = false;
    bool verbose = false;
    bool trigger = false;
    const char *name = nullptr;
    double timeoutS = 30;
    int opt;
    while ((opt = getopt(argc, argv, "+kvwn:t:")) != -1) {
        if (opt == 'k')
            killAfter = true;
        else if (opt == 'v')
            verbose = true;
        else if (opt == 'w')
            trigger = true;
        else if (opt == 'n')
            name = optarg;
        else if (opt == 't')
            timeoutS = std::atof(optarg);
        else
            return 2;
    }
    if (optind >= argc) {
        std::fprintf(stderr, "usage: %s [-k] [-t SECONDS] PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "perf_first_map: cannot open the display\n");
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, True);

    const double start = nowMs();
    pid_t child = fork();
    if (child == 0) {
        close(ConnectionNumber(display));
        dup2(2, 1); // the program's own output must not hold the caller's pipe open
        execvp(argv[optind], argv + optind);
        std::fprintf(stderr, "perf_first_map: %s: %s\n", argv[optind], std::strerror(errno));
        _exit(127);
    }
    if (child < 0)
        return 2;
    const pid_t launched = child;

    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    Window mapped = 0;
    double at = 0;
    while (!mapped) {
        while (!mapped && XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            // Override-redirect windows are menus, tool tips and the like, never a first box.
            if (event.type == MapNotify && !event.xmap.override_redirect) {
                const double when = nowMs();
                char *title = nullptr;
                if (name && (!XFetchName(display, event.xmap.window, &title) || !title || !std::strstr(title, name))) {
                    XFree(title);
                    continue;
                }
                XFree(title);
                at = when;
                mapped = event.xmap.window;
            }
        }
        if (mapped)
            break;
        const int left = int(start + timeoutS * 1e3 - nowMs());
        int status = 0;
        if (left > 0 && trigger && child > 0 && waitpid(child, &status, WNOHANG) == child)
            child = 0; // the trigger has done its part
        else if (left <= 0 || (!trigger && waitpid(child, &status, WNOHANG) == child)) {
            std::fprintf(stderr, "perf_first_map: %s\n", left <= 0 ? "no window in time" : "the program ended without a window");
            if (left <= 0 && child > 0)
                kill(child, SIGTERM);
            return 1;
        }
        poll(&fd, 1, std::min(left, 100));
    }
    if (verbose)
        std::fprintf(stderr, "launch %.2f map %.2f\n", start, at);
    std::printf("%.1f 0x%lx %d\n", at - start, mapped, int(launched));
    std::fflush(stdout);
    if (killAfter && child > 0) {
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
    }
    XCloseDisplay(display);
    return 0;
}
