#include "anicursor/AniCurInfo.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <optional>
#include <system_error>

#include "base/Text.h"

namespace dovex {
namespace {

constexpr std::uint32_t FourCC(const char (&s)[5]) {
    return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
           std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
}

constexpr std::uint32_t kRIFF = FourCC("RIFF");
constexpr std::uint32_t kLIST = FourCC("LIST");
constexpr std::uint32_t kACON = FourCC("ACON");
constexpr std::uint32_t kINFO = FourCC("INFO");
constexpr std::uint32_t kINAM = FourCC("INAM");
constexpr std::uint32_t kIART = FourCC("IART");
constexpr std::uint32_t kANIH = FourCC("anih");
constexpr std::uint32_t kRATE = FourCC("rate");
constexpr std::uint32_t kSEQ = FourCC("seq ");
constexpr std::uint32_t kFRAM = FourCC("fram");
constexpr std::uint32_t kICON = FourCC("icon");

constexpr std::size_t kHeaderBytes = 36;

std::uint32_t LoadLE32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

[[noreturn]] void RaiseStructure() {
    throw EAniCursorViewError(kAniMsgStructure);
}

// The name as the user knows it; on POSIX the bytes are taken as UTF-8 whatever they hold.
std::wstring PathToWide(const std::filesystem::path& p) {
#ifdef _WIN32
    return p.native();
#else
    return AniUtf8ToWide(p.native());
#endif
}

// A chunk as found: its data lies in [dataStart, dataEnd); list and RIFF types are the first data bytes.
// A chunk whose size runs past its container is cut at the container's end (cut = true), as the system's
// own loader reads such files.
struct TChunk {
    std::uint32_t size = 0; // the bytes present: dataEnd - dataStart
    std::uint64_t dataStart = 0;
    std::uint64_t dataEnd = 0;
    bool cut = false;
};

// Walks chunk heads like the platform's RIFF descend and ascend, over a byte source whose real size is
// known, so no chunk size can move a read past the data.
class TChunkWalker {
public:
    explicit TChunkWalker(TAniByteSource& src) : FSrc(src), FEnd(src.Size()) {}

    std::uint64_t FileEnd() const { return FEnd; }
    std::uint64_t Pos() const { return FPos; }
    void Seek(std::uint64_t pos) { FPos = pos; }

    // Searches from the current position for chunk id (and, when type != 0, its list or form type) among
    // the chunks that start before limit. Found: position at the data (after the type). Not found: the
    // position stays where the next chunk would start, at most limit. Writers often get the last size a
    // few bytes wrong or leave bytes after the last chunk: a chunk reaching past limit ends there, and
    // fewer than 8 bytes before limit cannot hold a head and end the search.
    bool Descend(std::uint32_t id, std::uint32_t type, std::uint64_t limit, TChunk& out) {
        for (;;) {
            if (FPos >= limit || limit - FPos < 8)
                return false;
            unsigned char head[8];
            if (FSrc.ReadAt(FPos, head, 8) != 8)
                return false;
            const std::uint32_t ckId = LoadLE32(head);
            const std::uint64_t dataStart = FPos + 8;
            const std::uint64_t declaredEnd = dataStart + LoadLE32(head + 4);
            const bool cut = declaredEnd > limit;
            const std::uint64_t dataEnd = cut ? limit : declaredEnd;
            const auto size = static_cast<std::uint32_t>(dataEnd - dataStart);
            if (ckId == id && (type == 0 || (size >= 4 && ReadType(dataStart) == type))) {
                out.size = size;
                out.dataStart = dataStart;
                out.dataEnd = dataEnd;
                out.cut = cut;
                FPos = dataStart + (type != 0 ? 4 : 0);
                return true;
            }
            FPos = cut ? limit : dataEnd + (size & 1u);
        }
    }

    // A cut chunk has no pad byte: its end is the container's.
    void Ascend(const TChunk& ck) { FPos = ck.cut ? ck.dataEnd : ck.dataEnd + (ck.size & 1u); }

    void ReadExact(std::uint64_t offset, void* buf, std::size_t n) {
        if (FSrc.ReadAt(offset, buf, n) != n)
            RaiseStructure();
    }

private:
    std::uint32_t ReadType(std::uint64_t at) {
        unsigned char t[4];
        if (FSrc.ReadAt(at, t, 4) != 4)
            return 0;
        return LoadLE32(t);
    }

    TAniByteSource& FSrc;
    std::uint64_t FEnd;
    std::uint64_t FPos = 0;
};

class TMemorySource final : public TAniByteSource {
public:
    TMemorySource(const void* data, std::size_t size)
        : FData(static_cast<const unsigned char*>(data)), FSize(size) {}
    std::uint64_t Size() const override { return FSize; }
    std::size_t ReadAt(std::uint64_t offset, void* buf, std::size_t n) override {
        if (offset >= FSize)
            return 0;
        const std::size_t count = std::min<std::uint64_t>(n, FSize - offset);
        std::memcpy(buf, FData + offset, count);
        return count;
    }

private:
    const unsigned char* FData;
    std::size_t FSize;
};

// File bytes through an unbuffered stream plus one window: the heads, the small chunks and the frame heads
// of most cursors lie in their first 64 KiB, so most loads need a single read.
class TFileSource final : public TAniByteSource {
public:
    // knownSize: the size from the file system when it gave one, which spares a seek to the end.
    bool Open(const std::filesystem::path& name, std::optional<std::uint64_t> knownSize) {
        FBuf.pubsetbuf(nullptr, 0);
        errno = 0;
        if (!FBuf.open(name, std::ios::in | std::ios::binary))
            return false;
        if (knownSize) {
            FSize = *knownSize;
            return true;
        }
        const auto end = FBuf.pubseekoff(0, std::ios::end, std::ios::in);
        if (end == std::streampos(std::streamoff(-1))) {
            FBuf.close();
            return false;
        }
        FSize = static_cast<std::uint64_t>(std::streamoff(end));
        FPos = FSize;
        return true;
    }

    std::uint64_t Size() const override { return FSize; }

    std::size_t ReadAt(std::uint64_t offset, void* buf, std::size_t n) override {
        if (offset >= FSize || n == 0)
            return 0;
        n = static_cast<std::size_t>(std::min<std::uint64_t>(n, FSize - offset));
        if (n <= kWindow && !(offset >= FWinOff && offset + n <= FWinOff + FWinLen)) {
            FWinOff = offset;
            FWindow.resize(kWindow);
            FWinLen = Raw(offset, FWindow.data(),
                          static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, FSize - offset)));
            if (FWinLen < n)
                n = FWinLen;
        }
        if (offset >= FWinOff && offset + n <= FWinOff + FWinLen) {
            std::memcpy(buf, FWindow.data() + (offset - FWinOff), n);
            return n;
        }
        return Raw(offset, static_cast<char*>(buf), n);
    }

private:
    // Large enough for the heads and the frame heads of most cursors in one read.
    static constexpr std::size_t kWindow = std::size_t{64} * 1024;

    std::size_t Raw(std::uint64_t offset, char* buf, std::size_t n) {
        if (offset != FPos) {
            FPos = ~std::uint64_t(0);
            if (FBuf.pubseekpos(std::streamoff(offset), std::ios::in) == std::streampos(std::streamoff(-1)))
                return 0;
            FPos = offset;
        }
        const auto got = FBuf.sgetn(buf, std::streamsize(n));
        const std::size_t count = got > 0 ? static_cast<std::size_t>(got) : 0;
        FPos += count;
        return count;
    }

    std::filebuf FBuf;
    std::uint64_t FSize = 0;
    std::uint64_t FPos = 0; // the stream's position, to skip needless seeks
    std::vector<char> FWindow;
    std::uint64_t FWinOff = 0;
    std::size_t FWinLen = 0;
};

std::uint16_t LoadLE16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// The platform's cursor loader trusts each frame's icon directory and the head of each image: a frame
// without a directory entry, with an entry that points outside the frame, or with an image of no width
// or height brings it down instead of failing. Such a frame is a structure error here, so the file never
// reaches the loader. What the loader itself rejects safely (odd bit counts, data cut short) is left to it.
void CheckIconFrame(TChunkWalker& walker, const TChunk& ck) {
    constexpr std::uint32_t kDirBytes = 6, kEntryBytes = 16, kInfoHeaderBytes = 40;
    static constexpr unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (ck.size < kDirBytes + kEntryBytes)
        RaiseStructure();
    unsigned char dir[kDirBytes];
    walker.ReadExact(ck.dataStart, dir, kDirBytes);
    const std::uint16_t type = LoadLE16(dir + 2), count = LoadLE16(dir + 4);
    if (LoadLE16(dir) != 0 || (type != 1 && type != 2) || count == 0)
        RaiseStructure();
    // Entries the frame cannot hold are not looked at; the platform does not either.
    const std::uint32_t entries = std::min<std::uint32_t>(count, (ck.size - kDirBytes) / kEntryBytes);
    for (std::uint32_t i = 0; i < entries; ++i) {
        unsigned char entry[kEntryBytes];
        walker.ReadExact(ck.dataStart + kDirBytes + std::uint64_t(i) * kEntryBytes, entry, kEntryBytes);
        const std::uint32_t offset = LoadLE32(entry + 12);
        if (offset > ck.size || ck.size - offset < sizeof kPng)
            RaiseStructure();
        unsigned char head[kInfoHeaderBytes];
        const std::size_t headBytes = std::min<std::uint32_t>(kInfoHeaderBytes, ck.size - offset);
        walker.ReadExact(ck.dataStart + offset, head, headBytes);
        if (std::equal(std::begin(kPng), std::end(kPng), head))
            continue;
        const auto width = static_cast<std::int32_t>(LoadLE32(head + 4));
        const auto height = static_cast<std::int32_t>(LoadLE32(head + 8));
        if (headBytes < kInfoHeaderBytes || LoadLE32(head) < kInfoHeaderBytes || width <= 0 || height == 0 ||
            height == 1 || height == -1)
            RaiseStructure();
    }
}

// Keeps the bytes up to the first NUL, at most kAniMaxTextBytes of them.
std::string ReadText(TChunkWalker& walker, const TChunk& ck) {
    char buf[kAniMaxTextBytes];
    const std::size_t n = std::min<std::size_t>(ck.size, sizeof buf);
    walker.ReadExact(ck.dataStart, buf, n);
    return std::string(buf, std::find(buf, buf + n, '\0'));
}

} // namespace

EAniCursorViewError::EAniCursorViewError(std::wstring message)
    : Exception(std::move(message)), FUtf8(AniWideToUtf8(Message())) {}

std::int32_t JiffiesToMs(std::int64_t jiffies) {
    // Every 32-bit input, signed or unsigned, gives a value that fits 64 bits; the result wraps to 32 bits.
    const double ms = std::trunc(static_cast<double>(jiffies) / 60.0 * 1000.0);
    return static_cast<std::int32_t>(static_cast<std::int64_t>(ms));
}

std::wstring AniUtf8ToWide(const std::string& utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    while (i < n) {
        std::uint32_t cp = 0xFFFD;
        const unsigned char c = s[i];
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (len == 0 || i + len > n) {
            len = 1;
        } else if (len == 1) {
            cp = c;
        } else {
            std::uint32_t v = c & (0xFFu >> (len + 1));
            bool good = true;
            for (std::size_t k = 1; k < len; ++k) {
                if ((s[i + k] & 0xC0) != 0x80) {
                    good = false;
                    break;
                }
                v = v << 6 | (s[i + k] & 0x3Fu);
            }
            static constexpr std::uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
            if (good && v >= kMin[len] && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF))
                cp = v;
            else
                len = 1;
        }
        i += len;
        if constexpr (sizeof(wchar_t) == 2) {
            if (cp >= 0x10000) {
                cp -= 0x10000;
                out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
                out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
                continue;
            }
        }
        out.push_back(static_cast<wchar_t>(cp));
    }
    return out;
}

std::string AniWideToUtf8(const std::wstring& wide) {
    std::string out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        std::uint32_t cp = static_cast<std::uint32_t>(wide[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            cp &= 0xFFFF;
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size()) {
                const std::uint32_t lo = static_cast<std::uint32_t>(wide[i + 1]) & 0xFFFF;
                if (lo >= 0xDC00 && lo <= 0xDFFF) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                    ++i;
                }
            }
        }
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            cp = 0xFFFD;
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | cp >> 6));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | cp >> 12));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | cp >> 18));
            out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

void TAniCursorInfo::Clear() {
    FDefaultRate = 0;
    FRates.clear();
    FSequence.clear();
    FStepCount = 0;
    FFileName.clear();
    FTitle.clear();
    FAuthor.clear();
    FHeader.fill(0);
}

bool TAniCursorInfo::LoadFromFile(const std::filesystem::path& fileName) {
    Clear();
    // One look-up answers the common case: a regular file and its size.
    std::error_code ec;
    std::optional<std::uint64_t> size;
    if (const auto n = std::filesystem::file_size(fileName, ec); !ec) {
        size = n;
    } else {
        const auto st = std::filesystem::status(fileName, ec);
        if (!std::filesystem::exists(st) || std::filesystem::is_directory(st))
            return false;
    }
    TFileSource src;
    if (!src.Open(fileName, size)) {
        const int code = errno;
        throw EAniCursorViewError(FormatText(kAniMsgOpenFailed, {std::to_wstring(code)}));
    }
    return LoadFromSource(src, fileName);
}

bool TAniCursorInfo::LoadFromBytes(const void* data, std::size_t size, const std::filesystem::path& name) {
    Clear();
    TMemorySource src(data, size);
    return LoadFromSource(src, name);
}

std::vector<std::int32_t> TAniCursorInfo::ReadTable(TAniByteSource& src, std::uint64_t dataStart,
                                                    std::uint32_t size) {
    // One entry per step, but never more entries than the whole file could fill: a forged step count
    // cannot drive the allocation, and entries the file cannot hold would stay 0 anyway.
    const std::uint64_t entries =
        std::min<std::uint64_t>(static_cast<std::uint32_t>(FStepCount), src.Size() / 4);
    std::vector<std::int32_t> table(static_cast<std::size_t>(entries), 0);
    // Only what fits is read; the rest of a longer chunk is skipped.
    const std::size_t bytes = static_cast<std::size_t>(std::min<std::uint64_t>(size, entries * 4));
    std::vector<unsigned char> raw(bytes);
    if (bytes != 0 && src.ReadAt(dataStart, raw.data(), bytes) != bytes)
        RaiseStructure();
    for (std::size_t i = 0; i < bytes; ++i)
        table[i / 4] = static_cast<std::int32_t>(static_cast<std::uint32_t>(table[i / 4]) |
                                                 std::uint32_t(raw[i]) << (8 * (i % 4)));
    return table;
}

bool TAniCursorInfo::LoadFromSource(TAniByteSource& src, const std::filesystem::path& name) {
    Clear();
    TChunkWalker walker(src);
    const std::uint64_t fileEnd = walker.FileEnd();
    TChunk ck;

    // Any failure to find the form, however malformed the file, means "not an animated cursor". Past
    // that, only a header that is missing or cut short is a structure error: the other chunks are
    // optional, and what a cut chunk still holds is read.
    if (!walker.Descend(kRIFF, kACON, fileEnd, ck))
        throw EAniCursorViewError(FormatText(kAniMsgNotAnimated, {PathToWide(name)}));
    const std::uint64_t cursorStart = walker.Pos();

    // Title and author. IART is searched only after INAM, never from the list's start again.
    if (walker.Descend(kLIST, kINFO, fileEnd, ck)) {
        const std::uint64_t listEnd = ck.dataEnd;
        TChunk text;
        if (walker.Descend(kINAM, 0, listEnd, text)) {
            FTitle = ReadText(walker, text);
            walker.Ascend(text);
        }
        if (walker.Descend(kIART, 0, listEnd, text)) {
            FAuthor = ReadText(walker, text);
            walker.Ascend(text);
        }
    }

    walker.Seek(cursorStart);
    if (!walker.Descend(kANIH, 0, fileEnd, ck) || ck.size < kHeaderBytes)
        RaiseStructure();
    unsigned char head[kHeaderBytes];
    walker.ReadExact(ck.dataStart, head, kHeaderBytes);
    for (std::size_t i = 0; i < FHeader.size(); ++i)
        FHeader[i] = LoadLE32(head + 4 * i);
    FStepCount = static_cast<std::int32_t>(FHeader[ahSteps]);
    FDefaultRate = JiffiesToMs(FHeader[ahJifRate]);

    walker.Seek(cursorStart);
    if (walker.Descend(kRATE, 0, fileEnd, ck)) {
        FRates = ReadTable(src, ck.dataStart, ck.size);
        for (auto& r : FRates)
            r = JiffiesToMs(r);
    }

    walker.Seek(cursorStart);
    if (walker.Descend(kSEQ, 0, fileEnd, ck))
        FSequence = ReadTable(src, ck.dataStart, ck.size);

    walker.Seek(cursorStart);
    if (walker.Descend(kLIST, kFRAM, fileEnd, ck)) {
        const std::uint64_t listEnd = ck.dataEnd;
        TChunk frame;
        while (walker.Descend(kICON, 0, listEnd, frame)) {
            CheckIconFrame(walker, frame);
            walker.Ascend(frame);
        }
    }

    FFileName = name;
    return true;
}

std::int32_t TAniCursorInfo::TotalTime() const {
    // 32-bit results wrap like the original integer arithmetic instead of overflowing.
    std::int64_t total = 0;
    if (FRates.empty()) {
        total = std::int64_t(FDefaultRate) * FStepCount;
    } else {
        const std::size_t n =
            FStepCount > 0 ? std::min<std::size_t>(std::size_t(FStepCount), FRates.size()) : 0;
        for (std::size_t i = 0; i < n; ++i)
            total += FRates[i];
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(total)));
}

std::int32_t TAniCursorInfo::GetAniInfo(int index) const {
    if (index < ahSize || index > ahFlags)
        return -1;
    return static_cast<std::int32_t>(FHeader[static_cast<std::size_t>(index)]);
}

TAniCursorInfo& CursorInfo() {
    static TAniCursorInfo instance;
    return instance;
}

} // namespace dovex
