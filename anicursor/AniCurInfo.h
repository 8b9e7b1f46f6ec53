// Reader of the descriptive data of animated cursor files (RIFF "ACON"): header, per-step rates,
// step sequence, title and author. Standard C++ only, so it builds and is tested on every platform.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/Exception.h"

namespace dovex {

// A file name in the system's own form: UTF-16 on Windows, the name's bytes on POSIX systems.
#ifdef _WIN32
using TAniFileName = std::wstring;
#else
using TAniFileName = std::string;
#endif

// The nine 32-bit fields of the "anih" header, in header order.
enum TAniHeaderField : int {
    ahSize = 0,
    ahFrames = 1,
    ahSteps = 2,
    ahWidth = 3,
    ahHeight = 4,
    ahBitCount = 5,
    ahPlanes = 6,
    ahJifRate = 7,
    ahFlags = 8,
};

// Error of the animated cursor reader and view: Message() for the user, what() the same text in UTF-8.
class EAniCursorViewError : public Exception {
public:
    explicit EAniCursorViewError(std::wstring message);
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    std::string FUtf8;
};

inline constexpr const wchar_t* kAniMsgOpenFailed = L"ファイルの読み込みに失敗しました。(%d)";
inline constexpr const wchar_t* kAniMsgNotAnimated = L"%sはアニメーションカーソルファイルではありません。";
inline constexpr const wchar_t* kAniMsgStructure = L"ファイル構造にエラーがあるため読み込めませんでした。";

// Maximum length in bytes of the title and the author.
inline constexpr std::size_t kAniMaxTextBytes = 261;

// Jiffies (1/60 s) to whole milliseconds: trunc((j / 60) * 1000) in floating point.
std::int32_t JiffiesToMs(std::int64_t jiffies);

// UTF-8 and wide strings (UTF-16 where wchar_t has 16 bits, else UTF-32); bad sequences become U+FFFD.
std::wstring AniUtf8ToWide(const std::string& utf8);
std::string AniWideToUtf8(const std::wstring& wide);

// Random-access bytes the reader walks: a file or a memory block.
class TAniByteSource {
public:
    virtual ~TAniByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Copies up to n bytes from offset into buf; returns how many were copied.
    virtual std::size_t ReadAt(std::uint64_t offset, void* buf, std::size_t n) = 0;
};

// One image of a frame, as its icon directory and its own head describe it.
struct TAniImage {
    std::int32_t Width = 0, Height = 0; // a bitmap's height without its mask
    std::int32_t HotX = 0, HotY = 0;    // a cursor entry's hot spot; an icon's is its middle
    std::uint64_t Offset = 0;           // where its bytes start in the file
    std::uint32_t Bytes = 0;            // as many as its frame holds
};

// Where a file's frames lie, as the platform's loader walks them; empty when it makes no frames of them.
struct TAniLayout {
    std::uint64_t RiffAt = 0;
    std::uint64_t AnihData = 0;
    std::uint64_t FramAt = 0, FramEnd = 0; // the frame list's chunk, its end within the file
    std::vector<TAniImage> Images;         // of every frame, in frame order
    std::vector<std::uint32_t> FirstImage; // of each frame in Images; a last entry ends the last frame

    std::size_t FrameCount() const { return FirstImage.empty() ? 0 : FirstImage.size() - 1; }
    const TAniImage* FrameImages(std::size_t frame) const { return Images.data() + FirstImage[frame]; }
    std::size_t FrameImageCount(std::size_t frame) const { return FirstImage[frame + 1] - FirstImage[frame]; }
};

class TAniCursorInfo {
public:
    TAniCursorInfo() = default;
    TAniCursorInfo(const TAniCursorInfo&) = default;
    TAniCursorInfo(TAniCursorInfo&&) noexcept = default;
    TAniCursorInfo& operator=(const TAniCursorInfo&) = default;
    TAniCursorInfo& operator=(TAniCursorInfo&&) noexcept = default;
    virtual ~TAniCursorInfo() = default;

    // False without error when no file of that name exists (a directory is no file); true when all was
    // read; EAniCursorViewError on any other failure.
    virtual bool LoadFromFile(const TAniFileName& fileName);
    // The same over bytes already in memory; name is used in messages and as FileName.
    bool LoadFromBytes(const void* data, std::size_t size, const TAniFileName& name);
    bool LoadFromSource(TAniByteSource& source, const TAniFileName& name);

    std::int32_t TotalTime() const;
    std::int32_t GetAniInfo(int index) const;

    const TAniFileName& FileName() const { return FFileName; }
    // Raw bytes in the file's own 8-bit encoding (the system code page), without a NUL.
    const std::string& Title() const { return FTitle; }
    const std::string& Author() const { return FAuthor; }
    std::int32_t StepCount() const { return FStepCount; }
    std::int32_t DefaultRate() const { return FDefaultRate; }
    const std::vector<std::int32_t>& Rates() const { return FRates; }
    const std::vector<std::int32_t>& Sequence() const { return FSequence; }
    const std::array<std::uint32_t, 9>& Header() const { return FHeader; }
    const TAniLayout& Layout() const { return FLayout; }

private:
    void Clear();
    void ClearLayout();
    std::vector<std::int32_t> ReadTable(TAniByteSource& src, std::uint64_t dataStart, std::uint32_t size);

    TAniFileName FFileName;
    std::array<std::uint32_t, 9> FHeader{};
    std::int32_t FStepCount = 0;
    std::int32_t FDefaultRate = 0;
    std::vector<std::int32_t> FRates;
    std::vector<std::int32_t> FSequence;
    std::string FTitle;
    std::string FAuthor;
    TAniLayout FLayout;
};

// The program's shared instance, created on first use and destroyed at exit. Main thread only.
TAniCursorInfo& CursorInfo();

} // namespace dovex
