// korin-cli with palettes in other tools' formats and BMP files from other
// tools: palette --format, convert, apply from any format, normalize, and
// info naming what it cannot read.
#include <cstdlib>
#include <cstring>
#include <utility>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include "image/bmp_normalize.h"
#include "palette/binary_palettes.h"
#include "palette/palette_formats.h"
#include "tests/cli/cli_process.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/bmp_variants.h"
#include "tests/support/temp_folder.h"

namespace {

std::string Write(const TempFolder& folder, const std::string& name, const std::string& bytes)
{
    const std::string path = folder.File(name);
    EXPECT_TRUE(WriteWholeFile(path, bytes)) << path;
    return path;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Red, green, blue of each entry.
std::string Colors(const ColorTable& table)
{
    std::string rgb;
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        const ColorEntry* e = table.GetEntry(i);
        rgb += std::string{char(e->red), char(e->green), char(e->blue)};
    }
    return rgb;
}

// The colors of a BMP color table (RGBQUAD bytes).
std::string ColorsOfRgbquads(const std::string& table)
{
    std::string rgb;
    for (size_t i = 0; i + 4 <= table.size(); i += 4) rgb += std::string{table[i + 2], table[i + 1], table[i]};
    return rgb;
}

// The format and colors of a palette file as the core reads it.
std::string Read(const std::string& path, PaletteFormat* format)
{
    ColorTable table;
    std::string reason;
    EXPECT_TRUE(LoadAnyPalette(path.c_str(), &table, format, &reason)) << path << ": " << reason;
    return Colors(table);
}

ColorTable Table(uint32_t n, uint8_t seed)
{
    ColorTable table;
    table.Reset(n);
    for (uint32_t i = 0; i < n; ++i) table.SetColor(i, uint8_t(seed + i * 9), uint8_t(seed * 3 + i), uint8_t(255 - i));
    return table;
}

std::string Encoded(const ColorTable& table, PaletteFormat format)
{
    std::string bytes, reason;
    EXPECT_TRUE(EncodePalette(table, format, &bytes, &reason)) << reason;
    return bytes;
}

TEST(CliPalette, FormatFollowsTheOptionElseTheOutputsName)
{
    TempFolder folder;
    const BmpBytes bmp = MakeBmp(4, 4, 8, 20);
    const std::string input = Write(folder, "in.bmp", bmp.Serialize());
    struct Case {
        const char* output;
        const char* format;  // --format, or null
        PaletteFormat expected;
    };
    const Case cases[] = {
        {"a.gpl", nullptr, PaletteFormat::Gimp},   {"a.act", nullptr, PaletteFormat::Act},
        {"a.hex", nullptr, PaletteFormat::Hex},    {"a.TXT", nullptr, PaletteFormat::Hex},
        {"a.pal", nullptr, PaletteFormat::Riff},   {"a.colors", nullptr, PaletteFormat::Riff},
        {"b.pal", "jasc", PaletteFormat::Jasc},    {"b.txt", "gpl", PaletteFormat::Gimp},
        {"b.gpl", "riff", PaletteFormat::Riff},    {"c.txt", "pdn", PaletteFormat::PaintNet},
        {"a.ASE", nullptr, PaletteFormat::Ase},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        std::vector<std::string> args = {"palette", input, "-o", folder.File(c.output)};
        if (c.format) args.insert(args.end(), {"--format", c.format});
        CliRun run = RunCli(args);
        ASSERT_EQ(0, run.exitCode) << run.err;
        PaletteFormat found = PaletteFormat::Riff;
        EXPECT_EQ(ColorsOfRgbquads(bmp.table), Read(folder.File(c.output), &found));
        EXPECT_EQ(int(c.expected), int(found));
    }
}

// Each step reads its input by content, whatever its name, and writes the
// next format; the last one gives the first file's bytes back.
TEST(CliConvert, ChainThroughEveryFormatGivesTheSameFileBack)
{
    TempFolder folder;
    const ColorTable table = Table(40, 17);
    const std::string riff = folder.File("start.pal");
    std::string reason;
    ASSERT_TRUE(SavePalette(table, PaletteFormat::Riff, riff.c_str(), &reason));
    struct Step {
        const char* output;
        const char* format;
        PaletteFormat written;
    };
    const Step steps[] = {
        {"1.pal", "jasc", PaletteFormat::Jasc}, {"2.txt", "gpl", PaletteFormat::Gimp},
        {"3.gpl", "act", PaletteFormat::Act},   {"4.act", "hex", PaletteFormat::Hex},
        {"5.hex", "riff", PaletteFormat::Riff}, {"6.gpl", nullptr, PaletteFormat::Gimp},
    };
    std::string input = riff;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.output);
        const std::string output = folder.File(step.output);
        std::vector<std::string> args = {"convert", input, output};
        if (step.format) args.insert(args.end(), {"--format", step.format});
        CliRun run = RunCli(args);
        ASSERT_EQ(0, run.exitCode) << run.err;
        if (step.written != PaletteFormat::Riff) {
            EXPECT_EQ(Encoded(table, step.written), ReadWholeFile(output));
        }
        input = output;
    }
    EXPECT_EQ(ReadWholeFile(riff), ReadWholeFile(folder.File("5.hex")));
}

TEST(CliConvert, RefusalsNameTheFileAndTheReasonAndWriteNothing)
{
    TempFolder folder;
    const std::string text = Write(folder, "text.gpl", "these are not colors\n");
    const std::string hot = Write(folder, "hot.pal", "JASC-PAL\r\n0100\r\n1\r\n300 0 0\r\n");
    const std::string big = Write(folder, "big.hex", Encoded(Table(300, 1), PaletteFormat::Hex));
    struct Case {
        std::string input;
        std::string output;
        std::string named;
        const char* reason;
    };
    const Case cases[] = {
        {text, folder.File("a.pal"), text, "is not a palette file this program reads"},
        {hot, folder.File("b.gpl"), hot, "JASC-PAL palette: line 4: 300 is over 255"},
        {big, folder.File("c.act"), folder.File("c.act"), "holds 1 to 256 colors, not 300"},
        {folder.File("missing.pal"), folder.File("d.pal"), folder.File("missing.pal"), "cannot be opened"},
        {big, folder.File("e.gif"), folder.File("e.gif"), "cannot be made: GIF files are only rewritten"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        CliRun run = RunCli({"convert", c.input, c.output});
        EXPECT_EQ(1, run.exitCode);
        EXPECT_TRUE(Contains(run.err, c.named + ": ")) << run.err;
        EXPECT_TRUE(Contains(run.err, c.reason)) << run.err;
        EXPECT_FALSE(FileExists(c.output));
    }
    for (const std::vector<std::string>& call : std::vector<std::vector<std::string>>{
             {"convert", text},
             {"convert", text, folder.File("e.pal"), "--format", "gimp"},
             {"convert", text, folder.File("e.pal"), "-o", folder.File("f.pal")},
             {"palette", text, "-o", folder.File("e.pal"), "--format"},
             {"normalize", text},
             {"normalize", text, "--format", "riff", "--in-place"},
         }) {
        CliRun run = RunCli(call);
        EXPECT_EQ(2, run.exitCode) << call.size();
        EXPECT_TRUE(Contains(run.err, "korin-cli")) << run.err;
    }
}

// Raw colors that could be either kind are refused with the way to name
// their kind, then read as the kind --in-format names.
TEST(CliConvert, RawColorsOfEitherKindAreReadAsInFormatNames)
{
    TempFolder folder;
    const std::string bytes = {1, 2, 3, 4, 5, 6};
    const std::string input = Write(folder, "dos.bin", bytes);
    CliRun refused = RunCli({"convert", input, folder.File("none.gpl")});
    EXPECT_EQ(1, refused.exitCode);
    EXPECT_TRUE(Contains(refused.err, "give --in-format bgr555 or --in-format vga")) << refused.err;
    EXPECT_FALSE(FileExists(folder.File("none.gpl")));
    typedef bool (*Reader)(const std::string&, ColorTable*, std::string*);
    const std::pair<const char*, Reader> kinds[] = {{"bgr555", ReadBgr555Palette}, {"vga", ReadVgaPalette}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.first);
        const std::string output = folder.File(std::string(kind.first) + ".gpl");
        CliRun run = RunCli({"convert", input, output, "--in-format", kind.first});
        ASSERT_EQ(0, run.exitCode) << run.err;
        ColorTable expected;
        std::string reason;
        ASSERT_TRUE(kind.second(bytes, &expected, &reason)) << reason;
        PaletteFormat found = PaletteFormat::Riff;
        EXPECT_EQ(Colors(expected), Read(output, &found));
    }
}

// The source of apply in every format, each under a name that belongs to
// another; an Adobe Color Table whose first color spells "BM" too.
TEST(CliApply, TakesASourceInEveryPaletteFormatByContent)
{
    TempFolder folder;
    ColorTable bm = Table(256, 3);
    bm.SetColor(0, 'B', 'M', 0);
    struct Source {
        const char* name;
        ColorTable table;
        PaletteFormat format;
    };
    const Source sources[] = {
        {"jasc.act", Table(16, 50), PaletteFormat::Jasc},
        {"gimp.hex", Table(16, 60), PaletteFormat::Gimp},
        {"act.pal", Table(16, 70), PaletteFormat::Act},
        {"hex.gpl", Table(16, 80), PaletteFormat::Hex},
        {"bm.bmp", Table(0, 0), PaletteFormat::Act},
    };
    const BmpBytes target = MakeBmp(6, 2, 8, 16);
    for (const Source& s : sources) {
        SCOPED_TRACE(s.name);
        const ColorTable& table = s.table.GetCount() ? s.table : bm;
        const std::string source = Write(folder, s.name, Encoded(table, s.format));
        const std::string input = Write(folder, "t.bmp", target.Serialize());
        CliRun run = RunCli({"apply", source, input, "--in-place"});
        ASSERT_EQ(0, run.exitCode) << run.err;
        const std::string out = ReadWholeFile(input);
        const uint32_t count = table.GetCount();
        ASSERT_GE(out.size(), 54 + 4 * size_t(count));
        EXPECT_EQ(Colors(table), ColorsOfRgbquads(out.substr(54, 4 * count)));
        EXPECT_EQ(target.pixels, out.substr(out.size() - target.pixels.size()));
    }
}

VariantFile Rle8V5()
{
    VariantFile f;
    f.headerSize = 124;
    f.width = 4;
    f.height = 2;
    f.compression = 1;
    f.table = MakeTable(256, 4);
    f.pixels = std::string("\x04\x07\x00\x00\x00\x02\x01\x00\x02\x09\x00\x01", 12);
    return f;
}

TEST(CliNormalize, WritesTheEditorsFormThatInfoThenReads)
{
    TempFolder folder;
    const std::string v5 = Write(folder, "v5.bmp", Rle8V5().Bytes());
    CliRun run = RunCli({"info", v5});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(Contains(run.err, v5 + ": is a BMP file with a 124-byte (V5) header, 8 bits per pixel, "
                                        "RLE8-compressed, which the editor does not open; "
                                        "'korin-cli normalize' converts it"))
        << run.err;

    const std::string out = folder.File("out.bmp");
    run = RunCli({"normalize", v5, "-o", out});
    ASSERT_EQ(0, run.exitCode) << run.err;
    EditorFormFile form;
    ASSERT_TRUE(ReadEditorForm(ReadWholeFile(out), &form));
    EXPECT_EQ((PixelRows{{0, 9, 9, 0}, {7, 7, 7, 7}}), form.rows);
    EXPECT_EQ(MakeTable(256, 4), form.table);
    run = RunCli({"info", out});
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ(Rle8V5().Bytes(), ReadWholeFile(v5)) << "-o leaves the input alone";
}

TEST(CliNormalize, BatchesConvertWhatTheyCanAndNameWhatTheyCannot)
{
    TempFolder inputs, outputs;
    VariantFile os2;
    os2.headerSize = 12;
    os2.width = 3;
    os2.height = 2;
    os2.bitCount = 4;
    os2.table = MakeTable(16, 3);
    os2.pixels = PackRows({{1, 2, 3}, {4, 5, 6}}, 4, false);
    VariantFile fields;
    fields.headerSize = 124;
    fields.width = 2;
    fields.height = 2;
    fields.bitCount = 16;
    fields.compression = 3;
    fields.pixels = std::string(8, '\0');
    const std::string a = Write(inputs, "a.bmp", os2.Bytes());
    const std::string b = Write(inputs, "b.bmp", fields.Bytes());
    const std::string c = Write(inputs, "c.bmp", Rle8V5().Bytes());

    CliRun run = RunCli({"info", b});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(Contains(run.err, "which this program does not read: it uses bit-field masks")) << run.err;
    EXPECT_FALSE(Contains(run.err, "normalize")) << run.err;

    run = RunCli({"normalize", a, b, c, "--out-dir", outputs.Path()});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(Contains(run.err, b + ": uses bit-field masks (BI_BITFIELDS)")) << run.err;
    EXPECT_EQ((std::vector<std::string>{"a.bmp", "c.bmp"}), outputs.List());
    for (const std::string& name : {std::string("a.bmp"), std::string("c.bmp")}) {
        std::string expected, reason;
        ASSERT_TRUE(NormalizeBmp(ReadWholeFile(inputs.File(name)), &expected, &reason)) << reason;
        EXPECT_EQ(expected, ReadWholeFile(outputs.File(name))) << name;
    }

    run = RunCli({"normalize", a, "--in-place"});
    ASSERT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ(ReadWholeFile(outputs.File("a.bmp")), ReadWholeFile(a));
    EXPECT_EQ(fields.Bytes(), ReadWholeFile(b)) << "a refused file is left alone";
    run = RunCli({"normalize", inputs.Path(), "-o", outputs.File("folder.bmp")});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(Contains(run.err, "korin-cli: " + inputs.Path() + ": is a folder")) << run.err;
}

// Files are read 64 KiB at a time after the first 138 bytes (the largest
// headers): data that ends one byte into a read is still read whole.
TEST(CliNormalize, DataEndingOneByteIntoAReadIsReadWhole)
{
    TempFolder folder;
    VariantFile os2;
    os2.headerSize = 12;
    os2.width = 4;
    os2.height = 16220;  // 26 header, 768 table and 1 gap bytes, then 64,880 pixel bytes: 65,537 after the first 138
    os2.bitCount = 8;
    os2.table = MakeTable(256, 3);
    os2.gap = "g";
    for (int32_t i = 0; i < os2.width * os2.height; ++i) os2.pixels += char(i * 7);
    const std::string bytes = os2.Bytes();
    ASSERT_EQ(138u + 65537u, bytes.size());
    const std::string in = Write(folder, "in.bmp", bytes), out = folder.File("out.bmp");
    CliRun run = RunCli({"normalize", in, "-o", out});
    ASSERT_EQ(0, run.exitCode) << run.err;
    std::string expected, reason;
    ASSERT_TRUE(NormalizeBmp(bytes, &expected, &reason)) << reason;
    EXPECT_EQ(expected, ReadWholeFile(out));
}

#ifndef _WIN32
// Neither a file that is no BMP nor the tail past a picture's data is read
// into memory, however large.
TEST(CliNormalize, ReadsNoMoreThanTheHeadersDeclare)
{
    TempFolder inputs, outputs;
    const off_t kHuge = off_t(1) << 30;
    const std::string junk = Write(inputs, "junk.bmp", "XX");
    const std::string padded = Write(inputs, "padded.bmp", Rle8V5().Bytes());
    std::string far = Rle8V5().Bytes();
    far[13] = 0x40;  // pixels a gigabyte past the table
    const std::string distant = Write(inputs, "distant.bmp", far);
    for (const std::string& path : {junk, padded, distant}) ASSERT_EQ(0, truncate(path.c_str(), kHuge + 4096));

    CliRun run = RunCli({"normalize", junk, padded, distant, "--out-dir", outputs.Path()});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(Contains(run.err, junk + ": is not a BMP file (it does not begin with BM)")) << run.err;
    EXPECT_TRUE(Contains(run.err, distant + ": its pixel data starts")) << run.err;
    std::string expected, reason;
    ASSERT_TRUE(NormalizeBmp(Rle8V5().Bytes(), &expected, &reason)) << reason;
    EXPECT_EQ(expected, ReadWholeFile(outputs.File("padded.bmp")));
    EXPECT_LT(run.peakKilobytes, 256 * 1024);
}
#endif

// A file named twice, however spelled, is done once: saves complete at the
// end, so a second turn would show only as a second message.
TEST(CliBatch, AFileNamedTwiceIsReportedOnce)
{
    TempFolder folder;
    const std::string bad = folder.File("bad.bmp");
    ASSERT_TRUE(WriteWholeFile(bad, "not a picture"));
    CliRun run = RunCli({"invert", bad, folder.File(".") + "/bad.bmp", "--in-place"});
    EXPECT_EQ(1, run.exitCode);
    const size_t named = run.err.find("korin-cli: ");
    EXPECT_NE(std::string::npos, named) << run.err;
    EXPECT_EQ(std::string::npos, run.err.find("korin-cli: ", named + 1)) << run.err;
}

// The nearest value of 2^bits levels, each widened by repeating its bits
// from the top; of two equally near, the lower.
uint8_t SnappedByLevels(uint8_t value, int bits)
{
    int best = 0;
    for (int level = 0; level < 1 << bits; ++level) {
        int wide = 0;
        for (int i = 0; i < 8; ++i) wide = wide << 1 | (level >> (bits - 1 - i % bits) & 1);
        if (std::abs(wide - value) < std::abs(best - value)) best = wide;
    }
    return uint8_t(best);
}

std::string SnappedColors(const std::string& rgb, int bits)
{
    std::string snapped;
    for (char c : rgb) snapped += char(SnappedByLevels(uint8_t(c), bits));
    return snapped;
}

TEST(CliSnap, RoundsOnlyTheTableOfBitmapsAndPaletteFiles)
{
    TempFolder folder;
    const BmpBytes bmp = MakeBmp(7, 5, 8, 20);
    const std::string bitmap = Write(folder, "in.bmp", bmp.Serialize());
    ColorTable table;
    table.Reset(6);
    for (uint32_t i = 0; i < 6; ++i) table.SetColor(i, uint8_t(i * 51), uint8_t(250 - i * 37), uint8_t(i * 29 + 3));
    std::string reason;
    const std::string riff = folder.File("riff.pal"), jasc = folder.File("jasc.pal");
    ASSERT_TRUE(SavePalette(table, PaletteFormat::Riff, riff.c_str(), &reason)) << reason;
    ASSERT_TRUE(SavePalette(table, PaletteFormat::Jasc, jasc.c_str(), &reason)) << reason;

    for (int depth = 3; depth <= 6; ++depth) {
        SCOPED_TRACE(depth);
        const std::string out = folder.File("out.bmp");
        CliRun run = RunCli({"snap", bitmap, "--depth", std::to_string(depth), "-o", out});
        ASSERT_EQ(0, run.exitCode) << run.err;
        const std::string before = bmp.Serialize(), after = ReadWholeFile(out);
        const size_t tableAt = 54, pixelsAt = tableAt + bmp.table.size();
        ASSERT_EQ(before.size(), after.size());
        EXPECT_EQ(before.substr(0, tableAt), after.substr(0, tableAt));
        EXPECT_EQ(before.substr(pixelsAt), after.substr(pixelsAt));
        EXPECT_EQ(SnappedColors(ColorsOfRgbquads(bmp.table), depth),
                  ColorsOfRgbquads(after.substr(tableAt, bmp.table.size())));

        for (const auto& palette : {std::make_pair(riff, PaletteFormat::Riff), std::make_pair(jasc, PaletteFormat::Jasc)}) {
            const std::string snapped = folder.File("snapped.pal");
            run = RunCli({"snap", palette.first, "--depth", std::to_string(depth), "-o", snapped});
            ASSERT_EQ(0, run.exitCode) << run.err;
            PaletteFormat format = PaletteFormat::Hex;
            EXPECT_EQ(SnappedColors(Colors(table), depth), Read(snapped, &format));
            EXPECT_EQ(palette.second, format);
        }
    }

    const std::string untouched = ReadWholeFile(riff);
    for (const char* depth : {"7", "2", "8", "5x"}) {
        CliRun run = RunCli({"snap", riff, "--depth", depth, "--in-place"});
        EXPECT_EQ(2, run.exitCode) << depth;
        EXPECT_TRUE(Contains(run.err, "--depth takes 3, 4, 5 or 6")) << run.err;
    }
    EXPECT_EQ(2, RunCli({"snap", riff, "--in-place"}).exitCode);
    EXPECT_EQ(untouched, ReadWholeFile(riff));
}

}  // namespace
