// ani_load_probe: hands cursor files to the platform's loader the two ways the program does, one file after
// the other, and says how far it got, so that a test can tell which file brought the loader down.
// Usage: ani_load_probe LIST FIRST   (LIST: one UTF-8 path a line; FIRST: the index of the line to start at)
// Output, one line each: "ok I" after file I, "done" at the end, "fault I CODE" when the process fails.
// The lines "<fault>" and "<stall>" fault and hang on purpose, for the tests of the tests.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

long GCurrent = -1;

void Say(const std::string& line) {
    DWORD written = 0;
    const std::string text = line + "\n";
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
                nullptr);
}

// Ends the process at once, without the system's crash dialog or Wine's debugger (the prefix's setting
// for that does not reach 32-bit programs).
LONG WINAPI OnFault(EXCEPTION_POINTERS* info) {
    char line[64];
    std::snprintf(line, sizeof line, "fault %ld 0x%08lX", GCurrent,
                  static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
    Say(line);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

std::wstring Wide(const std::string& utf8) {
    std::wstring out(utf8.size(), L'\0');
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(),
                                        static_cast<int>(out.size()));
    out.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    return out;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3)
        return 2;
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    ::SetUnhandledExceptionFilter(OnFault);
    std::vector<std::string> files;
    std::ifstream list(std::filesystem::path(argv[1]), std::ios::binary);
    for (std::string line; std::getline(list, line);)
        files.push_back(line);
    for (long i = std::wcstol(argv[2], nullptr, 10); i < static_cast<long>(files.size()); ++i) {
        GCurrent = i;
        if (files[static_cast<std::size_t>(i)] == "<fault>")
            ::RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
        if (files[static_cast<std::size_t>(i)] == "<stall>")
            ::Sleep(INFINITE);
        const std::wstring path = Wide(files[static_cast<std::size_t>(i)]);
        // The show's call, then the preview's.
        if (HANDLE cursor = ::LoadImageW(nullptr, path.c_str(), IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE))
            ::DestroyCursor(static_cast<HCURSOR>(cursor));
        if (HCURSOR cursor = ::LoadCursorFromFileW(path.c_str()))
            ::DestroyCursor(cursor);
        Say("ok " + std::to_string(i));
    }
    Say("done");
    return 0;
}
