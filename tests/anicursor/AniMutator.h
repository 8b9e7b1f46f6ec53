// Seeded mutations of real cursor files, the damage files come with: chunk sizes off by a little or a lot,
// header and frame counts that disagree with the file, files cut short or padded to a page, chunks
// swapped, doubled, dropped or inserted, frames of an odd size. Each mutant says what was done to it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/anicursor/AniBuilder.h"

namespace anitest {

// splitmix64: the same numbers on every platform and standard library.
class TRandom {
public:
    explicit TRandom(std::uint64_t seed) : FState(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (FState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 <= result < n (n > 0).
    std::uint32_t Below(std::uint64_t n) { return static_cast<std::uint32_t>(Next() % n); }
    bool OneIn(std::uint32_t n) { return Below(n) == 0; }
    template <class T> const T& Pick(const std::vector<T>& v) { return v[Below(v.size())]; }

private:
    std::uint64_t FState;
};

// A chunk tree: the RIFF form, its chunks, and the chunks of its lists.
struct TNode {
    Bytes id;
    Bytes type; // the list or form type; empty for a chunk with data
    Bytes data;
    std::vector<TNode> kids;
};

inline std::uint32_t Get32(const Bytes& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
}

// The chunks of a well-formed region, lists (RIFF, LIST) taken apart.
inline std::vector<TNode> ParseChunks(const Bytes& b, std::size_t at, std::size_t end) {
    std::vector<TNode> out;
    while (at + 8 <= end) {
        TNode n;
        n.id = b.substr(at, 4);
        const std::uint32_t size = Get32(b, at + 4);
        const auto dataEnd =
            static_cast<std::size_t>(std::min<std::uint64_t>(end, std::uint64_t{at} + 8 + size));
        if ((n.id == "RIFF" || n.id == "LIST") && size >= 4) {
            n.type = b.substr(at + 8, 4);
            n.kids = ParseChunks(b, at + 12, dataEnd);
        } else {
            n.data = b.substr(at + 8, dataEnd - (at + 8));
        }
        out.push_back(std::move(n));
        at = dataEnd + (size & 1);
    }
    return out;
}

// Writes the tree with true sizes; padFrames false writes the frames of a list one after the other
// without pad bytes, as some writers do.
inline Bytes Serialize(const TNode& n, bool padFrames = true) {
    if (n.type.empty())
        return Chunk(n.id, n.data);
    Bytes body = n.type;
    for (const TNode& k : n.kids) {
        Bytes child = Serialize(k, padFrames);
        if (!padFrames && n.type == "fram" && k.type.empty() && k.data.size() % 2)
            child.pop_back();
        body += child;
    }
    return Chunk(n.id, body);
}

// Where a mutation can aim in serialized bytes.
struct TSpot {
    std::size_t head = 0;     // the chunk head
    std::size_t data = 0;     // its data (after the type of a list)
    std::size_t dataSize = 0; // the bytes of data present
    Bytes id, type, parentType;
};

inline void Spots(const Bytes& b, std::size_t at, std::size_t end, const Bytes& parentType,
                  std::vector<TSpot>& out) {
    while (at + 8 <= end) {
        TSpot s;
        s.head = at;
        s.id = b.substr(at, 4);
        s.parentType = parentType;
        const std::uint32_t size = Get32(b, at + 4);
        const auto dataEnd =
            static_cast<std::size_t>(std::min<std::uint64_t>(end, std::uint64_t{at} + 8 + size));
        s.data = at + 8;
        if ((s.id == "RIFF" || s.id == "LIST") && size >= 4 && at + 12 <= end) {
            s.type = b.substr(at + 8, 4);
            s.data = at + 12;
        }
        s.dataSize = dataEnd > s.data ? dataEnd - s.data : 0;
        out.push_back(s);
        if (!s.type.empty())
            Spots(b, s.data, dataEnd, s.type, out);
        at = dataEnd + (size & 1);
    }
}

struct TMutant {
    Bytes bytes;
    std::string what;
};

class TMutator {
public:
    explicit TMutator(std::uint64_t seed) : FRandom(seed) {}

    // One to three mutations of a sample; the tree ones first, then those of the bytes.
    TMutant Mutate(const Bytes& sample) {
        TMutant m;
        std::vector<TNode> top = ParseChunks(sample, 0, sample.size());
        if (top.empty())
            return {sample, "unparsed"};
        TNode form = top.front();
        const int count = 1 + static_cast<int>(FRandom.Below(3));
        std::vector<int> kinds;
        for (int i = 0; i < count; ++i)
            kinds.push_back(static_cast<int>(FRandom.Below(15)));
        bool pad = true;
        for (int k : kinds)
            if (k < 6)
                MutateTree(form, k, m.what, pad);
        m.bytes = Serialize(form, pad);
        for (int k : kinds)
            if (k >= 6)
                MutateBytes(m.bytes, k, m.what);
        return m;
    }

private:
    TNode* FrameList(TNode& form) {
        for (TNode& k : form.kids)
            if (k.type == "fram")
                return &k;
        return nullptr;
    }

    // A list of the form to work on: the form itself or its frame list.
    std::vector<TNode>& SomeList(TNode& form, Bytes& name) {
        TNode* fram = FrameList(form);
        if (fram && !fram->kids.empty() && FRandom.OneIn(2)) {
            name = "frame";
            return fram->kids;
        }
        name = "chunk";
        return form.kids;
    }

    void MutateTree(TNode& form, int kind, std::string& what, bool& pad) {
        Bytes name;
        std::vector<TNode>& list = SomeList(form, name);
        const std::size_t n = list.size();
        switch (kind) {
        case 0: // swap two
            if (n >= 2) {
                const std::size_t a = FRandom.Below(n), b = FRandom.Below(n);
                std::swap(list[a], list[b]);
                what += "swapped " + name + "s " + std::to_string(a) + "," + std::to_string(b) + "; ";
            }
            break;
        case 1: // drop one
            if (n >= 1) {
                const std::size_t a = FRandom.Below(n);
                what += "dropped " + name + " " + std::to_string(a) + " (" + list[a].id + "); ";
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(a));
            }
            break;
        case 2: // double one
            if (n >= 1) {
                const std::size_t a = FRandom.Below(n), to = FRandom.Below(n + 1);
                const TNode copy = list[a];
                list.insert(list.begin() + static_cast<std::ptrdiff_t>(to), copy);
                what += "doubled " + name + " " + std::to_string(a) + " at " + std::to_string(to) + "; ";
            }
            break;
        case 3: { // insert a foreign chunk
            static const std::vector<Bytes> ids = {"junk", "icon", "anih", "rate", "seq ", "LIST", "JUNK"};
            TNode k;
            k.id = FRandom.Pick(ids);
            const std::size_t size = FRandom.Below(72);
            for (std::size_t i = 0; i < size; ++i)
                k.data.push_back(static_cast<char>(FRandom.OneIn(2) ? 0 : FRandom.Below(256)));
            const std::size_t to = FRandom.Below(n + 1);
            list.insert(list.begin() + static_cast<std::ptrdiff_t>(to), k);
            what += "inserted '" + k.id + "' of " + std::to_string(size) + " bytes among " + name + "s at " +
                    std::to_string(to) + "; ";
            break;
        }
        case 4: { // a frame of an odd size, with or without its pad byte
            TNode* fram = FrameList(form);
            if (fram && !fram->kids.empty()) {
                const std::size_t a = FRandom.Below(fram->kids.size());
                fram->kids[a].data.push_back('\0');
                pad = FRandom.OneIn(2);
                what += "frame " + std::to_string(a) + " one byte longer, " + (pad ? "padded" : "unpadded") +
                        "; ";
            }
            break;
        }
        default: // move one to the front or the back
            if (n >= 2) {
                const std::size_t a = FRandom.Below(n);
                TNode k = list[a];
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(a));
                const bool front = FRandom.OneIn(2);
                list.insert(front ? list.begin() : list.end(), k);
                what += "moved " + name + " " + std::to_string(a) +
                        (front ? " to the front; " : " to the back; ");
            }
            break;
        }
    }

    std::uint32_t SomeSize(std::uint32_t size, std::size_t fileRest) {
        const std::uint32_t k = 1 + FRandom.Below(8);
        switch (FRandom.Below(10)) {
        case 0:
            return size + k;
        case 1:
            return size - k;
        case 2:
            return 0;
        case 3:
            return FRandom.Pick(
                std::vector<std::uint32_t>{0xFFFFFFFFu, 0xFFFFFFF0u, 0x80000000u, 0x7FFFFFF8u});
        case 4:
            return static_cast<std::uint32_t>(FRandom.Next());
        case 5:
            return static_cast<std::uint32_t>(fileRest) + k; // a few bytes past the end
        case 6:
            return static_cast<std::uint32_t>(fileRest) +
                   FRandom.Pick(std::vector<std::uint32_t>{4096, 1u << 20});
        case 7:
            return static_cast<std::uint32_t>(fileRest) -
                   std::min<std::uint32_t>(k, static_cast<std::uint32_t>(fileRest));
        case 8:
            return size * 2;
        default:
            return size / 2;
        }
    }

    std::uint32_t SomeCount(std::uint32_t v, std::uint32_t frames) {
        switch (FRandom.Below(9)) {
        case 0:
            return v + 1 + FRandom.Below(3);
        case 1:
            return v - 1 - FRandom.Below(std::max<std::uint32_t>(1, std::min<std::uint32_t>(v, 3)));
        case 2:
            return FRandom.Below(2);
        case 3:
            return FRandom.Pick(std::vector<std::uint32_t>{0xFFFFFFFFu, 0x7FFFFFFFu, 50, 300, 10000, 10001});
        case 4:
            return frames + FRandom.Below(3) - 1;
        case 5:
            return FRandom.Pick(std::vector<std::uint32_t>{256, 257, 512, 513, 4096});
        case 6:
            return static_cast<std::uint32_t>(FRandom.Next());
        default:
            return FRandom.Below(64);
        }
    }

    void MutateBytes(Bytes& b, int kind, std::string& what) {
        std::vector<TSpot> spots;
        Spots(b, 0, b.size(), "", spots);
        if (spots.empty())
            return;
        std::uint32_t icons = 0;
        for (const TSpot& s : spots)
            icons += s.id == "icon";
        auto find = [&](const char* id) -> const TSpot* {
            std::vector<const TSpot*> all;
            for (const TSpot& s : spots)
                if (s.id == id)
                    all.push_back(&s);
            return all.empty() ? nullptr : all[FRandom.Below(all.size())];
        };
        switch (kind) {
        case 6:
        case 7: { // a chunk size
            const TSpot& s = spots[FRandom.Below(spots.size())];
            const std::uint32_t old = Get32(b, s.head + 4);
            const std::uint32_t now = SomeSize(old, b.size() - (s.head + 8));
            Put32(b, s.head + 4, now);
            what += "size of '" + s.id + "' at " + std::to_string(s.head) + " " + std::to_string(old) +
                    " -> " + std::to_string(now) + "; ";
            break;
        }
        case 8: { // a header field
            const TSpot* s = find("anih");
            if (!s || s->dataSize < 36)
                break;
            static const std::vector<std::pair<int, const char*>> fields = {
                {1, "frames"}, {2, "steps"}, {3, "width"}, {4, "height"}, {8, "flags"}};
            const auto& [field, name] = fields[FRandom.Below(fields.size())];
            const std::size_t at = s->data + 4 * static_cast<std::size_t>(field);
            const std::uint32_t now = field == 8 ? FRandom.Below(4) : SomeCount(Get32(b, at), icons);
            what += std::string("header ") + name + " " + std::to_string(Get32(b, at)) + " -> " +
                    std::to_string(now) + "; ";
            Put32(b, at, now);
            break;
        }
        case 9: { // a frame's directory or bitmap header
            const TSpot* s = find("icon");
            if (!s || s->dataSize < 62)
                break;
            static const std::vector<std::pair<std::size_t, const char*>> fields = {
                {4, "entries"},       {18, "entry offset"},  {22, "bitmap header size"},
                {26, "bitmap width"}, {30, "bitmap height"}, {36, "bit count"}};
            const auto& [offset, name] = fields[FRandom.Below(fields.size())];
            const std::size_t at = s->data + offset;
            std::uint32_t now = 0;
            if (offset == 4 || offset == 36) {
                now = FRandom.Pick(std::vector<std::uint32_t>{0, 1, 2, 3, 4, 8, 16, 24, 32, 33, 64, 0xFFFF});
                b[at] = static_cast<char>(now);
                b[at + 1] = static_cast<char>(now >> 8);
            } else {
                now = offset == 22
                          ? FRandom.Pick(std::vector<std::uint32_t>{0, 12, 39, 40, 41, 108, 124, 0x474E5089})
                          : SomeCount(Get32(b, at), 0);
                Put32(b, at, now);
            }
            what += std::string("frame ") + name + " -> " + std::to_string(now) + "; ";
            break;
        }
        case 10: { // a table entry
            const TSpot* s = find(FRandom.OneIn(2) ? "seq " : "rate");
            if (!s || s->dataSize < 4)
                break;
            const std::size_t at = s->data + 4 * FRandom.Below(s->dataSize / 4);
            const std::uint32_t now = SomeCount(Get32(b, at), icons);
            Put32(b, at, now);
            what += "entry of '" + s->id + "' -> " + std::to_string(now) + "; ";
            break;
        }
        case 11: { // cut
            std::size_t at = 0;
            switch (FRandom.Below(3)) {
            case 0:
                at = FRandom.Below(b.size());
                break;
            case 1: { // inside the last frame
                const TSpot* last = nullptr;
                for (const TSpot& s : spots)
                    if (s.id == "icon")
                        last = &s;
                at = last ? last->head + FRandom.Below(b.size() - last->head) : b.size() / 2;
                break;
            }
            default: { // near a chunk head
                const TSpot& s = spots[FRandom.Below(spots.size())];
                at = std::min(b.size(), s.head + FRandom.Below(16));
                break;
            }
            }
            b.resize(at);
            const bool fix = b.size() >= 8 && FRandom.OneIn(2);
            if (fix)
                Put32(b, 4, static_cast<std::uint32_t>(b.size() - 8));
            what += "cut at " + std::to_string(at) + (fix ? ", form size fixed; " : "; ");
            break;
        }
        case 12: { // a form size a little or far past the end, the file ending on a page or not
            if (FRandom.OneIn(2)) {
                const std::size_t aligned = (b.size() + 4095) / 4096 * 4096;
                b.resize(aligned, '\0');
                what += "zeros to the page end; ";
            }
            const std::uint32_t k = FRandom.Pick(std::vector<std::uint32_t>{2, 4, 6, 8, 12, 4096, 1u << 20});
            Put32(b, 4, static_cast<std::uint32_t>(b.size() - 8) + k);
            what += "form size " + std::to_string(k) + " past the end; ";
            break;
        }
        case 13: { // any byte of a header or of a frame's directory, entry and bitmap header
            const TSpot* s = find(FRandom.OneIn(3) ? "anih" : "icon");
            if (!s || s->dataSize == 0)
                break;
            const std::size_t at = s->data + FRandom.Below(std::min<std::size_t>(s->dataSize, 64));
            const auto now = static_cast<char>(FRandom.Below(256));
            what += "byte " + std::to_string(at - s->data) + " of '" + s->id + "' " +
                    std::to_string(static_cast<unsigned char>(b[at])) + " -> " +
                    std::to_string(static_cast<unsigned char>(now)) + "; ";
            b[at] = now;
            break;
        }
        default: { // trailing bytes
            static const std::vector<Bytes> tails = {Bytes(3, '\0'), Bytes(16, '\0'), "trailer\r\n",
                                                     RawChunk("JUNK", 0xFFFFFFF0u, "xx"), Bytes(4096, '\0')};
            b += FRandom.Pick(tails);
            what += "trailing bytes; ";
            break;
        }
        }
    }

    TRandom FRandom;
};

} // namespace anitest
