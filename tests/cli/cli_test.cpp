// korin-cli end to end: the real executable on files made here, checked byte
// by byte against what the editor's own rules produce.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/dib_image.h"
#include "korin_version.h"
#include "palette/color_table.h"
#include "report/header_report.h"
#include "tests/cli/cli_process.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/bmp_corpus.h"
#include "tests/support/gif_bytes.h"
#include "tests/support/memory_dc.h"
#include "tests/support/picture_files.h"
#include "tests/support/png_bytes.h"
#include "tests/support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

typedef std::array<uint8_t, 4> Rgbf;  // red, green, blue, flags

struct BmpFile {
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    std::string table;
    std::string pixels;
};

// Splits a file written as header, info header, table, pixels.
BmpFile ParseBmp(const std::string& bytes)
{
    BmpFile bmp;
    std::memset(&bmp.file, 0, sizeof bmp.file);
    std::memset(&bmp.info, 0, sizeof bmp.info);
    if (bytes.size() < 54) return bmp;
    std::memcpy(&bmp.file, bytes.data(), 14);
    std::memcpy(&bmp.info, bytes.data() + 14, 40);
    if (bmp.file.bfOffBits < 54 || bmp.file.bfOffBits > bytes.size()) return bmp;
    bmp.table = bytes.substr(54, bmp.file.bfOffBits - 54);
    bmp.pixels = bytes.substr(bmp.file.bfOffBits);
    return bmp;
}

// A RIFF palette file, laid out by hand.
std::string MakePal(const std::vector<Rgbf>& entries)
{
    auto u32 = [](uint32_t v) {
        return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    };
    uint32_t n = uint32_t(entries.size());
    std::string pal = "RIFF" + u32(4 * n + 16) + "PAL data" + u32(4 * n + 4);
    pal += std::string{char(0x00), char(0x03), char(n), char(n >> 8)};
    for (const Rgbf& e : entries) pal += std::string(e.begin(), e.end());
    return pal;
}

// The table of a made bitmap, RGBQUAD bytes, as red, green, blue, flags 0.
std::vector<Rgbf> EntriesOf(const std::string& rgbquads)
{
    std::vector<Rgbf> entries;
    for (size_t i = 0; i + 4 <= rgbquads.size(); i += 4)
        entries.push_back({uint8_t(rgbquads[i + 2]), uint8_t(rgbquads[i + 1]), uint8_t(rgbquads[i]), 0});
    return entries;
}

// What a BMP's table holds after the entries are written into it: blue,
// green, red, reserved 0.
std::string RgbquadsOf(const std::vector<Rgbf>& entries)
{
    std::string bytes;
    for (const Rgbf& e : entries) bytes += std::string{char(e[2]), char(e[1]), char(e[0]), 0};
    return bytes;
}

std::vector<Rgbf> Gradient(size_t n, uint8_t seed)
{
    std::vector<Rgbf> entries;
    for (size_t i = 0; i < n; ++i)
        entries.push_back({uint8_t(seed + i * 11), uint8_t(seed + i * 13 + 1), uint8_t(seed + i * 17 + 2),
                           uint8_t(0x80 | i)});
    return entries;
}

std::string Write(const TempFolder& folder, const std::string& name, const std::string& bytes)
{
    std::string path = folder.File(name);
    EXPECT_TRUE(WriteWholeFile(path, bytes)) << path;
    return path;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Lines of a program's error output; a carriage return anywhere but before a
// line feed (a progress line being rewritten) counts as a line of its own.
size_t CountLines(const std::string& text)
{
    size_t lines = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') ++lines;
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) ++lines;
    }
    return lines;
}

// The report's Japanese characters, the same text once in CP932 (how the
// sources' narrow literals are compiled) and once in UTF-8: every one is two
// bytes in the first and three in the second.
const char kReportChars[] =
    "まだ保存されていません取得できませ色基本情報高さ幅種類使用拡張ラインあたりのバイト数"
    "計算で求められるファイルサイズ実際の内訳カラーテーブル画像ビット存在しフルー未対応";
const char kReportCharsUtf8[] =
    u8"まだ保存されていません取得できませ色基本情報高さ幅種類使用拡張ラインあたりのバイト数"
    u8"計算で求められるファイルサイズ実際の内訳カラーテーブル画像ビット存在しフルー未対応";

// Converts a report by the table above, independently of the tool's converter;
// a character missing from the table fails the test.
std::string ReportToUtf8(const std::string& cp932)
{
    const std::string narrow = kReportChars;
    const std::string wide = kReportCharsUtf8;
    EXPECT_EQ(narrow.size() / 2, wide.size() / 3);
    std::string utf8;
    for (size_t i = 0; i < cp932.size();) {
        if (uint8_t(cp932[i]) < 0x80) {
            utf8 += cp932[i++];
            continue;
        }
        size_t k = 0;
        while (k * 2 < narrow.size() && narrow.compare(k * 2, 2, cp932, i, 2) != 0) ++k;
        if (k * 2 >= narrow.size()) {
            ADD_FAILURE() << "no table entry for the byte at " << i;
            return utf8;
        }
        utf8 += wide.substr(k * 3, 3);
        i += 2;
    }
    return utf8;
}

// ---------------------------------------------------------------------------

TEST(CliInfo, PrintsTheEditorsReportInUtf8OrRawBytes)
{
    TempFolder folder;
    struct Case {
        const char* name;
        BmpBytes bmp;
        std::string trailer;  // bytes after the pixels: the actual size differs from the computed one
    };
    const Case files[] = {
        {"palette16.bmp", MakeBmp(13, 7, 8, 16), std::string(10, 'x')},
        {"topdown.bmp", MakeBmp(9, -50, 4), ""},
        {"full.bmp", MakeBmp(3, 2, 24), ""},
    };
    struct Mode {
        std::vector<std::string> options;
        int32_t headerDetail;
        int32_t hexNumbers;
    };
    const Mode modes[] = {
        {{}, 0, 0}, {{"--hex"}, 0, 1}, {{"--members"}, 1, 0}, {{"--members", "--hex"}, 1, 1}};

    for (const Case& c : files) {
        const std::string bytes = c.bmp.Serialize() + c.trailer;
        const std::string path = Write(folder, c.name, bytes);
        for (const Mode& mode : modes) {
            SCOPED_TRACE(std::string(c.name) + " " + std::to_string(mode.headerDetail) +
                         std::to_string(mode.hexNumbers));
            HeaderReportInput input;
            input.hasFileHeader = true;
            input.fileHeader = c.bmp.file;
            input.infoHeader = c.bmp.info;
            input.entryCount = uint32_t(c.bmp.table.size() / 4);
            input.imageSize = uint32_t(c.bmp.pixels.size());
            input.stride = input.imageSize / uint32_t(std::abs(c.bmp.info.biHeight));
            input.path = path;
            input.modified = false;
            input.fileSizeKnown = true;
            input.fileSize = uint32_t(bytes.size());
            input.headerDetail = mode.headerDetail;
            input.hexNumbers = mode.hexNumbers;
            const std::string expected = BuildHeaderReport(input);

            std::vector<std::string> args = {"info", path};
            args.insert(args.end(), mode.options.begin(), mode.options.end());
            CliRun utf8 = RunCli(args);
            ASSERT_TRUE(utf8.finished);
            EXPECT_EQ(0, utf8.exitCode) << utf8.err;
            EXPECT_EQ(ReportToUtf8(expected), utf8.out);
            EXPECT_EQ("", utf8.err);

            args.push_back("--raw");
            CliRun raw = RunCli(args);
            EXPECT_EQ(0, raw.exitCode) << raw.err;
            EXPECT_EQ(expected, raw.out);
        }
    }
}

TEST(CliInfo, NamesTheFileItCannotRead)
{
    TempFolder folder;
    const std::string pal = Write(folder, "looks.bmp", MakePal(Gradient(4, 1)));
    const std::string missing = folder.File("missing.bmp");
    const std::string cutPng = Write(folder, "cut.png", SmallPngBytes().substr(0, 40));
    const std::string cutGif = Write(folder, "cut.gif", SmallGifBytes().substr(0, 12));
    const std::string fullColor = Write(folder, "full.bmp", MakeBmp(2, 2, 24).Serialize());
    // An OS/2 1.x header cut inside its bit count.
    const std::string cutCore =
        Write(folder, "core.bmp", "BM" + std::string(12, '\0') + std::string("\x0C\0\0\0\2\0\2\0\1\0\x08", 11));
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"info", cutCore}, cutCore + ": is not a BMP file this program reads"},
        {{"info", pal}, pal + ": is not a BMP file this program reads"},
        {{"info", missing}, missing + ": cannot be opened"},
        // A lone dash, and any word after --, name files.
        {{"info", "-"}, "-: cannot be opened"},
        {{"info", "--", "-missing.bmp"}, "-missing.bmp: cannot be opened"},
        {{"info", cutPng}, cutPng + ": the file ends"},
        {{"palette", cutGif, "-o", folder.File("out.pal")}, cutGif + ": "},
        {{"palette", fullColor, "-o", folder.File("out.pal")}, fullColor + ": has no color table"},
    };
    for (const auto& c : cases) {
        CliRun run = RunCli(c.first);
        EXPECT_EQ(1, run.exitCode) << c.second;
        EXPECT_TRUE(Contains(run.err, "korin-cli: " + c.second)) << run.err;
        EXPECT_EQ("", run.out);
    }
    EXPECT_FALSE(FileExists(folder.File("out.pal")));
}

#ifndef _WIN32
// The report names the file as the user does: a Japanese name in UTF-8, or
// in CP932 with --raw; numbers in hex only when asked for.
TEST(CliInfo, PicturesAreNamedInTheUsersScriptAndNumberedAsAsked)
{
    TempFolder folder;
    // The folder's name spelled in bytes: narrow literals here are compiled as CP932.
    const std::string utf8Name = "\xE8\x89\xB2", cp932Name = "\x90\x46";
    ASSERT_TRUE(std::filesystem::create_directory(folder.File(utf8Name)));
    for (const std::string& name : {utf8Name + "/a.bmp", utf8Name + "/a.png", utf8Name + "/a.gif"}) {
        SCOPED_TRACE(name);
        const std::string kind = name.substr(name.size() - 3);
        const std::string path = Write(folder, name, kind == "bmp" ? MakeBmp(20, 2, 8).Serialize()
                                                     : kind == "png" ? SmallPngBytes() : SmallGifBytes());
        const std::string cp932 = folder.File(cp932Name) + path.substr(folder.File(utf8Name).size());
        CliRun utf8 = RunCli({"info", path, "--members"});
        EXPECT_EQ(0, utf8.exitCode) << utf8.err;
        EXPECT_TRUE(Contains(utf8.out, path)) << utf8.out;
        CliRun raw = RunCli({"info", path, "--raw"});
        EXPECT_TRUE(Contains(raw.out, cp932)) << raw.out;
        // A field that is 40 or 13: the BMP header size, IHDR length, or the GIF table offset.
        const char* decimal = kind == "bmp" ? "= 40\r\n" : kind == "png" ? ".length = 13 " : "= 13\r\n";
        const char* hex = kind == "bmp" ? "= 28\r\n" : kind == "png" ? ".length = d " : "= d\r\n";
        CliRun hexRun = RunCli({"info", path, "--members", "--hex"});
        EXPECT_TRUE(Contains(utf8.out, decimal) && !Contains(utf8.out, hex)) << utf8.out;
        EXPECT_TRUE(Contains(hexRun.out, hex) && !Contains(hexRun.out, decimal)) << hexRun.out;
    }
    // A name CP932 cannot spell stays as the system gave it.
    const std::string emoji = Write(folder, "\xF0\x9F\x8E\xA8.bmp", MakeBmp(2, 2, 8).Serialize());
    CliRun raw = RunCli({"info", emoji, "--raw"});
    EXPECT_EQ(0, raw.exitCode) << raw.err;
    EXPECT_TRUE(Contains(raw.out, " " + emoji + "\r\n")) << raw.out;
}
#endif

TEST(CliPalette, SavesTheColorTableAsRiffOrRefusesWithoutOne)
{
    TempFolder folder;
    const BmpBytes bmp = MakeBmp(5, 5, 8, 16);
    const std::string input = Write(folder, "in.bmp", bmp.Serialize());
    CliRun run = RunCli({"palette", input, "-o", folder.File("out.pal")});
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ(MakePal(EntriesOf(bmp.table)), ReadWholeFile(folder.File("out.pal")));

    const std::string full = Write(folder, "full.bmp", MakeBmp(5, 5, 24).Serialize());
    run = RunCli({"palette", full, "-o", folder.File("full.pal")});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(Contains(run.err, full)) << run.err;
    EXPECT_FALSE(FileExists(folder.File("full.pal")));
}

// The source is told apart by its content: each kind also under the other's name.
TEST(CliApply, WritesTheSourceTableAndKeepsThePixels)
{
    TempFolder folder;
    const std::vector<Rgbf> palette = Gradient(256, 40);
    BmpBytes donor = MakeBmp(4, 4, 8);
    for (size_t i = 0; i < donor.table.size(); ++i) donor.table[i] = char(255 - i);
    const std::vector<Rgbf> donorEntries = EntriesOf(donor.table);
    struct Source {
        std::string name;
        std::string bytes;
        std::vector<Rgbf> entries;
    };
    const Source sources[] = {
        {"riff-named.bmp", MakePal(palette), palette},
        {"riff.pal", MakePal(palette), palette},
        {"bmp-named.pal", donor.Serialize(), donorEntries},
        {"bmp.bmp", donor.Serialize(), donorEntries},
    };
    const BmpBytes target = MakeBmp(11, 6, 8, 16);
    for (const Source& source : sources) {
        SCOPED_TRACE(source.name);
        const std::string sourcePath = Write(folder, source.name, source.bytes);
        const std::string input = Write(folder, "target.bmp", target.Serialize());
        const std::string output = folder.File("out.bmp");
        CliRun run = RunCli({"apply", sourcePath, input, "-o", output});
        ASSERT_EQ(0, run.exitCode) << run.err;
        EXPECT_EQ(target.Serialize(), ReadWholeFile(input));

        // The table grew from 16 to 256 entries, as the editor grows it.
        BmpFile out = ParseBmp(ReadWholeFile(output));
        EXPECT_EQ(256u, out.info.biClrUsed);
        EXPECT_EQ(54u + 1024u, uint32_t(out.file.bfOffBits));
        EXPECT_EQ(54u + 1024u + target.pixels.size(), uint32_t(out.file.bfSize));
        EXPECT_EQ(target.info.biWidth, out.info.biWidth);
        EXPECT_EQ(target.info.biSizeImage, out.info.biSizeImage);
        EXPECT_EQ(RgbquadsOf(source.entries), out.table);
        EXPECT_EQ(target.pixels, out.pixels);
    }
}

TEST(CliApply, ShorterTableBlackensTheRestAndKeepsTheCount)
{
    TempFolder folder;
    const std::vector<Rgbf> four = Gradient(4, 7);
    const std::string source = Write(folder, "four.pal", MakePal(four));
    const BmpBytes target = MakeBmp(6, 3, 4);
    const std::string input = Write(folder, "t.bmp", target.Serialize());
    CliRun run = RunCli({"apply", source, input, "--in-place"});
    ASSERT_EQ(0, run.exitCode) << run.err;

    BmpFile out = ParseBmp(ReadWholeFile(input));
    EXPECT_EQ(0u, out.info.biClrUsed);
    EXPECT_EQ(RgbquadsOf(four) + std::string(12 * 4, '\0'), out.table);
    EXPECT_EQ(target.pixels, out.pixels);
}

TEST(CliApply, RefusesSourcesWithoutAUsableTable)
{
    TempFolder folder;
    const std::string target = MakeBmp(8, 8, 1).Serialize();
    const std::string input = Write(folder, "t.bmp", target);
    struct Case {
        std::string name;
        std::string bytes;
        std::string named;  // the file the error must name
        std::string reason;
    };
    const Case cases[] = {
        {"text.pal", "just some text", "text.pal", "is not a palette file this program reads"},
        {"b.pal", "Bare text that starts as a bitmap would", "b.pal", "is not a palette file this program reads"},
        {"broken.pal", MakePal(Gradient(4, 0)).substr(0, 30), "broken.pal", "is a RIFF file but not a valid RIFF palette"},
        {"full.bmp", MakeBmp(2, 2, 24).Serialize(), "full.bmp", "has no color table (a full-color bitmap has none)"},
        {"cut.png", std::string("\x89PNG\r\n\x1a\n", 8) + "cut", "cut.png", "the file ends at offset 8 before IEND"},
        {"bm.pal", "BM, yet neither a bitmap nor a palette", "bm.pal", "is not a BMP file this program reads"},
        {"folder.pal", "", "folder.pal", "cannot be opened"},
        // Refused before any bitmap is touched: no bitmap can take no entries.
        {"empty.pal", MakePal({}), "empty.pal", "is a palette file without entries"},
        // 16 entries cannot go into a 1-bit bitmap: the target is refused.
        {"sixteen.pal", MakePal(Gradient(16, 0)), "t.bmp", "cannot take a table of 16 entries (a 1-bit bitmap holds at most 2^1)"},
    };
    std::filesystem::create_directory(folder.File("folder.pal"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = c.bytes.empty() ? folder.File(c.name) : Write(folder, c.name, c.bytes);
        CliRun run = RunCli({"apply", source, input, "--in-place"});
        EXPECT_EQ(1, run.exitCode);
        EXPECT_TRUE(Contains(run.err, "korin-cli: " + folder.File(c.named) + ": " + c.reason)) << run.err;
        EXPECT_EQ(target, ReadWholeFile(input));
    }
    CliRun folderTarget = RunCli({"apply", Write(folder, "four.pal", MakePal(Gradient(2, 0))), folder.File("folder.pal"),
                                  "-o", folder.File("out.bmp")});
    EXPECT_TRUE(Contains(folderTarget.err, "korin-cli: " + folder.File("folder.pal") + ": is a folder")) << folderTarget.err;
    // The table of a PNG or GIF serves as well.
    const std::string colors("\xFF\x02\x01\x00\xFE\x0F\x08\x00", 8);  // PaletteData(2) as RGBQUAD
    const std::string png = AssemblePng({{"IHDR", IhdrData(1, 1, 8, 3)}, {"PLTE", PaletteData(2)},
                                         {"IDAT", CompressedRows({{0}}, 8)}, {"IEND", ""}});
    for (const auto& source : {Write(folder, "s.png", png),
                               Write(folder, "s.gif", MakeGif(1, 1, PaletteData(2), 0, {{0, 0, 1, 1, "", {0}, 2}}))}) {
        CliRun run = RunCli({"apply", source, input, "-o", folder.File("out.bmp")});
        ASSERT_EQ(0, run.exitCode) << run.err;
        EXPECT_EQ(colors, ReadWholeFile(folder.File("out.bmp")).substr(54, 8)) << source;
    }
}

TEST(CliTableOperations, InvertAndEachSwapChangeOnlyTheTable)
{
    TempFolder folder;
    BmpBytes bmp = MakeBmp(7, 5, 8, 20);
    for (size_t i = 3; i < bmp.table.size(); i += 4) bmp.table[i] = char(0x5A);  // reserved bytes
    const std::vector<Rgbf> before = EntriesOf(bmp.table);
    const std::string input = Write(folder, "in.bmp", bmp.Serialize());

    struct Case {
        std::vector<std::string> command;
        Rgbf (*change)(const Rgbf&);
    };
    const Case cases[] = {
        {{"invert"}, [](const Rgbf& e) { return Rgbf{uint8_t(255 - e[0]), uint8_t(255 - e[1]), uint8_t(255 - e[2]), 0}; }},
        {{"swap", "rg"}, [](const Rgbf& e) { return Rgbf{e[1], e[0], e[2], 0}; }},
        {{"swap", "gb"}, [](const Rgbf& e) { return Rgbf{e[0], e[2], e[1], 0}; }},
        {{"swap", "br"}, [](const Rgbf& e) { return Rgbf{e[2], e[1], e[0], 0}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command.back());
        std::vector<std::string> args = c.command;
        args.insert(args.end(), {input, "-o", folder.File("out.bmp")});
        CliRun run = RunCli(args);
        ASSERT_EQ(0, run.exitCode) << run.err;

        std::vector<Rgbf> expected;
        for (const Rgbf& e : before) expected.push_back(c.change(e));
        BmpFile out = ParseBmp(ReadWholeFile(folder.File("out.bmp")));
        EXPECT_EQ(RgbquadsOf(expected), out.table);
        EXPECT_EQ(bmp.pixels, out.pixels);
        EXPECT_EQ(20u, out.info.biClrUsed);
        EXPECT_EQ(bmp.Serialize(), ReadWholeFile(input));
    }
}

// The tool copies the pixel rows file to file instead of loading them. Over
// every shape of file a reader meets, each output must be byte for byte what
// the editor's own load, table edit and save write, and each refusal the one
// the editor's loader gives; a refused file's output is left as it was.
TEST(CliTableOperations, MatchTheEditorsOwnSaveOverTheCorpus)
{
    std::vector<CorpusFile> corpus = BmpCorpus();
    BmpBytes gap = MakeBmp(7, 3, 8, 16);
    gap.gap = "between table and pixels";
    gap.FixOffsets();
    corpus.push_back({"gap-before-pixels", gap.Serialize(), true});
    BmpBytes reserved = MakeBmp(5, -4, 4);
    for (size_t i = 3; i < reserved.table.size(); i += 4) reserved.table[i] = char(0x5A);
    corpus.push_back({"reserved-bytes-set", reserved.Serialize(), true});

    TempFolder sources, inputs, outputs;
    ColorTable wide, narrow;
    ASSERT_TRUE(WriteWholeFile(sources.File("wide.pal"), MakePal(Gradient(256, 30))));
    ASSERT_TRUE(WriteWholeFile(sources.File("narrow.pal"), MakePal(Gradient(2, 200))));
    ASSERT_TRUE(wide.LoadRiffPalette(sources.File("wide.pal").c_str()));
    ASSERT_TRUE(narrow.LoadRiffPalette(sources.File("narrow.pal").c_str()));
    std::vector<std::string> names;
    for (const CorpusFile& file : corpus) {
        names.push_back(file.name + ".bmp");
        ASSERT_TRUE(WriteWholeFile(inputs.File(names.back()), file.bytes));
    }
    std::sort(names.begin(), names.end());

    struct Edit {
        std::vector<std::string> command;
        std::function<void(ColorTable&)> change;
    };
    const Edit edits[] = {
        {{"invert"},
         [](ColorTable& t) {
             for (uint32_t i = 0; i < t.GetCount(); ++i) {
                 const ColorEntry e = *t.GetEntry(i);
                 t.SetColor(i, uint8_t(255 - e.red), uint8_t(255 - e.green), uint8_t(255 - e.blue));
             }
         }},
        // Grows tables up to 256 entries; refused by 1- and 4-bit bitmaps.
        {{"apply", sources.File("wide.pal")}, [&](ColorTable& t) { t.Assign(wide); }},
        // Shorter than most tables: their other entries turn black.
        {{"apply", sources.File("narrow.pal")}, [&](ColorTable& t) { t.Assign(narrow); }},
    };
    MemoryDC dc;
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.command.back());
        for (const std::string& name : names) ASSERT_TRUE(WriteWholeFile(outputs.File(name), "old output"));
        std::vector<std::string> args = edit.command;
        for (const std::string& name : names) args.push_back(inputs.File(name));
        args.insert(args.end(), {"--out-dir", outputs.Path()});
        CliRun run = RunCli(args);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(1, run.exitCode) << "the corpus holds files that are refused";

        int written = 0;
        for (const std::string& name : names) {
            SCOPED_TRACE(name);
            const std::string input = inputs.File(name);
            std::string refusal;
            DibImage image;
            ColorTable table;
            const bool loads = image.LoadFromFile(dc, input.c_str());
            if (!loads) {
                refusal = "is not a BMP file this program reads";
            } else if (!image.CopyColorTable(table)) {
                refusal = "has no color table";
            } else {
                edit.change(table);
                if (!image.SetColorTable(table)) refusal = "cannot take a table of";
            }
            if (!refusal.empty()) {
                // A BMP variant that the editor does not open is named as such.
                const std::string line = "korin-cli: " + input + ": ";
                EXPECT_TRUE(Contains(run.err, line + refusal) ||
                            (!loads && Contains(run.err, line + "is a BMP file with ")))
                    << run.err;
                EXPECT_EQ("old output", ReadWholeFile(outputs.File(name)));
                continue;
            }
            EXPECT_FALSE(Contains(run.err, input)) << run.err;
            ASSERT_TRUE(image.SaveToFile(sources.File("expected.bmp").c_str()));
            EXPECT_EQ(ReadWholeFile(sources.File("expected.bmp")), ReadWholeFile(outputs.File(name)));
            ++written;
        }
        EXPECT_GT(written, 10);
        EXPECT_EQ(names, outputs.List()) << "no temporary file stays";
    }
}

TEST(CliNew, MakesBlankBitmapsOfEveryMode)
{
    TempFolder folder;
    struct Case {
        std::string size;
        std::string bits;
        std::string entries;  // empty: the color mode's default
        int32_t width, height;
        uint32_t expectedEntries;
        uint32_t stride;
    };
    const Case cases[] = {
        {"5x3", "1", "", 5, 3, 2, 4},
        {"9x2", "4", "", 9, 2, 16, 8},
        {"100x50", "8", "", 100, 50, 256, 100},
        {"100x50", "8", "17", 100, 50, 17, 100},
        {"3x4", "24", "", 3, 4, 0, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size + " " + c.bits + " " + c.entries);
        const std::string output = folder.File("new.bmp");
        std::vector<std::string> args = {"new", "--size", c.size, "--bits", c.bits, "-o", output};
        if (!c.entries.empty()) args.insert(args.end(), {"--entries", c.entries});
        CliRun run = RunCli(args);
        ASSERT_EQ(0, run.exitCode) << run.err;

        const std::string bytes = ReadWholeFile(output);
        BmpFile out = ParseBmp(bytes);
        const uint32_t imageSize = c.stride * uint32_t(c.height);
        EXPECT_EQ(54 + 4 * c.expectedEntries + imageSize, bytes.size());
        EXPECT_EQ(bytes.size(), uint32_t(out.file.bfSize));
        EXPECT_EQ(c.width, out.info.biWidth);
        EXPECT_EQ(c.height, out.info.biHeight);
        EXPECT_EQ(c.expectedEntries, out.info.biClrUsed);
        EXPECT_EQ(imageSize, out.info.biSizeImage);
        EXPECT_EQ(std::string(4 * c.expectedEntries, '\0'), out.table);
        EXPECT_EQ(std::string(imageSize, '\0'), out.pixels);
    }
}

TEST(CliNew, RefusesWithTheDialogsMessagesInUtf8)
{
    TempFolder folder;
    const std::string output = folder.File("new.bmp");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        // The full-color check comes before the size check.
        {{"--size", "0x5", "--bits", "24", "--entries", "1"}, 2, u8"ﾌﾙｶﾗｰﾋﾞｯﾄﾏｯﾌﾟのｴﾝﾄﾘ数は0にしてください."},
        {{"--size", "0x5", "--bits", "8"}, 2, u8"不正な画像ｻｲｽﾞです."},
        {{"--size", "4x0", "--bits", "8"}, 2, u8"不正な画像ｻｲｽﾞです."},
        {{"--size", "4x4", "--bits", "4", "--entries", "17"}, 2, u8"ｴﾝﾄﾘ数が多すぎます."},
        // Counts of up to ten digits that fit in 31 bits are read; others are not counts.
        {{"--size", "4x4", "--bits", "8", "--entries", "2147483647"}, 2, u8"ｴﾝﾄﾘ数が多すぎます."},
        {{"--size", "0000000000x5", "--bits", "8"}, 2, u8"不正な画像ｻｲｽﾞです."},
        {{"--size", "4x4", "--bits", "8", "--entries", "2147483648"}, 2, "--entries takes a count"},
        {{"--size", "4x4", "--bits", "8", "--entries", "00000000002"}, 2, "--entries takes a count"},
        {{"--size", "x4", "--bits", "8"}, 2, "--size takes WIDTHxHEIGHT"},
        // Passes the dialog; the blank bitmap's creation refuses it.
        {{"--size", "4x4", "--bits", "8", "--entries", "0"}, 1, output},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> args = {"new", "-o", output};
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliRun run = RunCli(args);
        EXPECT_EQ(c.exitCode, run.exitCode);
        EXPECT_TRUE(Contains(run.err, c.message)) << run.err;
        EXPECT_FALSE(FileExists(output));
    }
    // A blank bitmap that cannot be saved names its file.
    const std::string nowhere = folder.File("missing/new.bmp");
    CliRun run = RunCli({"new", "-o", nowhere, "--size", "4x4", "--bits", "8"});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(Contains(run.err, nowhere + ": ")) << run.err;
}

TEST(CliUsage, BadCallsExitWithTwoAndTouchNothing)
{
    TempFolder folder;
    const std::string a = Write(folder, "a.bmp", MakeBmp(2, 2, 8).Serialize());
    const std::string b = Write(folder, "b.bmp", MakeBmp(2, 2, 8).Serialize());
    const std::string out = folder.File("out.bmp");
    const std::vector<std::vector<std::string>> calls = {
        {},
        {"recolor", a, "unknown command 'recolor'"},
        {"info"},
        {"info", a, b},
        {"info", a, "--bogus"},
        {"info", a, "-o", out},
        {"palette", a},
        {"invert", a},
        {"invert", a, "-o", out, "--in-place"},
        {"invert", a, b, "-o", out},
        {"invert", a, "--out-dir"},
        {"apply", a, "-o", out},
        {"swap", "rb", a, "-o", out},
        {"swap", a, "--in-place"},
        {"new", "--size", "10", "--bits", "8", "-o", out},
        {"new", "--size", "10x10", "--bits", "16", "-o", out},
        {"new", "--size", "10x10", "--bits", "8", "--entries", "-1", "-o", out},
        {"new", "--size", "10x10", "--bits", "8"},
        {"move", a, "1", "-o", out, "move takes FILE FROM[-TO] POSITION"},
        {"move", a, "x", "0", "-o", out, "FROM[-TO] is an entry or a range of entries (0 to 255), not 'x'"},
        {"move", a, "1-2", "y", "-o", out, "POSITION is an entry number (0 to 255), not 'y'"},
        {"move", a, "0001", "0", "-o", out, "FROM[-TO] is an entry or a range of entries (0 to 255), not '0001'"},
        {"move", a, "0", "256", "-o", out, "POSITION is an entry number (0 to 255), not '256'"},
        {"swap-entries", a, "1", "-o", out, "swap-entries takes FILE A B"},
        {"compact", "--in-place", "compact needs a FILE"},
        {"sort", a, "-o", out, "sort needs --by hue, lightness or usage"},
        {"sort", a, "--by", "size", "-o", out, "--by takes hue, lightness or usage, not 'size'"},
        {"sort", a, "--by", "hue", "--range", "5", "-o", out, "--range takes FIRST-LAST"},
        {"conform", a, "-o", out, "conform needs --palette PAL"},
        {"info", a, "--in-place", "--in-place does not apply to info"},
        {"info", a, "--hex", "--hex", "--hex is given twice"},
        {"info", a, "--members=yes", "--members takes no value"},
        {"new", a, "--size", "10x10", "--bits", "8", "-o", out, "new takes no file operands"},
        {"normalize", "--in-place", "wrong number of file operands"},
        {"invert", "--in-place", "wrong number of file operands"},
        {"apply", a, "--in-place", "wrong number of file operands"},
        {"swap", "rg", "--in-place", "wrong number of file operands"},
        {"usage", a, b, "wrong number of file operands"},
        {"gradient", a, "0", "--in-place", "wrong number of file operands"},
        {"apply", a, b, "--members", "-o", out, "--members does not apply to apply"},
        {"info", a, "--size", "1x1", "--size does not apply to info"},
        {"new", "--raw", "--size", "10x10", "--bits", "8", "-o", out, "--raw does not apply to new"},
        {"gradient", a, "0-3", "--keep-indices", "-o", out, "--keep-indices does not apply to gradient"},
        {"move", a, "1", "0", "--space", "rgb", "-o", out, "--space does not apply to move"},
        {"compact", a, "--level", "0", "-o", out, "--level takes 1 (fastest) to 9 (smallest), not '0'"},
        {"sort", a, "--by", "hue", "--level=10", "-o", out, "--level takes 1 (fastest) to 9 (smallest), not '10'"},
        {"convert", a, out, "--level", "-1", "--level takes 1 (fastest) to 9 (smallest), not '-1'"},
        {"move", a, "1", "0", "--level=", "-o", out, "--level takes 1 (fastest) to 9 (smallest), not ''"},
        {"invert", a, "--level", "9", "-o", out, "--level does not apply to invert"},
    };
    const std::vector<std::string> before = folder.List();
    for (std::vector<std::string> call : calls) {
        // A last word with spaces is what the error must say.
        const std::string words = !call.empty() && Contains(call.back(), " ") ? call.back() : "korin-cli";
        if (words != "korin-cli") call.pop_back();
        std::string shown;
        for (const std::string& word : call) shown += word + " ";
        SCOPED_TRACE(shown);
        CliRun run = RunCli(call);
        EXPECT_EQ(2, run.exitCode);
        EXPECT_TRUE(Contains(run.err, words)) << run.err;
        EXPECT_EQ("", run.out);
    }
    EXPECT_EQ(before, folder.List());
    EXPECT_EQ(ReadWholeFile(a), MakeBmp(2, 2, 8).Serialize());
}

TEST(CliUsage, HelpForTheToolAndEachCommand)
{
    const std::vector<std::vector<std::string>> calls = {
        {"--help"}, {"-h"}, {"info", "--help"}, {"palette", "--help"}, {"apply", "--help"},
        {"invert", "-h"}, {"swap", "--help"}, {"new", "--help"}};
    std::vector<std::string> texts;
    for (const std::vector<std::string>& call : calls) {
        SCOPED_TRACE(call[0]);
        CliRun run = RunCli(call);
        EXPECT_EQ(0, run.exitCode);
        EXPECT_EQ(0u, run.out.find("Usage: korin-cli")) << run.out;
        EXPECT_EQ("", run.err);
        if (call.size() > 1) {
            EXPECT_TRUE(Contains(run.out, "korin-cli " + call[0])) << run.out;
        }
        texts.push_back(run.out);
    }
    EXPECT_EQ(texts[0], texts[1]);

    CliRun version = RunCli({"--version"});
    EXPECT_EQ(0, version.exitCode);
    std::string line = version.out;
    line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
    EXPECT_EQ("korin-cli " KORIN_VERSION_STRING "\n", line);
}

#ifndef _WIN32
// On a terminal a long batch says which file it is at; a pipe gets no such line.
TEST(CliBatch, ALongBatchShowsItsProgressOnATerminal)
{
    if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "SKIPPED LOUDLY: needs script";
    TempFolder folder;
    std::string command = std::string("'") + KORIN_CLI_PATH + "' apply '" +
                          Write(folder, "colors.pal", MakePal(Gradient(256, 90))) + "'";
    const std::string bmp = MakeBmp(4, 4, 8).Serialize();
    for (int i = 1; i <= 5; ++i)
        command += " '" + Write(folder, "f" + std::to_string(i) + ".bmp", i == 3 ? bmp.substr(0, 60) : bmp) + "'";
    command += " --in-place";
    const std::string terminal = folder.File("terminal");
    const int status = std::system(("script -qec \"" + command + "\" '" + terminal + "' >/dev/null 2>&1").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(1, WEXITSTATUS(status));
    const std::string seen = ReadWholeFile(terminal);
    // Each line is wiped before the next, before an error line and at the end.
    const auto shown = [&](int i) {
        const std::string line = "[" + std::to_string(i) + "/5] " + folder.File("f" + std::to_string(i) + ".bmp");
        return line + "\r" + std::string(line.size(), ' ') + "\r";
    };
    for (int i = 1; i <= 5; ++i) EXPECT_TRUE(Contains(seen, shown(i))) << seen;
    EXPECT_FALSE(Contains(seen, "\r \r") || Contains(seen, "\r\r")) << "a wipe of nothing shown: " << seen;
    EXPECT_TRUE(Contains(seen, shown(3) + "korin-cli: " + folder.File("f3.bmp") + ": ")) << seen;
    EXPECT_EQ(seen.find('\n', seen.find("korin-cli: " + folder.File("f3.bmp"))) + 1, seen.find("[4/5] ")) << seen;
    // Four files are quick enough to go without.
    const std::string four = command.substr(0, command.find(" '" + folder.File("f5.bmp"))) + " --in-place";
    ASSERT_NE(-1, std::system(("script -qec \"" + four + "\" '" + terminal + "' >/dev/null 2>&1").c_str()));
    EXPECT_FALSE(Contains(ReadWholeFile(terminal), "/4] ")) << ReadWholeFile(terminal);
}
#endif

// A bad file in the middle of a batch: the others are done, the bad one is
// named, and nothing partial is left behind.
TEST(CliBatch, OneBadFileInTheMiddle)
{
    TempFolder folder;
    const std::string source = Write(folder, "colors.pal", MakePal(Gradient(256, 90)));
    const BmpBytes good = MakeBmp(10, 10, 8);
    const std::string truncated = good.Serialize().substr(0, 1078 + 40);
    std::vector<std::string> names = {"f1.bmp", "f2.bmp", "f3.bmp", "f4.bmp", "f5.bmp"};

    for (const char* mode : {"--out-dir", "--in-place"}) {
        SCOPED_TRACE(mode);
        TempFolder inputs;
        TempFolder outputs;
        std::vector<std::string> args = {"apply", source};
        for (const std::string& name : names)
            args.push_back(Write(inputs, name, name == "f3.bmp" ? truncated : good.Serialize()));
        args.push_back(mode);
        if (std::string(mode) == "--out-dir") args.push_back(outputs.Path());

        CliRun run = RunCli(args);
        EXPECT_EQ(1, run.exitCode);
        // Only the error line: no progress line when standard error is not a terminal.
        EXPECT_EQ(1u, CountLines(run.err)) << run.err;
        EXPECT_TRUE(Contains(run.err, inputs.File("f3.bmp"))) << run.err;

        const TempFolder& written = std::string(mode) == "--out-dir" ? outputs : inputs;
        for (const std::string& name : names) {
            SCOPED_TRACE(name);
            if (name == "f3.bmp") continue;
            BmpFile out = ParseBmp(ReadWholeFile(written.File(name)));
            EXPECT_EQ(RgbquadsOf(Gradient(256, 90)), out.table);
            EXPECT_EQ(good.pixels, out.pixels);
        }
        EXPECT_EQ(truncated, ReadWholeFile(inputs.File("f3.bmp")));
        if (std::string(mode) == "--out-dir") {
            EXPECT_EQ(std::vector<std::string>({"f1.bmp", "f2.bmp", "f4.bmp", "f5.bmp"}), outputs.List());
        }
        EXPECT_EQ(names, inputs.List());
    }
}

// A save that fails at its last step (a folder stands where the output goes)
// leaves no temporary file, and the batch goes on.
TEST(CliBatch, FailedSaveLeavesNoTemporaryFile)
{
    TempFolder inputs;
    TempFolder outputs;
    const BmpBytes bmp = MakeBmp(6, 6, 4);
    const std::string a = Write(inputs, "a.bmp", bmp.Serialize());
    const std::string b = Write(inputs, "b.bmp", bmp.Serialize());
    const std::string c = Write(inputs, "c.bmp", bmp.Serialize());
    const std::string blocked = outputs.File("b.bmp");
#ifdef _WIN32
    ASSERT_TRUE(CreateDirectoryA(blocked.c_str(), nullptr));
#else
    ASSERT_EQ(0, mkdir(blocked.c_str(), 0700));
#endif
#ifdef _WIN32
    const std::string outDir = outputs.Path();
#else
    const std::string outDir = outputs.Path() + "/";  // a trailing slash adds none to the names
#endif
    CliRun run = RunCli({"invert", a, b, c, "--out-dir", outDir});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(Contains(run.err, blocked + ": ")) << run.err;
    EXPECT_EQ(std::vector<std::string>({"a.bmp", "b.bmp", "c.bmp"}), outputs.List());
    EXPECT_NE(bmp.table, ParseBmp(ReadWholeFile(outputs.File("c.bmp"))).table);
    EXPECT_EQ(bmp.pixels, ParseBmp(ReadWholeFile(outputs.File("c.bmp"))).pixels);
}

// Targets the user protected: a read-only file and a file with a second name
// are refused with a reason and left as they were; the rest of the batch is done.
TEST(CliBatch, ProtectedTargetsAreNamedAndKept)
{
    TempFolder folder;
    const BmpBytes bmp = MakeBmp(6, 6, 8, 16);
    const std::string plain = Write(folder, "plain.bmp", bmp.Serialize());
    const std::string locked = Write(folder, "locked.bmp", bmp.Serialize());
    const std::string linked = Write(folder, "linked.bmp", bmp.Serialize());
    const std::string other = folder.File("other-name.bmp");
    const std::string png = AssemblePng({{"IHDR", IhdrData(2, 1, 8, 3)}, {"PLTE", PaletteData(2)},
                                         {"IDAT", CompressedRows({{0, 1}}, 8)}, {"IEND", ""}});
    const std::string lockedPng = Write(folder, "locked.png", png);
#ifdef _WIN32
    ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesA(lockedPng.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CreateHardLinkA(other.c_str(), linked.c_str(), nullptr));
#else
    ASSERT_EQ(0, chmod(locked.c_str(), 0444));
    ASSERT_EQ(0, chmod(lockedPng.c_str(), 0444));
    ASSERT_EQ(0, link(linked.c_str(), other.c_str()));
#endif
    CliRun run = RunCli({"invert", locked, plain, linked, lockedPng, "--in-place"});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(Contains(run.err, locked + ": is read-only")) << run.err;
    EXPECT_TRUE(Contains(run.err, lockedPng + ": is read-only")) << run.err;
    EXPECT_EQ(png, ReadWholeFile(lockedPng));
    EXPECT_TRUE(Contains(run.err, linked + ": has other hard links")) << run.err;
    EXPECT_EQ(bmp.Serialize(), ReadWholeFile(locked));
    EXPECT_EQ(bmp.Serialize(), ReadWholeFile(linked));
    EXPECT_EQ(bmp.Serialize(), ReadWholeFile(other));
    EXPECT_NE(bmp.table, ParseBmp(ReadWholeFile(plain)).table);
    EXPECT_EQ(bmp.pixels, ParseBmp(ReadWholeFile(plain)).pixels);
    EXPECT_EQ(std::vector<std::string>({"linked.bmp", "locked.bmp", "locked.png", "other-name.bmp", "plain.bmp"}),
              folder.List());

    // A table saved over a protected file, and a batch into a folder that is a file.
    run = RunCli({"palette", plain, "-o", other, "--format", "riff"});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(Contains(run.err, other + ": has other hard links")) << run.err;
    EXPECT_EQ(bmp.Serialize(), ReadWholeFile(other));
    run = RunCli({"convert", plain, lockedPng});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(Contains(run.err, lockedPng + ": is read-only")) << run.err;
    EXPECT_EQ(png, ReadWholeFile(lockedPng));
    run = RunCli({"invert", plain, "--out-dir", locked});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(Contains(run.err, locked + ": is not a folder")) << run.err;
#ifdef _WIN32
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA(lockedPng.c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
}

// Two inputs that would be written to one output are refused before anything
// is written; one file named twice, in any spelling, is done once.
TEST(CliBatch, CollidingOutputsAreRefusedAndARepeatedFileIsDoneOnce)
{
    TempFolder a, b, outputs;
    const BmpBytes bmp = MakeBmp(6, 6, 8, 16);
    const std::string first = Write(a, "x.bmp", bmp.Serialize());
    const std::string second = Write(b, "x.bmp", bmp.Serialize());
    const std::string other = Write(b, "y.bmp", bmp.Serialize());
    CliRun run = RunCli({"invert", other, first, second, "--out-dir", outputs.Path()});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(Contains(run.err, first + " and " + second)) << run.err;
    EXPECT_TRUE(outputs.List().empty());

    run = RunCli({"invert", first, a.File(".") + first.substr(a.Path().size()), "--in-place"});
    ASSERT_EQ(0, run.exitCode) << run.err;
    ASSERT_EQ(0, RunCli({"invert", second, "-o", outputs.File("once.bmp")}).exitCode);
    EXPECT_EQ(ReadWholeFile(outputs.File("once.bmp")), ReadWholeFile(first));
}

// Into a folder, every name of a batch is written under its own name, a link's
// and a second hard link's as well; only in place is a file named twice done once.
TEST(CliBatch, EveryNameIntoAFolderIsWritten)
{
    TempFolder folder, outputs, repeats;
    const std::string png = AssemblePng({{"IHDR", IhdrData(2, 1, 8, 3)}, {"PLTE", PaletteData(2)},
                                         {"IDAT", CompressedRows({{0, 1}}, 8)}, {"IEND", ""}});
    const std::string plain = Write(folder, "a.png", png);
    const std::string hard = folder.File("hard.png");
    std::vector<std::string> names = {"a.png", "hard.png"};
#ifdef _WIN32
    ASSERT_TRUE(CreateHardLinkA(hard.c_str(), plain.c_str(), nullptr));
#else
    const std::string symbolic = folder.File("link.png");
    ASSERT_EQ(0, symlink("a.png", symbolic.c_str()));
    ASSERT_EQ(0, link(plain.c_str(), hard.c_str()));
    names.push_back("link.png");
#endif
    std::vector<std::string> args = {"invert"};
    for (const std::string& name : names) args.push_back(folder.File(name));
    args.insert(args.end(), {"--out-dir", outputs.Path()});
    CliRun run = RunCli(args);
    ASSERT_EQ(0, run.exitCode) << run.err;
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names, outputs.List());
    const std::string inverted = ReadWholeFile(outputs.File("a.png"));
    EXPECT_NE(png, inverted);
    for (const std::string& name : names) EXPECT_EQ(inverted, ReadWholeFile(outputs.File(name))) << name;
    EXPECT_EQ(png, ReadWholeFile(plain));

    // One name given twice would be written twice to one output.
    run = RunCli({"invert", plain, plain, "--out-dir", repeats.Path()});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(Contains(run.err, repeats.File("a.png") + ": would be written twice from " + plain)) << run.err;
    EXPECT_TRUE(repeats.List().empty());

#ifndef _WIN32
    // In place, the file and its link are one file, inverted once.
    ASSERT_EQ(0, unlink(hard.c_str()));
    run = RunCli({"invert", plain, folder.File("link.png"), "--in-place"});
    ASSERT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ(inverted, ReadWholeFile(plain));
#endif
}

}  // namespace
