// korin-cli on indexed PNG and GIF files: the table rewritten with every other
// byte kept, refusals that name the count, and pictures converted exactly.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/byte_source.h"
#include "image/dib_image.h"
#include "image/png_file.h"
#include "palette/color_table.h"
#include "tests/cli/cli_process.h"
#include "tests/support/gif_bytes.h"
#include "tests/support/memory_dc.h"
#include "tests/support/picture_files.h"
#include "tests/support/png_bytes.h"
#include "tests/support/sanitizer.h"
#include "tests/support/temp_folder.h"

namespace {

std::string Write(const TempFolder& folder, const std::string& name, const std::string& bytes)
{
    const std::string path = folder.File(name);
    EXPECT_TRUE(WriteWholeFile(path, bytes)) << path;
    return path;
}

std::string RiffPalette(size_t count)
{
    auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    const uint32_t n = uint32_t(count);
    std::string pal = "RIFF" + u32(4 * n + 16) + "PAL data" + u32(4 * n + 4);
    pal += std::string{char(0x00), char(0x03), char(n), char(n >> 8)};
    for (uint32_t i = 0; i < n; ++i) pal += std::string{char(i * 3), char(i * 5), char(i * 7), 0};
    return pal;
}

std::string Inverted(const std::string& rgb)
{
    std::string out = rgb;
    for (char& c : out) c = char(255 - uint8_t(c));
    return out;
}

TEST(PictureCli, InvertRewritesOnlyThePngTable)
{
    TempFolder folder;
    const std::string source = SmallPngBytes();
    const std::string input = Write(folder, "small.png", source);
    const std::string output = folder.File("out.png");
    CliRun run = RunCli({"invert", input, "-o", output});
    ASSERT_EQ(0, run.exitCode) << run.err;

    const std::string written = ReadWholeFile(output);
    EXPECT_EQ(Inverted(PngChunkData(source, "PLTE")), PngChunkData(written, "PLTE"));
    std::vector<PngChunkBytes> before = PngChunksOf(source), after = PngChunksOf(written);
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(before[i].type, after[i].type);
        if (before[i].type != "PLTE") {
            EXPECT_EQ(before[i].bytes, after[i].bytes) << before[i].type;
        }
    }
}

TEST(PictureCli, SwapRewritesOnlyTheGifTable)
{
    TempFolder folder;
    const std::string source = SmallGifBytes();
    const std::string input = Write(folder, "small.gif", source);
    CliRun run = RunCli({"swap", "rg", input, "--in-place"});
    ASSERT_EQ(0, run.exitCode) << run.err;

    const std::string written = ReadWholeFile(input);
    ASSERT_EQ(source.size(), written.size());
    const size_t table = 13, tableEnd = table + 8 * 3;
    for (size_t i = 0; i < source.size(); ++i) {
        if (i >= table && i < tableEnd) {
            const size_t entry = table + (i - table) / 3 * 3, channel = (i - table) % 3;
            const size_t from = channel == 0 ? 1 : channel == 1 ? 0 : 2;
            EXPECT_EQ(source[entry + from], written[i]) << "table byte " << i;
        } else {
            EXPECT_EQ(source[i], written[i]) << "byte " << i;
        }
    }
}

TEST(PictureCli, TablesTheFormatCannotHoldAreRefusedNamingTheLimit)
{
    TempFolder folder;
    const struct {
        const char* name;
        std::string bytes;
        size_t entries;
        const char* limit;
    } cases[] = {
        {"two-bit.png", SmallPngBytes(), 5, "at most 4"},
        {"small.gif", SmallGifBytes(), 257, "at most 256"},
    };
    for (const auto& c : cases) {
        const std::string input = Write(folder, c.name, c.bytes);
        const std::string palette = Write(folder, "source.pal", RiffPalette(c.entries));
        CliRun run = RunCli({"apply", palette, input, "--in-place"});
        EXPECT_EQ(1, run.exitCode) << c.name;
        EXPECT_NE(std::string::npos, run.err.find(c.limit)) << run.err;
        EXPECT_EQ(c.bytes, ReadWholeFile(input)) << c.name << " must be left as it was";
    }
}

TEST(PictureCli, ACorruptPixelChunkStopsTheRewrite)
{
    TempFolder folder;
    std::string broken = SmallPngBytes();
    const size_t idat = broken.find("IDAT");
    ASSERT_NE(std::string::npos, idat);
    broken[idat + 6] = char(broken[idat + 6] ^ 0x10);  // inside the data: its CRC no longer holds
    const std::string input = Write(folder, "broken.png", broken);
    const std::string output = folder.File("out.png");
    CliRun run = RunCli({"invert", input, "-o", output});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("IDAT")) << run.err;
    EXPECT_FALSE(FileExists(output));

    // Sound chunks whose data holds one row of the two promised: no bitmap is made of it.
    const std::string oneRow = Write(folder, "one-row.png",
                                     AssemblePng({{"IHDR", IhdrData(4, 2, 8, 3)}, {"PLTE", PaletteData(2)},
                                                  {"IDAT", CompressedRows(Rows(1, std::vector<uint8_t>(4)), 8)},
                                                  {"IEND", ""}}));
    run = RunCli({"convert", oneRow, folder.File("one-row.bmp")});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("one-row.png: ")) << run.err;
    EXPECT_FALSE(FileExists(folder.File("one-row.bmp")));
    // Converted onto itself, it is the reading that is refused.
    run = RunCli({"convert", oneRow, oneRow});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_EQ(std::string::npos, run.err.find("could not be written")) << run.err;
}

TEST(PictureCli, BitmapToPngAndBackIsExact)
{
    TempFolder folder;
    // Rows that end inside a byte, and rows that fill their stride exactly.
    for (uint32_t width : {13u, 32u})
    for (int32_t bitCount : {1, 4, 8}) {
        DibImage image;
        MemoryDC dc;
        const NewImageSpec spec = {int32_t(width), 5, bitCount, 1 << bitCount};
        ASSERT_TRUE(image.CreateBlank(dc, &spec));
        ColorTable table;
        ASSERT_TRUE(table.Reset(uint32_t(spec.entryCount)));
        for (uint32_t i = 0; i < table.GetCount(); ++i) table.SetColor(i, uint8_t(i * 9), uint8_t(i), uint8_t(255 - i));
        ASSERT_TRUE(image.SetColorTable(table));
        ASSERT_TRUE(image.RebuildSection(dc));
        for (uint32_t i = 0; i < image.ImageSize(); ++i) image.Bits()[i] = uint8_t(i * 37 + 11);
        // The output's format follows its name in any case.
        const std::string bmp = folder.File("in.bmp"), png = folder.File("mid.PNG"), back = folder.File("back.bmp");
        ASSERT_TRUE(image.SaveToFile(bmp.c_str()));

        CliRun toPng = RunCli({"convert", bmp, png});
        ASSERT_EQ(0, toPng.exitCode) << toPng.err;
        CliRun toBmp = RunCli({"convert", png, back});
        ASSERT_EQ(0, toBmp.exitCode) << toBmp.err;
        // Row padding holds no pixels: the bitmap written back pads with zeros.
        DibImage reread;
        ASSERT_TRUE(reread.LoadFromFile(dc, back.c_str()));
        const uint32_t rowBits = width * uint32_t(bitCount), rowBytes = (rowBits + 7) / 8;
        for (uint32_t y = 0; y < 5; ++y) {
            for (uint32_t x = 0; x < reread.Stride(); ++x) {
                const uint32_t pixelBits = x < rowBytes ? (rowBits - 8 * x < 8 ? rowBits - 8 * x : 8) : 0;
                const uint8_t held = uint8_t(0xFF00 >> pixelBits);
                ASSERT_EQ(image.Bits()[y * image.Stride() + x] & held, reread.Bits()[y * reread.Stride() + x])
                    << width << " pixels of " << bitCount << " bits, row " << y << " byte " << x;
            }
        }
        ColorTable after;
        ASSERT_TRUE(reread.CopyColorTable(after));
        ASSERT_EQ(table.GetCount(), after.GetCount());
        for (uint32_t i = 0; i < table.GetCount(); ++i) EXPECT_EQ(table.GetPackedColor(i), after.GetPackedColor(i));
#ifndef _WIN32
        if (std::system("command -v pngcheck >/dev/null 2>&1") == 0) {
            EXPECT_EQ(0, std::system(("pngcheck -q '" + png + "' >/dev/null").c_str())) << bitCount << " bits";
        }
#endif
    }
}

// A GIF's picture converts to an 8-bit bitmap pixel for pixel, its table with it.
TEST(PictureCli, GifConvertsToABitmapPixelForPixel)
{
    TempFolder folder;
    std::string rgb;
    for (int i = 0; i < 8; ++i) rgb += std::string{char(i * 30), char(i), char(255 - i)};
    for (const uint16_t width : {5, 1}) {
        const uint16_t height = width == 1 ? 1 : 3;
        std::vector<uint8_t> indices;
        for (uint32_t i = 0; i < uint32_t(width) * height; ++i) indices.push_back(uint8_t((i * 5 + 3) % 8));
        const std::string gif = Write(folder, "in.gif", MakeGif(width, height, rgb, 0, {{0, 0, width, height, "", indices, 3}}));
        const std::string bmp = folder.File("out.bmp");
        CliRun run = RunCli({"convert", gif, bmp});
        ASSERT_EQ(0, run.exitCode) << run.err;
        DibImage image;
        MemoryDC dc;
        ASSERT_TRUE(image.LoadFromFile(dc, bmp.c_str()));
        BITMAPINFOHEADER info;
        ASSERT_TRUE(image.CopyHeaders(nullptr, &info));
        EXPECT_EQ(8, info.biBitCount);
        EXPECT_EQ(width, info.biWidth);
        for (uint32_t y = 0; y < height; ++y) {
            const uint32_t stored = info.biHeight < 0 ? y : height - 1 - y;
            for (uint32_t x = 0; x < width; ++x)
                EXPECT_EQ(indices[y * width + x], image.Bits()[stored * image.Stride() + x]) << x << "," << y;
        }
        ColorTable table;
        ASSERT_TRUE(image.CopyColorTable(table));
        ASSERT_EQ(8u, table.GetCount());
        for (uint32_t i = 0; i < 8; ++i) {
            const ColorEntry& e = *table.GetEntry(i);
            EXPECT_EQ(rgb.substr(3 * i, 3), std::string({char(e.red), char(e.green), char(e.blue)})) << i;
        }
    }
}

// Which pixels are see-through survives convert to PNG: tRNS from tRNS, and
// from a GIF's transparent index. A bitmap has no alpha; it keeps the indices.
TEST(PictureCli, ConvertToPngKeepsWhichPixelsAreSeeThrough)
{
    TempFolder folder;
    const struct {
        const char* name;
        std::string bytes;
        uint32_t width, height;
        std::function<uint8_t(uint32_t x, uint32_t y)> index;
        std::vector<uint8_t> alpha;  // of each index; past its end opaque
    } cases[] = {
        {"in.png", SmallPngBytes(), 5, 3, [](uint32_t x, uint32_t y) { return uint8_t((x + y) % 4); }, {0, 255, 128}},
        {"in.gif", SmallGifBytes(), 6, 4, [](uint32_t x, uint32_t y) { return uint8_t((x + 3 * y) % 6); }, {255, 255, 0}},
    };
    for (const auto& c : cases) {
        const std::string input = Write(folder, c.name, c.bytes), png = folder.File("out.png");
        const std::string bmp = folder.File("out.bmp");
        for (const std::string& output : {png, bmp}) {
            CliRun run = RunCli({"convert", input, output});
            ASSERT_EQ(0, run.exitCode) << c.name << ": " << run.err;
        }
        const std::string written = ReadWholeFile(png);
        const ByteSource source(written);
        PngStructure structure;
        std::string reason;
        ASSERT_TRUE(ReadPngStructure(source, &structure, &reason)) << reason;
        const auto alphaOf = [](const std::vector<uint8_t>& alpha, uint8_t index) {
            return index < alpha.size() ? alpha[index] : uint8_t(255);
        };
        uint32_t rows = 0;
        ASSERT_TRUE(DecodePngImage(source, structure, [&](uint32_t y, const uint8_t* indices) {
            ++rows;
            for (uint32_t x = 0; x < c.width; ++x) {
                EXPECT_EQ(c.index(x, y), indices[x]) << c.name << " " << x << "," << y;
                EXPECT_EQ(alphaOf(c.alpha, c.index(x, y)), alphaOf(structure.alpha, indices[x]))
                    << c.name << " " << x << "," << y;
            }
        }, &reason)) << reason;
        EXPECT_EQ(c.height, rows);
        DibImage image;
        MemoryDC dc;
        ASSERT_TRUE(image.LoadFromFile(dc, bmp.c_str())) << c.name;
        const uint32_t bits = c.width == 5 ? 4 : 8;
        for (uint32_t y = 0; y < c.height; ++y) {
            const unsigned char* row = image.Bits() + size_t(c.height - 1 - y) * image.Stride();
            for (uint32_t x = 0; x < c.width; ++x)
                EXPECT_EQ(c.index(x, y), row[x * bits / 8] >> (8 - bits - x * bits % 8) & ((1u << bits) - 1))
                    << c.name << " bitmap " << x << "," << y;
        }
    }
}

TEST(PictureCli, InfoAndPaletteReadPngAndGif)
{
    TempFolder folder;
    const std::string png = Write(folder, "small.png", SmallPngBytes());
    const std::string gif = Write(folder, "small.gif", SmallGifBytes());
    CliRun info = RunCli({"info", png});
    EXPECT_EQ(0, info.exitCode) << info.err;
    EXPECT_NE(std::string::npos, info.out.find("IHDR")) << info.out;
    EXPECT_EQ(std::string::npos, info.out.find(".width")) << "members only with --members: " << info.out;
    CliRun members = RunCli({"info", png, "--members"});
    EXPECT_NE(std::string::npos, members.out.find(".width       = ")) << members.out;
    CliRun gifInfo = RunCli({"info", gif});
    EXPECT_EQ(0, gifInfo.exitCode) << gifInfo.err;
    EXPECT_NE(std::string::npos, gifInfo.out.find("GIF89a")) << gifInfo.out;

    CliRun palette = RunCli({"palette", gif, "-o", folder.File("gif.hex")});
    ASSERT_EQ(0, palette.exitCode) << palette.err;
    const std::string hex = ReadWholeFile(folder.File("gif.hex"));
    EXPECT_LT(hex.find("00ff00"), 2u) << hex;  // entry 0 of the global table, first
}

// Small files that promise much: an image of 65535 x 65535 pixels without
// data (alone and a hundred times), many graphic controls before one image,
// and many images each short of its data by what may be padded. Each command
// refuses the first kind naming the image and reads the others, all in
// memory that grows with what it writes, never with what the file promises.
TEST(PictureCli, CraftedGifsAreRefusedOrReadInBoundedMemory)
{
    TempFolder folder;
    const std::string screen = MakeGif(1, 1, std::string("\0\0\0\xFF\xFF\xFF", 6), 0, {});
    const std::string head = screen.substr(0, screen.size() - 1);
    const std::string huge = std::string(",\0\0\0\0\xFF\xFF\xFF\xFF\0\x02\0", 12);
    const std::string tiny = std::string(",\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0", 15);
    const std::string padded = std::string(",\0\0\0\0\x20\0\x20\0\0\x02\0", 12);  // 32 x 32, no data
    std::string hundred, controls, images;
    for (int i = 0; i < 100; ++i) hundred += huge;
    for (int i = 0; i < 60000; ++i) controls += std::string("\x21\xF9\x04\x01\0\0\x01\0", 8);
    for (int i = 0; i < 40000; ++i) images += padded;
    const struct { const char* name; std::string bytes; bool reads; } files[] = {
        {"huge.gif", head + huge + ";", false},
        {"hundred.gif", head + hundred + ";", false},
        {"controls.gif", head + controls + tiny + ";", true},
        {"images.gif", head + images + ";", true},
    };
    const std::vector<std::vector<std::string>> commands = {
        {"info", "--members"}, {"usage"}, {"convert", "OUT.png"}, {"compact", "-o", "OUT.gif"},
        {"sort", "--by", "hue", "-o", "OUT.gif"}, {"merge-duplicates", "-o", "OUT.gif"},
    };
    for (const auto& file : files) {
        const std::string input = Write(folder, file.name, file.bytes);
        for (const auto& command : commands) {
            std::vector<std::string> args = {command[0], input};
            std::string output;
            for (size_t i = 1; i < command.size(); ++i) {
                const bool named = command[i].compare(0, 4, "OUT.") == 0;
                if (named) output = folder.File("out" + command[i].substr(3));
                args.push_back(named ? output : command[i]);
            }
            const CliRun run = RunCli(args);
            ASSERT_TRUE(run.finished) << file.name << " " << command[0];
            const bool reads = file.reads || command[0] == "info";
            EXPECT_EQ(reads ? 0 : 1, run.exitCode) << file.name << " " << command[0] << ": " << run.err;
            EXPECT_EQ(reads, run.err.find("in image 1 (offset 19)") == std::string::npos) << run.err;
            const long written = long((output.empty() ? run.out.size() : ReadWholeFile(output).size()) / 1024);
            if (!kAddressSanitizer) {
                EXPECT_LT(run.peakKilobytes, 64 * 1024 + written) << file.name << " " << command[0];
            }
            if (!output.empty()) std::remove(output.c_str());
        }
    }
}

}  // namespace
