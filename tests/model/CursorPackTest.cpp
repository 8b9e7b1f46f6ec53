// Cursor packs: what an INF says of its scheme, in the ways pack authors write INF files, and the groups a
// pack's folders give.
#include "model/CursorPack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

using namespace dovex;
using Names = std::vector<std::wstring>;
using namespace std::string_view_literals;

namespace {

// Shift-JIS (code page 932) through the platform's own converter, refusing what is not valid there.
std::optional<std::wstring> FromCp932(std::string_view bytes) {
#ifdef _WIN32
    const int n = ::MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(),
                                        static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0)
        return std::nullopt;
    std::wstring text(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                          text.data(), n);
    return text;
#else
    iconv_t cd = ::iconv_open("WCHAR_T", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string in(bytes);
    std::wstring out(in.size() + 1, L'\0');
    char* from = in.data();
    char* to = reinterpret_cast<char*>(out.data());
    size_t left = in.size(), room = out.size() * sizeof(wchar_t);
    const size_t result = ::iconv(cd, &from, &left, &to, &room);
    ::iconv_close(cd);
    if (result == static_cast<size_t>(-1))
        return std::nullopt;
    out.resize(out.size() - room / sizeof(wchar_t));
    return out;
#endif
}

std::string Utf16Bytes(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

// The INF most packs copy: a scheme list of fifteen roles through %strings%, and the section that sets the
// user's cursors role by role.
std::string CommonTemplate(std::string_view name, std::string_view pointer, std::string_view work,
                           std::string_view busy) {
    std::string inf =
        "[Version]\r\nsignature=\"$CHICAGO$\"\r\n\r\n"
        "[DefaultInstall]\r\nCopyFiles = Scheme.Cur, Scheme.Txt\r\nAddReg    = Scheme.Reg, Wreg\r\n\r\n"
        "[DestinationDirs]\r\nScheme.Cur = 10,\"%CUR_DIR%\"\r\n\r\n"
        "[Scheme.Reg]\r\n"
        "HKCU,\"Control Panel\\Cursors\\Schemes\",\"%SCHEME_NAME%\",,\"";
    const char* roles[] = {"pointer", "help", "work", "busy", "cross", "text",      "hand", "unavailable",
                           "vert",    "horz", "dgn1", "dgn2", "move",  "alternate", "link"};
    for (size_t i = 0; i < std::size(roles); ++i)
        inf += std::string(i ? "," : "") + "%10%\\%CUR_DIR%\\%" + roles[i] + "%";
    inf += "\"\r\n\r\n[Wreg]\r\n"
           "HKCU,\"Control Panel\\Cursors\",,0x00020000,\"%SCHEME_NAME%\"\r\n"
           "HKCU,\"Control Panel\\Cursors\",Wait,0x00020000,\"%10%\\%CUR_DIR%\\%busy%\"\r\n"
           "HKCU,\"Control Panel\\Cursors\",AppStarting,0x00020000,\"%10%\\%CUR_DIR%\\%work%\"\r\n\r\n"
           "[Scheme.Cur]\r\n";
    inf += std::string(busy) + "\r\n" + std::string(work) + "\r\n\r\n[Strings]\r\n";
    inf += "CUR_DIR       = \"Cursors\\" + std::string(name) + "\"\r\n";
    inf += "SCHEME_NAME   = \"" + std::string(name) + "\"\r\n";
    inf += "pointer       = \"" + std::string(pointer) + "\"\r\n";
    inf += "work          = \"" + std::string(work) + "\"\r\n";
    inf += "busy          = \"" + std::string(busy) + "\"\r\n";
    inf += "link          = \"link.ani\"\r\n";
    for (const char* unused : {"help", "cross", "text", "hand", "unavailable", "vert", "horz", "dgn1", "dgn2",
                               "move", "alternate"})
        inf += std::string(unused) + " = \"\"\r\n";
    return inf;
}

struct TInfCase {
    const char* What;
    std::string Bytes;
    bool Found;
    std::wstring Name;
    Names Files;
};

} // namespace

TEST(InfScheme, ReadsNameAndRoleOrderAsPackAuthorsWriteThem) {
    const std::string common = CommonTemplate("Sakura Cursors", "arrow.cur", "work.ani", "busy.ani");
    // Only the per-role section, its lines out of role order.
    const std::string roleLines =
        "[Wreg]\n"
        "HKCU,\"Control Panel\\Cursors\",,0x00020000,\"%SCHEME_NAME%\"\n"
        "HKCU,\"Control Panel\\Cursors\",Wait,0x00020000,\"%10%\\%CUR_DIR%\\%busy%\"\n"
        "HKCU,\"Control Panel\\Cursors\",Scheme Source,0x00010001,2\n"
        "HKCU,\"Control Panel\\Cursors\",AppStarting,0x00020000,\"%10%\\%CUR_DIR%\\%work%\"\n"
        "HKCU,\"Control Panel\\Cursors\",Arrow,0x00020000,\"%10%\\%CUR_DIR%\\%pointer%\"\n"
        "[Strings]\nCUR_DIR=Cursors\\Sakura\nSCHEME_NAME=\"Sakura Cursors\"\n"
        "pointer=arrow.cur\nwork=work.ani\nbusy=busy.ani\n";
    // 桜カーソル: ソ ends in the byte of a backslash, 表 too.
    const std::string sakura932 = "\x8D\xF7\x83\x4A\x81\x5B\x83\x5C\x83\x8B";
    const TInfCase cases[] = {
        {"the common template",
         common,
         true,
         L"Sakura Cursors",
         {L"arrow.cur", L"work.ani", L"busy.ani", L"link.ani"}},
        {"the per-role section alone",
         roleLines,
         true,
         L"Sakura Cursors",
         {L"arrow.cur", L"work.ani", L"busy.ani"}},
        {"UTF-16 with a byte order mark",
         Utf16Bytes(u"[Strings]\r\nN = \"さくら カーソル\"\r\nW = \"待ち.ani\"\r\n[R]\r\n"
                    u"HKCU,\"Control Panel\\Cursors\\Schemes\",%N%,,\",,,%10%\\Cursors\\%W%\"\r\n",
                    false),
         true,
         L"さくら カーソル",
         {L"待ち.ani"}},
        {"UTF-16 big-endian",
         Utf16Bytes(u"[R]\nHKCU,\"Control Panel\\Cursors\\Schemes\",\"Big\",,\"a.ani,b.ani\"\n", true),
         true,
         L"Big",
         {L"a.ani", L"b.ani"}},
        {"UTF-8 with a byte order mark",
         "\xEF\xBB\xBF[R]\nHKCU,\"Control Panel\\Cursors\\Schemes\",\"\xE6\xA1\x9C\",,\"a.ani\"\n",
         true,
         L"桜",
         {L"a.ani"}},
        {"the Japanese ANSI code page",
         "[Strings]\r\nS = \"" + sakura932 +
             "\"\r\nB = \"\x95\x5C.ani\"\r\n[R]\r\n"
             "HKCU,\"Control Panel\\Cursors\\Schemes\",\"%S%\",,\"%10%\\" +
             sakura932 + "\\%B%\"\r\n",
         true,
         L"桜カーソル",
         {L"表.ani"}},
        {"the Western ANSI code page",
         "[R]\nHKCU,\"Control Panel\\Cursors\\Schemes\",\"Caf\xE9 Cursors\",,\"caf\xE9 busy.ani\"\n",
         true,
         L"Café Cursors",
         {L"café busy.ani"}},
        {"nested strings",
         "[Strings]\nSCHEME=\"%PACK% %SIZE%\"\nPACK=\"%AUTHOR%'s "
         "Sakura\"\nAUTHOR=Mio\nSIZE=Large\nF=%G%\nG=%H%\n"
         "H=deep.ani\n[R]\nHKCU,\"Control Panel\\Cursors\\Schemes\",%SCHEME%,,\"%F%\"\n",
         true,
         L"Mio's Sakura Large",
         {L"deep.ani"}},
        {"strings that refer to themselves",
         "[Strings]\nA=\"%B%\"\nB=\"x%A%\"\nSELF=\"%SELF%.ani\"\n[R]\n"
         "HKCU,\"Control Panel\\Cursors\\Schemes\",%A%,,\"%SELF%\"\n",
         true,
         L"x%A%",
         {L"%SELF%.ani"}},
        {"no [Strings] section",
         "[R]\nHKCU,\"Control Panel\\Cursors\\Schemes\",\"%SCHEME_NAME%\",,\"%10%\\%CUR_DIR%\\%busy%\"\n",
         true,
         L"%SCHEME_NAME%",
         {L"%busy%"}},
        {"paths that leave the folder",
         "[R]\nHKCU,\"Control Panel\\Cursors\\Schemes\",\"Up\",,\"..\\..\\Windows\\evil.ani,C:\\x\\y.ani,"
         "/etc/z.ani,..,%10%\\..\\,sub/../w.ani\"\n",
         true,
         L"Up",
         {L"evil.ani", L"y.ani", L"z.ani", L"w.ani"}},
        {"a role list with empty slots and repeats",
         "[R]\nHKCU,\"Control Panel\\Cursors\\Schemes\",\"Gaps\",,\",,work.ani,,busy.ani,,,WORK.ANI,\"\n",
         true,
         L"Gaps",
         {L"work.ani", L"busy.ani"}},
        {"sections, keys and names in any letter case",
         "[STRINGS]\nScheme_Name=Loud\n[strings]\nbusy=b.ani\n[r]\n"
         "hkcu,\"control panel\\CURSORS\\schemes\",%scheme_name%,,\"%BUSY%\"\n",
         true,
         L"Loud",
         {L"b.ani"}},
        {"comments, and a semicolon inside quotes",
         "; made by hand\n[Strings] ; the names\nN = \"Semi;colon\" ; not in the value\n[R]\n"
         "HKCU,\"Control Panel\\Cursors\\Schemes\",%N%,,\"a.ani\" ; a comment, with a comma\n",
         true,
         L"Semi;colon",
         {L"a.ani"}},
        {"an unquoted list in several fields",
         "[R]\nHKCU,Control Panel\\Cursors\\Schemes,Plain,0,a.ani,  b.ani , \"c, d.ani\"\n",
         true,
         L"Plain",
         {L"a.ani", L"b.ani", L"c", L"d.ani"}},
        {"directory ids and percent signs kept as text",
         "[Strings]\nN=\"100%% %NAME% (%24%)\"\nNAME=Sakura\n[R]\n"
         "HKCU,\"Control Panel\\Cursors\\Schemes\",%N%,,\"%10%\\%UNKNOWN%\\a.ani\"\n",
         true,
         L"100% Sakura (%24%)",
         {L"a.ani"}},
        {"the machine's scheme key",
         "[R]\nHKLM,\"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\"
         "Cursors\\Schemes\",\"Machine\",,\"m.ani\"\n",
         true,
         L"Machine",
         {L"m.ani"}},
        {"a scheme that is only deleted",
         "[DefaultUninstall]\nDelReg=D\n[D]\nHKCU,\"Control Panel\\Cursors\\Schemes\",\"Gone\"\n",
         true,
         L"",
         {}},
        {"no cursor scheme at all",
         "[Version]\nSignature=\"$Windows "
         "NT$\"\n[Install]\nAddReg=A\n[A]\nHKLM,\"Software\\Other\",Name,,\"x.ani\"\n",
         false,
         L"",
         {}},
        {"an empty file", "", false, L"", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const TInfScheme scheme = ReadInfScheme(DecodeInfText(c.Bytes, FromCp932));
        EXPECT_EQ(scheme.Found, c.Found);
        EXPECT_EQ(scheme.Name, c.Name);
        EXPECT_EQ(scheme.Files, c.Files);
    }
}

TEST(InfScheme, StringsThatMultiplyStopAtABoundedLength) {
    std::string inf = "[Strings]\n";
    for (int i = 0; i < 12; ++i)
        inf += "S" + std::to_string(i) + "=\"%S" + std::to_string(i + 1) + "%%S" + std::to_string(i + 1) +
               "%%S" + std::to_string(i + 1) + "%\"\n";
    inf +=
        "S12=\"" + std::string(4000, 'x') + "\"\n[R]\nHKCU,\"Control Panel\\Cursors\\Schemes\",%S0%,,a.ani\n";
    const auto start = std::chrono::steady_clock::now();
    const TInfScheme scheme = ReadInfScheme(DecodeInfText(inf, nullptr));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(scheme.Found);
    EXPECT_LE(scheme.Name.size(), 40000u);
    EXPECT_GT(scheme.Name.size(), 4000u);
    EXPECT_EQ(scheme.Files, Names{L"a.ani"});
}

TEST(InfScheme, TextWithoutAMarkIsUtf8FirstThenTheAnsiCodePageThenWestern) {
    EXPECT_EQ(DecodeInfText("plain", nullptr), L"plain");
    EXPECT_EQ(DecodeInfText("\xE2\x82\xAC", nullptr), L"€") << "valid UTF-8";
    EXPECT_EQ(DecodeInfText("\x80\x96", nullptr), L"€–") << "Windows-1252 without a code page";
    EXPECT_EQ(DecodeInfText("\x83\x5C", FromCp932), L"ソ");
    EXPECT_EQ(DecodeInfText("\xE9t\xE9", FromCp932), L"été") << "invalid in code page 932";
    EXPECT_EQ(DecodeInfText("\xFF\xFE"
                            "a\0\x3D\xD8\x00\xDE"sv,
                            nullptr),
              L"a\U0001F600")
        << "a surrogate pair";
    EXPECT_EQ(DecodeInfText("\xFF\xFE"
                            "a\0b"sv,
                            nullptr),
              L"a")
        << "an odd last byte";
}

TEST(NaturalOrder, NumbersCountAndLetterCaseDoesNot) {
    Names names = {L"b10.ani", L"B2.ani", L"a.ani",  L"b2.ani", L"b02.ani",
                   L"A.ani",   L"b1.ani", L"10.ani", L"9.ani"};
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return NaturalLess(a, b); });
    EXPECT_EQ(names, (Names{L"9.ani", L"10.ani", L"A.ani", L"a.ani", L"b1.ani", L"B2.ani", L"b02.ani",
                            L"b2.ani", L"b10.ani"}));
    EXPECT_FALSE(NaturalLess(L"x", L"x"));
    EXPECT_TRUE(NaturalLess(L"x", L"x1"));
    EXPECT_TRUE(NaturalLess(L"99999999999999999999", L"100000000000000000000"));
    EXPECT_TRUE(SameFileName(L"Busy.ANI", L"busy.ani"));
    EXPECT_FALSE(SameFileName(L"busy.ani", L"busy.an"));
}

namespace {

TPackFolder Folder(std::wstring path, Names ani, Names other = {}, std::optional<TInfScheme> inf = {}) {
    return TPackFolder{std::move(path), std::move(ani), std::move(other), std::move(inf)};
}

TInfScheme Scheme(std::wstring name, Names files) {
    return TInfScheme{true, std::move(name), std::move(files)};
}

struct TGroupSeen {
    std::wstring Name;
    std::wstring Path;
    Names Files;
    bool operator==(const TGroupSeen&) const = default;
};

std::vector<TGroupSeen> Seen(const TPackPlan& plan) {
    std::vector<TGroupSeen> seen;
    for (const auto& g : plan.Groups)
        seen.push_back({g.Name, g.RelativePath, g.Files});
    return seen;
}

void PrintTo(const TGroupSeen& g, std::ostream* os) {
    *os << testing::PrintToString(g.Name) << " " << testing::PrintToString(g.Path) << " "
        << testing::PrintToString(g.Files);
}

} // namespace

TEST(CursorPackPlan, GroupsOfAPackFolder) {
    struct {
        const char* What;
        std::vector<TPackFolder> Folders;
        std::vector<TGroupSeen> Groups;
        int Skipped;
        int Missing;
    } const cases[] = {
        {"a folder without an INF: its name and the files by name",
         {Folder(L"", {L"b10.ani", L"b2.ani", L"A1.ani"}, {L"x.cur", L"readme.txt"})},
         {{L"Pack", L"", {L"A1.ani", L"b2.ani", L"b10.ani"}}},
         2,
         0},
        {"the INF's name and order, then the rest by name",
         {Folder(L"", {L"extra.ani", L"BUSY.ani", L"work.ani", L"another.ani"}, {L"arrow.cur"},
                 Scheme(L"Sakura Cursors", {L"arrow.cur", L"work.ani", L"busy.ani", L"gone.ani"}))},
         {{L"Sakura Cursors", L"", {L"work.ani", L"BUSY.ani", L"another.ani", L"extra.ani"}}},
         1,
         1},
        {"an INF that names no scheme: the folder's name",
         {Folder(L"", {L"b.ani", L"a.ani"}, {}, Scheme(L"", {L"b.ani"}))},
         {{L"Pack", L"", {L"b.ani", L"a.ani"}}},
         0,
         0},
        {"variant folders under an INF: one group each, in the INF's order",
         {Folder(L"", {}, {L"arrow.cur"}, Scheme(L"Sakura", {L"work.ani", L"busy.ani"})),
          Folder(L"normal", {L"busy.ani", L"work.ani"}),
          Folder(L"large", {L"busy.ani", L"work.ani", L"z.ani"}), Folder(L"empty", {}, {L"notes.txt"})},
         {{L"Sakura - large", L"large", {L"work.ani", L"busy.ani", L"z.ani"}},
          {L"Sakura - normal", L"normal", {L"work.ani", L"busy.ani"}}},
         2,
         0},
        {"sizes without an INF, deeper folders and the pack's own files",
         {Folder(L"", {L"main.ani"}), Folder(L"200%", {L"a.ani"}), Folder(L"100%", {L"a.ani"}),
          Folder(L"sizes\\150%", {L"a.ani"})},
         {{L"Pack", L"", {L"main.ani"}},
          {L"Pack - 100%", L"100%", {L"a.ani"}},
          {L"Pack - 200%", L"200%", {L"a.ani"}},
          {L"Pack - sizes - 150%", L"sizes\\150%", {L"a.ani"}}},
         0,
         0},
        {"one folder below with an INF of its own: the scheme's name",
         {Folder(L"", {}, {L"readme.txt"}),
          Folder(L"Sakura", {L"b.ani", L"a.ani"}, {}, Scheme(L"桜", {L"b.ani"}))},
         {{L"桜", L"Sakura", {L"b.ani", L"a.ani"}}},
         1,
         0},
        {"nothing animated",
         {Folder(L"", {}, {L"a.cur", L"b.cur"}), Folder(L"sub", {}, {L"c.cur"})},
         {},
         3,
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const TPackPlan plan = PlanCursorPack(L"Pack", c.Folders);
        EXPECT_EQ(Seen(plan), c.Groups);
        EXPECT_EQ(plan.Skipped, c.Skipped);
        EXPECT_EQ(plan.Missing, c.Missing);
    }
}
