// Indexed PNG files read, refused and rewritten with a new table, built chunk
// by chunk so that every layout the rewrite must keep is there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

#include "image/dib_image.h"
#include "image/indexed_file.h"
#include "image/png_file.h"
#include "image/png_row_encoder.h"
#include "image/png_truecolor.h"
#include "platform/safe_file_writer.h"
#include "report/png_report.h"
#include "tests/support/grouping_locale.h"
#include "tests/support/png_bytes.h"
#include "tests/support/temp_folder.h"

namespace {

struct Layout {
    uint8_t bitDepth;
    uint32_t entries;
    uint32_t alphaCount;  // tRNS entries; 0 for none
    bool hist, animated;  // animated: a second frame in fdAT uses the last entry
    bool tail;            // bytes after IEND
    uint32_t idatPieces;
};
const Layout kLayouts[] = {{8, 20, 0, false, false, false, 1}, {4, 12, 5, true, false, false, 3},
                           {2, 4, 4, false, false, true, 1},   {1, 2, 1, true, false, false, 5},
                           {8, 9, 9, true, true, false, 2}};
const uint32_t kWidth = 6, kHeight = 4;

Rows Picture(uint32_t width, uint32_t height, uint32_t limit)
{
    Rows rows(height, std::vector<uint8_t>(width));
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) rows[y][x] = uint8_t((x * 3 + y) % limit);
    return rows;
}

PngPart FrameControl(uint32_t sequence, uint32_t width, uint32_t height, uint32_t x, uint32_t y)
{
    return {"fcTL", BigEndian32(sequence) + BigEndian32(width) + BigEndian32(height) + BigEndian32(x) + BigEndian32(y) +
                        std::string{0, 1, 0, 10, 0, 0}};
}

std::vector<PngPart> Parts(const Layout& l)
{
    std::vector<PngPart> parts = {{"IHDR", IhdrData(kWidth, kHeight, l.bitDepth, 3)}};
    if (l.animated) parts.push_back({"acTL", BigEndian32(2) + BigEndian32(0)});
    parts.push_back({"PLTE", PaletteData(l.entries)});
    if (l.alphaCount) parts.push_back({"tRNS", std::string("\xC8\xBF\xB6\xAD\xA4\x9B\x92\x89\x80", l.alphaCount)});
    if (l.hist) parts.push_back({"hIST", std::string(2 * l.entries, '\x01')});
    parts.push_back({"bKGD", std::string(1, '\0')});
    parts.push_back({"tEXt", std::string("Comment\0kept as it is", 21)});
    if (l.animated) parts.push_back(FrameControl(0, kWidth, kHeight, 0, 0));
    const std::string data = CompressedRows(Picture(kWidth, kHeight, l.entries - l.animated), l.bitDepth);
    const size_t piece = (data.size() + l.idatPieces - 1) / l.idatPieces;
    for (size_t at = 0; at < data.size(); at += piece) parts.push_back({"IDAT", data.substr(at, piece)});
    if (l.animated) {
        parts.push_back(FrameControl(1, 3, 2, 1, 1));
        // Chunks of other programs named like frame chunks but for a letter's case.
        parts.push_back({"fcTl", std::string(26, 'j')});
        parts.push_back({"fdAt", "junk"});
        parts.push_back({"fdAT", BigEndian32(2) + CompressedRows(Rows(2, std::vector<uint8_t>(3, l.entries - 1)), l.bitDepth)});
    }
    parts.push_back({"IEND", ""});
    return parts;
}

std::string FileOf(const Layout& layout)
{
    return AssemblePng(Parts(layout)) + (layout.tail ? "trailing bytes" : "");
}

// The structure of a made file, read as the editor reads it.
::testing::AssertionResult StructureOf(const std::string& file, PngStructure* png)
{
    std::string reason;
    if (ReadPngStructure(ByteSource(file), png, &reason)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << reason;
}

}  // namespace

TEST(PngFile, StructureDecodeAndLargestIndexOverLayouts)
{
    for (const Layout& layout : kLayouts) {
        const std::string file = FileOf(layout);
        SCOPED_TRACE(file.size());
        ByteSource source(file);
        PngStructure png;
        std::string reason;
        ASSERT_TRUE(ReadPngStructure(source, &png, &reason)) << reason;
        const std::string header = BigEndian32(png.width) + BigEndian32(png.height) +
                                   std::string{char(png.bitDepth), char(png.colorType), char(png.compression),
                                               char(png.filter), char(png.interlace)};
        EXPECT_EQ(IhdrData(kWidth, kHeight, layout.bitDepth, 3), header);
        const std::vector<PngPart> parts = SplitPng(file);
        ASSERT_EQ(parts.size() - layout.tail, png.chunks.size());
        for (size_t i = 0, offset = 8; i < png.chunks.size(); offset += parts[i++].data.size()) {
            const PngChunk& c = png.chunks[i];
            EXPECT_EQ(parts[i].data, BigEndian32(c.length) + c.type + file.substr(offset + 8, c.length) + BigEndian32(c.crc));
            EXPECT_EQ(offset, c.offset);
        }
        EXPECT_EQ(PaletteData(layout.entries), TableBytes(png.table));
        EXPECT_EQ(std::string("\xC8\xBF\xB6\xAD\xA4\x9B\x92\x89\x80", layout.alphaCount),
                  std::string(png.alpha.begin(), png.alpha.end()));
        EXPECT_EQ(layout.animated, png.animated);
        EXPECT_EQ(1u + layout.animated, png.frameCount);

        // With frames, the largest index is the frame's, which the default
        // image never uses.
        const Rows picture = Picture(kWidth, kHeight, layout.entries - layout.animated);
        Rows decoded;
        ASSERT_TRUE(DecodePngImage(source, png, [&](uint32_t y, const uint8_t* indices) {
            EXPECT_EQ(decoded.size(), y);
            decoded.emplace_back(indices, indices + png.width);
        }, &reason)) << reason;
        EXPECT_EQ(picture, decoded);
        uint32_t largest = 0, used = 0;
        ASSERT_TRUE(LargestPngIndex(source, png, &largest, &reason)) << reason;
        for (const auto& row : picture) used = std::max<uint32_t>(used, *std::max_element(row.begin(), row.end()));
        EXPECT_EQ(layout.animated ? layout.entries - 1 : used, largest);
    }
}

TEST(PngFile, RewriteChangesOnlyThePaletteChunksAndKeepsEveryOtherByte)
{
    TempFolder folder;
    for (const Layout& layout : kLayouts) {
        const std::string file = FileOf(layout);
        ByteSource source(file);
        PngStructure png;
        std::string reason;
        ASSERT_TRUE(ReadPngStructure(source, &png, &reason)) << reason;
        for (uint32_t count : {1u, layout.entries - 1, layout.entries, std::min(1u << layout.bitDepth, layout.entries + 3)}) {
            SCOPED_TRACE(std::to_string(file.size()) + " bytes, table of " + std::to_string(count));
            ColorTable table;
            ASSERT_TRUE(table.Reset(count));
            for (uint32_t i = 0; i < count; ++i) table.SetColor(i, uint8_t(i), uint8_t(100 + i), uint8_t(50 - i));
            const std::string path = folder.File("out.png");
            SafeFileWriter out(path.c_str());
            ASSERT_TRUE(WritePngWithTable(source, png, table, out, &reason)) << reason;
            ASSERT_TRUE(out.Commit());

            // What the rules make of each chunk of the source, built here.
            std::vector<PngPart> expected;
            for (const PngPart& part : SplitPng(file)) {
                const size_t keptAlpha = std::min<size_t>(count, part.data.size() - 12);
                if (part.type == "PLTE") {
                    expected.push_back({"PLTE", ChunkBytes("PLTE", TableBytes(table))});
                } else if (part.type == "tRNS") {
                    if (keptAlpha) expected.push_back({"tRNS", ChunkBytes("tRNS", part.data.substr(8, keptAlpha))});
                } else if (part.type != "hIST" || count == layout.entries) {
                    expected.push_back(part);
                }
            }
            const std::string written = ReadWholeFile(path);
            EXPECT_TRUE(expected == SplitPng(written));
            EXPECT_EQ(file.substr(0, 8), written.substr(0, 8));
            PngStructure back;
            ByteSource again(written);
            ASSERT_TRUE(ReadPngStructure(again, &back, &reason)) << reason;
            EXPECT_EQ(std::min<size_t>(count, layout.alphaCount), back.alpha.size());
        }
    }
    // A whole table of 256 entries, each its own color, comes back as written.
    const std::string file = FileOf(kLayouts[0]);
    PngStructure png, back;
    std::string reason;
    ASSERT_TRUE(ReadPngStructure(ByteSource(file), &png, &reason)) << reason;
    ColorTable table;
    ASSERT_TRUE(table.Reset(256));
    for (uint32_t i = 0; i < 256; ++i) table.SetColor(i, uint8_t(i), uint8_t(255 - i), uint8_t(i * 7));
    {
        SafeFileWriter out(folder.File("full.png").c_str());
        ASSERT_TRUE(WritePngWithTable(ByteSource(file), png, table, out, &reason)) << reason;
        ASSERT_TRUE(out.Commit());
    }
    const std::string written = ReadWholeFile(folder.File("full.png"));
    ASSERT_TRUE(ReadPngStructure(ByteSource(written), &back, &reason)) << reason;
    EXPECT_EQ(TableBytes(table), TableBytes(back.table));
}

TEST(PngFile, RefusalsNameWhatIsWrong)
{
    const Layout base = {4, 12, 5, true, true, false, 2};
    // The base file with one chunk's data (or type) replaced; the data of
    // every IDAT but the first dropped when the first changes.
    const auto edit = [&](const char* type, const std::string& data, const char* newType = nullptr) {
        std::vector<PngPart> parts = Parts(base);
        auto it = std::find_if(parts.begin(), parts.end(), [&](const PngPart& p) { return p.type == type; });
        it->data = data;
        if (newType) it->type = newType;
        if (std::string(type) == "IDAT")
            parts.erase(std::remove_if(it + 1, parts.end(), [](const PngPart& p) { return p.type == "IDAT"; }), parts.end());
        return AssemblePng(parts);
    };
    const std::string good = FileOf(base);
    const std::string plte = "PLTE chunk at offset " + std::to_string(good.find("PLTE") - 4);
    const size_t idat = good.find("IDAT") - 4;
    std::string badCrc = good;
    badCrc[good.find("PLTE") + 5] ^= 1;
    std::vector<PngPart> apart = Parts(base);
    apart.insert(std::find_if(apart.begin(), apart.end(), [](const PngPart& p) { return p.type == "IDAT"; }) + 1,
                 PngPart{"tEXt", std::string("a\0b", 3)});
    std::string filterMethod = Parts(base)[0].data, interlaceMethod = filterMethod;
    filterMethod[11] = 1;
    interlaceMethod[12] = 2;
    std::vector<PngPart> noFrameData = Parts(base);
    noFrameData.erase(
        std::find_if(noFrameData.begin(), noFrameData.end(), [](const PngPart& p) { return p.type == "fdAT"; }));
    const auto first = [](std::vector<PngPart>& parts, const char* type) {
        return std::find_if(parts.begin(), parts.end(), [&](const PngPart& p) { return p.type == type; });
    };
    std::vector<PngPart> twoBackgrounds = Parts(base), twoControls = Parts(base), noControl = Parts(base);
    twoBackgrounds.insert(first(twoBackgrounds, "bKGD"), PngPart{"bKGD", std::string(1, '\0')});
    twoControls.insert(first(twoControls, "IDAT"), FrameControl(0, kWidth, kHeight, 0, 0));
    noControl.erase(first(noControl, "fcTl") - 1);  // the frame control after IDAT
    // The base file with one more chunk before the first of a type: chunks
    // that may come once, placed twice or out of their order.
    const auto with = [&](const PngPart& part, const char* before) {
        std::vector<PngPart> parts = Parts(base);
        parts.insert(first(parts, before), part);
        return AssemblePng(parts);
    };
    const PngPart table = {"PLTE", PaletteData(12)}, alpha = {"tRNS", "a"};
    const PngPart animation = {"acTL", BigEndian32(2) + BigEndian32(0)};
    // The frame after IDAT moved: at the image's edge it is read, past it refused.
    const auto secondFrame = [&](uint32_t width, uint32_t height, uint32_t x, uint32_t y) {
        std::vector<PngPart> parts = Parts(base);
        *std::find_if(parts.rbegin(), parts.rend(), [](const PngPart& p) { return p.type == "fcTL"; }) =
            FrameControl(1, width, height, x, y);
        return AssemblePng(parts);
    };
    PngStructure atEdge;
    EXPECT_TRUE(StructureOf(secondFrame(3, 2, kWidth - 3, kHeight - 2), &atEdge));
    std::vector<PngPart> noHeader = Parts(base), twoHeaders = Parts(base), earlyData = Parts(base),
                         noTable = Parts(base), noData = Parts(base);
    noHeader.erase(noHeader.begin());
    twoHeaders.insert(twoHeaders.begin() + 1, twoHeaders[0]);
    earlyData.insert(first(earlyData, "PLTE"), *first(earlyData, "IDAT"));
    noTable.erase(noTable.begin() + 1, noTable.end() - 1);  // IHDR and IEND only
    noData.erase(first(noData, "IDAT"), noData.end() - 1);
    noData.erase(first(noData, "acTL"));
    noData.erase(first(noData, "fcTL"));
    std::string compression = Parts(base)[0].data;
    compression[10] = 1;
    std::string idatCrc = good, longest = good;
    std::vector<PngPart> baseParts = Parts(base);
    idatCrc[idat + 8 + first(baseParts, "IDAT")->data.size()] ^= 1;  // the first IDAT's CRC
    longest.replace(idat, 4, BigEndian32(0x7FFFFFFFu));
    std::string hugeLength = good;
    hugeLength.replace(idat, 4, BigEndian32(0x80000000u));
    std::string signature = good;
    signature[7] = '\r';
    struct Case {
        std::string file;
        bool readsStructure;  // the walk accepts it, the pixels refuse it
        std::string reason;
    };
    const Case cases[] = {
        {"GIF89a" + good.substr(6), false, "signature"},
        {signature, false, "signature"},
        {good.substr(0, 8), false, "the file ends at offset 8 before IEND"},
        {AssemblePng(twoBackgrounds), false, "bKGD must come once"},
        {AssemblePng(twoControls), false, "a second fcTL before IDAT"},
        {AssemblePng(noControl), false, "frame data without an fcTL after IDAT"},
        {badCrc, false, plte + ": CRC mismatch"},
        {hugeLength, false, "IDAT chunk at offset " + std::to_string(idat) + ": length over 2^31-1"},
        {good.substr(0, idat + 11), false, "IDAT chunk at offset " + std::to_string(idat) + ": truncated"},
        {good.substr(0, idat + 8), false, "IDAT chunk at offset " + std::to_string(idat) + ": truncated"},
        {longest, false, "IDAT chunk at offset " + std::to_string(idat) + ": truncated"},
        {good.substr(0, good.size() - 12), false, "before IEND"},
        {good.substr(0, good.size() - 1), false, "IEND chunk at offset " + std::to_string(good.size() - 12) + ": truncated"},
        {edit("IHDR", IhdrData(kWidth, kHeight, 8, 2)), false, "truecolor PNG has no color table"},
        {edit("IHDR", IhdrData(kWidth, kHeight, 4, 0)), false, "greyscale PNG has no color table"},
        {edit("IHDR", IhdrData(kWidth, kHeight, 8, 4)), false, "greyscale PNG with alpha has no color table"},
        {edit("IHDR", IhdrData(kWidth, kHeight, 8, 6)), false, "truecolor PNG with alpha has no color table"},
        {edit("IHDR", IhdrData(kWidth, 0x80000000u, 4, 3)), false, "IHDR: width or height is 0 or over 2^31-1"},
        // The largest height passes IHDR; the full-image first frame then cannot match it.
        {edit("IHDR", IhdrData(kWidth, 0x7FFFFFFFu, 4, 3)), false, "the first frame is not the whole image"},
        {edit("IHDR", IhdrData(0x7FFFFFFFu, kHeight, 4, 3)), false, "the first frame is not the whole image"},
        {edit("IHDR", IhdrData(kWidth, kHeight, 8, 5)), false, "IHDR: unknown color type 5"},
        {edit("IHDR", IhdrData(kWidth, kHeight, 16, 3)), false, "IHDR: bit depth 16 is not one of an indexed PNG"},
        {edit("IHDR", IhdrData(kWidth, kHeight, 3, 3)), false, "IHDR: bit depth 3 is not"},
        {edit("IHDR", compression), false, "IHDR: unknown compression method"},
        {with(table, "tRNS"), false, "a second PLTE or one after IDAT"},
        {with(table, "IEND"), false, "a second PLTE or one after IDAT"},
        {with(alpha, "tRNS"), false, "tRNS must come once, after PLTE and before IDAT"},
        {with(alpha, "PLTE"), false, "tRNS must come once, after PLTE and before IDAT"},
        {with({"hIST", std::string(24, 'a')}, "hIST"), false, "hIST must come once, after PLTE and before IDAT"},
        {edit("bKGD", "ab"), false, "length is not 1 (an index)"},
        {AssemblePng(noHeader), false, "acTL chunk at offset 8: the first chunk is not IHDR"},
        {AssemblePng(twoHeaders), false, "IHDR chunk at offset 33: a second IHDR"},
        {edit("IHDR", IhdrData(kWidth, kHeight, 4, 3).substr(1)), false, "IHDR chunk at offset 8: length is not 13"},
        {edit("IEND", "x"), false, "IEND chunk at offset"},
        {AssemblePng(earlyData), false, "IDAT before PLTE"},
        {AssemblePng(noTable), false, "an indexed PNG without PLTE"},
        {AssemblePng(noData), false, "no IDAT chunk"},
        {edit("acTL", BigEndian32(0) + BigEndian32(0)), false, "acTL chunk at offset 33: no frames"},
        {with(animation, "acTL"), false, "a second acTL or one after IDAT"},
        {with(animation, "IEND"), false, "a second acTL or one after IDAT"},
        {edit("acTL", BigEndian32(2)), false, "acTL chunk at offset 33: length is not 8"},
        {edit("fcTL", FrameControl(0, kWidth, kHeight, 0, 0).data.substr(1)), false, "length is not 26"},
        {with(FrameControl(2, 1, 1, 0, 0), "fdAT"), false, "the frame before it has no fdAT"},
        {secondFrame(3, 2, kWidth - 2, 0), false, "the frame lies outside the image"},
        {secondFrame(3, 2, 0, kHeight - 1), false, "the frame lies outside the image"},
        {secondFrame(0, 2, 0, 0), false, "the frame lies outside the image"},
        {secondFrame(3, 0, 0, 0), false, "the frame lies outside the image"},
        {edit("tEXt", "", "1EXt"), false, "the type is not four letters"},
        {edit("tEXt", "", "tEX1"), false, "the type is not four letters"},
        {edit("PLTE", PaletteData(17)), false, plte + ": length 51"},
        {edit("PLTE", ""), false, plte + ": length 0 is not 3 bytes for each of 1 to 16 entries"},
        {edit("tRNS", std::string(13, 'a')), false, "13 alpha values for 12 entries"},
        {edit("hIST", std::string(26, 'a')), false, "hIST chunk at offset"},
        {edit("hIST", std::string(800, 'a')), false, "length 800 is too large"},
        {edit("tEXt", "", "ABCD"), false, "ABCD chunk at offset"},
        {edit("PLTE", "", "zzzz"), false, "after PLTE"},
        {edit("acTL", BigEndian32(3) + BigEndian32(0)), false, "acTL promises 3 frames"},
        {edit("fdAT", std::string("\0\0\2", 3)), false, "shorter than its sequence number"},
        {AssemblePng(apart), false, "IDAT chunks are not consecutive"},
        {AssemblePng(noFrameData), false, "the last fcTL has no fdAT"},
        {edit("IDAT", "\x78\x9C\xFF\xFF\xFF"), true, "IDAT: corrupt compressed data"},
        {edit("IDAT", CompressedRows(Picture(kWidth, kHeight - 1, 4), 4)), true, "IDAT: the data ends before"},
        {edit("IDAT", CompressedRows(Picture(kWidth, kHeight - 1, 4), 4) + "more"), true, "IDAT: the data ends before"},
        {edit("IDAT", Deflate(std::string(4 * 4 - 1, '\0')) + "more"), true, "IDAT: the data ends before"},
        {edit("IHDR", filterMethod), false, "IHDR: unknown filter method"},
        {edit("IHDR", interlaceMethod), false, "IHDR: unknown interlace method"},
        {edit("IDAT", Deflate(std::string("\0abc\0abc\5abc\0abc", 16))), true, "row 2 has unknown filter type 5"},
        {edit("fdAT", BigEndian32(2) + "\x78\x9C\x00"), true, "fdAT of frame 2"},
        {edit("fdAT", BigEndian32(2)), true, "fdAT of frame 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        ByteSource source(c.file);
        PngStructure png;
        std::string reason;
        uint32_t largest = 0;
        EXPECT_EQ(c.readsStructure, ReadPngStructure(source, &png, &reason));
        if (c.readsStructure) {
            EXPECT_FALSE(LargestPngIndex(source, png, &largest, &reason));
        }
        EXPECT_NE(std::string::npos, reason.find(c.reason)) << reason;
        EXPECT_FALSE(ReadPngStructure(source, &png, nullptr) && LargestPngIndex(source, png, &largest, nullptr))
            << "without a reason asked for";
    }

    // Pixel CRCs are checked with the structure, or afterwards when asked to be.
    {
        PngStructure beside;
        std::string reason;
        EXPECT_FALSE(ReadPngStructure(ByteSource(idatCrc), &beside, &reason));
        EXPECT_NE(std::string::npos, reason.find(": CRC mismatch")) << reason;
        ASSERT_TRUE(ReadPngStructureBesidePixels(ByteSource(idatCrc), &beside, &reason)) << reason;
        EXPECT_FALSE(CheckPngPixelCrcs(ByteSource(idatCrc), beside, &reason));
        EXPECT_NE(std::string::npos, reason.find("IDAT chunk at offset ")) << reason;
        ASSERT_TRUE(ReadPngStructureBesidePixels(ByteSource(good), &beside, &reason)) << reason;
        EXPECT_TRUE(CheckPngPixelCrcs(ByteSource(good), beside, &reason)) << reason;
    }

    // A structure read again forgets the file before: a failed read leaves
    // nothing of it, and a file without tRNS has no alpha.
    {
        PngStructure again;
        ASSERT_TRUE(StructureOf(FileOf(kLayouts[4]), &again));
        EXPECT_FALSE(StructureOf(signature, &again));
        EXPECT_EQ(std::vector<uint32_t>({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}),
                  std::vector<uint32_t>({again.width, again.height, again.bitDepth, again.colorType, again.compression,
                                         again.filter, again.interlace, uint32_t(again.chunks.size()),
                                         again.table.GetCount(), uint32_t(again.alpha.size()), again.animated,
                                         again.frameCount}));
        ASSERT_TRUE(StructureOf(FileOf(kLayouts[4]), &again));
        ASSERT_TRUE(StructureOf(FileOf(kLayouts[0]), &again));
        EXPECT_TRUE(again.alpha.empty());
    }

    // A frame control changed since the structure was read is checked again,
    // not trusted; a frame asked for by a chunk that is no frame control is none.
    {
        PngStructure read;
        ASSERT_TRUE(StructureOf(good, &read));
        const auto control = std::find_if(read.chunks.rbegin(), read.chunks.rend(),
                                          [](const PngChunk& c) { return std::string(c.type) == "fcTL"; });
        const size_t at = size_t(control->offset) + 8;
        for (const auto& size : {std::pair<uint32_t, uint32_t>{0, 2}, {3, 0}, {kWidth + 1, 2}, {3, kHeight + 1},
                                 {kWidth, 2}, {3, kHeight}}) {
            std::string changed = good;
            changed.replace(at + 4, 8, BigEndian32(size.first) + BigEndian32(size.second));
            std::string reason;
            uint32_t largest = 0;
            EXPECT_FALSE(LargestPngIndex(ByteSource(changed), read, &largest, &reason));
            const bool wrong = size.first == 0 || size.second == 0 || size.first > kWidth || size.second > kHeight;
            EXPECT_EQ(wrong, reason.find("frame size is wrong") != std::string::npos) << reason;
        }
        const PngPackedRow none = [](int, uint32_t, uint32_t, const uint8_t*, size_t, std::string*) { return true; };
        std::string reason;
        EXPECT_FALSE(ForEachPackedPngFrameRow(ByteSource(good), read, read.chunks.size(), none, &reason));
        EXPECT_EQ("there is no such frame", reason);
        EXPECT_FALSE(ForEachPackedPngFrameRow(ByteSource(good), read, 0, none, &reason));
        EXPECT_EQ("fcTL chunk at offset 8: cannot be read", reason);
    }

    // A million chunks are read, IHDR to IEND; one more is refused.
    for (size_t extra : {size_t(999994), size_t(999995)}) {
        std::vector<PngPart> parts = Parts(kLayouts[0]);
        parts.insert(parts.end() - 1, extra, PngPart{"prVt", ""});
        PngStructure png;
        std::string reason;
        EXPECT_EQ(extra == 999994, ReadPngStructure(ByteSource(AssemblePng(parts)), &png, &reason)) << reason;
        EXPECT_EQ(extra != 999994, reason.find("more than 1000000 chunks") != std::string::npos) << reason;
    }

    // Without acTL frame controls and data are no frames: strays are passed over.
    std::vector<PngPart> stray = Parts(kLayouts[0]);
    stray.insert(stray.end() - 1, {FrameControl(1, 3, 2, 1, 1), PngPart{"fdAT", BigEndian32(1) + "abc"}});
    stray.insert(stray.end() - 1, FrameControl(1, 3, 2, 1, 1));
    PngStructure still;
    std::string why;
    const std::string strayFile = AssemblePng(stray);
    uint32_t strayLargest = 0;
    EXPECT_TRUE(ReadPngStructure(ByteSource(strayFile), &still, &why) &&
                LargestPngIndex(ByteSource(strayFile), still, &strayLargest, &why))
        << why;
    // An animation of one frame: the default image alone.
    std::vector<PngPart> oneFrame = Parts(kLayouts[0]);
    oneFrame.insert(oneFrame.begin() + 1, PngPart{"acTL", BigEndian32(1) + BigEndian32(0)});
    oneFrame.insert(first(oneFrame, "IDAT"), FrameControl(0, kWidth, kHeight, 0, 0));
    EXPECT_TRUE(ReadPngStructure(ByteSource(AssemblePng(oneFrame)), &still, &why)) << why;

    // A header promising far more than its data can inflate to is refused
    // before anything is allocated for it: each row's filter byte counted,
    // each interlace pass's rows too, and data of no bytes holds next to none.
    const std::string nineBytes = CompressedRows(Rows(1, std::vector<uint8_t>(9)), 8);
    const struct {
        uint32_t width, height;
        uint8_t interlace;
        std::string data;
        const char* words;
    } bombs[] = {
        {200000, 300000, 0, nineBytes, "cannot hold the 60000300000 bytes"},
        {200000, 300000, 1, nineBytes, "cannot hold the 60000562500 bytes"},
        {1, 1024, 0, "", "0 compressed bytes cannot hold the 2048 bytes"},
    };
    PngStructure png;
    std::string reason;
    for (const auto& bomb : bombs) {
        const std::string bombFile = AssemblePng({{"IHDR", IhdrData(bomb.width, bomb.height, 8, 3, bomb.interlace)},
                                                  {"PLTE", PaletteData(2)}, {"IDAT", bomb.data}, {"IEND", ""}});
        ByteSource bombSource(bombFile);
        ASSERT_TRUE(ReadPngStructure(bombSource, &png, &reason)) << reason;
        EXPECT_FALSE(DecodePngImage(bombSource, png, [](uint32_t, const uint8_t*) {}, &reason));
        EXPECT_NE(std::string::npos, reason.find(bomb.words)) << reason;
    }

    // The bound is deflate's own: 1032 bytes out of each byte in, and 1024 to
    // spare; interlace passes that hold no pixel hold no rows either.
    const struct {
        uint32_t width, height;
        uint8_t interlace;
    } sizes[] = {{256, 8, 0}, {186, 11, 0}, {1, 1028, 1}};
    for (const auto& size : sizes) {
        const std::string bound = AssemblePng({{"IHDR", IhdrData(size.width, size.height, 8, 3, size.interlace)},
                                               {"PLTE", PaletteData(2)}, {"IDAT", "x"}, {"IEND", ""}});
        ByteSource boundSource(bound);
        ASSERT_TRUE(ReadPngStructure(boundSource, &png, &reason)) << reason;
        EXPECT_FALSE(DecodePngImage(boundSource, png, [](uint32_t, const uint8_t*) {}, &reason));
        EXPECT_EQ(size.width == 186, reason.find("1 compressed bytes cannot hold") != std::string::npos) << reason;
    }
    // A frame's data is counted without the sequence number before it.
    const std::string boundFrame = AssemblePng(
        {{"IHDR", IhdrData(186, 11, 8, 3)}, {"acTL", BigEndian32(2) + BigEndian32(0)}, {"PLTE", PaletteData(2)},
         FrameControl(0, 186, 11, 0, 0), {"IDAT", CompressedRows(Rows(11, std::vector<uint8_t>(186)), 8)},
         FrameControl(1, 186, 11, 0, 0), {"fdAT", BigEndian32(2) + "x"}, {"IEND", ""}});
    ASSERT_TRUE(ReadPngStructure(ByteSource(boundFrame), &png, &reason)) << reason;
    uint32_t largestIndex = 0;
    EXPECT_FALSE(LargestPngIndex(ByteSource(boundFrame), png, &largestIndex, &reason));
    EXPECT_NE(std::string::npos, reason.find("fdAT of frame 2: 1 compressed bytes cannot hold the 2057 bytes")) << reason;

    // One entry is a table to edit.
    const std::string oneEntry = AssemblePng({{"IHDR", IhdrData(1, 1, 1, 3)}, {"PLTE", PaletteData(1)},
                                              {"IDAT", CompressedRows(Rows(1, std::vector<uint8_t>(1)), 1)}, {"IEND", ""}});
    IndexedFile indexed;
    EXPECT_TRUE(indexed.Read(ByteSource(oneEntry), &reason)) << reason;

    // Tables the bit depth cannot hold; nothing is written.
    const std::string file = FileOf({2, 4, 0, false, false, false, 1});
    ByteSource source(file);
    ASSERT_TRUE(ReadPngStructure(source, &png, &reason));
    TempFolder folder;
    // A structure not read to its end.
    for (size_t kept : {size_t(0), png.chunks.size() - 1}) {
        PngStructure part = png;
        part.chunks.resize(kept);
        ColorTable table;
        ASSERT_TRUE(table.Reset(4));
        SafeFileWriter out(folder.File("refused.png").c_str());
        EXPECT_FALSE(WritePngWithTable(source, part, table, out, &reason));
        EXPECT_EQ("the file was not read", reason);
    }
    for (uint32_t count : {0u, 5u}) {
        ColorTable table;
        ASSERT_TRUE(table.Reset(count));
        SafeFileWriter out(folder.File("refused.png").c_str());
        EXPECT_FALSE(WritePngWithTable(source, png, table, out, &reason));
        EXPECT_EQ(count ? "a 2-bit PNG holds at most 4 colors; the table has 5" : "the table is empty", reason);
    }
    // Bytes cut short since their structure was read: nothing past their end is written.
    {
        ColorTable table;
        ASSERT_TRUE(table.Reset(4));
        const std::string cut = file.substr(0, file.size() - 20);
        SafeFileWriter out(folder.File("refused.png").c_str());
        EXPECT_FALSE(WritePngWithTable(ByteSource(cut), png, table, out, &reason) && out.Commit());
    }
    EXPECT_TRUE(folder.List().empty());
}

// The editor's open, with the pixel CRCs checked beside the inflate, takes
// and refuses what the checks in turn do, with the same reason and pixels.
TEST(PngFile, OpenGivesWhatTheChecksInTurnGive)
{
    // 1-bit rows of 13 pixels under every filter, the bits past the width
    // left as they fall: the row below is unfiltered against them.
    std::string filtered;
    for (uint32_t y = 0; y < 5; ++y) {
        filtered += char(1 + y % 4);
        for (uint32_t i = 0; i < 2; ++i) filtered += char((y * 37 + i * 91 + 5) & 255);
    }
    const std::string plte = PaletteData(2);
    const std::string filters =
        AssemblePng({{"IHDR", IhdrData(13, 5, 1, 3)}, {"PLTE", plte}, {"IDAT", Deflate(filtered)}, {"IEND", ""}});
    const std::string good = FileOf(kLayouts[3]);  // five IDAT chunks
    std::vector<PngPart> parts = Parts(kLayouts[3]);
    std::vector<PngPart> brokenStream = parts, lateCritical = parts;
    brokenStream[size_t(std::find_if(parts.begin(), parts.end(), [](const PngPart& p) { return p.type == "IDAT"; }) -
                        parts.begin())]
        .data = "\x78\x9C\xFF\xFF\xFF";
    lateCritical.insert(lateCritical.end() - 1, PngPart{"ABCD", ""});
    // The last IDAT's CRC broken.
    const auto lastCrc = [](std::string file) {
        const size_t type = file.rfind("IDAT");
        const size_t length = size_t(uint8_t(file[type - 2])) << 8 | uint8_t(file[type - 1]);
        file[type + 4 + length] ^= 1;
        return file;
    };
    struct Case {
        std::string file, onDisk, reason;  // reason empty: opens
    };
    const Case cases[] = {
        {good, good, ""},
        {good, FileOf(kLayouts[1]), ""},  // changed on disk since: the bitmap is made again
        {filters, filters, ""},
        {lastCrc(good), good, ": CRC mismatch"},
        {lastCrc(AssemblePng(brokenStream)), good, ": CRC mismatch"},
        {lastCrc(AssemblePng(lateCritical)), good, ": CRC mismatch"},
        {AssemblePng(brokenStream), good, "IDAT: corrupt compressed data"},
        {AssemblePng(lateCritical), good, "an unknown critical chunk"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason.empty() ? "opens" : c.reason);
        const ByteSource source(c.file);
        IndexedFile inTurn;
        DibImage expected;
        std::string expectedReason;
        const bool expectedOpen =
            inTurn.Read(source, &expectedReason, true) && LoadIndexedPicture(nullptr, inTurn, source, &expected, &expectedReason);
        EXPECT_EQ(c.reason.empty(), expectedOpen) << expectedReason;
        EXPECT_NE(std::string::npos, expectedReason.find(c.reason)) << expectedReason;

        std::string bytes, reason;
        IndexedFile opened;
        DibImage image;
        bool readFailed = true;
        const auto readAll = [&c](std::string* all) {
            *all = c.file;
            return true;
        };
        EXPECT_EQ(expectedOpen, OpenIndexedPicture(nullptr, ByteSource(c.onDisk), readAll, &bytes, &opened, &image,
                                                   &reason, &readFailed));
        EXPECT_FALSE(readFailed);
        EXPECT_EQ(c.file, bytes);
        if (!expectedOpen) {
            EXPECT_EQ(expectedReason, reason);
            EXPECT_TRUE(image.IsEmpty());
            continue;
        }
        ASSERT_FALSE(image.IsEmpty());
        ASSERT_EQ(expected.ImageSize(), image.ImageSize());
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(expected.Bits()), expected.ImageSize()),
                  std::string(reinterpret_cast<const char*>(image.Bits()), image.ImageSize()));
        // And as indices, by the decoder that unpacks rows of its own.
        std::vector<uint8_t> fromFile, shown;
        ASSERT_TRUE(opened.DecodeRows(source, [&](uint32_t, const uint8_t* indices) {
            fromFile.insert(fromFile.end(), indices, indices + opened.Width());
        }, &reason)) << reason;
        for (uint32_t y = 0; y < opened.Height(); ++y) {
            const unsigned char* row = image.Bits() + size_t(opened.Height() - 1 - y) * image.Stride();
            const uint32_t bits = opened.BitmapBitCount(), perByte = 8 / bits;
            for (uint32_t x = 0; x < opened.Width(); ++x)
                shown.push_back(uint8_t(row[x / perByte] >> (8 - bits * (x % perByte + 1)) & ((1u << bits) - 1)));
        }
        EXPECT_EQ(fromFile, shown);
    }
}

// The stream's check value is checked wherever the data ends it, split
// across chunks or alone in the last one, by the open that checks it on a
// second thread as by the reads that leave it to zlib; rows many batches
// apart are unfiltered against the right row above.
TEST(PngFile, EveryReadChecksTheStreamWhereverItsCheckValueLies)
{
    // A little over 3 KiB a row: 87 rows a batch on the open's second thread, and
    // past the size the other reads inflate ahead, 349 rows in their ring.
    const uint32_t width = 3001, height = 400;
    std::string filtered;
    for (uint32_t y = 0; y < height; ++y) {
        filtered += char((y * 3 + 1) % 5);
        for (uint32_t x = 0; x < width; ++x) filtered += char((x * x + y * 131 + (x ^ y)) & 255);
    }
    const std::string stream = Deflate(filtered);
    const auto file = [&](std::string data, bool broken, size_t trailerPiece) {
        if (broken) data[data.size() - 1] ^= 0x40;
        std::vector<PngPart> parts = {{"IHDR", IhdrData(width, height, 8, 3)}, {"PLTE", PaletteData(256)}};
        // The data in pieces of odd sizes, the last trailerPiece bytes of the
        // check value in an IDAT of their own.
        const std::string body = data.substr(0, data.size() - trailerPiece);
        for (size_t at = 0; at < body.size(); at += 7777) parts.push_back({"IDAT", body.substr(at, 7777)});
        if (trailerPiece) parts.push_back({"IDAT", data.substr(data.size() - trailerPiece)});
        parts.push_back({"IEND", ""});
        return AssemblePng(parts);
    };
    const std::string noCheck = "IDAT: corrupt compressed data (incorrect data check)";
    for (size_t trailerPiece : {0, 2, 4}) {
        for (bool broken : {false, true}) {
            SCOPED_TRACE(std::to_string(trailerPiece) + (broken ? " broken" : " sound"));
            const std::string bytes = file(stream, broken, trailerPiece);
            const ByteSource source(bytes);
            IndexedFile indexed;
            std::string reason;
            ASSERT_TRUE(indexed.Read(source, &reason, true)) << reason;
            DibImage image;
            std::string shownReason, rowsReason, countReason;
            const bool shown = LoadIndexedPicture(nullptr, indexed, source, &image, &shownReason);
            std::vector<uint8_t> rows;
            const bool walked = indexed.DecodeRows(source, [&](uint32_t, const uint8_t* indices) {
                rows.insert(rows.end(), indices, indices + width);
            }, &rowsReason);
            PngStructure png;
            ASSERT_TRUE(StructureOf(bytes, &png));
            std::vector<uint64_t> counts;
            const bool counted = CountPngIndices(source, png, &counts, &countReason);
            EXPECT_EQ(!broken, shown) << shownReason;
            EXPECT_EQ(!broken, walked) << rowsReason;
            EXPECT_EQ(!broken, counted) << countReason;
            if (broken) {
                EXPECT_EQ(noCheck, shownReason);
                EXPECT_EQ(noCheck, rowsReason);
                EXPECT_EQ(noCheck, countReason);
                EXPECT_TRUE(image.IsEmpty());
                continue;
            }
            ASSERT_EQ(size_t(width) * height, rows.size());
            for (uint32_t y = 0; y < height; y += 1) {
                const unsigned char* row = image.Bits() + size_t(height - 1 - y) * image.Stride();
                ASSERT_EQ(0, std::memcmp(row, rows.data() + size_t(y) * width, width)) << "row " << y;
            }
        }
    }
    // A walk its taker stops, and one whose data breaks off, end with their
    // own reasons, the rows before handed on.
    for (bool cut : {false, true}) {
        const std::string bytes = file(cut ? stream.substr(0, stream.size() / 2) : stream, false, 0);
        PngStructure png;
        ASSERT_TRUE(StructureOf(bytes, &png));
        uint32_t handed = 0;
        std::string why;
        EXPECT_FALSE(ForEachPackedPngRow(ByteSource(bytes), png, [&](int, uint32_t y, uint32_t, const uint8_t*, size_t,
                                                                    std::string* stop) {
            EXPECT_EQ(handed++, y);
            if (y < 360) return true;
            *stop = "the taker stops";
            return false;
        }, &why));
        EXPECT_EQ(cut ? "IDAT: the data ends before the image does" : "the taker stops", why);
        EXPECT_TRUE(cut ? handed > 0 && handed < 360 : handed == 361) << handed;
    }
}

TEST(PngFile, ReportListsTheHeaderAndEveryChunkInBothModes)
{
    const char* kinds[] = {"", " 種類   : 2色 (1bpp)\r\n", " 種類   : 4色 (2bpp)\r\n", "", " 種類   : 16色 (4bpp)\r\n",
                           "", "", "", " 種類   : 256色 (8bpp)\r\n"};
    for (const Layout& layout : kLayouts) {
        const std::string file = FileOf(layout);
        PngStructure png;
        ASSERT_TRUE(StructureOf(file, &png));
        EXPECT_NE(std::string::npos, BuildPngReport(png, "a.png", file.size(), 0, 0).find(kinds[layout.bitDepth]));
        const std::string detail = BuildPngReport(png, "a.png", file.size(), 1, 0);
        EXPECT_EQ(layout.animated, detail.find("\r\n acTL\r\n") != std::string::npos) << detail;
        if (layout.animated) {
            EXPECT_NE(std::string::npos, detail.find("\r\n acTL\r\n  .frames      = 2\r\n")) << detail;
        }
    }
    const std::string file = FileOf(kLayouts[4]);
    PngStructure png;
    ASSERT_TRUE(StructureOf(file, &png));
    const std::string summary = BuildPngReport(png, "C:\\a.png", file.size(), 0, 0);
    for (const char* line : {" IDAT : 2\r\n", " fcTL : 2\r\n", " 使用色 : 9色\r\n", " 透過   : 9色 (tRNS)\r\n"})
        EXPECT_NE(std::string::npos, summary.find(line)) << line;
    for (int32_t hex : {0, 1}) {
        const std::string detail = BuildPngReport(png, "C:\\a.png", file.size(), 1, hex);
        size_t from = 0;
        for (const PngChunk& chunk : png.chunks) {
            char line[96];
            std::snprintf(line, sizeof line, hex ? "  %s  .offset = %llx  .length = %x  .crc = %08X\r\n"
                                                 : "  %s  .offset = %llu  .length = %u  .crc = %08X\r\n",
                          chunk.type, static_cast<unsigned long long>(chunk.offset), chunk.length, chunk.crc);
            from = detail.find(line, from);
            ASSERT_NE(std::string::npos, from) << line;
        }
        EXPECT_EQ(std::count(detail.begin(), detail.end(), '\n'), std::count(detail.begin(), detail.end(), '\r'));
    }
    // Numbers and CRCs stay plain whatever the program's global locale groups.
    png.width = 123456;
    for (int32_t detail : {0, 1}) {
        const auto build = [&] { return BuildPngReport(png, "a.png", file.size(), detail, 0); };
        EXPECT_EQ(build(), BuiltUnderGroupingLocale(build));
    }
}

// The encoder's refusals, with a place for the reason or without one; an
// index too large for the depth keeps only the bits the depth holds.
TEST(PngEncode, RefusalsNameWhatIsWrongAndIndicesKeepTheirDepthsBits)
{
    struct Case { uint32_t width, height, depth, entries; const char* reason; } cases[] = {
        {1, 1, 3, 2, "bit depth 3 is not 1, 2, 4 or 8"},
        {1, 1, 16, 2, "bit depth 16 is not 1, 2, 4 or 8"},
        {0, 1, 8, 2, "width and height must be 1 to 2^31-1"},
        {1, 0x80000000u, 8, 2, "width and height must be 1 to 2^31-1"},
        {0x80000000u, 1, 8, 2, "width and height must be 1 to 2^31-1"},
        {1, 0x7FFFFFFFu, 8, 0, "the table is empty"},
        {0x7FFFFFFFu, 1, 8, 0, "the table is empty"},
        {1, 1, 1, 3, "a 1-bit PNG holds at most 2 colors; the table has 3"},
    };
    TempFolder folder;
    const std::string path = folder.File("out.png");
    const auto noRows = [](uint32_t, uint8_t*) {};
    for (const Case& c : cases) {
        ColorTable table;
        ASSERT_TRUE(table.Reset(c.entries));
        SafeFileWriter out(path.c_str());
        std::string reason;
        EXPECT_FALSE(WriteIndexedPng(c.width, c.height, c.depth, table, noRows, out, &reason)) << c.reason;
        EXPECT_EQ(c.reason, reason);
        EXPECT_FALSE(WriteIndexedPng(c.width, c.height, c.depth, table, noRows, out, nullptr)) << c.reason;
    }

    ColorTable two;
    ASSERT_TRUE(two.Reset(2));
    SafeFileWriter out(path.c_str());
    const uint8_t given[] = {0, 3, 2, 1};
    ASSERT_TRUE(WriteIndexedPng(4, 1, 1, two, [&](uint32_t, uint8_t* indices) { std::copy(given, given + 4, indices); },
                                out, nullptr));
    ASSERT_TRUE(out.Commit());
    const std::string file = ReadWholeFile(path);
    const ByteSource source(file);
    PngStructure png;
    std::string reason;
    ASSERT_TRUE(ReadPngStructure(source, &png, &reason)) << reason;
    std::vector<uint8_t> decoded;
    ASSERT_TRUE(DecodePngImage(source, png, [&](uint32_t, const uint8_t* indices) {
        decoded.assign(indices, indices + 4);
    }, &reason)) << reason;
    EXPECT_EQ(std::vector<uint8_t>({0, 1, 0, 1}), decoded);

    // A full 8-bit table is written whole.
    ColorTable full;
    ASSERT_TRUE(full.Reset(256));
    full.SetColor(255, 1, 2, 3);
    SafeFileWriter fullOut(path.c_str());
    ASSERT_TRUE(WriteIndexedPng(1, 1, 8, full, noRows, fullOut, nullptr));
    ASSERT_TRUE(fullOut.Commit());
    const std::string fullFile = ReadWholeFile(path);
    ASSERT_TRUE(ReadPngStructure(ByteSource(fullFile), &png, &reason)) << reason;
    ASSERT_EQ(256u, png.table.GetCount());
    EXPECT_EQ(PackColor(1, 2, 3), png.table.GetPackedColor(255));
}

TEST(PngRowEncoder, EachRowTakesTheFilterWithTheSmallestSum)
{
    PngEncoding smallest;
    smallest.filter = PngFilterChoice::Smallest;
    // The second row of each picture: its bytes' differences summed, the first byte too.
    const struct {
        std::vector<uint8_t> above, row;
        uint8_t filter;
    } cases[] = {
        {{16, 80, 216, 200}, {184, 224, 136, 16}, 0},
        {{24, 40, 40, 184}, {80, 152, 128, 104}, 1},
        {{96, 56, 184, 200}, {232, 64, 176, 200}, 2},
        {{232, 176, 232, 248}, {112, 160, 80, 136}, 3},
        {{16, 24, 184, 184}, {88, 120, 8, 40}, 4},
        {{100, 90, 90, 90}, {100, 100, 100, 100}, 4},  // without its first byte, 1 would win
    };
    for (const auto& c : cases) {
        std::string compressed, reason;
        PngRowEncoder encoder([&compressed](const uint8_t* bytes, size_t count) {
            compressed.append(reinterpret_cast<const char*>(bytes), count);
        }, smallest);
        ASSERT_TRUE(encoder.Start(4, &reason)) << reason;
        encoder.StartPass();
        ASSERT_TRUE(encoder.AddRow(c.above.data(), 4, &reason) && encoder.AddRow(c.row.data(), 4, &reason) &&
                    encoder.Finish(&reason))
            << reason;
        std::vector<uint8_t> raw(10);
        uLongf size = uLongf(raw.size());
        ASSERT_EQ(Z_OK, uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(compressed.data()),
                                   uLong(compressed.size())));
        EXPECT_EQ(10u, size);
        EXPECT_EQ(c.filter, raw[5]) << int(c.row[0]);
    }

    // Each interlace pass starts with nothing above its first row.
    std::string compressed, reason;
    PngRowEncoder encoder([&compressed](const uint8_t* bytes, size_t count) {
        compressed.append(reinterpret_cast<const char*>(bytes), count);
    }, smallest);
    const uint8_t row[4] = {100, 90, 90, 90};
    ASSERT_TRUE(encoder.Start(4, &reason));
    for (int pass = 0; pass < 2; ++pass) {
        encoder.StartPass();
        ASSERT_TRUE(encoder.AddRow(row, 4, &reason));
    }
    ASSERT_TRUE(encoder.Finish(&reason));
    std::string raw(10, '\0');
    uLongf size = uLongf(raw.size());
    ASSERT_EQ(Z_OK, uncompress(reinterpret_cast<Bytef*>(&raw[0]), &size,
                               reinterpret_cast<const Bytef*>(compressed.data()), uLong(compressed.size())));
    EXPECT_EQ(raw.substr(0, 5), raw.substr(5, 5));
}

// An interlaced truecolor picture is put together a band of rows at a time,
// its data inflated again for each band: every band size gives the rows the
// picture holds, whatever row a band starts on and whichever filter a row
// takes from the one above it in its pass.
TEST(PngTruecolor, InterlacedRowsComeTheSameInBandsOfEverySize)
{
    const uint32_t width = 37, height = 29;
    auto grey = [](uint32_t x, uint32_t y) { return uint8_t(x * 7 + y * 13 + x * y); };
    static const uint32_t passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                          {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    std::string raw;
    for (const auto& pass : passes) {
        std::vector<uint8_t> above;
        for (uint32_t y = pass[1]; y < height; y += pass[3]) {
            std::vector<uint8_t> row;
            for (uint32_t x = pass[0]; x < width; x += pass[2]) row.push_back(grey(x, y));
            if (row.empty()) break;
            // Sub and Up in turn: a row that was not unfiltered spoils the next.
            const bool up = (y / pass[3]) % 2 == 1;
            raw.push_back(char(up ? 2 : 1));
            for (size_t x = 0; x < row.size(); ++x)
                raw.push_back(char(row[x] - (up ? above[x] : (x ? row[x - 1] : 0))));
            above = row;
        }
    }
    const std::string file = AssemblePng(
        {{"IHDR", IhdrData(width, height, 8, 0, 1)}, {"IDAT", Deflate(raw)}, {"IEND", ""}});
    const ByteSource source(file);
    TruecolorPng png;
    std::string reason;
    ASSERT_TRUE(ReadTruecolorPng(source, &png, &reason)) << reason;
    for (uint64_t bandRows : {1u, 2u, 3u, 8u, 28u, 29u, 1000u}) {
        SCOPED_TRACE("bands of " + std::to_string(bandRows) + " rows");
        uint32_t next = 0;
        bool same = true;
        ASSERT_TRUE(DecodeTruecolorPng(source, png, [&](uint32_t y, const uint8_t* rgba, std::string*) {
            same = same && y == next++;
            for (uint32_t x = 0; x < width; ++x)
                same = same && rgba[4 * x] == grey(x, y) && rgba[4 * x + 1] == grey(x, y) && rgba[4 * x + 3] == 255;
            return true;
        }, &reason, bandRows * width * 4)) << reason;
        EXPECT_TRUE(same);
        EXPECT_EQ(height, next);
    }
}
