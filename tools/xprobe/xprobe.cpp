// Reads what the X server shows, for tests that watch Dovex from outside as a user would:
//   dovex_xprobe cursor OUT   the pointer image now: "width height xhot yhot hash opaque-pixels"
//   dovex_xprobe pointer OUT  the pointer position on the root window: "x y"
//   dovex_xprobe watch OUT S  for S seconds, one line per change of the pointer image, stamped with the X
//                             server's time: "ms width height xhot yhot"; the first line is "ready"
// The answer goes to the file OUT (the tests run under Wine, which starts this program for them).
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cstdlib>

#include <sys/select.h>
#include <time.h>

namespace {

int Fail(const char* why) {
    std::fprintf(stderr, "dovex_xprobe: %s\n", why);
    return 1;
}

double Now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Follows the pointer image through XFixes' change events, whose time stamps are the server's own.
int Watch(Display* display, const char* path, double seconds) {
    int eventBase = 0, errorBase = 0;
    if (!XFixesQueryExtension(display, &eventBase, &errorBase))
        return Fail("no XFixes");
    FILE* out = std::fopen(path, "w");
    if (!out)
        return Fail("cannot write the answer");
    XFixesSelectCursorInput(display, DefaultRootWindow(display), XFixesDisplayCursorNotifyMask);
    XSync(display, False);
    std::fputs("ready\n", out);
    std::fflush(out);
    const double end = Now() + seconds;
    const int fd = ConnectionNumber(display);
    while (Now() < end) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != eventBase + XFixesCursorNotify)
                continue;
            const auto& notify = reinterpret_cast<const XFixesCursorNotifyEvent&>(event);
            XFixesCursorImage* image = XFixesGetCursorImage(display);
            if (!image)
                continue;
            std::fprintf(out, "%lu %d %d %d %d\n", static_cast<unsigned long>(notify.timestamp), image->width,
                         image->height, image->xhot, image->yhot);
            std::fflush(out);
            XFree(image);
        }
        fd_set read;
        FD_ZERO(&read);
        FD_SET(fd, &read);
        timeval wait{0, 50000};
        select(fd + 1, &read, nullptr, nullptr, &wait);
    }
    std::fclose(out);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool watch = argc == 4 && std::strcmp(argv[1], "watch") == 0;
    if (!watch &&
        (argc != 3 || (std::strcmp(argv[1], "cursor") != 0 && std::strcmp(argv[1], "pointer") != 0)))
        return Fail("usage: dovex_xprobe cursor|pointer OUTFILE, or dovex_xprobe watch OUTFILE SECONDS");
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return Fail("cannot open the X display");
    if (watch) {
        const int result = Watch(display, argv[2], std::atof(argv[3]));
        XCloseDisplay(display);
        return result;
    }
    char line[160];
    if (std::strcmp(argv[1], "cursor") == 0) {
        XFixesCursorImage* image = XFixesGetCursorImage(display);
        if (!image)
            return Fail("no cursor image");
        uint64_t hash = 1469598103934665603ull; // FNV-1a over the ARGB pixels
        const size_t count = static_cast<size_t>(image->width) * image->height;
        size_t opaque = 0;
        for (size_t i = 0; i < count; ++i) {
            const auto pixel = static_cast<uint32_t>(image->pixels[i]);
            hash ^= pixel;
            hash *= 1099511628211ull;
            opaque += (pixel >> 24) != 0;
        }
        std::snprintf(line, sizeof line, "%d %d %d %d %016llx %zu\n", image->width, image->height,
                      image->xhot, image->yhot, static_cast<unsigned long long>(hash), opaque);
        XFree(image);
    } else {
        Window root = 0, child = 0;
        int x = 0, y = 0, wx = 0, wy = 0;
        unsigned mask = 0;
        XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &wx, &wy, &mask);
        std::snprintf(line, sizeof line, "%d %d\n", x, y);
    }
    XCloseDisplay(display);
    FILE* out = std::fopen(argv[2], "w");
    if (!out)
        return Fail("cannot write the answer");
    std::fputs(line, out);
    std::fclose(out);
    return 0;
}
