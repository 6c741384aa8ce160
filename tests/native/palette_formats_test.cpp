// Palette files in the formats other tools trade: the published layouts of
// JASC-PAL, GIMP palettes, Adobe Color Tables and hex lists, read and written,
// told apart by content whatever the file is called, and refused with a
// reason when broken.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "palette/color_table.h"
#include "palette/palette_formats.h"
#include "tests/support/shared_data.h"
#include "tests/support/temp_folder.h"

namespace {

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::ostream& operator<<(std::ostream& out, const Rgb& c)
{
    return out << int(c.r) << ' ' << int(c.g) << ' ' << int(c.b);
}

std::vector<Rgb> Colors(const ColorTable& table)
{
    std::vector<Rgb> colors;
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        const ColorEntry* e = table.GetEntry(i);
        colors.push_back({e->red, e->green, e->blue});
    }
    return colors;
}

// n colors reaching 0 and 255 in every channel.
ColorTable Spread(uint32_t n)
{
    ColorTable table;
    table.Reset(n);
    for (uint32_t i = 0; i < n; ++i)
        table.SetColor(i, uint8_t(i * 255 / (n > 1 ? n - 1 : 1)), uint8_t(255 - i * 7), uint8_t(i * 61 + 3));
    return table;
}

ColorTable Sentinel()
{
    ColorTable table;
    table.Reset(1);
    table.SetColor(0, 7, 8, 9);
    return table;
}

bool IsSentinel(const ColorTable& table)
{
    return table.GetCount() == 1 && table.GetPackedColor(0) == PackColor(7, 8, 9);
}

std::string Act(uint32_t count, uint16_t declared, bool longForm)
{
    std::string bytes(longForm ? 772 : 768, '\0');
    for (uint32_t i = 0; i < 256; ++i) {
        bytes[3 * i] = char(i);
        bytes[3 * i + 1] = char(255 - i);
        bytes[3 * i + 2] = char(i < count ? 0x40 : 0);
    }
    if (longForm) {
        bytes[768] = char(declared >> 8);
        bytes[769] = char(declared);
        bytes[770] = 0;  // transparent index 3: not a color of the table
        bytes[771] = 3;
    }
    return bytes;
}

std::string Repeat(const std::string& line, size_t times)
{
    std::string text;
    for (size_t i = 0; i < times; ++i) text += line;
    return text;
}

// Each format written under a name that belongs to another, read back by
// content: same colors, the format told right.
TEST(PaletteFormats, RoundTripsUnderLyingNamesKeepEveryColor)
{
    struct Case {
        PaletteFormat format;
        const char* name;
        std::vector<uint32_t> counts;
    };
    const Case cases[] = {
        {PaletteFormat::Riff, "riff.hex", {0, 1, 256, 1000}},
        {PaletteFormat::Jasc, "jasc.gpl", {0, 1, 256, 1000}},
        {PaletteFormat::Gimp, "gimp.act", {0, 1, 256, 1000}},
        {PaletteFormat::Act, "act.txt", {1, 16, 255, 256}},
        {PaletteFormat::Hex, "hex.pal", {1, 96, 256, 1000}},
        {PaletteFormat::PaintNet, "pdn.hex", {1, 16, 96}},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        for (uint32_t n : c.counts) {
            SCOPED_TRACE(std::string(PaletteFormatName(c.format)) + ", " + std::to_string(n) + " colors");
            const ColorTable table = Spread(n);
            const std::string path = folder.File(c.name);
            std::string reason;
            ASSERT_TRUE(SavePalette(table, c.format, path.c_str(), &reason)) << reason;
            ColorTable back = Sentinel();
            PaletteFormat found = PaletteFormat::Riff;
            ASSERT_TRUE(LoadAnyPalette(path.c_str(), &back, &found, &reason)) << reason;
            EXPECT_EQ(int(c.format), int(found));
            EXPECT_EQ(Colors(table), Colors(back));
        }
    }
    EXPECT_EQ(6u, folder.List().size()) << "no temporary files left";
}

TEST(PaletteFormats, WritesThePublishedLayouts)
{
    ColorTable table;
    table.Reset(2);
    table.SetColor(0, 255, 0, 10);
    table.SetColor(1, 1, 128, 255);
    struct Case {
        PaletteFormat format;
        std::string bytes;
    };
    std::string act(772, '\0');
    std::memcpy(&act[0], "\xFF\x00\x0A\x01\x80\xFF", 6);
    std::memcpy(&act[768], "\x00\x02\xFF\xFF", 4);  // 2 colors, no transparent one
    const Case cases[] = {
        {PaletteFormat::Jasc, "JASC-PAL\r\n0100\r\n2\r\n255 0 10\r\n1 128 255\r\n"},
        {PaletteFormat::Gimp, "GIMP Palette\n255   0  10\n  1 128 255\n"},
        {PaletteFormat::Act, act},
        {PaletteFormat::Hex, "ff000a\r\n0180ff\r\n"},
    };
    for (const Case& c : cases) {
        std::string bytes, reason;
        ASSERT_TRUE(EncodePalette(table, c.format, &bytes, &reason)) << reason;
        EXPECT_EQ(c.bytes, bytes) << PaletteFormatName(c.format);
    }
    std::string bytes, reason;
    ASSERT_TRUE(EncodePalette(Spread(256), PaletteFormat::Act, &bytes, &reason));
    EXPECT_EQ(768u, bytes.size()) << "a full table needs no count";
}

// Examples laid out as the formats' descriptions show them.
TEST(PaletteFormats, ReadsThePublishedExamples)
{
    struct Case {
        const char* what;
        std::string bytes;
        PaletteFormat format;
        std::vector<Rgb> first;  // the first colors
        uint32_t count;
    };
    const Case cases[] = {
        {"JASC-PAL, CR LF", "JASC-PAL\r\n0100\r\n3\r\n255 0 0\r\n0 255 0\r\n0 0 255\r\n", PaletteFormat::Jasc,
         {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, 3},
        {"JASC-PAL, LF, no last line end", "JASC-PAL\n0100\n2\n1 2 3\n4 5 6", PaletteFormat::Jasc,
         {{1, 2, 3}, {4, 5, 6}}, 2},
        {"JASC-PAL, blank lines after its colors", "JASC-PAL\n0100\n1\n1 2 3\n\n \t\n", PaletteFormat::Jasc,
         {{1, 2, 3}}, 1},
        {"GIMP, a blank line of spaces and an indented comment", "GIMP Palette\n  \n  # note\n1 2 3\n",
         PaletteFormat::Gimp, {{1, 2, 3}}, 1},
        {"JASC-PAL, nine digits", "JASC-PAL\n0100\n000000001\n000000255 0 7\n", PaletteFormat::Jasc,
         {{255, 0, 7}}, 1},
        {"GIMP, header fields, comments, names",
         "GIMP Palette\nName: Example\nColumns: 4\n#\n# primaries\n255   0   0\tRed\n  0 255   0\tGreen\n"
         "\n  0   0 255\tDeep blue\n",
         PaletteFormat::Gimp, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, 3},
        {"GIMP, CR LF, no names", "GIMP Palette\r\n10 20 30\r\n40 50 60\r\n", PaletteFormat::Gimp,
         {{10, 20, 30}, {40, 50, 60}}, 2},
        {"ACT, 768 bytes", Act(256, 0, false), PaletteFormat::Act, {{0, 255, 0x40}, {1, 254, 0x40}}, 256},
        {"ACT, 772 bytes with a count", Act(16, 16, true), PaletteFormat::Act,
         {{0, 255, 0x40}, {1, 254, 0x40}}, 16},
        {"ACT, 772 bytes declaring all 256", Act(256, 256, true), PaletteFormat::Act,
         {{0, 255, 0x40}, {1, 254, 0x40}}, 256},
        {"hex list", "ff0000\n00FF00\n0000ff\n", PaletteFormat::Hex, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, 3},
        {"hex list with blanks after its colors", "ff0000 \n00FF00\t\n", PaletteFormat::Hex,
         {{255, 0, 0}, {0, 255, 0}}, 2},
        {"hex list with comments: a dash, five and nine digits, half of them hex", "#ab-cd1\n#abcde\n#abcdef123\n#abcxyz\nff0000\n",
         PaletteFormat::Hex, {{255, 0, 0}}, 1},
        {"hex list with # and CR LF", "#1a2b3c\r\n#FFFFFF\r\n\r\n", PaletteFormat::Hex,
         {{0x1a, 0x2b, 0x3c}, {255, 255, 255}}, 2},
        {"hex list with comment lines", "# sweetie 16\n  ;by someone\n#\n1a1c2c\n \t \n#palette\n #5d275d\n",
         PaletteFormat::Hex, {{0x1a, 0x1c, 0x2c}, {0x5d, 0x27, 0x5d}}, 2},
        {"Paint.NET, alpha not kept",
         ";paint.net Palette File\r\n;Colors: 2\r\nFF1a1c2c\r\n805D275D\r\n", PaletteFormat::PaintNet,
         {{0x1a, 0x1c, 0x2c}, {0x5d, 0x27, 0x5d}}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ColorTable table = Sentinel();
        PaletteFormat found = PaletteFormat::Riff;
        std::string reason;
        ASSERT_TRUE(ReadAnyPalette(c.bytes, &table, &found, &reason)) << reason;
        EXPECT_EQ(int(c.format), int(found));
        ASSERT_EQ(c.count, table.GetCount());
        std::vector<Rgb> colors = Colors(table);
        colors.resize(c.first.size());
        EXPECT_EQ(c.first, colors);
        EXPECT_EQ(0, table.GetEntry(0)->flags);
    }
}

// Palettes other people wrote: JASC-PAL files with LF and CR LF, one with no
// colors, and raw 768-byte tables, which are Adobe Color Tables by their size.
TEST(PaletteFormats, ReadsRealFilesOfOtherTools)
{
    SKIP_WITHOUT_SHARED_DATA(shared);
    struct Case {
        const char* name;
        PaletteFormat format;
        uint32_t count;
        Rgb first;
        Rgb last;
    };
    const Case cases[] = {
        {"dagronf_jasc_DB16.pal", PaletteFormat::Jasc, 16, {208, 70, 72}, {210, 170, 153}},
        {"dagronf_jasc_jasc256.pal", PaletteFormat::Jasc, 256, {0, 0, 0}, {255, 0, 255}},
        {"dagronf_jasc_paintnet-palette.pal", PaletteFormat::Jasc, 24, {255, 0, 0}, {127, 0, 110}},
        {"dagronf_jasc_empty.pal", PaletteFormat::Jasc, 0, {}, {}},
        {"dagronf_raw768_atari-7800-palette.pal", PaletteFormat::Act, 256, {0, 0, 0}, {255, 212, 152}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = shared + "/pal/not-riff/" + c.name;
        if (!FileExists(path)) GTEST_SKIP() << "SKIPPED LOUDLY: " << path << " is absent";
        ColorTable table = Sentinel();
        PaletteFormat found = PaletteFormat::Riff;
        std::string reason;
        ASSERT_TRUE(LoadAnyPalette(path.c_str(), &table, &found, &reason)) << reason;
        EXPECT_EQ(int(c.format), int(found));
        ASSERT_EQ(c.count, table.GetCount());
        if (c.count == 0) continue;
        EXPECT_EQ(c.first, Colors(table).front());
        EXPECT_EQ(c.last, Colors(table).back());
    }
    // A CorelDRAW text palette is none of them.
    ColorTable table = Sentinel();
    std::string reason;
    EXPECT_FALSE(LoadAnyPalette((shared + "/pal/not-riff/dagronf_corel_DB32-CDR.pal").c_str(), &table,
                                nullptr, &reason));
    EXPECT_TRUE(IsSentinel(table));
}

TEST(PaletteFormats, RefusesBrokenFilesSayingWhy)
{
    struct Case {
        const char* what;
        std::string bytes;
        const char* reason;  // a part of the reason
    };
    const Case cases[] = {
        {"JASC count beyond its lines", "JASC-PAL\r\n0100\r\n4\r\n1 2 3\r\n4 5 6\r\n",
         "declares 4 colors but holds only 2"},
        {"JASC value over 255", "JASC-PAL\n0100\n2\n1 2 3\n4 256 6\n", "line 5: 256 is over 255"},
        {"JASC count over the limit", "JASC-PAL\n0100\n65536\n1 2 3\n", "at most 65,535"},
        {"JASC version", "JASC-PAL\n0200\n1\n1 2 3\n", "version '0200'"},
        {"JASC without its count", "JASC-PAL\n0100\n", "ends before"},
        {"JASC two channels", "JASC-PAL\n0100\n1\n1 2\n", "line 4 is not a color"},
        {"JASC lines past its count", "JASC-PAL\n0100\n1\n1 2 3\n4 5 6\n", "line 5 is beyond the 1 colors"},
        {"JASC signed value", "JASC-PAL\n0100\n1\n1 -2 3\n", "line 4 is not a color"},
        // Ten digits could wrap past 32 bits.
        {"JASC count with more after it", "JASC-PAL\n0100\n1 x\n1 2 3\n", "line 3 is not a color count"},
        {"JASC four values", "JASC-PAL\n0100\n1\n1 2 3 4\n", "line 4 has more than R G B"},
        {"JASC value of ten digits", "JASC-PAL\n0100\n1\n4294967296 2 3\n", "line 4 is not a color"},
        {"GIMP value over 255", "GIMP Palette\n1 2 3\n300 0 0 Too red\n", "line 3: 300 is over 255"},
        {"GIMP line that is no color", "GIMP Palette\nName: x\n1 2\n", "line 3 is not a color"},
        {"GIMP name glued to a value", "GIMP Palette\n1 2 3red\n", "line 2 is not a color"},
        {"GIMP field after the colors", "GIMP Palette\n1 2 3\nName: late\n", "line 3 is not a color"},
        {"GIMP beyond 65,535 colors", "GIMP Palette\n" + Repeat("1 2 3\n", 65536), "more than 65,535"},
        {"ACT count 0", Act(0, 0, true), "declares 0 colors"},
        {"ACT count beyond 256", Act(256, 300, true), "declares 300 colors"},
        {"hex line too short", "ff0000\nff00\n", "line 2 is not six hex digits"},
        {"hex line not hex", "ff0000\nggg000\n", "line 2 is not six hex digits"},
        {"768-byte hex list with a typo", Repeat("#a0b1c2\n", 50) + "#12345g\n" + Repeat("#a0b1c2\n", 45),
         "hex list: line 51 is not six hex digits (RRGGBB): '#12345g'"},
        {"mostly hex, one line not", "hello\nff0000\n00ff00\n", "hex list: line 1 is not six hex digits"},
        // Typos are told from comments by their letters and digits, the first and last of each range.
        {"hex list with a typo of 0, 9, a, A and z", "ff0000\n#90a2Az\n00ff00\n", "hex list: line 2 is not six hex"},
        {"hex list with a typo of Z", "ff0000\n#1234aZ\n00ff00\n", "hex list: line 2 is not six hex"},
        {"hex list with a typo of eight", "ff0000\n#1234567z\n00ff00\n", "hex list: line 2 is not six hex"},
        {"hex list with a typo of zeros", "ff0000\n#0000gg\n00ff00\n", "hex list: line 2 is not six hex"},
        {"hex list with a byte 0x1F", "ff0000\n00ff00\x1F\n", "is not a palette file this program reads"},
        {"hex list with a CR inside a comment", "ff0000\n;note\rmore\n00ff00\n", "hex list: line 2 is not six hex"},
        // Not starting with a color, as many hex colors as Paint.NET colors: a hex list.
        {"hex and Paint.NET colors alike", "xyz\n102030\n405060\nFF102030\nFF405060\n", "hex list: line 1 is not six"},
        // A line is shown to its 24th byte, what cannot be shown as '?'.
        {"hex, a long line", "ff0000\n00ff00\n0000ff\nz ~\x7F\xE9" + std::string(20, 'y') + "\n",
         "line 4 is not six hex digits (RRGGBB): 'z ~??yyyyyyyyyyyyyyyyyyy...'"},
        {"hex, a line of 24", "ff0000\n00ff00\n0000ff\nz ~\x7F\xE9" + std::string(19, 'y') + "\n",
         "line 4 is not six hex digits (RRGGBB): 'z ~??yyyyyyyyyyyyyyyyyyy'"},
        {"Paint.NET with a short line", ";paint.net\nFF000000\nFF0000\n", "Paint.NET palette: line 3 is not eight"},
        {"Paint.NET with a long line", ";paint.net\nFF000000\nFF00000000\n", "Paint.NET palette: line 3 is not eight"},
        {"Paint.NET with one digit", ";paint.net\nFF000000\nF\n", "Paint.NET palette: line 3 is not eight"},
        {"hex beyond 65,535 colors", Repeat("123456\n", 65536), "more than 65,535"},
        {"RIFF that is no palette", std::string("RIFF\x04\0\0\0WAVE", 12), "not a valid RIFF palette"},
        {"plain text", "hello, world\n", "is not a palette file this program reads"},
        {"empty file", "", "is not a palette file this program reads"},
        {"767 bytes", std::string(767, '\x01'), "is not a palette file this program reads"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ColorTable table = Sentinel();
        std::string reason;
        EXPECT_FALSE(ReadAnyPalette(c.bytes, &table, nullptr, &reason));
        EXPECT_NE(std::string::npos, reason.find(c.reason)) << reason;
        EXPECT_TRUE(IsSentinel(table));
    }
    // Right at the limits: read.
    ColorTable table;
    std::string reason;
    EXPECT_TRUE(ReadAnyPalette(Repeat("123456\n", 65535), &table, nullptr, &reason)) << reason;
    EXPECT_EQ(65535u, table.GetCount());
    EXPECT_TRUE(ReadAnyPalette("JASC-PAL\n0100\n65535\n" + Repeat("1 2 3\n", 65535), &table, nullptr, &reason))
        << reason;
    EXPECT_EQ(65535u, table.GetCount());
    // A reader called by name still holds the file to its own first line.
    EXPECT_FALSE(ReadHexPalette(";only a comment\n", &table, &reason));
    EXPECT_EQ("holds no colors", reason);
    EXPECT_FALSE(ReadJascPalette("GIMP Palette\n0100\n1\n1 2 3\n", &table, &reason));
    EXPECT_EQ("does not begin with the line JASC-PAL", reason);
}

// The cases where content could be taken for another format.
TEST(PaletteFormats, DetectionGoesByContentWhereFormatsMeet)
{
    struct Case {
        const char* what;
        std::string bytes;
        PaletteFormat format;
        uint32_t count;
    };
    // 96 hex lines with CR LF are 768 bytes, the size of an Adobe Color Table.
    const std::string hex768 = Repeat("a0b1c2\r\n", 96);
    ASSERT_EQ(768u, hex768.size());
    // A table whose first color spells a hex line, then binary colors.
    std::string act = Act(256, 0, false);
    std::memcpy(&act[0], "abcdef\n", 7);
    std::string bom = "\xEF\xBB\xBFGIMP Palette\n1 2 3\n";
    const Case cases[] = {
        {"768-byte hex list", hex768, PaletteFormat::Hex, 96},
        {"table starting like hex", act, PaletteFormat::Act, 256},
        {"GIMP after a byte order mark", bom, PaletteFormat::Gimp, 1},
        {"JASC first line with trailing blanks", "JASC-PAL  \n0100\n1\n1 2 3\n", PaletteFormat::Jasc, 1},
        // Found by fuzzing: a first line longer than the part detection looked at.
        {"GIMP after a hundred tabs", std::string(100, '\t') + "GIMP Palette\n\n", PaletteFormat::Gimp, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ColorTable table;
        PaletteFormat found = PaletteFormat::Riff;
        std::string reason;
        ASSERT_TRUE(ReadAnyPalette(c.bytes, &table, &found, &reason)) << reason;
        EXPECT_EQ(int(c.format), int(found));
        EXPECT_EQ(c.count, table.GetCount());
    }
}

TEST(PaletteFormats, WritersRefuseWhatTheFormatCannotHoldAndTouchNothing)
{
    TempFolder folder;
    const std::string path = folder.File("old.act");
    ASSERT_TRUE(WriteWholeFile(path, "old"));
    struct Case {
        PaletteFormat format;
        uint32_t count;
        const char* reason;
    };
    const Case cases[] = {
        {PaletteFormat::Act, 257, "holds 1 to 256 colors, not 257"},
        {PaletteFormat::Act, 0, "holds 1 to 256 colors, not 0"},
        {PaletteFormat::Hex, 0, "cannot be empty"},
        {PaletteFormat::PaintNet, 97, "holds 1 to 96 colors, not 97"},
        {PaletteFormat::Jasc, 65536, "at most 65,535"},
        {PaletteFormat::Riff, 65536, "at most 65,535"},
    };
    for (const Case& c : cases) {
        std::string reason;
        EXPECT_FALSE(SavePalette(Spread(c.count), c.format, path.c_str(), &reason)) << c.count;
        EXPECT_NE(std::string::npos, reason.find(c.reason)) << reason;
    }
    EXPECT_EQ("old", ReadWholeFile(path));
    EXPECT_EQ(std::vector<std::string>{"old.act"}, folder.List());
    std::string bytes, why;
    EXPECT_TRUE(EncodePalette(Spread(65535), PaletteFormat::Jasc, &bytes, &why)) << why;

    std::string reason;
    EXPECT_FALSE(SavePalette(Spread(4), PaletteFormat::Gimp, folder.File("no folder/x.gpl").c_str(), &reason));
    EXPECT_EQ("could not be written", reason);
}

TEST(PaletteFormats, NamesWordsAndExtensions)
{
    struct Case {
        const char* path;
        bool known;
        PaletteFormat format;
    };
    const Case cases[] = {
        {"a.pal", true, PaletteFormat::Riff},  {"b.GPL", true, PaletteFormat::Gimp},
        {"c.act", true, PaletteFormat::Act},   {"d.hex", true, PaletteFormat::Hex},
        {"e.Txt", true, PaletteFormat::Hex},   {"f.colors", false, PaletteFormat::Riff},
        {"dir.gpl/name", false, PaletteFormat::Riff}, {"gpl", false, PaletteFormat::Riff},
        {"g.ACT", true, PaletteFormat::Act}, {"dir.act\\name", false, PaletteFormat::Riff},
        {"h.Ase", true, PaletteFormat::Ase},
    };
    for (const Case& c : cases) {
        PaletteFormat format = PaletteFormat::Riff;
        EXPECT_EQ(c.known, PaletteFormatForName(c.path, &format)) << c.path;
        EXPECT_EQ(int(c.format), int(format)) << c.path;
    }
    // Only a name that no other format shares decides alone.
    for (const char* path : {"a.txt", "a.PAL", "a", "dir.gpl/a"}) {
        PaletteFormat format;
        EXPECT_FALSE(PaletteFormatNamedBy(path, &format)) << path;
    }
    for (const char* word : {"riff", "jasc", "gpl", "act", "hex", "pdn"}) {
        PaletteFormat format;
        ASSERT_TRUE(PaletteFormatFromWord(word, &format)) << word;
        EXPECT_STREQ(word, PaletteFormatWord(format));
    }
    PaletteFormat format;
    EXPECT_FALSE(PaletteFormatFromWord("gimp", &format));
}

TEST(PaletteFormats, FilesLargerThanAnyPaletteAreNotRead)
{
    TempFolder folder;
    const std::string path = folder.File("huge.hex");
    ColorTable table = Sentinel();
    std::string reason;
    for (const uint64_t size : {kMaxPaletteFileBytes, kMaxPaletteFileBytes + 1}) {
        ASSERT_TRUE(WriteWholeFile(path, std::string(size_t(size), '\n')));
        EXPECT_FALSE(LoadAnyPalette(path.c_str(), &table, nullptr, &reason));
        EXPECT_EQ(size > kMaxPaletteFileBytes, reason.find("larger than any palette file") != std::string::npos)
            << reason;
        EXPECT_TRUE(IsSentinel(table));
    }
    EXPECT_FALSE(LoadAnyPalette(folder.File("missing.gpl").c_str(), &table, nullptr, &reason));
    EXPECT_EQ("cannot be opened", reason);
}

}  // namespace
