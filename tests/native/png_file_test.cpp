// Indexed PNG files read, refused and rewritten with a new table, built chunk
// by chunk so that every layout the rewrite must keep is there.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "image/png_file.h"
#include "platform/safe_file_writer.h"
#include "report/png_report.h"
#include "tests/support/png_bytes.h"
#include "tests/support/temp_folder.h"

namespace {

struct Layout {
    std::string name;
    uint8_t bitDepth;
    uint32_t entries;
    uint32_t alphaCount;  // tRNS entries; 0 for none
    bool hist;
    bool animated;        // two frames, the second in fdAT with the largest index
    bool tail;            // bytes after IEND
    uint32_t idatPieces;
    uint8_t interlace;
};

const uint32_t kWidth = 6, kHeight = 4;

std::vector<std::vector<uint8_t>> Picture(uint32_t width, uint32_t height, uint32_t limit)
{
    std::vector<std::vector<uint8_t>> rows(height, std::vector<uint8_t>(width));
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) rows[y][x] = uint8_t((x * 3 + y) % limit);
    return rows;
}

std::vector<PngPart> Parts(const Layout& layout)
{
    // With frames, the default image leaves the last entry to the frame.
    const uint32_t limit = layout.animated && layout.entries > 1 ? layout.entries - 1 : layout.entries;
    std::vector<PngPart> parts = {{"IHDR", IhdrData(kWidth, kHeight, layout.bitDepth, 3, layout.interlace)}};
    if (layout.animated) parts.push_back({"acTL", BigEndian32(2) + BigEndian32(0)});
    parts.push_back({"PLTE", PaletteData(layout.entries)});
    if (layout.alphaCount) {
        std::string alpha;
        for (uint32_t i = 0; i < layout.alphaCount; ++i) alpha += char(200 - i * 9);
        parts.push_back({"tRNS", alpha});
    }
    if (layout.hist) {
        std::string hist;
        for (uint32_t i = 0; i < layout.entries; ++i) hist += std::string{char(0), char(i + 1)};
        parts.push_back({"hIST", hist});
    }
    parts.push_back({"bKGD", std::string(1, '\0')});
    parts.push_back({"tEXt", std::string("Comment\0kept as it is", 21)});
    const auto frameControl = [](uint32_t sequence, uint32_t w, uint32_t h, uint32_t x, uint32_t y) {
        return PngPart{"fcTL", BigEndian32(sequence) + BigEndian32(w) + BigEndian32(h) + BigEndian32(x) +
                                   BigEndian32(y) + std::string{0, 1, 0, 10, 0, 0}};
    };
    if (layout.animated) parts.push_back(frameControl(0, kWidth, kHeight, 0, 0));
    // The interlaced form is assembled by the encoder under test.
    std::string data = CompressedRows(Picture(kWidth, kHeight, limit), layout.bitDepth);
    const size_t piece = (data.size() + layout.idatPieces - 1) / layout.idatPieces;
    for (size_t at = 0; at < data.size(); at += piece) parts.push_back({"IDAT", data.substr(at, piece)});
    if (layout.animated) {
        parts.push_back(frameControl(1, 3, 2, 1, 1));
        std::vector<std::vector<uint8_t>> frame(2, std::vector<uint8_t>(3, uint8_t(layout.entries - 1)));
        parts.push_back({"fdAT", BigEndian32(2) + CompressedRows(frame, layout.bitDepth)});
    }
    parts.push_back({"tIME", std::string{7, char(0xE6), 12, 7, 14, 40, 0}});
    parts.push_back({"IEND", ""});
    return parts;
}

std::string FileOf(const Layout& layout)
{
    std::string file = AssemblePng(Parts(layout));
    if (layout.tail) file += "trailing bytes";
    return file;
}

std::vector<std::vector<uint8_t>> Decode(const std::string& file, std::string* reason)
{
    ByteSource source(file);
    PngStructure png;
    std::vector<std::vector<uint8_t>> rows;
    if (!ReadPngStructure(source, &png, reason)) return rows;
    uint32_t expectedY = 0;
    const bool decoded = DecodePngImage(source, png, [&](uint32_t y, const uint8_t* indices) {
        EXPECT_EQ(expectedY++, y);
        rows.emplace_back(indices, indices + png.width);
    }, reason);
    if (!decoded) rows.clear();
    return rows;
}

const std::vector<Layout> kLayouts = {
    {"plain 8-bit", 8, 20, 0, false, false, false, 1, 0},
    {"alpha shorter than the table, histogram", 4, 12, 5, true, false, false, 3, 0},
    {"alpha for every entry, bytes after IEND", 2, 4, 4, false, false, true, 1, 0},
    {"1-bit, many IDAT chunks", 1, 2, 1, true, false, false, 5, 0},
    {"animated", 8, 9, 9, true, true, false, 2, 0},
};

}  // namespace

TEST(PngFile, StructureHoldsTheChunksTableAlphaAndFrames)
{
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        const std::string file = FileOf(layout);
        const std::vector<PngPart> parts = SplitPng(file);
        ByteSource source(file);
        PngStructure png;
        std::string reason;
        ASSERT_TRUE(ReadPngStructure(source, &png, &reason)) << reason;
        EXPECT_EQ(kWidth, png.width);
        EXPECT_EQ(kHeight, png.height);
        EXPECT_EQ(layout.bitDepth, png.bitDepth);
        EXPECT_EQ(3, png.colorType);
        ASSERT_EQ(parts.size() - (layout.tail ? 1 : 0), png.chunks.size());
        uint64_t offset = 8;
        for (size_t i = 0; i < png.chunks.size(); ++i) {
            EXPECT_EQ(parts[i].type, png.chunks[i].type);
            EXPECT_EQ(offset, png.chunks[i].offset);
            EXPECT_EQ(parts[i].data.size() - 12, png.chunks[i].length);
            EXPECT_EQ(parts[i].data.substr(parts[i].data.size() - 4), BigEndian32(png.chunks[i].crc));
            offset += parts[i].data.size();
        }
        const std::string palette = PaletteData(layout.entries);
        ASSERT_EQ(layout.entries, png.table.GetCount());
        for (uint32_t i = 0; i < layout.entries; ++i) {
            const ColorEntry* entry = png.table.GetEntry(i);
            EXPECT_EQ(palette.substr(3 * i, 3), (std::string{char(entry->red), char(entry->green), char(entry->blue)}));
            EXPECT_EQ(0, entry->flags);
        }
        ASSERT_EQ(layout.alphaCount, png.alpha.size());
        for (uint32_t i = 0; i < layout.alphaCount; ++i) EXPECT_EQ(uint8_t(200 - i * 9), png.alpha[i]);
        EXPECT_EQ(layout.animated, png.animated);
        EXPECT_EQ(layout.animated ? 2u : 1u, png.frameCount);

        // The default image is the picture; with frames, the largest index is
        // the frame's, which the default image never uses.
        const uint32_t limit = layout.animated ? layout.entries - 1 : layout.entries;
        const std::vector<std::vector<uint8_t>> picture = Picture(kWidth, kHeight, limit);
        EXPECT_EQ(picture, Decode(file, &reason)) << reason;
        uint32_t largest = 0;
        ASSERT_TRUE(LargestPngIndex(source, png, &largest, &reason)) << reason;
        uint32_t used = 0;
        for (const std::vector<uint8_t>& row : picture) used = std::max<uint32_t>(used, *std::max_element(row.begin(), row.end()));
        EXPECT_EQ(layout.animated ? layout.entries - 1 : used, largest);
    }
}

TEST(PngFile, RewriteChangesOnlyThePaletteChunksAndKeepsEveryOtherByte)
{
    TempFolder folder;
    for (const Layout& layout : kLayouts) {
        const uint32_t allowed = 1u << layout.bitDepth;
        const std::string file = FileOf(layout);
        ByteSource source(file);
        PngStructure png;
        std::string reason;
        ASSERT_TRUE(ReadPngStructure(source, &png, &reason)) << reason;
        for (uint32_t count : {1u, layout.entries - 1, layout.entries, std::min(allowed, layout.entries + 3)}) {
            if (count == 0) continue;
            SCOPED_TRACE(layout.name + ", table of " + std::to_string(count));
            ColorTable table;
            ASSERT_TRUE(table.Reset(count));
            std::string newPalette;
            for (uint32_t i = 0; i < count; ++i) {
                table.SetColor(i, uint8_t(i), uint8_t(100 + i), uint8_t(50 - i));
                newPalette += std::string{char(i), char(100 + i), char(50 - i)};
            }
            const std::string path = folder.File("out.png");
            SafeFileWriter out(path.c_str());
            ASSERT_TRUE(WritePngWithTable(source, png, table, out, &reason)) << reason;
            ASSERT_TRUE(out.Commit());
            const std::string written = ReadWholeFile(path);

            // What the rules make of each chunk of the source, built here.
            std::vector<PngPart> expected;
            for (const PngPart& part : SplitPng(file)) {
                if (part.type == "PLTE") {
                    expected.push_back({"PLTE", ChunkBytes("PLTE", newPalette)});
                } else if (part.type == "tRNS") {
                    const size_t kept = std::min<size_t>(count, part.data.size() - 12);
                    if (kept) expected.push_back({"tRNS", ChunkBytes("tRNS", part.data.substr(8, kept))});
                } else if (part.type != "hIST" || count == layout.entries) {
                    expected.push_back(part);
                }
            }
            const std::vector<PngPart> got = SplitPng(written);
            ASSERT_EQ(expected.size(), got.size());
            for (size_t i = 0; i < got.size(); ++i) {
                EXPECT_EQ(expected[i].type, got[i].type);
                EXPECT_TRUE(expected[i].data == got[i].data) << "chunk " << i << " " << got[i].type;
            }

            ByteSource again(written);
            PngStructure back;
            ASSERT_TRUE(ReadPngStructure(again, &back, &reason)) << reason;
            EXPECT_EQ(count, back.table.GetCount());
            EXPECT_EQ(std::min<size_t>(count, layout.alphaCount), back.alpha.size());
        }
    }
}

TEST(PngFile, RewriteRefusesTablesTheBitDepthCannotHold)
{
    struct Case {
        uint8_t bitDepth;
        uint32_t count;
        const char* reason;
    };
    const Case cases[] = {{2, 5, "at most 4 colors; the table has 5"},
                          {8, 257, "at most 256 colors; the table has 257"},
                          {1, 3, "at most 2 colors"},
                          {4, 0, "the table is empty"}};
    TempFolder folder;
    for (const Case& c : cases) {
        const std::string file = FileOf({"", c.bitDepth, 2, 0, false, false, false, 1, 0});
        ByteSource source(file);
        PngStructure png;
        std::string reason;
        ASSERT_TRUE(ReadPngStructure(source, &png, &reason)) << reason;
        ColorTable table;
        ASSERT_TRUE(table.Reset(c.count));
        const std::string path = folder.File("refused.png");
        SafeFileWriter out(path.c_str());
        EXPECT_FALSE(WritePngWithTable(source, png, table, out, &reason));
        EXPECT_NE(std::string::npos, reason.find(c.reason)) << reason;
    }
    EXPECT_TRUE(folder.List().empty());
}

TEST(PngFile, BrokenFilesAreRefusedNamingWhatIsWrong)
{
    const Layout base = {"", 4, 12, 5, true, true, false, 2, 0};
    const auto edit = [&](const std::function<void(std::vector<PngPart>&)>& change) {
        std::vector<PngPart> parts = Parts(base);
        change(parts);
        return AssemblePng(parts);
    };
    const auto part = [](std::vector<PngPart>& parts, const char* type) -> PngPart& {
        return *std::find_if(parts.begin(), parts.end(), [&](const PngPart& p) { return p.type == type; });
    };
    // One IDAT with the given data in place of the picture's.
    const auto withImageData = [&](const std::string& data) {
        return edit([&](std::vector<PngPart>& p) {
            auto first = std::find_if(p.begin(), p.end(), [](const PngPart& x) { return x.type == "IDAT"; });
            first->data = data;
            p.erase(std::remove_if(first + 1, p.end(), [](const PngPart& x) { return x.type == "IDAT"; }), p.end());
        });
    };
    const std::string good = FileOf(base);
    const std::string plte = "PLTE chunk at offset " + std::to_string(good.find("PLTE") - 4);
    const size_t idat = good.find("IDAT") - 4;
    std::string badCrc = good;
    badCrc[good.find("PLTE") + 5] ^= 1;
    struct Case {
        const char* name;
        std::string file;
        bool readsStructure;  // the walk accepts it, the pixels refuse it
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"no signature", "GIF89a" + good.substr(6), false, "signature"},
        {"bad CRC", badCrc, false, plte + ": CRC mismatch"},
        {"truncated inside IDAT", good.substr(0, idat + 11), false, "IDAT chunk at offset " + std::to_string(idat) + ": truncated"},
        {"ends before IEND", good.substr(0, good.size() - 12), false, "before IEND"},
        {"truecolor", edit([&](std::vector<PngPart>& p) { part(p, "IHDR").data = IhdrData(kWidth, kHeight, 8, 2); }),
         false, "truecolor PNG has no color table"},
        {"greyscale", edit([&](std::vector<PngPart>& p) { part(p, "IHDR").data = IhdrData(kWidth, kHeight, 4, 0); }),
         false, "greyscale PNG has no color table"},
        {"PLTE past the bit depth", edit([&](std::vector<PngPart>& p) { part(p, "PLTE").data = PaletteData(17); }),
         false, plte + ": length 51"},
        {"tRNS past PLTE", edit([&](std::vector<PngPart>& p) { part(p, "tRNS").data = std::string(13, 'a'); }),
         false, "13 alpha values for 12 entries"},
        {"hIST of the wrong length", edit([&](std::vector<PngPart>& p) { part(p, "hIST").data += "xx"; }),
         false, "hIST chunk"},
        {"unknown critical chunk", edit([&](std::vector<PngPart>& p) { part(p, "tEXt").type = "ABCD"; }),
         false, "ABCD chunk at offset"},
        {"no PLTE", edit([&](std::vector<PngPart>& p) {
             p.erase(std::remove_if(p.begin(), p.end(), [](const PngPart& x) {
                         return x.type == "PLTE" || x.type == "tRNS" || x.type == "hIST" || x.type == "bKGD";
                     }), p.end());
         }), false, "IDAT before PLTE"},
        {"frame count", edit([&](std::vector<PngPart>& p) { part(p, "acTL").data = BigEndian32(3) + BigEndian32(0); }),
         false, "acTL promises 3 frames"},
        {"corrupt deflate data", withImageData("\x78\x9C\xFF\xFF\xFF\xFF\xFF"), true,
         "IDAT: corrupt compressed data"},
        {"too few rows", withImageData(CompressedRows(Picture(kWidth, kHeight - 1, 4), 4)), true,
         "IDAT: the data ends before the image does"},
        {"a promise the data cannot keep", edit([&](std::vector<PngPart>& p) {
             part(p, "IHDR").data = IhdrData(200000, 300000, 8, 3);
             part(p, "fcTL").data = BigEndian32(0) + BigEndian32(200000) + BigEndian32(300000) + std::string(14, '\0');
         }), true, "compressed bytes cannot hold the 60000300000 bytes"},
        {"unknown row filter", withImageData(Deflate(std::string("\0abc\0abc\7abc\0abc", 16))), true,
         "row 2 has unknown filter type 7"},
        {"broken frame data", edit([&](std::vector<PngPart>& p) { part(p, "fdAT").data = BigEndian32(2) + "\x78\x9C\x00"; }),
         true, "fdAT of frame 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ByteSource source(c.file);
        PngStructure png;
        std::string reason;
        if (!c.readsStructure) {
            EXPECT_FALSE(ReadPngStructure(source, &png, &reason));
        } else {
            ASSERT_TRUE(ReadPngStructure(source, &png, &reason)) << reason;
            uint32_t largest = 0;
            EXPECT_FALSE(LargestPngIndex(source, png, &largest, &reason));
        }
        EXPECT_NE(std::string::npos, reason.find(c.reason)) << reason;
        EXPECT_EQ(std::string::npos, reason.find('\n')) << reason;
    }
}

TEST(PngFile, ReportListsTheHeaderAndEveryChunkInBothModes)
{
    const std::string file = FileOf(kLayouts[4]);
    ByteSource source(file);
    PngStructure png;
    std::string reason;
    ASSERT_TRUE(ReadPngStructure(source, &png, &reason)) << reason;
    const std::string summary = BuildPngReport(png, "C:\\a.png", file.size(), 0, 0);
    EXPECT_NE(std::string::npos, summary.find(" IDAT : 2\r\n"));
    EXPECT_NE(std::string::npos, summary.find(" 使用色 : 9色\r\n"));
    EXPECT_NE(std::string::npos, summary.find(std::to_string(file.size()) + "bytes"));
    for (int32_t hex : {0, 1}) {
        const std::string detail = BuildPngReport(png, "C:\\a.png", file.size(), 1, hex);
        std::ostringstream width;
        if (hex) width << std::hex;
        width << "  .width       = " << kWidth << "\r\n";
        EXPECT_NE(std::string::npos, detail.find(width.str()));
        size_t from = 0;
        for (const PngChunk& chunk : png.chunks) {
            std::ostringstream line;
            if (hex) line << std::hex;
            line << "  " << chunk.type << "  .offset = " << chunk.offset << "  .length = " << chunk.length;
            const size_t at = detail.find(line.str(), from);
            ASSERT_NE(std::string::npos, at) << line.str();
            from = at + 1;
        }
        EXPECT_EQ(std::count(detail.begin(), detail.end(), '\n'), std::count(detail.begin(), detail.end(), '\r'));
    }
}
