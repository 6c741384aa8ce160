// korin-cli's table rearrangements keep every pixel of every frame as
// visible as it was: a GIF whose two frames make different entries of the
// same color transparent, with a plain text drawn in entries no pixel uses,
// and a PNG whose tRNS hides an entry the color of an opaque one. Each frame
// is decoded before and after, pixel by pixel.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/byte_source.h"
#include "image/gif_file.h"
#include "image/indexed_file.h"
#include "image/png_file.h"
#include "tests/cli/cli_process.h"
#include "tests/support/gif_bytes.h"
#include "tests/support/png_bytes.h"
#include "tests/support/temp_folder.h"

namespace {

// One pixel as it shows: the entry it has, its color and its alpha (GIF: 0
// for the frame's transparent index).
struct Shown {
    uint32_t index;
    uint32_t rgb;
    uint32_t alpha;
};

uint32_t RgbOf(const ColorTable& table, uint32_t index)
{
    if (index >= table.GetCount()) return 0xFFFFFFFFu;
    const ColorEntry& e = *table.GetEntry(index);
    return uint32_t(e.red) << 16 | uint32_t(e.green) << 8 | e.blue;
}

// Every frame's pixels in file order, and a plain text's two colors after
// the frame before it.
bool ShownPixels(const std::string& bytes, std::vector<Shown>* pixels)
{
    const ByteSource source(bytes);
    std::string reason;
    pixels->clear();
    if (DetectImageFormat(source) == ImageFileFormat::Png) {
        IndexedFile file;
        PngStructure png;
        if (!file.Read(source, &reason) || !ReadPngStructure(source, &png, &reason)) return false;
        return file.DecodeRows(source, [&](uint32_t, const uint8_t* indices) {
            for (uint32_t x = 0; x < file.Width(); ++x) {
                const uint32_t alpha = indices[x] < png.alpha.size() ? png.alpha[indices[x]] : 255;
                pixels->push_back({indices[x], RgbOf(png.table, indices[x]), alpha});
            }
        }, &reason);
    }
    GifStructure gif;
    if (!ReadGifStructure(source, &gif, &reason)) return false;
    size_t image = 0;
    for (const GifBlock& block : gif.blocks) {
        if (block.introducer == 0x21 && block.label == 0x01) {
            for (uint64_t at : {block.offset + 13, block.offset + 14}) {
                const uint8_t index = uint8_t(bytes[size_t(at)]);
                pixels->push_back({index, RgbOf(gif.table, index), 255});
            }
        }
        if (block.introducer != 0x2C) continue;
        const GifImage& frame = gif.images[image++];
        DecodeGifFrame(source, frame, [&](const uint8_t* indices, size_t count) {
            for (size_t i = 0; i < count; ++i) {
                const bool hidden = int(indices[i]) == frame.transparentIndex;
                pixels->push_back({indices[i], RgbOf(gif.table, indices[i]), hidden ? 0u : 255u});
            }
        });
    }
    return true;
}

std::string Rgb(const std::vector<uint32_t>& colors)
{
    std::string bytes;
    for (uint32_t c : colors) bytes += {char(c >> 16), char(c >> 8), char(c)};
    return bytes;
}

std::string GraphicControl(uint8_t transparent)
{
    return std::string("\x21\xF9\x04\x01\x00\x00", 6) + char(transparent) + '\0';
}

// Entries 1 and 3 are both black: frame one hides 1, frame two hides 3. A
// plain text between them draws in 6 on 5; no pixel uses 4, 5, 6 or 7.
std::string TwoFrameGif()
{
    const std::string table =
        Rgb({0xFF0000, 0x000000, 0xFFFFFF, 0x000000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x808080});
    const GifFrameBytes first = {0, 0, 2, 2, "", {0, 1, 2, 3}, 3}, second = {0, 0, 2, 2, "", {3, 1, 0, 2}, 3};
    std::string gif = MakeGif(2, 2, table, 0, {first, second});
    const std::string text = std::string("\x21\x01\x0C", 3) + std::string(8, '\0') + "\x01\x01\x06\x05" + "\x02hi" + '\0';
    gif.insert(MakeGif(2, 2, table, 0, {first}, false).size(), text + GraphicControl(3));
    gif.insert(13 + table.size(), GraphicControl(1));
    return gif;
}

// Entry 0 transparent black, 3 opaque black, 4 a second white; 5 unused.
std::string TransparentPng()
{
    ColorTable table;
    table.Reset(6);
    const uint32_t colors[] = {0x000000, 0x101010, 0xFFFFFF, 0x000000, 0xFFFFFF, 0x00FF00};
    for (uint32_t i = 0; i < 6; ++i) table.SetColor(i, uint8_t(colors[i] >> 16), uint8_t(colors[i] >> 8), uint8_t(colors[i]));
    return AssemblePng({{"IHDR", IhdrData(3, 2, 4, 3)}, {"PLTE", TableBytes(table)}, {"tRNS", std::string(1, '\0')},
                        {"IDAT", CompressedRows({{0, 1, 2}, {3, 4, 0}}, 4)}, {"IEND", ""}});
}

TEST(CliRearrange, NoPixelOfAnyFrameChangesItsVisibilityOrItsColor)
{
    TempFolder folder;
    const std::string gif = folder.File("frames.gif"), png = folder.File("clear.png");
    ASSERT_TRUE(WriteWholeFile(gif, TwoFrameGif()) && WriteWholeFile(png, TransparentPng()));
    // Conform palettes: free entries are those no visible color is nearest to.
    const std::string gifRoom = folder.File("gif-room.hex"), gifFull = folder.File("gif-full.hex");
    const std::string pngRoom = folder.File("png-room.hex"), pngFull = folder.File("png-full.hex");
    ASSERT_TRUE(WriteWholeFile(gifRoom, "000000\nFFFFFF\nFF0000\n0000FF\n00FF00\nFFFF00\n") &&
                WriteWholeFile(gifFull, "000000\nFFFFFF\nFF0000\n0000FF\nFFFF00\n") &&
                WriteWholeFile(pngRoom, "000000\nFFFFFF\n808080\n") && WriteWholeFile(pngFull, "000000\nFFFFFF\n"));
    const struct Case {
        std::string input;
        std::vector<std::string> command;
        std::string summary;            // the line on standard output; refused: the reason
        std::vector<uint32_t> colors;   // conform: each old entry's color after; else unchanged
    } cases[] = {
        {gif, {"merge-duplicates"}, "moved the pixels of 0 entries to earlier entries of the same color; 0 now unused", {}},
        {gif, {"compact"}, "removed 2 entries; moved 2 entries", {}},
        {gif, {"sort", "--by", "lightness"}, "", {}},
        {gif, {"sort", "--by", "hue"}, "", {}},
        {gif, {"conform", "--palette", gifRoom}, "moved 6 entries; 1 changed color; largest color error 0.915",
         {0xFF0000, 0x000000, 0xFFFFFF, 0x00FF00, 0, 0x0000FF, 0xFFFF00, 0}},
        {gif, {"conform", "--palette", gifFull}, "has entry 3 transparent in some frames", {}},
        {png, {"merge-duplicates"}, "moved the pixels of 1 entry to earlier entries of the same color; 1 now unused", {}},
        {png, {"compact"}, "removed 1 entry; moved 0 entries", {}},
        {png, {"sort", "--by", "lightness"}, "", {}},
        {png, {"conform", "--palette", pngRoom}, "moved 5 entries; 1 changed color; largest color error 0.173", {0, 0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF, 0}},
        {png, {"conform", "--palette", pngFull}, "has entry 0 transparent", {}},
    };
    std::vector<Shown> before, after;
    for (size_t c = 0; c < sizeof cases / sizeof cases[0]; ++c) {
        const Case& test = cases[c];
        const std::string out = folder.File("out" + std::to_string(c) + test.input.substr(test.input.size() - 4));
        std::vector<std::string> args = {test.command[0], test.input};
        args.insert(args.end(), test.command.begin() + 1, test.command.end());
        args.insert(args.end(), {"-o", out});
        SCOPED_TRACE(args[0] + " " + test.input + " " + (args.size() > 4 ? args[3] : ""));
        const CliRun run = RunCli(args);
        if (test.summary.compare(0, 4, "has ") == 0) {
            EXPECT_EQ(1, run.exitCode);
            EXPECT_NE(std::string::npos, run.err.find(test.input + ": " + test.summary)) << run.err;
            EXPECT_FALSE(FileExists(out));
            continue;
        }
        ASSERT_EQ(0, run.exitCode) << run.err;
        if (!test.summary.empty()) {
            std::string said = run.out;  // Windows ends its lines with CR LF
            said.erase(std::remove(said.begin(), said.end(), '\r'), said.end());
            EXPECT_EQ(test.summary + "\n", said);
        }
        ASSERT_TRUE(ShownPixels(ReadWholeFile(test.input), &before) && ShownPixels(ReadWholeFile(out), &after));
        ASSERT_EQ(before.size(), after.size());
        for (size_t p = 0; p < before.size(); ++p) {
            EXPECT_EQ(before[p].alpha, after[p].alpha) << "pixel " << p;
            const uint32_t color = test.colors.empty() ? before[p].rgb : test.colors[before[p].index];
            if (before[p].alpha != 0) {
                EXPECT_EQ(color, after[p].rgb) << "pixel " << p;
            }
        }
    }
}

}  // namespace
