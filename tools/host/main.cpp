// Build-time generator of the sample cursors, their manifest and the program's icons.
// Usage: dovex_artgen OUTDIR [--preview SHEET.ppm]
// Writes OUTDIR/samples (the cursors and their manifest), OUTDIR/fuzz-seeds (the same cursors with one
// image per frame) and the icons in OUTDIR.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/host/Art.h"

namespace {

std::string Hex(const std::string& bytes) {
    static const char* kDigits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(kDigits[c >> 4]);
        out.push_back(kDigits[c & 15]);
    }
    return out;
}

template <class T> std::string List(const std::optional<std::vector<T>>& v) {
    if (!v)
        return "-";
    std::string out;
    for (std::size_t i = 0; i < v->size(); ++i) {
        if (i)
            out += ',';
        out += std::to_string((*v)[i]);
    }
    return out;
}

// Every image laid out in rows at twice its size over a checkerboard, as binary PPM.
bool WritePreview(const std::string& path, const std::vector<std::vector<art::Image>>& rows) {
    int width = 0, height = 0;
    for (const auto& row : rows) {
        int w = 4, h = 0;
        for (const auto& img : row) {
            w += img.width * 2 + 4;
            h = std::max(h, img.height * 2);
        }
        width = std::max(width, w);
        height += h + 4;
    }
    height += 4;
    std::vector<unsigned char> rgb(std::size_t(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned char v = ((x / 8 + y / 8) % 2) ? 200 : 245;
            for (int k = 0; k < 3; ++k)
                rgb[(std::size_t(y) * width + x) * 3 + k] = v;
        }
    int oy = 4;
    for (const auto& row : rows) {
        int ox = 4, h = 0;
        for (const auto& img : row) {
            for (int y = 0; y < img.height * 2; ++y)
                for (int x = 0; x < img.width * 2; ++x) {
                    const unsigned char* s = &img.bgra[(std::size_t(y / 2) * img.width + x / 2) * 4];
                    unsigned char* d = &rgb[(std::size_t(oy + y) * width + ox + x) * 3];
                    const int a = s[3];
                    d[0] = static_cast<unsigned char>((s[2] * a + d[0] * (255 - a)) / 255);
                    d[1] = static_cast<unsigned char>((s[1] * a + d[1] * (255 - a)) / 255);
                    d[2] = static_cast<unsigned char>((s[0] * a + d[2] * (255 - a)) / 255);
                }
            ox += img.width * 2 + 4;
            h = std::max(h, img.height * 2);
        }
        oy += h + 4;
    }
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << " " << height << "\n255\n";
    out.write(reinterpret_cast<const char*>(rgb.data()), std::streamsize(rgb.size()));
    return bool(out);
}

std::string Two(int n) {
    std::string s = std::to_string(n);
    if (s.size() < 2)
        s.insert(s.begin(), '0');
    return s;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--preview")) {
        std::fprintf(stderr, "usage: dovex_artgen OUTDIR [--preview SHEET.ppm]\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out / "samples");
    std::filesystem::create_directories(out / "fuzz-seeds");
    bool ok = true;
    std::vector<std::vector<art::Image>> preview;

    std::ofstream manifest(out / "samples" / "manifest.tsv", std::ios::binary);
    manifest << "# "
                "file\tsize\tframes\tsteps\tjif_rate\tflags\trates\tseq\ttitle_hex\tauthor_"
                "hex\ttitle\tauthor\thot_x\thot_y\tsizes\n";
    for (const auto& s : art::Samples()) {
        const art::AniRecipe recipe = art::BuildAni(s);
        ok &= art::SaveFile((out / "samples" / s.file).string(), art::WriteAniFile(recipe));
        // The fuzzer reads up to 64 KiB of a file: seeds of one image per frame stay whole.
        art::AniRecipe seed = recipe;
        seed.moreImages.clear();
        ok &= art::SaveFile((out / "fuzz-seeds" / s.file).string(), art::WriteAniFile(seed));
        manifest << s.file << '\t' << s.size << '\t' << recipe.frames.size() << '\t' << s.steps << '\t'
                 << s.jifRate << '\t' << (1 | (s.sequence ? 2 : 0)) << '\t' << List(s.rates) << '\t'
                 << List(s.sequence) << '\t' << (s.title ? Hex(s.title->sjis) : "") << '\t'
                 << (s.author ? Hex(s.author->sjis) : "") << '\t' << (s.title ? s.title->utf8 : "") << '\t'
                 << (s.author ? s.author->utf8 : "") << '\t' << recipe.frames[0].hotX << '\t'
                 << recipe.frames[0].hotY << '\t' << s.size;
        for (const auto& image : recipe.moreImages[0])
            manifest << ',' << image.width;
        manifest << '\n';
        preview.push_back(recipe.frames);
    }
    manifest.close();
    ok &= bool(manifest);

    auto icon = [&](const std::string& name, const std::vector<art::Image>& images) {
        ok &= art::SaveFile((out / name).string(), art::WriteIconFile(images, false));
        preview.push_back(images);
    };
    icon("MAINICON.ico", art::MainIcon());
    icon("Z_NORMAL.ico", art::TrayIcon(false));
    icon("Z_PAUSE.ico", art::TrayIcon(true));
    std::vector<art::Image> anim;
    for (int i = 0; i <= 10; ++i) {
        const auto images = art::TrayAnimation(i);
        ok &= art::SaveFile((out / ("anim" + Two(i) + ".ico")).string(), art::WriteIconFile(images, false));
        anim.push_back(images[1]);
    }
    preview.push_back(anim);
    for (int i = 0; i <= 5; ++i)
        icon("menu" + std::to_string(i) + ".ico", art::MenuImage(i));
    icon("tool.ico", art::PositionTool());
    const art::Image logo = art::Logo();
    ok &= art::SaveFile((out / "logo.bmp").string(), art::WriteBitmapFile(logo, 0xFFFFFF));
    preview.push_back({logo});
    for (int i = 0; i <= 15; ++i)
        icon("pl" + Two(i) + ".ico", art::PlayListImage(i));
    icon("plgroup.ico", art::GroupImage());

    if (argc == 4)
        ok &= WritePreview(argv[3], preview);
    if (!ok)
        std::fprintf(stderr, "dovex_artgen: could not write every file under %s\n", argv[1]);
    return ok ? 0 : 1;
}
