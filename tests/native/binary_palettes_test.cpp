// Channel snapping against a brute-force search, the raw console palettes and
// Adobe Swatch Exchange files read back as written, a swatch file built here
// from the published layout, and pictures of swatches read as palettes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "color/channel_depth.h"
#include "image/byte_source.h"
#include "image/swatch_palette.h"
#include "palette/binary_palettes.h"
#include "palette/color_table.h"
#include "palette/palette_formats.h"
#include "tests/support/png_bytes.h"
#include "tests/support/temp_folder.h"

namespace {

// Level widened by repeating its bits from the top, bit by bit.
int Replicated(int level, int bits)
{
    int wide = 0;
    for (int i = 0; i < 8; ++i) {
        const int bit = bits - 1 - i % bits;
        wide = wide << 1 | (level >> bit & 1);
    }
    return wide;
}

// The widened level nearest value, searched over every level; ties lower.
int BruteForceSnap(int value, int bits)
{
    int best = 0;
    for (int level = 0; level < 1 << bits; ++level)
        if (std::abs(Replicated(level, bits) - value) < std::abs(best - value)) best = Replicated(level, bits);
    return best;
}

ColorTable Spread(uint32_t n)
{
    ColorTable table;
    table.Reset(n);
    for (uint32_t i = 0; i < n; ++i)
        table.SetColor(i, uint8_t(i * 97 + 13), uint8_t(255 - i * 41), uint8_t(i * 7 + (i % 3) * 100));
    return table;
}

TEST(ChannelDepth, EveryValueSnapsToTheNearestWidenedLevel)
{
    for (int bits = kMinSnapBits; bits <= kMaxSnapBits; ++bits) {
        for (int value = 0; value < 256; ++value) {
            SCOPED_TRACE(std::to_string(bits) + " bits, value " + std::to_string(value));
            EXPECT_EQ(BruteForceSnap(value, bits), SnapChannel(uint8_t(value), bits));
            EXPECT_EQ(SnapChannel(uint8_t(value), bits), Replicated(int(NearestChannelLevel(uint8_t(value), bits)), bits));
        }
    }
}

TEST(ChannelDepth, ATableSnapsInItsRangeAndKeepsFlags)
{
    ColorTable table = Spread(12);
    for (uint32_t i = 0; i < 12; ++i) table.GetEntry(i)->flags = uint8_t(i + 1);
    const ColorTable before(table);
    ASSERT_TRUE(table.SnapToDepth(4, 3, 8));
    ASSERT_EQ(12u, table.GetCount());
    for (uint32_t i = 0; i < 12; ++i) {
        const ColorEntry* was = before.GetEntry(i);
        const ColorEntry* now = table.GetEntry(i);
        const bool inside = i >= 3 && i <= 8;
        EXPECT_EQ(inside ? BruteForceSnap(was->red, 4) : was->red, now->red) << i;
        EXPECT_EQ(inside ? BruteForceSnap(was->green, 4) : was->green, now->green) << i;
        EXPECT_EQ(inside ? BruteForceSnap(was->blue, 4) : was->blue, now->blue) << i;
        EXPECT_EQ(was->flags, now->flags) << i;
    }
    const ColorTable snapped(table);
    for (const int bits : {2, 7}) {
        EXPECT_FALSE(table.SnapToDepth(bits)) << bits;
    }
    EXPECT_FALSE(table.SnapToDepth(5, 4, 12));
    EXPECT_FALSE(table.SnapToDepth(5, 6, 5));
    EXPECT_EQ(TableBytes(snapped), TableBytes(table));
}

TEST(BinaryPalettes, RawAndSwatchFilesReadBackTheSnappedTable)
{
    const ColorTable table = Spread(40);
    struct Case {
        PaletteFormat format;
        int bits;  // 8: no rounding
    };
    for (const Case& c : {Case{PaletteFormat::Bgr555, 5}, Case{PaletteFormat::Vga, 6}, Case{PaletteFormat::Ase, 8}}) {
        SCOPED_TRACE(PaletteFormatWord(c.format));
        std::string bytes, reason;
        ASSERT_TRUE(EncodePalette(table, c.format, &bytes, &reason)) << reason;
        ColorTable expected(table);
        if (c.bits < 8) {
            ASSERT_TRUE(expected.SnapToDepth(c.bits));
        }
        ColorTable back;
        bool read = c.format == PaletteFormat::Bgr555 ? ReadBgr555Palette(bytes, &back, &reason)
                    : c.format == PaletteFormat::Vga  ? ReadVgaPalette(bytes, &back, &reason)
                                                      : ReadAsePalette(bytes, &back, nullptr, &reason);
        ASSERT_TRUE(read) << reason;
        EXPECT_EQ(TableBytes(expected), TableBytes(back));
        PaletteFormat word = PaletteFormat::Riff;
        EXPECT_TRUE(PaletteFormatFromWord(PaletteFormatWord(c.format), &word));
        EXPECT_EQ(c.format, word);
    }
    std::string reason;
    EXPECT_FALSE(FormatHolds(PaletteFormat::Vga, 257, &reason));
    EXPECT_FALSE(FormatHolds(PaletteFormat::Bgr555, 0, &reason));
}

TEST(BinaryPalettes, SwatchNamesAreKept)
{
    const ColorTable table = Spread(3);
    const std::vector<std::string> names = {"Sky blue", "\xE6\xB5\xB7 (sea) \xF0\x9F\x8C\x8A", ""};
    ColorTable back;
    std::vector<std::string> read;
    std::string reason;
    ASSERT_TRUE(ReadAsePalette(EncodeAsePalette(table, &names), &back, &read, &reason)) << reason;
    EXPECT_EQ(TableBytes(table), TableBytes(back));
    ASSERT_EQ(3u, read.size());
    EXPECT_EQ(names[0], read[0]);
    EXPECT_EQ(names[1], read[1]);
    char hex[8];
    const ColorEntry* last = table.GetEntry(2);
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X", last->red, last->green, last->blue);
    EXPECT_EQ(hex, read[2]);  // an unnamed color is named by its value
}

// Big-endian pieces of a swatch file, as its layout is published.
std::string U16(uint32_t v) { return std::string{char(v >> 8), char(v)}; }
std::string U32(uint32_t v) { return U16(v >> 16) + U16(v & 0xFFFF); }
std::string F32(float f)
{
    uint32_t w;
    std::memcpy(&w, &f, 4);
    return U32(w);
}
std::string Name(const std::string& ascii)
{
    std::string units = U16(uint32_t(ascii.size() + 1));
    for (char c : ascii) units += U16(uint8_t(c));
    return units + U16(0);
}
std::string Block(uint32_t type, const std::string& data) { return U16(type) + U32(uint32_t(data.size())) + data; }
std::string ColorData(const std::string& name, const std::string& model, const std::vector<float>& values)
{
    std::string data = Name(name) + model;
    for (float v : values) data += F32(v);
    return data + U16(2);
}
std::string AseFile(const std::vector<std::string>& blocks, uint32_t count)
{
    std::string file = std::string("ASEF") + U16(1) + U16(0) + U32(count);
    for (const std::string& b : blocks) file += b;
    return file;
}

TEST(BinaryPalettes, AHandMadeSwatchFileReadsItsColorsAndSkipsGroups)
{
    const std::vector<std::string> blocks = {
        Block(0xC001, Name("Brand")),
        Block(0x0001, ColorData("Red", "RGB ", {1.0f, 0.0f, 0.0f})),
        Block(0x0001, ColorData("Teal", "RGB ", {0.0f, 0.5f, 0.5f})),
        Block(0xC002, ""),
        Block(0x0001, ColorData("Mid grey", "Gray", {0.25f})),
        Block(0x0001, ColorData("Cyan ink", "CMYK", {1.0f, 0.0f, 0.0f, 0.5f})),
    };
    const std::string file = AseFile(blocks, uint32_t(blocks.size()));
    ColorTable table;
    std::vector<std::string> names;
    std::string reason;
    ASSERT_TRUE(ReadAsePalette(file, &table, &names, &reason)) << reason;
    const std::string expected = {'\xFF', 0, 0, 0, char(128), char(128), char(64), char(64), char(64), 0, char(128), char(128)};
    EXPECT_EQ(expected, TableBytes(table));
    EXPECT_EQ((std::vector<std::string>{"Red", "Teal", "Mid grey", "Cyan ink"}), names);
    PaletteFormat format = PaletteFormat::Riff;
    ColorTable detected;
    ASSERT_TRUE(ReadAnyPalette(file, &detected, &format, &reason)) << reason;
    EXPECT_EQ(PaletteFormat::Ase, format);
    EXPECT_EQ(expected, TableBytes(detected));

    const std::string red = Block(0x0001, ColorData("Red", "RGB ", {1, 0, 0}));
    struct Refusal {
        const char* what;
        std::string bytes;
        const char* reason;
    };
    const Refusal refusals[] = {
        {"more blocks than bytes", AseFile({red}, 1000), "declares 1000 blocks"},
        {"a block past the end", AseFile({red.substr(0, red.size() - 3)}, 1), "runs past the end"},
        {"a name past its block", AseFile({Block(0x0001, U16(200) + "\0A")}, 1), "ends inside its name"},
        {"a Lab color", AseFile({Block(0x0001, ColorData("L", "LAB ", {50, 0, 0}))}, 1), "Lab color"},
        {"version 2", std::string("ASEF") + U16(2) + U16(0) + U32(0), "version 2.0"},
        {"bytes after the blocks", AseFile({red, "xx"}, 1), "2 bytes after its last block"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        ColorTable kept = Spread(2);
        ASSERT_FALSE(ReadAsePalette(r.bytes, &kept, nullptr, &reason));
        EXPECT_NE(std::string::npos, reason.find(r.reason)) << reason;
        EXPECT_EQ(TableBytes(Spread(2)), TableBytes(kept));
    }
}

TEST(BinaryPalettes, RawColorsAreToldOnlyByNameAndUnambiguousBytes)
{
    TempFolder folder;
    const std::string vgaOnly = {10, 20, 63};               // odd length: no 16-bit words
    const std::string bgrOnly = {char(0xFF), 0x7F, 0x1F, 0};  // bytes over 63: no DAC values
    const std::string both = {1, 2, 3, 4, 5, 6};
    struct Case {
        const char* name;
        std::string bytes;
        bool read;
        PaletteFormat format;
    };
    const Case cases[] = {
        {"a.bin", vgaOnly, true, PaletteFormat::Vga},
        {"a.PAL", bgrOnly, true, PaletteFormat::Bgr555},
        {"b.bin", both, false, PaletteFormat::Riff},
        {"text.pal", "just some text", false, PaletteFormat::Riff},
        {"a.dat", vgaOnly, false, PaletteFormat::Riff},
        {"c.bin", std::string(768, 1), true, PaletteFormat::Act},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteWholeFile(folder.File(c.name), c.bytes));
        ColorTable table;
        PaletteFormat format = PaletteFormat::Riff;
        std::string reason;
        EXPECT_EQ(c.read, LoadAnyPalette(folder.File(c.name).c_str(), &table, &format, &reason)) << reason;
        if (!c.read) continue;
        EXPECT_EQ(c.format, format);
        // Read back as it would be written again: the encoder is the reader's inverse.
        std::string again;
        ASSERT_TRUE(EncodePalette(table, format, &again, &reason)) << reason;
        EXPECT_EQ(c.bytes, again);
    }
}

// Bytes that fit both raw kinds are read as the kind the user named, under
// any name; unnamed they are refused as undecided. Bytes that fit one kind,
// or a marked format, are read as what they are whatever was named.
TEST(BinaryPalettes, AmbiguousRawColorsAreReadAsTheKindNamed)
{
    TempFolder folder;
    const std::string both = {1, 2, 3, 4, 5, 6};
    const std::string dac(768, 1);  // 256 DAC triplets, or an Adobe Color Table by its size
    const std::string vgaOnly = {10, 20, 63};
    const std::string bgrOnly = {char(0xFF), 0x7F, 0x1F, 0};
    const std::string neither = {char(0xC8), 0, 0, char(0x80)};
    const PaletteFormat none = PaletteFormat::Riff;  // names no raw kind
    struct Case {
        const char* name;
        std::string bytes;
        PaletteFormat named;
        bool read;
        PaletteFormat format;
        uint32_t count;
        bool undecided;
    };
    const Case cases[] = {
        {"both.bin", both, none, false, none, 0, true},
        {"both.bin", both, PaletteFormat::Bgr555, true, PaletteFormat::Bgr555, 3, false},
        {"both.pal", both, PaletteFormat::Vga, true, PaletteFormat::Vga, 2, false},
        {"both.dat", both, PaletteFormat::Vga, true, PaletteFormat::Vga, 2, false},
        {"dac.bin", dac, none, true, PaletteFormat::Act, 256, false},
        {"dac.bin", dac, PaletteFormat::Vga, true, PaletteFormat::Vga, 256, false},
        {"dac.bin", dac, PaletteFormat::Bgr555, true, PaletteFormat::Act, 256, false},
        {"vga.bin", vgaOnly, PaletteFormat::Bgr555, true, PaletteFormat::Vga, 1, false},
        {"bgr.bin", bgrOnly, PaletteFormat::Vga, true, PaletteFormat::Bgr555, 2, false},
        {"text.bin", "GIMP Palette\n1 2 3\n", PaletteFormat::Vga, true, PaletteFormat::Gimp, 1, false},
        {"neither.bin", neither, PaletteFormat::Vga, false, none, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " named " + PaletteFormatWord(c.named));
        const std::string path = folder.File(c.name);
        ASSERT_TRUE(WriteWholeFile(path, c.bytes));
        RawPaletteChoice raw;
        raw.named = c.named != none;
        raw.kind = c.named;
        ColorTable table = Spread(2);
        PaletteFormat format = none;
        std::string reason;
        EXPECT_EQ(c.read, LoadAnyPalette(path.c_str(), &table, &format, &reason, &raw)) << reason;
        EXPECT_EQ(c.undecided, raw.undecided);
        if (!c.read) {
            EXPECT_EQ(TableBytes(Spread(2)), TableBytes(table));
            EXPECT_NE(std::string::npos, reason.find(c.undecided ? "must be named" : "VGA palette: ")) << reason;
            continue;
        }
        EXPECT_EQ(c.format, format);
        EXPECT_EQ(c.count, table.GetCount());
        if (c.format == PaletteFormat::Gimp) continue;
        std::string again;
        ASSERT_TRUE(EncodePalette(table, format, &again, &reason)) << reason;
        EXPECT_EQ(c.bytes, again);
    }
}

// A truecolor PNG of cells, each cellSize pixels square, colored by colors in
// reading order; paint (may be null) changes single pixels afterwards.
std::string SwatchPng(uint32_t columns, uint32_t rows, uint32_t cellSize, const std::vector<uint32_t>& colors,
                      uint32_t oddPixel = UINT32_MAX)
{
    const uint32_t width = columns * cellSize, height = rows * cellSize;
    std::string raw;
    for (uint32_t y = 0; y < height; ++y) {
        raw += '\0';
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t color = colors[(y / cellSize) * columns + x / cellSize];
            if (y * width + x == oddPixel) color ^= 0x000001;
            raw += std::string{char(color >> 16), char(color >> 8), char(color)};
        }
    }
    return AssemblePng({{"IHDR", IhdrData(width, height, 8, 2)}, {"IDAT", Deflate(raw)}, {"IEND", ""}});
}

TEST(SwatchPalette, StripsAndGridsGiveOneColorACellInReadingOrder)
{
    struct Case {
        const char* what;
        uint32_t columns, rows, cellSize;
    };
    const Case cases[] = {
        {"4 x 1 strip of 8-pixel cells", 4, 1, 8},
        {"3 x 2 grid of 5-pixel cells", 3, 2, 5},
        {"strip of 1-pixel cells", 16, 1, 1},
        {"column of 3-pixel cells", 1, 6, 3},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint32_t> colors;
        std::string expected;
        for (uint32_t i = 0; i < c.columns * c.rows; ++i) {
            colors.push_back((i * 0x3A1F27u + 0x102030u) & 0xFFFFFF);
            expected += std::string{char(colors.back() >> 16), char(colors.back() >> 8), char(colors.back())};
        }
        const std::string png = SwatchPng(c.columns, c.rows, c.cellSize, colors);
        ColorTable table;
        std::vector<uint8_t> alpha;
        std::string reason;
        ASSERT_TRUE(ReadSwatchPalette(ByteSource(png), &table, &alpha, &reason)) << reason;
        EXPECT_EQ(expected, TableBytes(table));
        EXPECT_EQ(std::vector<uint8_t>(colors.size(), 255), alpha);
        // The palette loader takes the same picture, which no format took before.
        const std::string path = folder.File("swatches.png");
        ASSERT_TRUE(WriteWholeFile(path, png));
        ColorTable loaded;
        ASSERT_TRUE(LoadAnyPalette(path.c_str(), &loaded, nullptr, &reason)) << reason;
        EXPECT_EQ(expected, TableBytes(loaded));
    }
}

TEST(SwatchPalette, APictureThatIsNoGridOfUniformCellsIsRefused)
{
    const std::vector<uint32_t> four = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    struct Case {
        const char* what;
        std::string png;
        const char* reason;
    };
    const Case cases[] = {
        // One pixel off: only 1-pixel cells are uniform, and 64 x 16 of them are too many.
        {"a stray pixel", SwatchPng(4, 1, 16, four, 8 * 64 + 9), "is not a strip or grid"},
        {"one cell not uniform", SwatchPng(1, 1, 17, {7}, 0), "is not a strip or grid"},
        {"too many pixels for any cell size", SwatchPng(17, 16, 1, std::vector<uint32_t>(272, 5)), "more than 256"},
        {"not a picture", "GIMP Palette\n", "is not a PNG or GIF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ColorTable table = Spread(2);
        std::string reason;
        EXPECT_FALSE(ReadSwatchPalette(ByteSource(c.png), &table, nullptr, &reason));
        EXPECT_NE(std::string::npos, reason.find(c.reason)) << reason;
        EXPECT_EQ(TableBytes(Spread(2)), TableBytes(table));
    }
}

}  // namespace
