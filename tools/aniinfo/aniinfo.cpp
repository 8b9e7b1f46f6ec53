// aniinfo: reads animated cursor files with the program's reader and prints one JSON object per file.
// Usage: aniinfo PATH...   (folders are searched recursively for *.ani in any letter case)
// Exit status: 0 every file read, 1 some did not, 2 usage error.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "anicursor/AniCurInfo.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace fs = std::filesystem;
using dovex::AniUtf8ToWide;
using dovex::AniWideToUtf8;

namespace {

constexpr const char* kNotFound = "ファイルが見つかりません。";

// Titles and authors are in the system code page: Shift-JIS (CP932) for this program.
std::string AnsiToUtf8(const std::string& bytes) {
    if (bytes.empty())
        return {};
#ifdef _WIN32
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    std::wstring wide(std::size_t(std::max(n, 0)), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), wide.data(), n);
    return AniWideToUtf8(wide);
#else
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return AniWideToUtf8(AniUtf8ToWide(bytes));
    std::string out;
    std::string in = bytes;
    char* src = in.data();
    std::size_t left = in.size();
    char buf[256];
    while (left > 0) {
        char* dst = buf;
        std::size_t room = sizeof buf;
        const std::size_t rc = iconv(cd, &src, &left, &dst, &room);
        out.append(buf, std::size_t(dst - buf));
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out += "\xEF\xBF\xBD"; // an undecodable byte becomes U+FFFD
            ++src;
            --left;
        }
    }
    iconv_close(cd);
    return out;
#endif
}

std::string PathText(const fs::path& p) {
#ifdef _WIN32
    return AniWideToUtf8(p.native());
#else
    return AniWideToUtf8(AniUtf8ToWide(p.native())); // invalid bytes become U+FFFD
#endif
}

std::string Json(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", c);
                out += esc;
            } else {
                out.push_back(static_cast<char>(c));
            }
        }
    }
    return out + "\"";
}

template <class T> std::string Array(const std::vector<T>& v) {
    std::string out = "[";
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (i)
            out += ',';
        out += std::to_string(v[i]);
    }
    return out + "]";
}

// Per frame, the side of each image it holds, in the file's order: a collection ready for high-DPI
// screens has the larger sizes too.
std::string ImageSizes(const dovex::TAniLayout& layout) {
    std::string out = "[";
    for (std::size_t f = 0; f < layout.FrameCount(); ++f) {
        out += f ? ",[" : "[";
        for (std::size_t i = 0; i < layout.FrameImageCount(f); ++i)
            out += (i ? "," : "") + std::to_string(layout.FrameImages(f)[i].Width);
        out += "]";
    }
    return out + "]";
}

bool Report(const fs::path& path, bool exists) {
    dovex::TAniCursorInfo info;
    bool ok = false;
    std::string error;
    if (!exists) {
        error = kNotFound;
    } else {
        try {
            ok = info.LoadFromFile(path);
            if (!ok)
                error = kNotFound;
        } catch (const dovex::EAniCursorViewError& e) {
            error = e.what();
        } catch (const std::exception& e) {
            error = e.what();
        }
    }
    const std::string line =
        "{\"path\":" + Json(PathText(path)) + ",\"ok\":" + (ok ? "true" : "false") +
        ",\"error\":" + (ok ? std::string("null") : Json(AniWideToUtf8(AniUtf8ToWide(error)))) +
        ",\"frames\":" + std::to_string(info.Header()[dovex::ahFrames]) +
        ",\"steps\":" + std::to_string(info.Header()[dovex::ahSteps]) +
        ",\"jif_rate\":" + std::to_string(info.Header()[dovex::ahJifRate]) +
        ",\"flags\":" + std::to_string(info.Header()[dovex::ahFlags]) +
        ",\"rates_ms\":" + Array(info.Rates()) + ",\"sequence\":" + Array(info.Sequence()) +
        ",\"title\":" + Json(AnsiToUtf8(info.Title())) + ",\"author\":" + Json(AnsiToUtf8(info.Author())) +
        ",\"total_ms\":" + std::to_string(info.TotalTime()) +
        ",\"image_sizes\":" + ImageSizes(info.Layout()) + "}\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    return ok;
}

bool IsAni(const fs::path& p) {
    std::string ext = PathText(p.extension());
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".ani";
}

int Run(const std::vector<fs::path>& args) {
    if (args.empty()) {
        std::fputs("usage: aniinfo PATH...\n", stderr);
        return 2;
    }
    if (args.size() == 1 && (args[0] == "-h" || args[0] == "--help")) {
        std::fputs("usage: aniinfo PATH...\n"
                   "Prints one JSON object per animated cursor file; folders are searched recursively for "
                   ".ani files.\n",
                   stdout);
        return 0;
    }
    for (const auto& a : args) {
        if (!a.empty() && PathText(a).rfind('-', 0) == 0) {
            std::fprintf(stderr, "aniinfo: unknown option %s\n", PathText(a).c_str());
            return 2;
        }
    }
    bool all = true;
    for (const auto& a : args) {
        std::error_code ec;
        if (fs::is_directory(a, ec)) {
            std::vector<fs::path> found;
            for (auto it =
                     fs::recursive_directory_iterator(a, fs::directory_options::skip_permission_denied, ec);
                 !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
                std::error_code fec;
                if (it->is_regular_file(fec) && IsAni(it->path()))
                    found.push_back(it->path());
            }
            std::sort(found.begin(), found.end());
            for (const auto& f : found)
                all &= Report(f, true);
        } else {
            all &= Report(a, fs::exists(a, ec));
        }
    }
    std::fflush(stdout);
    return all ? 0 : 1;
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<fs::path> args(argv + 1, argv + argc);
    return Run(args);
}
#else
int main(int argc, char** argv) {
    std::vector<fs::path> args(argv + 1, argv + argc);
    return Run(args);
}
#endif
