// Reads what the X server shows, for tests that watch Dovex from outside as a user would:
//   dovex_xprobe cursor OUT   the pointer image now: "width height xhot yhot hash opaque-pixels"
//   dovex_xprobe pointer OUT  the pointer position on the root window: "x y"
// The answer goes to the file OUT (the tests run under Wine, which starts this program for them).
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

int Fail(const char* why) {
    std::fprintf(stderr, "dovex_xprobe: %s\n", why);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "cursor") != 0 && std::strcmp(argv[1], "pointer") != 0))
        return Fail("usage: dovex_xprobe cursor|pointer OUTFILE");
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return Fail("cannot open the X display");
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
