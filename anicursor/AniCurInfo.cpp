#include "anicursor/AniCurInfo.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>

#include "base/Text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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
std::wstring PathToWide(const TAniFileName& name) {
#ifdef _WIN32
    return name;
#else
    return AniUtf8ToWide(name);
#endif
}

// False for a name that is missing or a directory.
bool IsExistingFile(const TAniFileName& name) {
#ifdef _WIN32
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
#else
    struct stat info {};
    return ::stat(name.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
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

// A file opened for reading with the system's own calls: reads at an offset, no buffer, no stream state.
class TReadOnlyFile {
public:
    TReadOnlyFile() = default;
    TReadOnlyFile(const TReadOnlyFile&) = delete;
    TReadOnlyFile& operator=(const TReadOnlyFile&) = delete;
    ~TReadOnlyFile() {
#ifdef _WIN32
        if (FHandle != INVALID_HANDLE_VALUE)
            ::CloseHandle(FHandle);
#else
        if (FHandle >= 0)
            ::close(FHandle);
#endif
    }

    // 0, or the system's error code.
    int Open(const TAniFileName& name) {
#ifdef _WIN32
        FHandle =
            ::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        return FHandle == INVALID_HANDLE_VALUE ? static_cast<int>(::GetLastError()) : 0;
#else
        FHandle = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        return FHandle < 0 ? errno : 0;
#endif
    }

    // Bytes read (fewer at the end of the file); -1 with the system's error code in FError on failure.
    std::ptrdiff_t ReadAt(std::uint64_t offset, char* buf, std::size_t n) {
        std::size_t done = 0;
        while (done < n) {
#ifdef _WIN32
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(offset + done);
            at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
            DWORD got = 0;
            const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(n - done, 0x40000000));
            if (!::ReadFile(FHandle, buf + done, ask, &got, &at)) {
                const DWORD code = ::GetLastError();
                if (code == ERROR_HANDLE_EOF)
                    break;
                FError = static_cast<int>(code);
                return -1;
            }
#else
            const ssize_t got = ::pread(FHandle, buf + done, n - done, static_cast<off_t>(offset + done));
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                FError = errno;
                return -1;
            }
#endif
            if (got == 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        return static_cast<std::ptrdiff_t>(done);
    }

    // The file's size, or -1 with the error code in FError.
    std::int64_t Size() {
#ifdef _WIN32
        LARGE_INTEGER size{};
        if (!::GetFileSizeEx(FHandle, &size)) {
            FError = static_cast<int>(::GetLastError());
            return -1;
        }
        return size.QuadPart;
#else
        struct stat info {};
        if (::fstat(FHandle, &info) != 0) {
            FError = errno;
            return -1;
        }
        return info.st_size;
#endif
    }

    int Error() const noexcept {
        return FError;
    }

private:
#ifdef _WIN32
    HANDLE FHandle = INVALID_HANDLE_VALUE;
#else
    int FHandle = -1;
#endif
    int FError = 0;
};

// File bytes without a buffer of the system's. The first read takes the file's head, where the chunk heads,
// the tables and the first frames lie: most cursors fit in it whole, and a short count gives the size
// without asking the file system. Past the head only the few bytes asked for are read, mostly the heads of
// frames.
class TFileSource final : public TAniByteSource {
public:
    // 0 with the head read, or the system's error code (a directory that opens fails its first read).
    int Open(const TAniFileName& name) {
        if (const int code = FFile.Open(name))
            return code;
        FHead = HeadBuffer();
        const std::ptrdiff_t got = FFile.ReadAt(0, FHead, kHead);
        if (got < 0)
            return FFile.Error();
        FHeadLen = static_cast<std::size_t>(got);
        if (FHeadLen < kHead) {
            FSize = FHeadLen;
            return 0;
        }
        const std::int64_t size = FFile.Size();
        if (size < 0)
            return FFile.Error();
        FSize = static_cast<std::uint64_t>(size);
        return 0;
    }

    std::uint64_t Size() const override { return FSize; }

    std::size_t ReadAt(std::uint64_t offset, void* buf, std::size_t n) override {
        if (offset >= FSize || n == 0)
            return 0;
        n = static_cast<std::size_t>(std::min<std::uint64_t>(n, FSize - offset));
        if (offset + n <= FHeadLen) {
            std::memcpy(buf, FHead + offset, n);
            return n;
        }
        if (n <= kNear && !(offset >= FNearOff && offset + n <= FNearOff + FNearLen)) {
            FNearOff = offset;
            FNearLen =
                Raw(offset, FNear, static_cast<std::size_t>(std::min<std::uint64_t>(kNear, FSize - offset)));
            n = std::min(n, FNearLen);
        }
        if (offset >= FNearOff && offset + n <= FNearOff + FNearLen) {
            std::memcpy(buf, FNear + (offset - FNearOff), n);
            return n;
        }
        return Raw(offset, static_cast<char*>(buf), n);
    }

private:
    // Whole files up to this size take a single read.
    static constexpr std::size_t kHead = std::size_t{64} * 1024;
    // A frame's chunk head, icon directory, first entries and bitmap header in one read.
    static constexpr std::size_t kNear = 256;

    // One head buffer per thread, kept: no allocation and no clearing per file.
    static char* HeadBuffer() {
        thread_local std::unique_ptr<char[]> buffer;
        if (!buffer)
            buffer = std::make_unique_for_overwrite<char[]>(kHead);
        return buffer.get();
    }

    std::size_t Raw(std::uint64_t offset, char* buf, std::size_t n) {
        const std::ptrdiff_t got = FFile.ReadAt(offset, buf, n);
        return got > 0 ? static_cast<std::size_t>(got) : 0;
    }

    TReadOnlyFile FFile;
    std::uint64_t FSize = 0;
    char* FHead = nullptr;
    std::size_t FHeadLen = 0;
    char FNear[kNear];
    std::uint64_t FNearOff = 0;
    std::size_t FNearLen = 0;
};

std::uint16_t LoadLE16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

void ReadExact(TAniByteSource& src, std::uint64_t offset, void* buf, std::size_t n) {
    if (src.ReadAt(offset, buf, n) != n)
        RaiseStructure();
}

// The largest cursor image the system makes, a side: icon directories cannot even name a larger one.
constexpr std::uint32_t kMaxCursorSide = 256;

std::uint32_t LoadBE32(const unsigned char* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 |
           std::uint32_t(p[3]);
}

// The heads of one frame in a single read: its chunk head, icon directory, first entry and the bitmap
// header right after it. Reads outside them go to the source.
class TFrameHeads {
public:
    TFrameHeads(TAniByteSource& src, std::uint64_t at, std::uint64_t end)
        : FSrc(src), FAt(at),
          FLen(at < end
                   ? src.ReadAt(at, FBytes,
                                static_cast<std::size_t>(std::min<std::uint64_t>(sizeof FBytes, end - at)))
                   : 0) {}

    void ReadExact(std::uint64_t offset, void* buf, std::size_t n) {
        if (offset >= FAt && offset - FAt <= FLen && n <= FLen - (offset - FAt)) {
            std::memcpy(buf, FBytes + (offset - FAt), n);
            return;
        }
        dovex::ReadExact(FSrc, offset, buf, n);
    }

private:
    TAniByteSource& FSrc;
    std::uint64_t FAt;
    unsigned char FBytes[8 + 6 + 16 + 40];
    std::size_t FLen;
};

void AddImage(std::vector<TAniImage>& images, TAniImage image, std::uint16_t type, const unsigned char* entry,
              std::int32_t width, std::int32_t height) {
    image.Width = width;
    image.Height = height;
    image.HotX = type == 2 ? LoadLE16(entry + 4) : width / 2;
    image.HotY = type == 2 ? LoadLE16(entry + 6) : height / 2;
    images.push_back(image);
}

// The platform's cursor loader trusts each frame's icon directory and the head of each image: a frame
// without a directory entry, with an entry that points outside the frame, with an image of no width or
// height, or with an image that starts like a PNG but has no IHDR chunk brings it down instead of failing;
// so does a bitmap so wide that its size in bytes overflows (no cursor image is wider than 256 pixels).
// Such a frame is a structure error here, so the file never reaches the loader. What the loader itself
// rejects safely (odd bit counts, data cut short) is left to it.
// The images it holds are added to `images`.
void CheckIconFrame(TFrameHeads& src, const TChunk& ck, std::vector<TAniImage>& images) {
    constexpr std::uint32_t kDirBytes = 6, kEntryBytes = 16, kInfoHeaderBytes = 40, kPngHeadBytes = 32;
    static constexpr unsigned char kPng[16] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                               0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    if (ck.size < kDirBytes + kEntryBytes)
        RaiseStructure();
    unsigned char dir[kDirBytes];
    src.ReadExact(ck.dataStart, dir, kDirBytes);
    const std::uint16_t type = LoadLE16(dir + 2), count = LoadLE16(dir + 4);
    if (LoadLE16(dir) != 0 || (type != 1 && type != 2) || count == 0)
        RaiseStructure();
    // Entries the frame cannot hold are not looked at; the platform does not either.
    const std::uint32_t entries = std::min<std::uint32_t>(count, (ck.size - kDirBytes) / kEntryBytes);
    for (std::uint32_t i = 0; i < entries; ++i) {
        unsigned char entry[kEntryBytes];
        src.ReadExact(ck.dataStart + kDirBytes + std::uint64_t(i) * kEntryBytes, entry, kEntryBytes);
        const std::uint32_t offset = LoadLE32(entry + 12);
        if (offset > ck.size || ck.size - offset < 8)
            RaiseStructure();
        TAniImage image;
        image.Offset = ck.dataStart + offset;
        image.Bytes = std::min(LoadLE32(entry + 8), ck.size - offset);
        unsigned char head[kInfoHeaderBytes];
        const std::size_t headBytes = std::min<std::uint32_t>(kInfoHeaderBytes, ck.size - offset);
        src.ReadExact(ck.dataStart + offset, head, headBytes);
        // The loader takes any image starting with the signature's first four bytes for a PNG.
        if (std::equal(kPng, kPng + 4, head)) {
            if (headBytes < kPngHeadBytes || !std::equal(kPng, kPng + 16, head))
                RaiseStructure();
            const std::uint32_t width = LoadBE32(head + 16), height = LoadBE32(head + 20);
            if (width == 0 || width > kMaxCursorSide || height == 0 || height > kMaxCursorSide)
                RaiseStructure();
            AddImage(images, image, type, entry, static_cast<std::int32_t>(width),
                     static_cast<std::int32_t>(height));
            continue;
        }
        const auto width = static_cast<std::int32_t>(LoadLE32(head + 4));
        const auto height = static_cast<std::int32_t>(LoadLE32(head + 8));
        constexpr auto kMaxHeight = static_cast<std::int32_t>(2 * kMaxCursorSide); // image and mask
        if (headBytes < kInfoHeaderBytes || LoadLE32(head) < kInfoHeaderBytes || width <= 0 ||
            width > static_cast<std::int32_t>(kMaxCursorSide) || height == 0 || height == 1 || height == -1 ||
            height < -kMaxHeight || height > kMaxHeight)
            RaiseStructure();
        AddImage(images, image, type, entry, width, (height < 0 ? -height : height) / 2);
    }
}

// What the platform's loader reads of a cursor, read the way it reads it, so that a file it would fall
// over or hang on is a structure error here. The loader maps the file and walks it without bounds of its
// own:
//  - each search for a chunk (anih; seq when the header says so; rate; LIST fram) walks the form's chunks
//    up to the end the RIFF size gives, and a search for a chunk that is not there reads up to that end;
//  - it takes the header's frame count as the number of chunks that follow in the frame list, walked one
//    after the other without pad bytes, whatever their ids, and trusts each one's icon directory;
//  - it reads a rate, and with a sequence a frame number, for every step, past the end of their chunks if
//    need be, and without a sequence it makes a cursor object of every step;
//  - with a width and a height in the header, it makes every frame that big.
// A mapping reaches the end of the file's last page and reads as zeros there; past it the loader faults.
// The 32-bit loader's walk also wraps around the address space over a chunk size of 2 GiB or more and
// never ends. Stricter than the loader where no real file differs: frames must be icon chunks inside the
// list, and sequence entries must name frames that exist (the loader shows its last frame instead).
class TLoaderModel {
public:
    explicit TLoaderModel(TAniByteSource& src)
        : FSrc(src), FSize(src.Size()), FMapped((src.Size() + kPageBytes - 1) / kPageBytes * kPageBytes) {}

    // Fills `layout` once the frames are found.
    void Check(std::uint64_t riffAt, TAniLayout& layout) {
        const std::uint64_t form = riffAt + 12;
        const std::uint32_t formSize = Padded(Mapped32(riffAt + 4));
        const TFound anih = Find(kANIH, false, form, formSize);
        if (!anih.found)
            return;
        unsigned char raw[kHeaderBytes] = {}; // the loader copies it whatever the chunk's size
        if (anih.data > FMapped || FMapped - anih.data < sizeof raw)
            RaiseStructure();
        FSrc.ReadAt(anih.data, raw, sizeof raw);
        std::array<std::uint32_t, 9> header;
        for (std::size_t i = 0; i < header.size(); ++i)
            header[i] = LoadLE32(raw + 4 * i);
        constexpr std::uint32_t kIconFrames = 1, kSequenced = 2;
        const std::uint32_t flags = header[ahFlags], frames = header[ahFrames];
        if (!(flags & kIconFrames))
            return; // refused by the loader before it reads any more
        std::uint32_t steps = header[ahSteps];
        TFound seq;
        if (flags & kSequenced) {
            seq = Find(kSEQ, false, form, formSize);
            if (!seq.found)
                steps = frames;
        }
        const TFound rate = Find(kRATE, false, form, formSize);
        const TFound fram = Find(kFRAM, true, form, formSize);
        if (!fram.found)
            return;

        CheckFrames(fram, frames, layout);
        layout.RiffAt = riffAt;
        layout.AnihData = anih.data;
        layout.FramAt = fram.at;
        layout.FramEnd = std::min<std::uint64_t>(fram.at + 8 + fram.size, FSize);
        if (header[ahWidth] != 0 && header[ahHeight] != 0 &&
            (header[ahWidth] > kMaxCursorSide || header[ahHeight] > kMaxCursorSide))
            RaiseStructure();
        // A rate for every step, wherever that leads, and the first one even after a frame that fails.
        if (rate.found && !Readable(rate.data, std::max<std::uint32_t>(steps, 1)))
            RaiseStructure();
        if (seq.found)
            CheckSequence(seq, steps, frames);
        else if (steps > kMaxPlainSteps)
            RaiseStructure();
    }

private:
    static constexpr std::uint64_t kPageBytes = 4096;
    static constexpr std::uint64_t kWrapBytes = std::uint64_t{1} << 31;
    // Without a sequence the loader makes a cursor object of every step, each one of the objects all
    // programs share: 10,000 steps take it seconds, and two billion never end.
    static constexpr std::uint32_t kMaxPlainSteps = 10000;

    struct TFound {
        bool found = false;
        std::uint64_t at = 0;   // the chunk head
        std::uint64_t data = 0; // after the head, and after the type of a list
        std::uint32_t size = 0; // as declared
    };

    // The loader adds the pad byte to a size in 32 bits: a size of 0xFFFFFFFF steps nowhere.
    static std::uint32_t Padded(std::uint32_t size) { return static_cast<std::uint32_t>(size + 1u) & ~1u; }

    // Whether the loader can read four bytes there: the mapping ends at the end of the file's last page.
    void Mapped(std::uint64_t at) const {
        if (at > FMapped || FMapped - at < 4)
            RaiseStructure();
    }

    // Four bytes as the loader reads them from the mapping, zeros past the file.
    std::uint32_t Mapped32(std::uint64_t at) {
        Mapped(at);
        unsigned char b[4] = {};
        FSrc.ReadAt(at, b, sizeof b);
        return LoadLE32(b);
    }

    // One search of the loader's, over the data of the form (or of a list) of the given size.
    TFound Find(std::uint32_t id, bool list, std::uint64_t data, std::uint32_t size) {
        const std::int64_t end = static_cast<std::int64_t>(data) + size - 8 - (list ? 4 : 0);
        std::uint64_t at = data;
        while (static_cast<std::int64_t>(at) < end) {
            unsigned char head[12] = {}; // id, size, list type: each checked where the loader reads it
            FSrc.ReadAt(at, head, sizeof head);
            Mapped(at);
            const std::uint32_t ckId = LoadLE32(head);
            bool found = !list && ckId == id;
            if (list && ckId == kLIST) {
                Mapped(at + 8); // a list's type is read only after its id
                found = LoadLE32(head + 8) == id;
            }
            if (found) {
                Mapped(at + 4);
                return {true, at, at + (list ? 12 : 8), LoadLE32(head + 4)};
            }
            if (static_cast<std::int64_t>(at + 4) >= end)
                break;
            Mapped(at + 4);
            const std::uint64_t next = at + 8 + Padded(LoadLE32(head + 4));
            if (next >= kWrapBytes)
                RaiseStructure();
            at = next;
        }
        return {};
    }

    // Whether a table of that many entries lies in the mapping, whatever its chunk's size.
    bool Readable(std::uint64_t at, std::uint64_t entries) const {
        return at <= FMapped && (FMapped - at) / 4 >= entries;
    }

    void CheckFrames(const TFound& fram, std::uint32_t frames, TAniLayout& layout) {
        if (frames == 0)
            RaiseStructure();
        const std::uint64_t listEnd = std::min<std::uint64_t>(fram.at + 8 + fram.size, FSize);
        std::uint64_t at = fram.data;
        for (std::uint32_t i = 0; i < frames; ++i) {
            unsigned char head[8];
            if (at > listEnd || listEnd - at < sizeof head)
                RaiseStructure();
            TFrameHeads heads(FSrc, at, listEnd);
            heads.ReadExact(at, head, sizeof head);
            if (LoadLE32(head) != kICON)
                RaiseStructure();
            TChunk frame;
            frame.dataStart = at + sizeof head;
            frame.dataEnd = std::min<std::uint64_t>(frame.dataStart + LoadLE32(head + 4), listEnd);
            frame.size = static_cast<std::uint32_t>(frame.dataEnd - frame.dataStart);
            layout.FirstImage.push_back(static_cast<std::uint32_t>(layout.Images.size()));
            CheckIconFrame(heads, frame, layout.Images);
            at = frame.dataStart + LoadLE32(head + 4); // no pad byte: the loader adds none
        }
        layout.FirstImage.push_back(static_cast<std::uint32_t>(layout.Images.size()));
    }

    // The frame number the loader reads for each step, in the chunk or past it, must name a frame.
    void CheckSequence(const TFound& seq, std::uint32_t steps, std::uint32_t frames) {
        if (!Readable(seq.data, steps))
            RaiseStructure();
        unsigned char buf[256];
        for (std::uint64_t done = 0; done < steps;) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(steps - done, sizeof buf / 4));
            std::memset(buf, 0, n * 4); // zeros past the file
            FSrc.ReadAt(seq.data + done * 4, buf, n * 4);
            for (std::size_t i = 0; i < n; ++i)
                if (LoadLE32(buf + 4 * i) >= frames)
                    RaiseStructure();
            done += n;
        }
    }

    TAniByteSource& FSrc;
    std::uint64_t FSize;
    std::uint64_t FMapped;
};

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
    ClearLayout();
}

// Keeps the tables' memory for the next file.
void TAniCursorInfo::ClearLayout() {
    FLayout.Images.clear();
    FLayout.FirstImage.clear();
    FLayout.RiffAt = FLayout.AnihData = FLayout.FramAt = FLayout.FramEnd = 0;
}

bool TAniCursorInfo::LoadFromFile(const TAniFileName& fileName) {
    Clear();
    // Opening and the first read answer the common case, a regular file, without a look-up; the file
    // system is asked only when they fail or find nothing (a directory opens on POSIX systems).
    TFileSource src;
    const int code = src.Open(fileName);
    const bool opened = code == 0;
    if (!opened || src.Size() == 0) {
        if (!IsExistingFile(fileName))
            return false;
        if (!opened)
            throw EAniCursorViewError(FormatText(kAniMsgOpenFailed, {std::to_wstring(code)}));
    }
    return LoadFromSource(src, fileName);
}

bool TAniCursorInfo::LoadFromBytes(const void* data, std::size_t size, const TAniFileName& name) {
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

bool TAniCursorInfo::LoadFromSource(TAniByteSource& src, const TAniFileName& name) {
    Clear();
    TChunkWalker walker(src);
    const std::uint64_t fileEnd = walker.FileEnd();
    TChunk ck;

    // Any failure to find the form, however malformed the file, means "not an animated cursor". Past
    // that, a header that is missing or cut short is a structure error, and so is a file the platform's
    // loader would not survive; the other chunks are optional, and what a cut chunk still holds is read.
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

    // Last, the file as the platform's loader will read it.
    try {
        TLoaderModel(src).Check(cursorStart - 12, FLayout);
    } catch (...) {
        ClearLayout();
        throw;
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
