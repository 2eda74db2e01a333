// first-frame: starts a program and reports how long it took until the first drawn frame
// of its first top-level window, and its resident memory a while later.
//
//   first-frame [--timeout MS] [--settle MS] -- PROGRAM ARGS...
//
// Prints "<milliseconds> <resident KiB>" on stdout. The clock starts just before the
// program is started and stops at the first XDamage notification of a top-level window
// that has been mapped (MapNotify): the window is on screen and something was drawn into
// it. Resident memory (VmRSS) is read --settle ms (default 3000) later. The program is
// then stopped by its process id (SIGTERM, SIGKILL after 2 s). Needs an X display with
// the DAMAGE extension and no other client mapping windows (a private Xvfb).
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <string>
#include <sys/select.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

long residentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

void stop(pid_t pid)
{
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

int ignoreErrors(Display *, XErrorEvent *)
{
    return 0; // a window may vanish between its creation and our request
}

} // namespace

int main(int argc, char **argv)
{
    int timeoutMs = 20000;
    int settleMs = 3000;
    int first = 1;
    for (; first < argc; ++first) {
        if (!std::strcmp(argv[first], "--timeout") && first + 1 < argc)
            timeoutMs = std::atoi(argv[++first]);
        else if (!std::strcmp(argv[first], "--settle") && first + 1 < argc)
            settleMs = std::atoi(argv[++first]);
        else if (!std::strcmp(argv[first], "--")) {
            ++first;
            break;
        } else
            break;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: first-frame [--timeout MS] [--settle MS] -- PROGRAM ARGS...\n");
        return 2;
    }

    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "first-frame: cannot open the display\n");
        return 2;
    }
    int damageEvent = 0, damageError = 0;
    if (!XDamageQueryExtension(display, &damageEvent, &damageError)) {
        std::fprintf(stderr, "first-frame: the display has no DAMAGE extension\n");
        return 2;
    }
    XSetErrorHandler(ignoreErrors);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid < 0)
        return 2;
    if (pid == 0) {
        ::close(ConnectionNumber(display));
        // The program's own chatter stays out of this tool's output.
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) {
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        ::execvp(argv[first], argv + first);
        std::fprintf(stderr, "first-frame: cannot start %s: %s\n", argv[first], std::strerror(errno));
        ::_exit(127);
    }

    // Damage is watched from a top-level window's creation on, so no drawing after its
    // mapping can slip by; only damage of a mapped window counts.
    std::set<Window> mapped;
    const int fd = ConnectionNumber(display);
    double elapsedMs = -1;
    while (elapsedMs < 0) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == CreateNotify && event.xcreatewindow.parent == root
                && !event.xcreatewindow.override_redirect) {
                XDamageCreate(display, event.xcreatewindow.window, XDamageReportNonEmpty);
            } else if (event.type == MapNotify && event.xmap.event == root && !event.xmap.override_redirect) {
                mapped.insert(event.xmap.window);
            } else if (event.type == damageEvent + XDamageNotify) {
                const auto *damage = reinterpret_cast<XDamageNotifyEvent *>(&event);
                if (mapped.count(damage->drawable)) {
                    elapsedMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                    break;
                }
                XDamageSubtract(display, damage->damage, None, None);
            }
        }
        if (elapsedMs >= 0)
            break;
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "first-frame: %s ended before showing a window\n", argv[first]);
            return 1;
        }
        if (Clock::now() - start > std::chrono::milliseconds(timeoutMs)) {
            std::fprintf(stderr, "first-frame: no frame within %d ms\n", timeoutMs);
            stop(pid);
            return 1;
        }
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(fd, &fds);
        timeval wait{0, 5000};
        ::select(fd + 1, &fds, nullptr, nullptr, &wait);
    }

    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    const long rss = residentKiB(pid);
    stop(pid);
    XCloseDisplay(display);
    std::printf("%.1f %ld\n", elapsedMs, rss);
    return rss < 0 ? 1 : 0;
}
