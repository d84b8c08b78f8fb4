// Time from fork+exec to the window manager mapping the program's frame, and
// the program's peak RSS, for several programs run in turn.
// Usage: startup_bench RUNS WORK_DIR NAME=PROGRAM [NAME=PROGRAM ...]
// DISPLAY must name a display with a reparenting window manager running.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double nowMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Subject {
    std::string name;
    std::string path;
    std::vector<double> millis;
    std::vector<double> rssMiB;
    int failures = 0;
};

Atom netWmPid;

long windowPid(Display* display, Window window)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, netWmPid, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        if (type == XA_CARDINAL && format == 32 && count == 1)
            pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
        XFree(data);
    }
    return pid;
}

// Whether `window` (a child of the root) is, or frames, a window of process `pid`.
bool belongsTo(Display* display, Window window, pid_t pid, int depth = 0)
{
    if (windowPid(display, window) == pid)
        return true;
    if (depth == 3)
        return false;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return false;
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i)
        found = belongsTo(display, children[i], pid, depth + 1);
    if (children)
        XFree(children);
    return found;
}

// Waits up to `timeoutMs` for a MapNotify on the root of a window of `pid`;
// returns its time or a negative value.
double awaitMap(Display* display, pid_t pid, double timeoutMs)
{
    const double deadline = nowMs() + timeoutMs;
    while (true) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != MapNotify || event.xmap.override_redirect)
                continue;
            const double at = nowMs(); // before the round trips that check whose window it is
            if (event.xmap.event == DefaultRootWindow(display) && belongsTo(display, event.xmap.window, pid))
                return at;
        }
        const double left = deadline - nowMs();
        if (left <= 0)
            return -1;
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left) + 1);
    }
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    // Nearest rank.
    const auto rank = static_cast<std::size_t>(std::max(1.0, std::ceil(p * static_cast<double>(values.size()))));
    return values[std::min(rank, values.size()) - 1];
}

bool runOnce(Display* display, const std::string& workDir, Subject& subject, bool record)
{
    XSync(display, False);
    while (XPending(display)) {
        XEvent discard;
        XNextEvent(display, &discard);
    }
    const double start = nowMs();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        std::exit(1);
    }
    if (pid == 0) {
        if (chdir(workDir.c_str()) != 0)
            _exit(126);
        execl(subject.path.c_str(), subject.path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const double mapped = awaitMap(display, pid, 20000);
    // Let it paint and settle so the peak memory covers a window on screen.
    usleep(500 * 1000);
    kill(pid, mapped < 0 ? SIGKILL : SIGTERM);
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    if (mapped < 0) {
        std::fprintf(stderr, "%s: no window within 20 s\n", subject.name.c_str());
        ++subject.failures;
        return false;
    }
    if (record) {
        subject.millis.push_back(mapped - start);
        subject.rssMiB.push_back(static_cast<double>(usage.ru_maxrss) / 1024.0);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s RUNS WORK_DIR NAME=PROGRAM [NAME=PROGRAM ...]\n", argv[0]);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    const std::string workDir = argv[2];
    std::vector<Subject> subjects;
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto eq = arg.find('=');
        if (eq == std::string::npos) {
            std::fprintf(stderr, "expected NAME=PROGRAM, got %s\n", argv[i]);
            return 2;
        }
        subjects.push_back({arg.substr(0, eq), arg.substr(eq + 1), {}, {}, 0});
    }

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "cannot open display\n");
        return 1;
    }
    netWmPid = XInternAtom(display, "_NET_WM_PID", False);
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);

    for (auto& subject : subjects) // warm the page cache, not counted
        runOnce(display, workDir, subject, false);
    for (int run = 0; run < runs; ++run)
        for (auto& subject : subjects)
            runOnce(display, workDir, subject, true);

    std::printf("%-16s %5s %12s %12s %12s %16s\n", "program", "runs", "median ms", "p90 ms", "min ms",
                "median RSS MiB");
    for (const auto& s : subjects)
        std::printf("%-16s %5zu %12.1f %12.1f %12.1f %16.1f%s\n", s.name.c_str(), s.millis.size(),
                    percentile(s.millis, 0.5), percentile(s.millis, 0.9), percentile(s.millis, 0.0),
                    percentile(s.rssMiB, 0.5), s.failures ? "  (failures)" : "");
    const auto& a = subjects[0];
    for (std::size_t i = 1; i < subjects.size(); ++i) {
        const auto& b = subjects[i];
        std::printf("ratio %s / %s: time (median) %.2f, time (p90) %.2f, peak RSS (median) %.2f\n", a.name.c_str(),
                    b.name.c_str(), percentile(a.millis, 0.5) / percentile(b.millis, 0.5),
                    percentile(a.millis, 0.9) / percentile(b.millis, 0.9),
                    percentile(a.rssMiB, 0.5) / percentile(b.rssMiB, 0.5));
    }
    XCloseDisplay(display);
    for (const auto& s : subjects)
        if (s.failures)
            return 1;
    return 0;
}
