// The pixel remap and the table rearrangements: every packed depth against a
// pixel-by-pixel reference, padding bits kept; each operation's map against
// its table, so that old color i is new color map[i]; a bitmap's pixels
// counted across the blocks it is read in; animated PNGs rearranged with
// every frame kept, as Pillow and pngcheck see them.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/gif_lzw.h"
#include "image/bmp_recolor.h"
#include "image/dib_image.h"
#include "image/gif_file.h"
#include "image/gif_lzw_encoder.h"
#include "image/gif_remap.h"
#include "image/indexed_file.h"
#include "image/picture_remap.h"
#include "image/png_remap.h"
#include "image/remap.h"
#include "color/oklab.h"
#include "palette/gradient.h"
#include "palette/rearrange.h"
#include "platform/safe_file_writer.h"
#include "tests/support/bmp_variants.h"
#include "tests/support/gif_bytes.h"
#include "tests/support/memory_dc.h"
#include "tests/support/png_bytes.h"
#include "tests/support/python_script.h"
#include "tests/support/temp_folder.h"

namespace {

uint32_t PixelAt(const std::vector<uint8_t>& row, uint32_t x, uint32_t bits)
{
    const uint32_t bit = x * bits;
    return row[bit / 8] >> (8 - bits - bit % 8) & ((1u << bits) - 1);
}

TEST(IndexRemap, PackedRowsOfEveryDepthMapEachPixelAndKeepPadding)
{
    std::mt19937 random(7);
    for (uint32_t bits : {1u, 2u, 4u, 8u}) {
        std::vector<uint32_t> map(size_t(1) << bits);
        for (uint32_t i = 0; i < map.size(); ++i) map[i] = uint32_t(random() % map.size());
        IndexRemap remap;
        std::string reason;
        ASSERT_TRUE(remap.Build(map, bits, &reason)) << reason;
        for (uint32_t width : {1u, 3u, 7u, 8u, 13u, 64u}) {
            const size_t bytes = (width * bits + 7) / 8 + 2;  // two bytes of padding after
            std::vector<uint8_t> row(bytes);
            for (uint8_t& b : row) b = uint8_t(random());
            std::vector<uint8_t> remapped = row;
            remap.RemapPackedRow(remapped.data(), width);
            for (uint32_t x = 0; x < width; ++x)
                EXPECT_EQ(map[PixelAt(row, x, bits)], PixelAt(remapped, x, bits)) << bits << " bits, x " << x;
            // Every bit after the last pixel stays.
            for (uint32_t bit = width * bits; bit < bytes * 8; ++bit)
                EXPECT_EQ(row[bit / 8] >> (7 - bit % 8) & 1, remapped[bit / 8] >> (7 - bit % 8) & 1) << bits;
            // Taken in pieces at any byte, the row comes out the same.
            std::vector<uint8_t> pieces = row;
            for (size_t at = 0; at < bytes; at += 3)
                remap.RemapRowBytes(pieces.data() + at, std::min<size_t>(3, bytes - at), at, width);
            EXPECT_EQ(remapped, pieces);
        }
        // Every byte value, 0xFF too, as whole bytes of pixels.
        std::vector<uint8_t> all(256);
        for (uint32_t b = 0; b < 256; ++b) all[b] = uint8_t(b);
        std::vector<uint8_t> mapped = all;
        const uint32_t width = 256 * 8 / bits;
        remap.RemapPackedRow(mapped.data(), width);
        for (uint32_t x = 0; x < width; ++x)
            ASSERT_EQ(map[PixelAt(all, x, bits)], PixelAt(mapped, x, bits)) << bits << " bits, x " << x;
    }
}

TEST(IndexRemap, RefusesAMapPastTheDepth)
{
    IndexRemap remap;
    std::string reason;
    EXPECT_FALSE(remap.Build({0, 2}, 1, &reason));
    EXPECT_NE(std::string::npos, reason.find("entry 1 would move to 2")) << reason;
    EXPECT_FALSE(remap.Build({0}, 3, &reason));
}

TEST(IndexRemap, EveryRowOfABitmapOfItsDepthIsMappedPaddingKept)
{
    MemoryDC dc;
    DibImage image;
    IndexRemap remap, eightBits;
    std::string reason;
    ASSERT_TRUE(remap.Build({1, 0}, 4, &reason) && eightBits.Build({1, 0}, 8, &reason));
    EXPECT_FALSE(RemapBitmapPixels(image, remap)) << "an empty image";
    NewImageSpec spec = {3, 3, 4, 16};  // rows of a byte and a half, padded to 4
    ASSERT_TRUE(image.CreateBlank(dc, &spec));
    const std::string row("\x01\x0F\xFF\xFF", 4);
    for (uint32_t y = 0; y < 3; ++y) std::memcpy(image.Bits() + y * 4, row.data(), 4);
    EXPECT_FALSE(RemapBitmapPixels(image, eightBits)) << "another depth";
    ASSERT_TRUE(RemapBitmapPixels(image, remap));
    for (uint32_t y = 0; y < 3; ++y)
        EXPECT_EQ(std::string("\x10\x1F\xFF\xFF", 4), std::string(reinterpret_cast<char*>(image.Bits()) + y * 4, 4)) << y;
}

// Memory and a file answer alike: a read within the bytes, an empty one at
// their end included, and nothing past them.
TEST(ByteSource, ReadsOnlyWithinTheBytes)
{
    TempFolder folder;
    const std::string bytes = "abcdef", path = folder.File("six");
    SourceFile file;
    ASSERT_TRUE(WriteWholeFile(path, bytes) && file.Open(path.c_str()));
    const struct {
        uint64_t offset;
        size_t count;
        bool read;
    } cases[] = {{0, 6, true}, {6, 0, true}, {5, 1, true}, {5, 2, false}, {7, 0, false}, {UINT64_MAX, 1, false}};
    for (const ByteSource& source : {ByteSource(bytes), ByteSource(file)}) {
        for (const auto& c : cases) {
            char out[8] = {};
            EXPECT_EQ(c.read, source.ReadAt(c.offset, out, c.count)) << c.offset << " " << c.count;
            if (c.read) {
                EXPECT_EQ(bytes.substr(size_t(c.offset), c.count), std::string(out, c.count));
            }
            // Copied to a file, a piece past the bytes fails the write. (A file
            // source copies an empty piece that starts past its end, and succeeds.)
            if (c.offset > bytes.size()) continue;
            const std::string copy = folder.File("copy");
            SafeFileWriter writer(copy.c_str());
            source.CopyTo(writer, c.offset, c.count);
            EXPECT_EQ(c.read, writer.Commit()) << c.offset << " " << c.count;
            if (c.read) {
                EXPECT_EQ(bytes.substr(size_t(c.offset), c.count), ReadWholeFile(copy));
            }
        }
    }
}

// Writes bytes as path and reads them back as a picture to remap.
::testing::AssertionResult ReadPicture(const std::string& path, const std::string& bytes, bool countPixels,
                                       SourceFile& source, RemappablePicture& picture)
{
    std::string reason;
    if (!WriteWholeFile(path, bytes) || !source.Open(path.c_str())) return ::testing::AssertionFailure() << path;
    if (!picture.Read(source, countPixels, &reason)) return ::testing::AssertionFailure() << reason;
    return ::testing::AssertionSuccess();
}

// The bytes of picture written with table and map to path; empty when the
// write fails.
std::string WriteRemapped(SourceFile& file, const RemappablePicture& picture, const ColorTable& table,
                          const std::vector<uint32_t>& map, bool remapPixels, const std::string& path)
{
    std::string reason;
    SafeFileWriter writer(path.c_str());
    const bool written = picture.Write(file, table, map, remapPixels, writer, &reason);
    EXPECT_TRUE(written) << reason;
    return written && writer.Commit() ? ReadWholeFile(path) : std::string();
}

// The indices of written PNG or GIF bytes, row after row.
::testing::AssertionResult ReadIndices(const std::string& bytes, IndexedFile& file, std::vector<uint8_t>& indices)
{
    std::string reason;
    if (!file.Read(ByteSource(bytes), &reason)) return ::testing::AssertionFailure() << reason;
    const uint32_t width = file.Width();
    indices.clear();
    const auto row = [&](uint32_t, const uint8_t* pixels) { indices.insert(indices.end(), pixels, pixels + width); };
    if (!file.DecodeRows(ByteSource(bytes), row, &reason)) return ::testing::AssertionFailure() << reason;
    return ::testing::AssertionSuccess();
}

// The pixels are read a megabyte at a time; 20-byte rows put that boundary
// 16 bytes into a row, just before the byte of its last pixels, which must
// still count once. Padding and the bits past the last pixel are stray.
// One more row follows.
TEST(RemapBmp, CountsARowSplitBeforeItsLastByteOnce)
{
    TempFolder folder;
    for (const auto& depth : {std::make_pair(uint16_t(1), 135), std::make_pair(uint16_t(4), 33),
                              std::make_pair(uint16_t(8), 18)}) {
        const uint16_t bits = depth.first;
        VariantFile file;
        file.width = depth.second;
        file.height = (1 << 20) / 20 + 2;
        file.bitCount = bits;
        file.table = MakeTable(1u << bits, 4);
        std::vector<uint64_t> expected(256, 0);
        for (int32_t y = 0; y < file.height; ++y) {
            std::string row(20, '\xFF');
            for (int32_t x = 0; x < file.width; ++x) {
                const uint32_t index = uint32_t(x + y * 3) % (1u << bits), shift = 8 - bits - x * bits % 8;
                char& byte = row[size_t(x * bits / 8)];
                byte = char((uint8_t(byte) & ~(((1u << bits) - 1) << shift)) | index << shift);
                ++expected[index];
            }
            file.pixels += row;
        }
        SourceFile source;
        RemappablePicture picture;
        ASSERT_TRUE(ReadPicture(folder.File(std::to_string(bits) + ".bmp"), file.Bytes(), true, source, picture));
        EXPECT_EQ(expected, picture.Counts()) << bits << " bits";
    }
}

// Pixels are remapped a megabyte at a time: a row split by that boundary is
// remapped in two parts, each within its block.
TEST(RemapBmp, ARowSplitBetweenBlocksIsRemappedWhole)
{
    TempFolder folder;
    VariantFile file;
    file.width = 23999;  // rows of 24000 bytes: 1 MiB ends 16576 bytes into row 43
    file.height = 45;    // and one more row follows
    file.bitCount = 8;
    file.table = MakeTable(256, 4);
    for (int32_t i = 0; i < 24000 * file.height; ++i) file.pixels += char(i % 24000 == 23999 ? 7 : i % 251);
    const std::string out = folder.File("wide-out.bmp");
    SourceFile source;
    RemappablePicture picture;
    ASSERT_TRUE(ReadPicture(folder.File("wide.bmp"), file.Bytes(), false, source, picture));
    std::string reason;
    std::vector<uint32_t> reversed(256);
    for (uint32_t i = 0; i < 256; ++i) reversed[i] = 255 - i;
    ColorTable table;
    ASSERT_TRUE(table.Reset(256));
    SafeFileWriter writer(out.c_str());
    ASSERT_TRUE(picture.Write(source, table, reversed, true, writer, &reason)) << reason;
    ASSERT_TRUE(writer.Commit());
    const std::string written = ReadWholeFile(out);
    ASSERT_EQ(file.pixels.size(), written.size() - 1078);
    for (size_t i = 0; i < file.pixels.size(); ++i) {
        const uint8_t expected = i % 24000 == 23999 ? 7 : 255 - uint8_t(file.pixels[i]);  // padding stays
        if (uint8_t(written[1078 + i]) != expected) FAIL() << "pixel byte " << i;
    }

    // The source cut short after it was read: the save fails and the last one stays.
    std::filesystem::resize_file(folder.File("wide.bmp"), 1078 + 24000 * 30);
    SafeFileWriter again(out.c_str());
    EXPECT_FALSE(picture.Write(source, table, reversed, true, again, &reason));
    EXPECT_FALSE(again.Commit());
    EXPECT_EQ(written, ReadWholeFile(out));
}

// Pixels go through in blocks read on one thread and written on another,
// two packed bytes at a time: a picture of a few blocks and a part, at each
// depth, with pixels ending inside a byte, must come out as each pixel
// mapped alone, in order, every padding bit kept.
TEST(RemapBmp, APictureOfSeveralBlocksIsEachPixelMappedAtEveryDepth)
{
    TempFolder folder;
    std::mt19937 random(5);
    for (const auto& depth : {std::make_pair(uint16_t(1), 6003), std::make_pair(uint16_t(4), 1501),
                              std::make_pair(uint16_t(8), 749)}) {
        const uint16_t bits = depth.first;
        VariantFile file;
        file.width = depth.second;
        file.bitCount = bits;
        file.table = MakeTable(1u << bits, 4);
        const size_t stride = (size_t(file.width) * bits + 31) / 32 * 4;
        file.height = int32_t((size_t(5) << 19) / stride + 1);  // past 2.5 MiB, not a whole block
        for (size_t i = 0; i < stride * size_t(file.height); ++i) file.pixels += char(random());
        std::vector<uint32_t> map(size_t(1) << bits);
        for (uint32_t& to : map) to = uint32_t(random() % map.size());
        std::string expected = file.pixels;
        for (int32_t y = 0; y < file.height; ++y) {
            const std::vector<uint8_t> row(file.pixels.begin() + y * stride, file.pixels.begin() + (y + 1) * stride);
            for (uint32_t x = 0; x < uint32_t(file.width); ++x) {
                const uint32_t bit = x * bits, shift = 8 - bits - bit % 8;
                char& byte = expected[y * stride + bit / 8];
                byte = char((uint8_t(byte) & ~(((1u << bits) - 1) << shift)) | map[PixelAt(row, x, bits)] << shift);
            }
        }
        SourceFile source;
        RemappablePicture picture;
        ASSERT_TRUE(ReadPicture(folder.File(std::to_string(bits) + ".bmp"), file.Bytes(), false, source, picture));
        const std::string written =
            WriteRemapped(source, picture, picture.Table(), map, true, folder.File(std::to_string(bits) + "-out.bmp"));
        ASSERT_EQ(file.Bytes().size(), written.size()) << bits << " bits";
        EXPECT_TRUE(written.compare(written.size() - expected.size(), expected.size(), expected) == 0)
            << bits << " bits";
    }
}

// A source that shrinks after it was read, cut at every length: a save
// either fails and leaves the old file, or writes what the whole source gives.
TEST(RemapPicture, ASourceCutAfterReadingNeverSavesAnythingElse)
{
    TempFolder folder;
    VariantFile bmp;
    bmp.width = 5;
    bmp.height = 3;
    bmp.clrUsed = 4;
    bmp.table = MakeTable(4, 4);
    bmp.pixels = std::string("\0\1\2\3\0\0\0\0\3\2\1\0\1\0\0\0\2\2\2\2\2\0\0\0", 24);
    const std::string png = AssemblePng({{"IHDR", IhdrData(5, 3, 8, 3)}, {"PLTE", PaletteData(4)},
                                         {"tRNS", std::string("\x10\x20", 2)},
                                         {"IDAT", CompressedRows({{0, 1, 2, 3, 0}, {3, 2, 1, 0, 1}, {2, 2, 2, 2, 2}}, 8)},
                                         {"tEXt", "a"}, {"IEND", ""}});
    const std::vector<uint8_t> indices = {0, 1, 2, 3, 0, 3, 2, 1, 0, 1, 2, 2, 2, 2, 2};
    std::string gif = MakeGif(5, 3, MakeTable(4, 3), 1, {{0, 0, 5, 3, "", indices, 2}});
    gif.insert(6 + 7 + 12, std::string("\x21\xF9\x04\x01\0\0\2\0", 8));
    gif += "tail";
    const std::string localGif = MakeGif(5, 3, "", 0, {{0, 0, 5, 3, MakeTable(4, 3), indices, 2}});
    const std::vector<uint32_t> map = {3, 2, 1, 0};
    for (const auto& file : {std::make_pair(".bmp", bmp.Bytes()), std::make_pair(".png", png),
                             std::make_pair(".gif", gif), std::make_pair("-local.gif", localGif)}) {
        const std::string path = folder.File(std::string("in") + file.first), out = folder.File("out");
        SourceFile whole;
        RemappablePicture picture;
        ASSERT_TRUE(ReadPicture(path, file.second, false, whole, picture));
        const std::string want = WriteRemapped(whole, picture, picture.Table(), map, true, out);
        ASSERT_FALSE(want.empty());
        for (size_t cut = 0; cut < file.second.size(); ++cut) {
            SourceFile source;
            ASSERT_TRUE(ReadPicture(path, file.second, false, source, picture));
            std::filesystem::resize_file(path, cut);
            std::string reason;
            SafeFileWriter writer(out.c_str());
            const bool written = picture.Write(source, picture.Table(), map, true, writer, &reason);
            const bool committed = writer.Commit();
            EXPECT_TRUE(written || !committed) << file.first << " cut at " << cut;
            EXPECT_EQ(want, ReadWholeFile(out)) << file.first << " cut at " << cut;
        }
    }
    // Pixels that do not decode fail a save that remaps them.
    const std::string corrupt = gif.substr(0, 6 + 7 + 12 + 8 + 10 + 1) + std::string("\x01\xFF\0\x3B", 4);
    SourceFile source;
    RemappablePicture picture;
    ASSERT_TRUE(ReadPicture(folder.File("corrupt.gif"), corrupt, false, source, picture));
    std::string reason;
    SafeFileWriter writer(folder.File("out").c_str());
    EXPECT_FALSE(picture.Write(source, picture.Table(), map, true, writer, &reason));
    EXPECT_NE(std::string::npos, reason.find("corrupt LZW data in image 1")) << reason;
    EXPECT_FALSE(writer.Commit());
    // Nor is anything written for a picture never read.
    SafeFileWriter unread(folder.File("unread").c_str());
    EXPECT_FALSE(RemappablePicture().Write(source, picture.Table(), map, true, unread, &reason));
    EXPECT_EQ("was not read", reason);
    EXPECT_FALSE(unread.Commit());
}

// A table longer than the picture's depth holds is refused, saying the
// range that depth holds, and nothing is written.
TEST(RemapPng, ATableTooLongForTheDepthIsRefusedWithItsRange)
{
    TempFolder folder;
    for (const uint8_t depth : {1, 2, 4}) {
        const std::string name = folder.File(std::to_string(depth) + ".png"), out = name + ".out";
        SourceFile file;
        RemappablePicture picture;
        ASSERT_TRUE(ReadPicture(name, AssemblePng({{"IHDR", IhdrData(3, 2, depth, 3)}, {"PLTE", PaletteData(2)},
                                                   {"IDAT", CompressedRows({{0, 1, 0}, {1, 0, 1}}, depth)},
                                                   {"IEND", ""}}),
                                true, file, picture));
        std::string reason;
        ColorTable table;
        ASSERT_TRUE(table.Reset((1u << depth) + 1));
        SafeFileWriter writer(out.c_str());
        EXPECT_FALSE(picture.Write(file, table, {0, 1}, true, writer, &reason));
        const std::string range = "(a " + std::to_string(depth) + "-bit PNG holds 1 to " + std::to_string(1 << depth) + ")";
        EXPECT_NE(std::string::npos, reason.find(range)) << reason;
        EXPECT_FALSE(writer.Commit());
        EXPECT_FALSE(FileExists(out));
    }
}

// A bitmap takes 1 to as many entries as its depth indexes; other counts are
// refused, saying that range, and nothing is written.
TEST(RemapBmp, TablesOfOneToWhatTheDepthIndexesAreWrittenAndOthersRefused)
{
    TempFolder folder;
    for (const uint16_t depth : {1, 4, 8}) {
        VariantFile bmp;
        bmp.width = 3;
        bmp.height = 2;
        bmp.bitCount = depth;
        bmp.clrUsed = depth == 1 ? 0 : 2;  // a full table may say 0 entries
        bmp.table = MakeTable(2, 4);
        bmp.pixels.assign(8, '\0');
        SourceFile file;
        RemappablePicture picture;
        ASSERT_TRUE(ReadPicture(folder.File(std::to_string(depth) + ".bmp"), bmp.Bytes(), true, file, picture));
        const uint32_t most = 1u << depth;
        for (const uint32_t count : {0u, 1u, most, most + 1}) {
            ColorTable table;
            ASSERT_TRUE(table.Reset(count));
            const std::string out = folder.File("out.bmp");
            std::string reason;
            SafeFileWriter writer(out.c_str());
            const bool fits = count >= 1 && count <= most;
            EXPECT_EQ(fits, picture.Write(file, table, {0, 0}, true, writer, &reason))
                << depth << "-bit, " << count << " entries: " << reason;
            EXPECT_EQ(fits, writer.Commit());
            if (!fits) {
                EXPECT_EQ("cannot take a table of " + std::to_string(count) + " entries (a " + std::to_string(depth) +
                              "-bit bitmap holds 1 to " + std::to_string(most) + ")",
                          reason);
            }
            EXPECT_EQ(fits, FileExists(out));
            // The count is written only where it changed.
            if (fits) {
                const std::string written = ReadWholeFile(out);
                EXPECT_EQ(written.size(), uint8_t(written[2]) | uint8_t(written[3]) << 8) << "bfSize";
                EXPECT_EQ(count == 2 ? bmp.clrUsed : count, uint32_t(uint8_t(written[46]) | uint8_t(written[47]) << 8));
            }
            std::remove(out.c_str());
        }
    }
}

// A table that would take the file past 4 GiB is refused before any pixel
// is copied (the picture's file is sparse).
TEST(RemapBmp, AFileLargerThanABmpCanBeIsRefused)
{
    TempFolder folder;
    VariantFile bmp;
    bmp.width = 4;
    bmp.height = (1 << 30) - 1;
    bmp.clrUsed = 1;
    bmp.table = MakeTable(1, 4);
    const std::string path = folder.File("huge.bmp"), out = folder.File("out.bmp");
    ASSERT_TRUE(WriteWholeFile(path, bmp.Bytes()));
    std::filesystem::resize_file(path, 54 + 4 + (uint64_t(1) << 32) - 4);
    SourceFile file;
    RemappablePicture picture;
    std::string reason;
    ASSERT_TRUE(file.Open(path.c_str()));
    ASSERT_TRUE(picture.Read(file, false, &reason)) << reason;
    SafeFileWriter writer(out.c_str());
    EXPECT_FALSE(picture.Write(file, picture.Table(), {0}, false, writer, &reason));
    EXPECT_EQ("would be larger than a BMP file can be", reason);
    EXPECT_FALSE(writer.Commit());
    EXPECT_FALSE(FileExists(out));
    // Recolored, it is refused as well.
    MemoryDC dc;
    EXPECT_EQ(RecolorResult::NotWritten, RecolorBmpFile(dc, path.c_str(), out.c_str(), [](ColorTable&) {}, nullptr).outcome);
    EXPECT_FALSE(FileExists(out));
}

// A GIF takes 1 to 256 entries in its global table or the first image's own,
// the size field following; other counts, and a file never read, are refused
// with nothing written. The background follows the map of a global table
// unless it names an entry past the map or one that was dropped.
TEST(RemapGif, TablesOfOneTo256EntriesAreWrittenAndOthersRefused)
{
    TempFolder folder;
    const std::string out = folder.File("out.gif");
    struct Case { uint32_t count; std::vector<uint32_t> map; const char* refusal; uint32_t entries; uint8_t background, after; };
    const Case cases[] = {
        {0, {0, 1, 2, 3}, "cannot take a table of 0 entries (a GIF holds 1 to 256)", 0, 0, 0},
        {257, {0, 1, 2, 3}, "cannot take a table of 257 entries (a GIF holds 1 to 256)", 0, 0, 0},
        {1, {0, 0, 0, 0}, "", 2, 1, 0},
        {2, {1, 0, 1, 0}, "", 2, 3, 0},
        {256, {255, 128, 1, 0}, "", 256, 4, 4},
        {4, {1, 0, kDroppedEntry, 3}, "", 4, 2, 2},
        {4, {0, 1, 2, 256}, "entry 3 would move to 256, past what 8-bit pixels can index", 0, 0, 0},
    };
    // The global table, or the first image's own with its sorted flag set.
    for (const bool local : {false, true})
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + (local ? " local" : " global"));
        const std::string rgb(12, '\x40');
        std::string before = MakeGif(2, 2, local ? "" : rgb, c.background, {{0, 0, 2, 2, local ? rgb : "", {0, 1, 1, 0}, 2}});
        if (local) before[13 + 9] = char(before[13 + 9] | 0x20);
        SourceFile file;
        RemappablePicture picture;
        ASSERT_TRUE(ReadPicture(folder.File("in.gif"), before, true, file, picture));
        ColorTable table;
        table.Reset(c.count);
        for (uint32_t i = 0; i < c.count; ++i) table.SetColor(i, uint8_t(i), uint8_t(i * 3), uint8_t(255 - i));
        std::string reason;
        SafeFileWriter writer(out.c_str());
        const bool written = picture.Write(file, table, c.map, true, writer, &reason);
        EXPECT_EQ(c.refusal, reason);
        if (*c.refusal) {
            EXPECT_FALSE(written);
            EXPECT_FALSE(writer.Commit());
            EXPECT_FALSE(FileExists(out));
            continue;
        }
        ASSERT_TRUE(written && writer.Commit());
        const std::string after = ReadWholeFile(out);
        IndexedFile back;
        std::vector<uint8_t> indices;
        ASSERT_TRUE(ReadIndices(after, back, indices));
        ASSERT_EQ(c.entries, back.Table().GetCount());
        for (uint32_t i = 0; i < c.entries; ++i)
            EXPECT_EQ(i < c.count ? uint8_t(255 - i) : 0, back.Table().GetEntry(i)->blue) << i;
        EXPECT_EQ(std::vector<uint8_t>({uint8_t(c.map[0]), uint8_t(c.map[1]), uint8_t(c.map[1]), uint8_t(c.map[0])}),
                  indices);
        EXPECT_EQ(local ? c.background : c.after, uint8_t(after[11]));
        // The codes grow only as far as the table needs.
        GifStructure gif;
        ASSERT_TRUE(ReadGifStructure(ByteSource(after), &gif, &reason)) << reason;
        EXPECT_EQ(c.entries == 256 ? 8 : 2, gif.images[0].minimumCodeSize);
        if (local) {
            EXPECT_EQ(0xA0, uint8_t(after[13 + 9]) & 0xF8) << "the image's flags stay";
        }
        std::remove(out.c_str());
    }
    GifStructure unread{};
    SafeFileWriter writer(out.c_str());
    std::string reason;
    ColorTable two;
    two.Reset(2);
    EXPECT_FALSE(WriteRemappedGif(ByteSource(std::string(20, 'G')), unread, two, {}, true, writer, &reason));
    EXPECT_EQ("was not read", reason);
    EXPECT_FALSE(writer.Commit());
}

// Readers ignore a GIF background index past the table (200 here, past the
// word that holds four entries' marks): a compact keeps the entries the
// pixels use, and a transparent index (0 too) no pixel uses, and no more.
TEST(RemapGif, ABackgroundPastTheTableNamesNoEntry)
{
    TempFolder folder;
    const GifFrameBytes frame = {0, 0, 2, 1, "", {0, 2}, 2}, without0 = {0, 0, 2, 1, "", {1, 2}, 2};
    const std::string transparent0("\x21\xF9\x04\x01\0\0\0\0", 8);
    std::string clear = MakeGif(2, 1, std::string(12, '\x40'), 200, {without0});
    clear.insert(6 + 7 + 12, transparent0);
    const std::pair<std::string, std::vector<bool>> cases[] = {
        {MakeGif(2, 1, std::string(12, '\x40'), 200, {frame}), {true, false, true, false}},
        {clear, {true, true, true, false}},
    };
    for (const auto& c : cases) {
        SourceFile file;
        RemappablePicture picture;
        ASSERT_TRUE(ReadPicture(folder.File("in.gif"), c.first, true, file, picture));
        EXPECT_EQ(c.second, picture.UsedEntries());
        EXPECT_EQ(2u, picture.MinimumEntries()) << "a GIF table holds two entries at least";
        // Uncounted, only the entries the file names are known to be used.
        ASSERT_TRUE(ReadPicture(folder.File("in.gif"), c.first, false, file, picture));
        EXPECT_EQ(c.first == clear, picture.UsedEntries()[0]);
        EXPECT_FALSE(picture.UsedEntries()[1] || picture.UsedEntries()[2] || picture.UsedEntries()[3]);
        // Read again, a cut file leaves no format behind to write with.
        std::string reason;
        EXPECT_FALSE(picture.ReadIndexed(ByteSource(c.first.substr(0, 20)), true, &reason));
        EXPECT_EQ(ImageFileFormat::Unknown, picture.Format());
    }
}

// The entries a picture uses, and their alpha, are its own, not those of one
// read before it.
TEST(RemappablePicture, ReadingAgainForgetsThePictureBefore)
{
    TempFolder folder;
    VariantFile bmp;
    bmp.width = 2;
    bmp.height = 1;
    bmp.bitCount = 4;
    bmp.clrUsed = 4;
    bmp.table = MakeTable(4, 4);
    bmp.pixels.assign(4, '\0');
    std::string gif = MakeGif(2, 1, std::string(12, '\x40'), 1, {{0, 0, 2, 1, "", {0, 0}, 2}});
    gif.insert(6 + 7 + 12, std::string("\x21\xF9\x04\x01\0\0\x03\0", 8));
    // A second image with its own table: its transparent index names none of the file's table.
    const GifFrameBytes first = {0, 0, 2, 1, "", {0, 0}, 2}, own = {0, 0, 2, 1, std::string(12, '\x20'), {2, 2}, 2};
    std::string twoTables = MakeGif(2, 1, std::string(12, '\x40'), 1, {first, own});
    twoTables.insert(MakeGif(2, 1, std::string(12, '\x40'), 1, {first}, false).size(),
                     std::string("\x21\xF9\x04\x01\0\0\x02\0", 8));
    // A transparent index one past the table names no entry.
    std::string pastTable = MakeGif(2, 1, std::string(12, '\x40'), 1, {{0, 0, 2, 1, "", {0, 0}, 2}});
    pastTable.insert(6 + 7 + 12, std::string("\x21\xF9\x04\x01\0\0\x04\0", 8));
    // No global table: the first image's own is edited, and the background names none of it.
    const std::string localOnly = MakeGif(2, 1, "", 1, {{0, 0, 2, 1, std::string(12, '\x40'), {0, 0}, 2}});
    const struct {
        const char* name;
        std::string bytes;
        bool countPixels;
        std::vector<bool> used;
        std::vector<uint32_t> alpha;
        uint32_t largest;  // entries the picture's depth indexes
    } reads[] = {
        {"a.gif", gif, true, {true, true, false, true}, {255, 255, 255, 0}, 256},
        {"b.png",
         AssemblePng({{"IHDR", IhdrData(2, 1, 2, 3)}, {"PLTE", PaletteData(4)}, {"tRNS", "\x80"},
                      {"bKGD", std::string(1, '\0')}, {"IDAT", CompressedRows({{2, 2}}, 2)}, {"IEND", ""}}),
         true, {true, false, true, false}, {128, 255, 255, 255}, 4},
        {"c.bmp", bmp.Bytes(), false, {false, false, false, false}, {255, 255, 255, 255}, 16},
        {"d.gif", twoTables, true, {true, true, false, false}, {255, 255, 255, 255}, 256},
        {"e.gif", localOnly, true, {true, false, false, false}, {255, 255, 255, 255}, 256},
        {"f.gif", pastTable, true, {true, true, false, false}, {255, 255, 255, 255}, 256},
    };
    RemappablePicture picture;
    for (const auto& read : reads) {
        SourceFile file;
        ASSERT_TRUE(ReadPicture(folder.File(read.name), read.bytes, read.countPixels, file, picture));
        EXPECT_EQ(read.used, picture.UsedEntries()) << read.name;
        EXPECT_EQ(read.alpha, picture.Visibility()) << read.name;
        EXPECT_EQ(read.largest, picture.MaximumEntries()) << read.name;
    }
    SourceFile cut;
    std::string reason;
    ASSERT_TRUE(WriteWholeFile(folder.File("cut.bmp"), bmp.Bytes().substr(0, 30)) && cut.Open(folder.File("cut.bmp").c_str()));
    EXPECT_FALSE(picture.Read(cut, false, &reason));
    EXPECT_EQ(ImageFileFormat::Unknown, picture.Format());
    EXPECT_FALSE(picture.ReadIndexed(ByteSource("GIF text, not a picture"), false, &reason));
    EXPECT_EQ("is not a BMP, PNG or GIF file", reason);
}

// bKGD names entry 0, which a swap with entry 1 moves; one past the table
// names no entry and stays as it is.
TEST(RemapPng, ABackgroundOfEntryZeroFollowsIt)
{
    TempFolder folder;
    const std::string out = folder.File("out.png");
    for (const uint8_t background : {0, 2}) {
        SourceFile file;
        RemappablePicture picture;
        ASSERT_TRUE(ReadPicture(folder.File("in.png"),
                                AssemblePng({{"IHDR", IhdrData(2, 1, 8, 3)}, {"PLTE", PaletteData(2)},
                                             {"bKGD", std::string(1, char(background))},
                                             {"IDAT", CompressedRows({{0, 1}}, 8)}, {"IEND", ""}}),
                                true, file, picture));
        EXPECT_EQ(1u, picture.MinimumEntries());
        const std::string after = WriteRemapped(file, picture, picture.Table(), {1, 0}, true, out);
        ASSERT_FALSE(after.empty());
        const size_t type = after.find("bKGD");
        ASSERT_NE(std::string::npos, type);
        EXPECT_EQ(background ? 2 : 1, after[type + 4]);
    }
}

// Each new entry keeps the transparency of the lowest old entry mapped to it,
// and the tRNS ends at its last entry that is not opaque (none: no tRNS); its
// hIST counts the pixels of every old entry mapped to it, up to 65535. A
// single entry is a table like any other.
TEST(RemapPng, TransparencyAndHistogramFollowTheEntries)
{
    TempFolder folder;
    const std::string hist("\x01\x02\x7F\xFF\x7F\xFF\x00\x01", 8), full("\x01\x02\x80\x00\x80\x00\x00\x01", 8);
    struct Case { std::string hist; std::vector<uint32_t> map; uint32_t count; std::string alpha, histAfter; };
    const Case cases[] = {
        {hist, {0, 1, 1, 2}, 3, "\x10", std::string("\x01\x02\xFF\xFE\x00\x01", 6)},
        {full, {0, 1, 1, 1}, 2, "\x10", std::string("\x01\x02\xFF\xFF", 4)},
        {hist, {kDroppedEntry, 0, 0, 1}, 2, "none", std::string("\xFF\xFE\x00\x01", 4)},
        {hist, {0, 0, 0, 0}, 1, "\x10", std::string("\xFF\xFF", 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        const std::string before = AssemblePng({{"IHDR", IhdrData(2, 2, 2, 3)}, {"PLTE", PaletteData(4)},
                                                {"tRNS", std::string("\x10\xFF\x80", 3)}, {"hIST", c.hist},
                                                {"IDAT", CompressedRows({{0, 1}, {2, 3}}, 2)}, {"IEND", ""}}) +
                                   "after the end";
        SourceFile file;
        RemappablePicture picture;
        ASSERT_TRUE(ReadPicture(folder.File("in.png"), before, false, file, picture));
        ColorTable table;
        table.Reset(c.count);
        const std::string after = WriteRemapped(file, picture, table, c.map, false, folder.File("out.png"));
        std::string alpha = "none", histAfter;
        for (const PngPart& part : SplitPng(after)) {
            if (part.type == "tRNS") alpha = part.data.substr(8, part.data.size() - 12);
            if (part.type == "hIST") histAfter = part.data.substr(8, part.data.size() - 12);
        }
        EXPECT_EQ(c.alpha, alpha);
        EXPECT_EQ(c.histAfter, histAfter);
        EXPECT_EQ("after the end", after.substr(after.size() - 13)) << "bytes after IEND stay";
    }
    // A structure never read, or left by a read that failed, is not written from.
    const std::string broken = AssemblePng({{"IHDR", IhdrData(2, 2, 2, 3)}, {"PLTE", PaletteData(4)}, {"IDAT", "x"}});
    PngStructure unread{}, failed{};
    std::string reason;
    EXPECT_FALSE(ReadPngStructure(ByteSource(broken), &failed, &reason));
    for (const PngStructure* png : {&unread, &failed}) {
        ColorTable one;
        one.Reset(1);
        SafeFileWriter writer(folder.File("out.png").c_str());
        reason.clear();
        EXPECT_FALSE(WriteRemappedPng(ByteSource(broken), *png, one, {0}, true, writer, &reason));
        EXPECT_EQ("was not read", reason);
        EXPECT_FALSE(writer.Commit());
    }
}

// Noise through every buffer of a remap: PNG rows wider than the encoder's
// output block (a row whose compressed bytes fill it is still written whole)
// and data longer than an IDAT chunk, and a GIF image larger than the
// decoder's output and the remap's pieces.
TEST(RemapPicture, NoiseThroughEveryBufferKeepsEveryPixel)
{
    TempFolder folder;
    std::mt19937 random(5);
    std::vector<uint8_t> noise(1200000);
    for (uint8_t& index : noise) index = uint8_t(random());
    const Rows rows = {std::vector<uint8_t>(noise.begin(), noise.begin() + 600000),
                       std::vector<uint8_t>(noise.begin() + 600000, noise.end())};
    std::string table;
    for (int i = 0; i < 256; ++i) table += std::string(3, char(i));
    const struct {
        const char* name;
        std::string bytes;
        size_t pixels;
    } cases[] = {
        {"png", AssemblePng({{"IHDR", IhdrData(600000, 2, 8, 3)}, {"PLTE", PaletteData(256)},
                             {"IDAT", CompressedRows(rows, 8)}, {"IEND", ""}}), noise.size()},
        {"gif", MakeGif(300, 200, table, 0, {{0, 0, 300, 200, "", {noise.begin(), noise.begin() + 60000}, 8}}), 60000},
    };
    std::vector<uint32_t> map(256);
    for (uint32_t i = 0; i < 256; ++i) map[i] = 255 - i;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SourceFile file;
        RemappablePicture picture;
        ASSERT_TRUE(ReadPicture(folder.File(std::string("in.") + c.name), c.bytes, false, file, picture));
        const std::string after = WriteRemapped(file, picture, picture.Table(), map, true,
                                                folder.File(std::string("out.") + c.name));
        ASSERT_FALSE(after.empty());
        IndexedFile written;
        std::vector<uint8_t> indices;
        ASSERT_TRUE(ReadIndices(after, written, indices));
        ASSERT_EQ(c.pixels, indices.size());
        uint32_t mismatches = 0;
        for (size_t i = 0; i < indices.size(); ++i) mismatches += indices[i] != 255 - noise[i];
        EXPECT_EQ(0u, mismatches);
        // The new data goes out in IDAT chunks of 1 MiB as it comes, not held whole.
        std::vector<size_t> idat;
        for (const PngPart& part : SplitPng(after))
            if (part.type == "IDAT") idat.push_back(part.data.size() - 12);
        if (c.name == std::string("png")) {
            ASSERT_EQ(2u, idat.size());
            EXPECT_GE(idat[0], size_t(1) << 20);
            EXPECT_LT(idat[0], (size_t(1) << 20) + 64 * 1024) << "at most one of the encoder's blocks more";
        }
    }
}

// Without a global table the first image's local table is the one edited:
// its pixels alone are counted and follow the map (0 and 2 swapped), and the
// image after it stays byte for byte.
TEST(RemapGif, TheFirstImagesLocalTableAndOnlyItsPixelsFollowTheMap)
{
    TempFolder folder;
    const std::string table = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4};
    const GifFrameBytes first = {0, 0, 2, 2, table, {0, 0, 2, 2}, 2};
    const GifFrameBytes second = {0, 0, 2, 2, table, {2, 2, 0, 0}, 2};
    const std::string out = folder.File("out.gif"), before = MakeGif(2, 2, "", 0, {first, second});
    SourceFile file;
    RemappablePicture picture;
    ASSERT_TRUE(ReadPicture(folder.File("in.gif"), before, true, file, picture));
    EXPECT_EQ(std::vector<bool>({true, false, true, false}), picture.UsedEntries());
    ColorTable swapped = picture.Table();
    std::swap(*swapped.GetEntry(0), *swapped.GetEntry(2));
    const std::string after = WriteRemapped(file, picture, swapped, {2, 1, 0, 3}, true, out);
    ASSERT_FALSE(after.empty());
    IndexedFile written;
    std::vector<uint8_t> indices;
    ASSERT_TRUE(ReadIndices(after, written, indices));
    EXPECT_EQ(3u, written.Table().GetEntry(0)->red);
    EXPECT_EQ(std::vector<uint8_t>({2, 2, 0, 0}), indices);
    EXPECT_EQ(before.substr(0, 13), after.substr(0, 13)) << "the screen and its background are the global table's";
    GifStructure in, back;
    std::string reason;
    ASSERT_TRUE(ReadGifStructure(ByteSource(before), &in, &reason));
    ASSERT_TRUE(ReadGifStructure(ByteSource(after), &back, &reason)) << reason;
    ASSERT_EQ(2u, back.images.size());
    auto secondImage = [](const std::string& bytes, const GifImage& image) {
        const uint64_t end = image.dataOffset + image.dataLength;
        return bytes.substr(size_t(image.descriptorOffset), size_t(end - image.descriptorOffset));
    };
    EXPECT_EQ(secondImage(before, in.images[1]), secondImage(after, back.images[1]));
}

// A plain text extension draws with global entries: its foreground and
// background, and the transparent index of the graphic control before it,
// follow the map (each entry one on), however long its text; the image after
// it has a table of its own and stays as it is.
TEST(RemapGif, PlainTextColorsFollowTheMapAndTheTextStays)
{
    TempFolder folder;
    const std::string table = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4};
    std::string text;
    for (int i = 0; i < 20; ++i) text += '\xFF' + std::string(255, char('a' + i));
    const std::string control("\x21\xF9\x04\x01\x00\x00\x02\x00", 8);
    const std::string extension = std::string("\x21\x01\x0C", 3) + std::string(10, '\x01') + '\x00' + '\x02' + text + '\0';
    std::string before = MakeGif(2, 2, table, 0, {{0, 0, 2, 2, table, {0, 1, 2, 3}, 2}});
    before.insert(13 + table.size(), control + extension);
    const std::string out = folder.File("out.gif");
    SourceFile file;
    RemappablePicture picture;
    ASSERT_TRUE(ReadPicture(folder.File("in.gif"), before, true, file, picture));
    const std::string after = WriteRemapped(file, picture, picture.Table(), {1, 2, 3, 0}, false, out);
    ASSERT_FALSE(after.empty());
    const size_t transparent = 13 + table.size() + 6, colors = 13 + table.size() + control.size() + 13;
    ASSERT_EQ(before.size(), after.size());
    EXPECT_EQ('\3', after[transparent]);
    EXPECT_EQ(std::string("\x01\x03", 2), after.substr(colors, 2));
    EXPECT_TRUE(before.compare(colors + 2, std::string::npos, after, colors + 2, std::string::npos) == 0)
        << "the text and the image after it stay";
}

// The encoder's data, sub-blocks and all, decodes to what it was given and
// ends with an end code: random indices fill the dictionary again and again
// (clear codes), runs make long strings and compress, a lone pixel of 0 or 1
// is the shortest data, and every code size from 2 to 8 is met.
TEST(GifLzwEncoder, WhatItWritesDecodesToTheSameIndices)
{
    std::mt19937 random(3);
    for (uint8_t codeSize = 2; codeSize <= 8; ++codeSize) {
        for (int pattern = 0; pattern < 5; ++pattern) {
            std::vector<uint8_t> indices(pattern == 4 ? 0 : pattern >= 2 ? 1 : 70000);
            for (size_t i = 0; i < indices.size() && pattern < 3; ++i)
                indices[i] = uint8_t(pattern == 0 ? random() % (1u << codeSize) : (i / 300 + (i % 7 == 0)) % (1u << codeSize));
            std::string data;
            GifLzwEncoder encoder(codeSize, [&](const uint8_t* bytes, size_t n) {
                data.append(reinterpret_cast<const char*>(bytes), n);
            });
            for (size_t at = 0; at < indices.size(); at += 1000)
                encoder.Add(indices.data() + at, std::min<size_t>(1000, indices.size() - at));
            encoder.Finish();
            std::vector<uint8_t> decoded;
            // One pixel more than given: only the end code can finish the data.
            GifLzwDecoder decoder(codeSize, indices.size() + 1, [&](const uint8_t* p, size_t n) {
                decoded.insert(decoded.end(), p, p + n);
            });
            // Sub-blocks: a length byte, that many bytes, until a zero length;
            // all but the last full, since each short one costs a length byte.
            size_t at = 0, shortBlocks = 0;
            GifLzwDecoder::Status status = GifLzwDecoder::Status::NeedMore;
            while (at < data.size() && data[at] != 0 && status == GifLzwDecoder::Status::NeedMore) {
                const size_t length = uint8_t(data[at]);
                shortBlocks += length < 255 && at + 1 + length < data.size() && data[at + 1 + length] != 0;
                status = decoder.Feed(reinterpret_cast<const uint8_t*>(data.data()) + at + 1, length);
                at += 1 + length;
            }
            EXPECT_EQ(GifLzwDecoder::Status::Finished, status) << int(codeSize) << " " << pattern;
            EXPECT_EQ(1u, decoder.Finish(false));
            EXPECT_EQ(indices, decoded) << int(codeSize) << " " << pattern;
            if (pattern == 1) {
                EXPECT_LT(data.size(), indices.size() / 3) << "runs are written as strings";
            }
            EXPECT_EQ('\0', data.back());
            EXPECT_EQ(0u, shortBlocks) << int(codeSize) << " " << pattern;
            // Decoders that know no other start expect a clear code first.
            EXPECT_EQ(1u << codeSize, (uint8_t(data[1]) | uint8_t(data[2]) << 8) & ((2u << codeSize) - 1));
            if (indices.size() <= 1) {
                // The clear code, the pixel if any, the end code, and not a byte more.
                EXPECT_EQ(2 + ((indices.size() + 2) * (codeSize + 1u) + 7) / 8, data.size()) << int(codeSize);
            }
        }
    }
}

TEST(GifLzwEncoder, DataFillingWholeSubBlocksEndsWithOneTerminator)
{
    // A zero length byte ends the data, so an empty block flushed at the end
    // would leave a stray byte where the next GIF block starts.
    std::mt19937 random(5);
    std::vector<uint8_t> indices;
    int wholeBlocks = 0;
    while (indices.size() < 8000) {
        indices.push_back(uint8_t(random()));
        std::string data;
        GifLzwEncoder encoder(8, [&](const uint8_t* bytes, size_t n) {
            data.append(reinterpret_cast<const char*>(bytes), n);
        });
        encoder.Add(indices.data(), indices.size());
        encoder.Finish();
        size_t at = 0;
        while (at < data.size() && data[at] != 0) at += 1 + uint8_t(data[at]);
        ASSERT_EQ(data.size() - 1, at) << indices.size();
        wholeBlocks += at % 256 == 0;
    }
    EXPECT_GT(wholeBlocks, 0);
}

ColorTable TableOf(const std::vector<uint32_t>& rgb)
{
    ColorTable table;
    table.Reset(uint32_t(rgb.size()));
    for (uint32_t i = 0; i < rgb.size(); ++i)
        table.SetColor(i, uint8_t(rgb[i] >> 16), uint8_t(rgb[i] >> 8), uint8_t(rgb[i]));
    return table;
}

std::vector<uint32_t> Colors(const ColorTable& table)
{
    std::vector<uint32_t> rgb;
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        const ColorEntry& e = *table.GetEntry(i);
        rgb.push_back(uint32_t(e.red) << 16 | uint32_t(e.green) << 8 | e.blue);
    }
    return rgb;
}

// Each old entry's color is the new table's color at map[i], for each
// entry some pixel could use.
void ExpectPictureKept(const ColorTable& old, const Rearrangement& plan, const std::vector<bool>& used)
{
    ASSERT_EQ(old.GetCount(), plan.map.size());
    for (uint32_t i = 0; i < old.GetCount(); ++i) {
        if (!used.empty() && !used[i]) continue;
        ASSERT_LT(plan.map[i], plan.table.GetCount()) << i;
        EXPECT_EQ(old.GetPackedColor(i), plan.table.GetPackedColor(plan.map[i])) << "entry " << i;
    }
}

TEST(Rearrange, EachOperationGivesTheTableItNamesAndKeepsThePicture)
{
    // Red, grey, dark blue, yellow, red again, black, white, green.
    const std::vector<uint32_t> rgb = {0xFF0000, 0x808080, 0x000040, 0xFFFF00, 0xFF0000, 0x000000, 0xFFFFFF, 0x00FF00};
    const ColorTable table = TableOf(rgb);
    const std::vector<uint64_t> counts = {5, 0, 9, 9, 1, 0, 2, 7};
    std::string reason;
    struct Case {
        const char* name;
        std::function<bool(Rearrangement*)> run;
        std::vector<uint32_t> expected;
    };
    const std::vector<Case> cases = {
        {"move 1-2 to 5", [&](Rearrangement* r) { return MoveEntries(table, 1, 2, 5, false, r, &reason); },
         {0xFF0000, 0xFFFF00, 0xFF0000, 0x000000, 0xFFFFFF, 0x808080, 0x000040, 0x00FF00}},
        {"move 6 to 0", [&](Rearrangement* r) { return MoveEntries(table, 6, 6, 0, false, r, &reason); },
         {0xFFFFFF, 0xFF0000, 0x808080, 0x000040, 0xFFFF00, 0xFF0000, 0x000000, 0x00FF00}},
        {"swap 0 7", [&](Rearrangement* r) { return SwapEntries(table, 0, 7, false, r, &reason); },
         {0x00FF00, 0x808080, 0x000040, 0xFFFF00, 0xFF0000, 0x000000, 0xFFFFFF, 0xFF0000}},
        {"hue", [&](Rearrangement* r) { return SortEntries(table, 0, 7, SortKey::Hue, counts, false, r, &reason); },
         {0x808080, 0x000000, 0xFFFFFF, 0xFF0000, 0xFF0000, 0xFFFF00, 0x00FF00, 0x000040}},
        {"lightness 2-6",
         [&](Rearrangement* r) { return SortEntries(table, 2, 6, SortKey::Lightness, counts, false, r, &reason); },
         {0xFF0000, 0x808080, 0x000000, 0x000040, 0xFF0000, 0xFFFF00, 0xFFFFFF, 0x00FF00}},
        {"usage", [&](Rearrangement* r) { return SortEntries(table, 0, 7, SortKey::Usage, counts, false, r, &reason); },
         {0x000040, 0xFFFF00, 0x00FF00, 0xFF0000, 0xFFFFFF, 0xFF0000, 0x808080, 0x000000}},
    };
    for (const Case& c : cases) {
        Rearrangement plan;
        ASSERT_TRUE(c.run(&plan)) << c.name << ": " << reason;
        EXPECT_EQ(c.expected, Colors(plan.table)) << c.name;
        EXPECT_TRUE(plan.remapPixels);
        ExpectPictureKept(table, plan, {});
    }

    Rearrangement kept;
    ASSERT_TRUE(SwapEntries(table, 0, 7, true, &kept, &reason));
    EXPECT_FALSE(kept.remapPixels);
    EXPECT_EQ(7u, kept.map[0]);
    // A range may end on the last entry, not past it.
    EXPECT_TRUE(MoveEntries(table, 6, 7, 6, false, &kept, &reason)) << reason;
    EXPECT_FALSE(MoveEntries(table, 6, 7, 7, false, &kept, &reason));
    EXPECT_EQ("entries 6-7 at position 7 would run past the table's last entry (7)", reason);
    // Either end of a sorted range outside the table is named.
    EXPECT_FALSE(SortEntries(table, 8, 3, SortKey::Hue, counts, false, &kept, &reason));
    EXPECT_EQ("entry 8 is not in the table of 8 entries (0 to 7)", reason);
    EXPECT_FALSE(SortEntries(table, 3, 9, SortKey::Hue, counts, false, &kept, &reason));
    EXPECT_EQ("entry 9 is not in the table of 8 entries (0 to 7)", reason);
    struct Refusal { const char* name; std::function<bool(Rearrangement*)> run; const char* reason; };
    const std::vector<Refusal> refusals = {
        {"move 9", [&](Rearrangement* r) { return MoveEntries(table, 9, 9, 0, false, r, &reason); },
         "entry 9 is not in the table of 8 entries (0 to 7)"},
        {"move 3-9", [&](Rearrangement* r) { return MoveEntries(table, 3, 9, 0, false, r, &reason); },
         "entry 9 is not in the table of 8 entries (0 to 7)"},
        {"move 5-3", [&](Rearrangement* r) { return MoveEntries(table, 5, 3, 0, false, r, &reason); },
         "the range 5-3 ends before it starts"},
        {"sort 5-3", [&](Rearrangement* r) { return SortEntries(table, 5, 3, SortKey::Usage, counts, false, r, &reason); },
         "the range 5-3 ends before it starts"},
    };
    for (const Refusal& c : refusals) {
        EXPECT_FALSE(c.run(&kept)) << c.name;
        EXPECT_EQ(c.reason, reason) << c.name;
    }
    // One entry is a range; equal keys keep their order; entries past the counts count no pixels.
    ASSERT_TRUE(SortEntries(table, 4, 4, SortKey::Lightness, counts, false, &kept, &reason)) << reason;
    EXPECT_EQ(rgb, Colors(kept.table));
    ASSERT_TRUE(SortEntries(table, 0, 7, SortKey::Lightness, counts, false, &kept, &reason));
    EXPECT_LT(kept.map[0], kept.map[4]) << "the same red twice";
    ASSERT_TRUE(SortEntries(table, 0, 3, SortKey::Usage, {0, 3}, false, &kept, &reason));
    EXPECT_EQ(std::vector<uint32_t>({1, 0, 2, 3, 4, 5, 6, 7}), kept.map);

    std::vector<bool> used;
    for (uint64_t n : counts) used.push_back(n > 0);
    Rearrangement compact;
    ASSERT_TRUE(CompactEntries(table, used, 1, &compact, &reason));
    EXPECT_EQ(std::vector<uint32_t>({0xFF0000, 0x000040, 0xFFFF00, 0xFF0000, 0xFFFFFF, 0x00FF00}), Colors(compact.table));
    EXPECT_EQ(2u, compact.removed);
    ExpectPictureKept(table, compact, used);
    // Too few used entries: the first unused ones stay, to the minimum.
    ASSERT_TRUE(CompactEntries(table, std::vector<bool>(8, false), 2, &compact, &reason));
    EXPECT_EQ(std::vector<uint32_t>({0xFF0000, 0x808080}), Colors(compact.table));
    ASSERT_TRUE(CompactEntries(table, {false, true, false, false, true}, 4, &compact, &reason));
    EXPECT_EQ(std::vector<uint32_t>({rgb[0], rgb[1], rgb[2], rgb[4]}), Colors(compact.table));
    ASSERT_TRUE(CompactEntries(table, {true}, 2, &compact, &reason));
    EXPECT_EQ(std::vector<uint32_t>({rgb[0], rgb[1]}), Colors(compact.table));
    // A pixel past the table's end keeps no entry.
    ASSERT_TRUE(CompactEntries(TableOf({rgb[0], rgb[1]}), {false, false, true}, 1, &compact, &reason));
    EXPECT_EQ(std::vector<uint32_t>({rgb[0]}), Colors(compact.table));

    // Entry 4 repeats entry 0; with alpha telling them apart, nothing merges.
    Rearrangement merged;
    ASSERT_TRUE(MergeDuplicateEntries(table, {}, &merged, &reason));
    EXPECT_EQ(rgb, Colors(merged.table));
    EXPECT_EQ(std::vector<uint32_t>({0, 1, 2, 3, 0, 5, 6, 7}), merged.map);
    EXPECT_EQ(1u, merged.removed);
    ASSERT_TRUE(MergeDuplicateEntries(table, {255, 255, 255, 255, 0}, &merged, &reason));
    EXPECT_EQ(0u, merged.removed);
    ASSERT_TRUE(MergeDuplicateEntries(table, {255}, &merged, &reason));
    EXPECT_EQ(1u, merged.removed) << "entries past the alpha values are opaque";
}

TEST(Rearrange, ConformTakesThePaletteAndTheNearestColors)
{
    const ColorTable table = TableOf({0xFE0000, 0x101010, 0xF0F0F0, 0x000000});
    // Black twice: ties go to the lower entry.
    const ColorTable palette = TableOf({0xFFFFFF, 0x000000, 0xFF0000, 0x000000});
    Rearrangement plan;
    std::string reason;
    ASSERT_TRUE(MergeDuplicateEntries(palette, {}, &plan, &reason));
    ASSERT_TRUE(ConformToPalette(table, palette, {}, {}, &plan, &reason)) << reason;
    EXPECT_EQ(0u, plan.removed) << "an earlier plan's counts are not carried over";
    EXPECT_EQ(Colors(palette), Colors(plan.table));
    EXPECT_EQ(std::vector<uint32_t>({2, 1, 0, 1}), plan.map);
    EXPECT_EQ(3u, plan.moved);
    EXPECT_EQ(3u, plan.recolored);
    // The grey nearest black is the farthest.
    EXPECT_NEAR(ColorToOklab(0x10, 0x10, 0x10).l, plan.largestError, 1e-6);
    ASSERT_TRUE(ConformToPalette(palette, palette, {}, {}, &plan, &reason));
    EXPECT_EQ(0u, plan.recolored) << "a palette conformed to itself";
    EXPECT_FALSE(ConformToPalette(table, ColorTable(), {}, {}, &plan, &reason));
}

// Lines of "BEFORE AFTER OLD-ENTRY...": the table AFTER must hold BEFORE's
// entries in that order, and every frame must look as it did.
const char kCompareFrames[] = R"(import sys
from PIL import Image

def table(im):
    p = im.getpalette() or []
    return [tuple(p[i:i + 3]) for i in range(0, len(p), 3)]

def frames(im):
    shown = []
    for n in range(im.n_frames):
        im.seek(n)
        shown.append(im.convert('RGBA').tobytes())
    return shown

for line in open(sys.argv[1]):
    before_path, after_path, *order = line.split()
    before, after = Image.open(before_path), Image.open(after_path)
    want = [table(before)[int(i)] for i in order]
    if table(after) != want: print('table %s, want %s' % (table(after), want))
    elif before.n_frames < 2: print('not read as an animation')
    elif frames(before) != frames(after): print('a frame changed')
    else: print('ok')
)";

struct Frame {
    uint32_t width, height, x, y;
    std::vector<uint8_t> entries;  // its pixels take these, at random
    uint32_t pieces;               // fdAT chunks its data is split into
};

enum class Operation { Move, Usage, Compact };

struct Animation {
    const char* name;
    uint8_t bitDepth;
    uint32_t entries, alphaCount;
    bool defaultIsFrame;                  // fcTL before IDAT
    std::vector<uint8_t> defaultEntries;  // the IDAT image's pixels
    std::vector<Frame> frames;            // in fdAT
    Operation operation;
    uint32_t moveFrom, moveTo;
};

Rows RandomRows(uint32_t width, uint32_t height, const std::vector<uint8_t>& entries, std::mt19937& random,
                std::vector<uint64_t>* counts)
{
    Rows rows(height, std::vector<uint8_t>(width));
    for (auto& row : rows)
        for (uint8_t& index : row) ++(*counts)[index = entries[random() % entries.size()]];
    return rows;
}

std::string FrameControl(uint32_t sequence, const Frame& f)
{
    return BigEndian32(sequence) + BigEndian32(f.width) + BigEndian32(f.height) + BigEndian32(f.x) + BigEndian32(f.y) +
           std::string{0, 1, 0, 10, 0, 0};
}

// The file, with sequence numbers running over fcTL and fdAT, and how many
// pixels of each entry its images hold.
std::string AnimationFile(const Animation& a, std::vector<uint64_t>* counts)
{
    const uint32_t width = 11, height = 7;
    std::mt19937 random(a.bitDepth);
    counts->assign(a.entries, 0);
    std::string alpha;
    for (uint32_t i = 0; i < a.alphaCount; ++i) alpha += char(255 - 40 * i);
    std::vector<PngPart> parts = {{"IHDR", IhdrData(width, height, a.bitDepth, 3)},
                                  {"acTL", BigEndian32(uint32_t(a.frames.size()) + a.defaultIsFrame) + BigEndian32(0)},
                                  {"PLTE", PaletteData(a.entries)}};
    if (!alpha.empty()) parts.push_back({"tRNS", alpha});
    uint32_t sequence = 0;
    if (a.defaultIsFrame) parts.push_back({"fcTL", FrameControl(sequence++, {width, height, 0, 0, {}, 0})});
    parts.push_back({"IDAT", CompressedRows(RandomRows(width, height, a.defaultEntries, random, counts), a.bitDepth)});
    for (const Frame& f : a.frames) {
        parts.push_back({"fcTL", FrameControl(sequence++, f)});
        const std::string data = CompressedRows(RandomRows(f.width, f.height, f.entries, random, counts), a.bitDepth);
        const size_t piece = (data.size() + f.pieces - 1) / f.pieces;
        for (size_t at = 0; at < data.size(); at += piece)
            parts.push_back({"fdAT", BigEndian32(sequence++) + data.substr(at, piece)});
    }
    parts.push_back({"IEND", ""});
    return AssemblePng(parts);
}

// The old entries in the order the new table must hold them, from the
// pixels the test put in.
std::vector<uint32_t> ExpectedOrder(const Animation& a, const std::vector<uint64_t>& counts)
{
    std::vector<uint32_t> order;
    for (uint32_t i = 0; i < a.entries; ++i)
        if (a.operation != Operation::Compact || counts[i] > 0) order.push_back(i);
    if (a.operation == Operation::Usage)
        std::stable_sort(order.begin(), order.end(), [&](uint32_t l, uint32_t r) { return counts[l] > counts[r]; });
    if (a.operation == Operation::Move) {
        order.erase(order.begin() + a.moveFrom);
        order.insert(order.begin() + a.moveTo, a.moveFrom);
    }
    return order;
}

bool Plan(const Animation& a, const RemappablePicture& picture, Rearrangement* plan, std::string* reason)
{
    const ColorTable& table = picture.Table();
    if (a.operation == Operation::Move)
        return MoveEntries(table, a.moveFrom, a.moveFrom, a.moveTo, false, plan, reason);
    if (a.operation == Operation::Usage)
        return SortEntries(table, 0, table.GetCount() - 1, SortKey::Usage, picture.Counts(), false, plan, reason);
    return CompactEntries(table, picture.UsedEntries(), picture.MinimumEntries(), plan, reason);
}

// Every frame of an APNG (in IDAT or fdAT, at an offset, its data in one
// fdAT chunk or more) is remapped; usage counts take in every frame, so a
// sort by usage ranks and a compact keeps an entry only a later frame uses.
TEST(RemapAnimatedPng, EveryFrameKeepsItsPictureAndTheSequenceStaysValid)
{
    const std::string python = PythonWith("PIL");
    if (python.empty()) GTEST_SKIP() << "SKIPPED LOUDLY: needs Python 3 with Pillow (python3-pil)";
    const std::vector<Animation> cases = {
        {"one-bit", 1, 2, 0, true, {0, 1}, {{5, 4, 3, 2, {1}, 1}, {11, 7, 0, 0, {0, 1}, 2}}, Operation::Move, 1, 0},
        // Entry 3 is only in the frames, yet the most used.
        {"two-bit", 2, 4, 3, false, {0, 1}, {{9, 6, 2, 1, {3}, 1}, {4, 3, 7, 4, {2, 3}, 2}}, Operation::Usage, 0, 0},
        // Entry 9 is only in the last frame.
        {"four-bit", 4, 12, 0, true, {0, 2, 4}, {{6, 5, 5, 2, {2, 7}, 1}, {3, 3, 0, 4, {9}, 2}}, Operation::Compact,
         0, 0},
        {"eight-bit", 8, 200, 6, false, {5, 150}, {{10, 7, 1, 0, {5, 199}, 3}, {2, 2, 9, 5, {120, 3}, 1}},
         Operation::Compact, 0, 0},
        {"eight-bit-move", 8, 200, 6, true, {1, 2, 3}, {{3, 1, 8, 6, {4, 199}, 1}}, Operation::Move, 2, 150},
    };
    TempFolder folder;
    std::string jobs;
    for (const Animation& a : cases) {
        std::vector<uint64_t> counts;
        const std::string before = folder.File(std::string(a.name) + ".png");
        const std::string after = folder.File(std::string(a.name) + "-after.png");
        ASSERT_TRUE(WriteWholeFile(before, AnimationFile(a, &counts)));
        SourceFile file;
        ASSERT_TRUE(file.Open(before.c_str()));
        RemappablePicture picture;
        Rearrangement plan;
        std::string reason;
        ASSERT_TRUE(picture.Read(file, true, &reason)) << a.name << ": " << reason;
        ASSERT_TRUE(Plan(a, picture, &plan, &reason)) << a.name << ": " << reason;
        SafeFileWriter writer(after.c_str());
        ASSERT_TRUE(picture.Write(file, plan.table, plan.map, true, writer, &reason)) << a.name << ": " << reason;
        ASSERT_TRUE(writer.Commit()) << a.name;
        // Each frame's new data fits one fdAT chunk, however many it had.
        size_t frameData = 0;
        for (const PngPart& part : SplitPng(ReadWholeFile(after))) frameData += part.type == "fdAT";
        EXPECT_EQ(a.frames.size(), frameData) << a.name;
        // Read again, each new entry counts the pixels of the old one it took.
        SourceFile written;
        ASSERT_TRUE(written.Open(after.c_str()));
        RemappablePicture again;
        ASSERT_TRUE(again.Read(written, true, &reason)) << a.name << ": " << reason;
        for (uint32_t i = 0; i < plan.map.size(); ++i) {
            if (plan.map[i] != kDroppedEntry) {
                EXPECT_EQ(counts[i], again.Counts()[plan.map[i]]) << a.name << " " << i;
            }
        }
        jobs += before + " " + after;
        for (uint32_t i : ExpectedOrder(a, counts)) jobs += " " + std::to_string(i);
        jobs += "\n";
        // It knows no APNG chunk (Pillow checks their sequence) but checks the rest.
        if (FileExists("/usr/bin/pngcheck")) {
            EXPECT_EQ(0, std::system(("/usr/bin/pngcheck -q '" + after + "'").c_str())) << a.name;
        }
    }
    ASSERT_TRUE(WriteWholeFile(folder.File("jobs.txt"), jobs));
    std::string verdicts;
    ASSERT_TRUE(RunPythonScript(python, folder, kCompareFrames, {folder.File("jobs.txt")}, &verdicts)) << verdicts;
    std::istringstream lines(verdicts);
    for (const Animation& a : cases) {
        std::string verdict;
        std::getline(lines, verdict);
        EXPECT_EQ("ok", verdict) << a.name;
    }
}

// Without a pixel remap an animated PNG keeps its frames byte for byte.
TEST(RemapAnimatedPng, WithoutAPixelRemapTheFramesStayByteForByte)
{
    TempFolder folder;
    const Animation a = {"four-bit", 4, 12, 0, true, {0, 2, 4}, {{6, 5, 5, 2, {2, 7}, 1}, {3, 3, 0, 4, {9}, 2}},
                         Operation::Compact, 0, 0};
    std::vector<uint64_t> counts;
    const std::string before = AnimationFile(a, &counts);
    SourceFile file;
    RemappablePicture picture;
    ASSERT_TRUE(ReadPicture(folder.File("in.png"), before, false, file, picture));
    std::vector<uint32_t> same(picture.Table().GetCount());
    for (uint32_t i = 0; i < same.size(); ++i) same[i] = i;
    EXPECT_EQ(before, WriteRemapped(file, picture, picture.Table(), same, false, folder.File("out.png")));
}

}  // namespace

namespace {

// The rows of a picture as its IDAT stores them: whole rows, or the seven
// Adam7 passes one after the other.
Rows StoredRows(const Rows& picture, bool interlaced)
{
    if (!interlaced) return picture;
    static const uint32_t passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                          {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    Rows stored;
    for (const auto& pass : passes) {
        for (uint32_t y = pass[1]; y < picture.size(); y += pass[3]) {
            std::vector<uint8_t> row;
            for (uint32_t x = pass[0]; x < picture[y].size(); x += pass[2]) row.push_back(picture[y][x]);
            if (!row.empty()) stored.push_back(row);
        }
    }
    return stored;
}

}  // namespace

// A counted PNG's rows are kept from the count and replayed by the rewrite:
// it writes what a rewrite inflating the file again writes, at every depth,
// interlaced or not, and when the rows are more than is kept.
TEST(RemapPng, RowsKeptFromCountingWriteWhatTheFileItselfGives)
{
    TempFolder folder;
    std::mt19937 random(11);
    for (uint8_t depth : {1, 2, 4, 8}) {
        for (uint8_t interlace : {0, 1}) {
            SCOPED_TRACE("depth " + std::to_string(depth) + (interlace ? " interlaced" : ""));
            const uint32_t entries = 1u << depth, width = 37, height = 23;
            Rows picture(height, std::vector<uint8_t>(width));
            for (auto& row : picture)
                for (uint8_t& index : row) index = uint8_t(random() % entries);
            const std::string bytes =
                AssemblePng({{"IHDR", IhdrData(width, height, depth, 3, interlace)}, {"PLTE", PaletteData(entries)},
                             {"IDAT", CompressedRows(StoredRows(picture, interlace != 0), depth)}, {"IEND", ""}});
            std::vector<uint32_t> map(entries);
            for (uint32_t i = 0; i < entries; ++i) map[i] = entries - 1 - i;
            std::string written[2];
            for (bool counted : {true, false}) {
                SourceFile file;
                RemappablePicture remappable;
                ASSERT_TRUE(ReadPicture(folder.File("in.png"), bytes, counted, file, remappable));
                written[counted] = WriteRemapped(file, remappable, remappable.Table(), map, true,
                                                 folder.File(counted ? "counted.png" : "read again.png"));
            }
            ASSERT_FALSE(written[1].empty());
            EXPECT_EQ(written[0], written[1]);
            IndexedFile decoded;
            std::vector<uint8_t> indices;
            ASSERT_TRUE(ReadIndices(written[1], decoded, indices));
            ASSERT_EQ(size_t(width) * height, indices.size());
            uint32_t wrong = 0;
            for (uint32_t y = 0; y < height; ++y)
                for (uint32_t x = 0; x < width; ++x) wrong += indices[size_t(y) * width + x] != map[picture[y][x]];
            EXPECT_EQ(0u, wrong);

            // Rows past the bound are let go: the rewrite reads the file.
            const ByteSource source(bytes);
            PngStructure png;
            std::vector<uint64_t> counts;
            std::string reason;
            PngKeptRows few(64);
            ASSERT_TRUE(ReadPngStructure(source, &png, &reason)) << reason;
            ASSERT_TRUE(CountPngIndices(source, png, &counts, &reason, &few)) << reason;
            EXPECT_FALSE(few.Complete());
            const std::string path = folder.File("few.png");
            SafeFileWriter writer(path.c_str());
            ColorTable table;
            ASSERT_TRUE(table.Assign(png.table));
            ASSERT_TRUE(WriteRemappedPng(source, png, table, map, true, writer, &reason, PngEncoding(), &few)) << reason;
            ASSERT_TRUE(writer.Commit());
            EXPECT_EQ(written[1], ReadWholeFile(path));
        }
    }
}
