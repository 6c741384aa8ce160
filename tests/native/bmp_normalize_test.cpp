// BMP files from other tools brought into the editor's form: every header
// size, both row orders, OS/2 tables and run-length data with each escape,
// checked pixel by pixel against pictures written out by hand; and the
// variants that cannot be converted, refused with their reason.
#include <gtest/gtest.h>

#include <sstream>
#include <utility>
#include <string>
#include <vector>

#include "image/bmp_normalize.h"
#include "image/dib_image.h"
#include "tests/support/bmp_variants.h"
#include "tests/support/memory_dc.h"

namespace {

uint32_t Value(uint32_t x, uint32_t y, uint16_t bits)
{
    const uint32_t v = x * 0x3F1D27u + y * 0x0B5A13u + 1;
    return bits >= 32 ? v : v & ((1u << bits) - 1);
}

PixelRows Picture(int32_t width, int32_t height, uint16_t bits)
{
    PixelRows rows(static_cast<size_t>(height), std::vector<uint32_t>(static_cast<size_t>(width)));
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) rows[y][x] = Value(uint32_t(x), uint32_t(y), bits);
    return rows;
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int v : values) bytes += char(v);
    return bytes;
}

// The table an OS/2 file's RGBTRIPLEs become: a zero byte after each.
std::string Quads(const std::string& triples)
{
    std::string quads;
    for (size_t i = 0; i + 3 <= triples.size(); i += 3) quads += triples.substr(i, 3) + '\0';
    return quads;
}

void ExpectOpensInTheEditor(const std::string& bytes)
{
    std::istringstream in(bytes);
    DibImage image;
    MemoryDC dc;
    EXPECT_TRUE(image.ReadFromStream(dc, in));
}

TEST(BmpNormalize, EveryHeaderAndRowOrderGivesTheEditorsForm)
{
    struct Case {
        uint32_t header;
        uint16_t bits;
        bool topDown;
        uint32_t clrUsed;
        std::string gap;
        int32_t width = 5;
    };
    std::vector<Case> cases;
    for (uint32_t header : {12u, 40u, 52u, 56u, 108u, 124u}) {
        for (uint16_t bits : {1, 4, 8, 24}) {
            cases.push_back({header, bits, false, 0, ""});
            if (header != 12) cases.push_back({header, bits, true, 0, ""});
        }
    }
    for (uint16_t bits : {16, 32}) cases.push_back({124, bits, true, 0, ""});
    cases.push_back({124, 8, false, 5, "gap!"});  // a short table and a gap before the pixels
    cases.push_back({108, 24, true, 3, ""});      // a full-color file with a table
    cases.push_back({12, 1, false, 1, ""});       // an OS/2 table of one entry, told by the pixel offset
    // Widths whose high bytes matter: past 255 in OS/2's 16-bit field, past 65535 in the 32-bit one.
    cases.push_back({12, 1, false, 0, "", 300});
    cases.push_back({40, 1, true, 0, "", 70000});

    for (const Case& c : cases) {
        SCOPED_TRACE("header " + std::to_string(c.header) + ", " + std::to_string(c.bits) + " bits" +
                     (c.topDown ? ", top-down" : "") + (c.clrUsed ? ", short table" : "") + ", width " +
                     std::to_string(c.width));
        const int32_t width = c.width, height = 3;
        const PixelRows picture = Picture(width, height, c.bits);
        VariantFile in;
        in.headerSize = c.header;
        in.width = width;
        in.height = c.topDown ? -height : height;
        in.bitCount = c.bits;
        in.clrUsed = c.clrUsed;
        const uint32_t entries = c.clrUsed ? c.clrUsed : (c.bits <= 8 ? 1u << c.bits : 0);
        in.table = MakeTable(entries, c.header == 12 ? 3 : 4);
        in.pixels = PackRows(picture, c.bits, c.topDown);
        in.gap = c.gap;

        std::string out, reason;
        ASSERT_TRUE(NormalizeBmp(in.Bytes(), &out, &reason)) << reason;
        uint64_t limit = 0;
        ASSERT_TRUE(NormalizeInputLimit(in.Bytes(), &limit, &reason)) << reason;
        EXPECT_EQ(in.Bytes().size(), limit) << "the whole file and nothing past it is read";
        EditorFormFile got;
        ASSERT_TRUE(ReadEditorForm(out, &got));
        EXPECT_EQ(picture, got.rows);
        EXPECT_EQ(c.header == 12 ? Quads(in.table) : in.table, got.table);
        if (c.header != 12) {
            // Nothing but the header's size, the row order and the gap changes.
            VariantFile expected = in;
            expected.headerSize = 40;
            expected.height = height;
            expected.pixels = PackRows(picture, c.bits, false);
            expected.gap.clear();
            EXPECT_EQ(expected.Bytes(), out);
        }
        ExpectOpensInTheEditor(out);
    }
}

TEST(BmpNormalize, RunLengthEscapesDecodeExactly)
{
    struct Case {
        const char* what;
        uint32_t header;
        uint16_t bits;
        int32_t width;
        std::string data;
        PixelRows expected;  // top row first; what the codes skip is index 0
        bool longest = false;  // the longest data a picture of this size may have
    };
    const std::string rle8 = Bytes({3, 5, 0, 3, 1, 2, 3, 0, 0, 0,      // run, odd literal run, end of line
                                    0, 2, 2, 1, 2, 9, 0, 0,             // delta right 2, up 1; run; end of line
                                    0, 7, 1, 2, 3, 4, 5, 6, 7, 0, 0, 1});  // full literal row; end of bitmap
    const PixelRows rle8Rows = {{1, 2, 3, 4, 5, 6, 7}, {0, 0, 9, 9, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0},
                                {5, 5, 5, 1, 2, 3, 0}};
    const Case cases[] = {
        {"RLE8", 40, 8, 7, rle8, rle8Rows},
        {"RLE8, V5 header", 124, 8, 7, rle8, rle8Rows},
        {"RLE8, early end of bitmap", 40, 8, 4, Bytes({4, 7, 0, 1}), {{0, 0, 0, 0}, {0, 0, 0, 0}, {7, 7, 7, 7}}},
        {"RLE8, no end mark after the last row", 40, 8, 4, Bytes({4, 1, 0, 0, 4, 2, 0, 0}),
         {{2, 2, 2, 2}, {1, 1, 1, 1}}},
        {"RLE8, a run past its row's end", 40, 8, 3, Bytes({5, 4, 0, 0, 3, 6, 0, 1}), {{6, 6, 6}, {4, 4, 4}}},
        // The longest data a picture of this size may have: every pixel a run of one, and one past each row's end.
        {"RLE8, runs of one", 40, 8, 4, Bytes({1, 1, 1, 2, 1, 3, 1, 4, 1, 9, 0, 0, 1, 5, 1, 6, 1, 7, 1, 8, 1, 9, 0, 0, 0, 1}),
         {{5, 6, 7, 8}, {1, 2, 3, 4}}, true},
        // What runs past a row's end is dropped, not put where the next row starts.
        {"RLE8, a run past the end, then a skip", 40, 8, 4,
         Bytes({1, 1, 1, 2, 1, 3, 1, 4, 1, 9, 0, 0, 0, 2, 1, 0, 3, 5, 0, 1}), {{0, 5, 5, 5}, {1, 2, 3, 4}}},
        {"RLE4", 40, 4, 5,
         Bytes({0, 5, 0x12, 0x34, 0x50, 0,  // 5 literal pixels in 3 bytes, padded to 4
                0, 0, 3, 0xAB, 0, 0,        // a run alternating two indices
                0, 2, 3, 0, 2, 0xEF, 0, 1}),  // delta right 3; run; end of bitmap
         {{0, 0, 0, 0xE, 0xF}, {0xA, 0xB, 0xA, 0, 0}, {1, 2, 3, 4, 5}}},
        {"RLE4, V4 header, even literal run", 108, 4, 4, Bytes({0, 4, 0x98, 0x76, 0, 1}), {{9, 8, 7, 6}}},
        // The codes after an odd RLE4 literal run start past its pad byte.
        {"RLE4, odd literal run, then a run on its row", 40, 4, 7,
         Bytes({0, 5, 0x12, 0x34, 0x50, 0, 2, 0x77, 0, 1}), {{1, 2, 3, 4, 5, 7, 7}}},
        {"RLE8, no end mark after a literal run that ends the data", 40, 8, 3, Bytes({0, 3, 1, 2, 3, 0}),
         {{1, 2, 3}}},
        {"RLE8, a stray byte after the last row", 40, 8, 2, Bytes({2, 5, 7}), {{5, 5}}},
        {"RLE8, a delta past the last row ends the data", 40, 8, 2, Bytes({2, 5, 0, 0, 2, 6, 0, 2, 0, 1}),
         {{6, 6}, {5, 5}}},
        {"RLE8, one column", 40, 8, 1, Bytes({1, 3, 0, 0, 1, 4, 0, 1}), {{4}, {3}}},
        {"RLE8, a run after the last row", 40, 8, 2, Bytes({2, 5, 0, 0, 2, 7, 0, 1}), {{5, 5}}},
        {"RLE8, an odd literal run's pad byte is no pixel", 40, 8, 4, Bytes({0, 3, 1, 2, 3, 9, 0, 1}), {{1, 2, 3, 0}}},
        {"RLE4, a run over an odd row of nine", 40, 4, 9, Bytes({9, 0x12, 0, 1}), {{1, 2, 1, 2, 1, 2, 1, 2, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VariantFile in;
        in.headerSize = c.header;
        in.width = c.width;
        in.height = int32_t(c.expected.size());
        in.bitCount = c.bits;
        in.compression = c.bits == 8 ? 1 : 2;
        in.table = MakeTable(1u << c.bits, 4);
        in.pixels = c.data;
        std::string out, reason;
        ASSERT_TRUE(NormalizeBmp(in.Bytes(), &out, &reason)) << reason;
        uint64_t limit = 0;
        ASSERT_TRUE(NormalizeInputLimit(in.Bytes(), &limit, &reason)) << reason;
        EXPECT_LE(in.Bytes().size(), limit) << "run-length data is read whole";
        if (c.longest) {
            EXPECT_EQ(in.Bytes().size(), limit) << "and nothing past the longest it may be";
        }
        // Uncompressed, the picture may take as much as it is allowed, and no more.
        const uint64_t stride = (uint64_t(c.width) * c.bits + 31) / 32 * 4, size = stride * c.expected.size();
        EXPECT_TRUE(NormalizeInputLimit(in.Bytes(), &limit, &reason, size)) << reason;
        EXPECT_FALSE(NormalizeInputLimit(in.Bytes(), &limit, &reason, size - 1));
        EXPECT_FALSE(NormalizeBmp(in.Bytes(), &out, &reason, size - 1));
        ASSERT_TRUE(NormalizeBmp(in.Bytes(), &out, &reason, size)) << reason;
        EditorFormFile got;
        ASSERT_TRUE(ReadEditorForm(out, &got));
        EXPECT_EQ(c.expected, got.rows);
        EXPECT_EQ(in.table, got.table);
        EXPECT_EQ(c.bits, got.bitCount);
        ExpectOpensInTheEditor(out);
    }
}

TEST(BmpNormalize, RefusesWhatItCannotConvertSayingWhy)
{
    auto file = [](uint32_t header, uint16_t bits, uint32_t compression, int32_t width, int32_t height,
                   const std::string& pixels) {
        VariantFile f;
        f.headerSize = header;
        f.width = width;
        f.height = height;
        f.bitCount = bits;
        f.compression = compression;
        f.table = MakeTable(bits <= 8 ? 1u << bits : 0, header == 12 ? 3 : 4);
        f.pixels = pixels;
        return f.Bytes();
    };
    VariantFile longTable;
    longTable.width = 2;
    longTable.height = 2;
    longTable.clrUsed = 1000;
    longTable.table = MakeTable(16, 4);
    longTable.pixels = std::string(8, '\0');
    std::string osTwo = file(40, 8, 0, 2, 2, std::string(8, '\0'));
    osTwo[14] = 64;  // an OS/2 2.x header length

    struct Case {
        const char* what;
        std::string bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"not a BMP", "GIF89a", "does not begin with BM"},
        {"BM alone", "BM", "cut short inside its headers"},
        {"cut inside the header's size", "BM" + std::string(12, '\0') + Bytes({8, 0, 0}), "cut short inside its headers"},
        {"a header size and nothing more", "BM" + std::string(12, '\0') + Bytes({8, 0, 0, 0}), "info header of 8 bytes"},
        {"OS/2 1.x header cut short", file(12, 8, 0, 2, 2, "").substr(0, 25), "cut short inside its headers"},
        {"OS/2 1.x header and nothing more", file(12, 8, 0, 2, 2, "").substr(0, 26), "color table of 256 entries runs past"},
        {"headers cut short", file(124, 8, 0, 2, 2, "").substr(0, 60), "cut short inside its headers"},
        {"bit fields", file(124, 16, 3, 2, 2, std::string(8, '\0')), "bit-field masks (BI_BITFIELDS)"},
        {"alpha bit fields", file(124, 32, 6, 2, 2, std::string(16, '\0')), "(BI_ALPHABITFIELDS)"},
        {"JPEG inside", file(124, 0, 4, 2, 2, "\xFF\xD8\xFF"), "holds a JPEG picture"},
        {"PNG inside", file(124, 0, 5, 2, 2, "\x89PNG"), "holds a PNG picture"},
        {"unknown compression", file(40, 8, 9, 2, 2, ""), "compression 9"},
        {"2 bits per pixel", file(40, 2, 0, 2, 2, std::string(8, '\0')), "2 bits per pixel"},
        {"RLE8 at 4 bits", file(40, 4, 1, 2, 2, Bytes({0, 1})), "RLE8-compressed with 4 bits"},
        {"top-down RLE", file(40, 8, 1, 2, -2, Bytes({0, 1})), "top-down picture with run-length"},
        {"OS/2 2.x header", osTwo, "OS/2 2.x info header (64 bytes)"},
        {"short OS/2 2.x header", file(40, 8, 0, 2, 2, "").replace(14, 1, 1, char(16)), "OS/2 2.x info header (16 bytes)"},
        {"cut right after its headers", file(40, 8, 0, 2, 2, "").substr(0, 54), "color table of 256 entries runs past"},
        {"OS/2 2.x header of 16 bytes cut inside", file(40, 8, 0, 2, 2, "").replace(14, 1, 1, char(16)).substr(0, 29),
         "cut short inside its headers"},
        {"OS/2 2.x header of 16 bytes and nothing more",
         file(40, 8, 0, 2, 2, "").replace(14, 1, 1, char(16)).substr(0, 30), "OS/2 2.x info header (16 bytes)"},
        {"unknown header", file(40, 8, 0, 2, 2, "") .replace(14, 1, 1, char(20)), "info header of 20 bytes"},
        {"no width", file(40, 8, 0, 0, 2, ""), "size of 0 x 2"},
        {"table past the end", longTable.Bytes(), "color table of 1000 entries runs past"},
        {"pixels cut short", file(40, 8, 0, 4, 4, std::string(10, '\0')), "cut short: 10 of 16 bytes"},
        {"no pixels after its table", file(40, 8, 0, 2, 2, ""), "cut short: 0 of 8 bytes"},
        {"pixels past the end", file(40, 8, 0, 2, 2, "").replace(11, 1, 1, char(5)), "cut short: 0 of 8 bytes"},
        {"RLE without data", file(40, 8, 1, 2, 2, ""), "ends at row 0 (from the bottom), column 0"},
        {"RLE past the end", file(40, 8, 1, 2, 2, "").replace(11, 1, 1, char(5)), "starts past the end of the file"},
        {"too large once uncompressed", file(40, 8, 0, 2147483112, 2, ""), "would not fit in a BMP file once"},
        {"RLE without its end", file(40, 8, 1, 4, 3, Bytes({4, 7})), "ends at row 0"},
        {"RLE cut inside literal pixels", file(40, 8, 1, 8, 1, Bytes({3, 1, 0, 5, 1, 2})),
         "inside a run of literal pixels at row 0 (from the bottom), column 3"},
        {"RLE cut inside a delta", file(40, 8, 1, 8, 2, Bytes({0, 2, 1})), "inside a delta"},
        {"RLE too large to hold", file(40, 8, 1, 40000, 40000, Bytes({0, 1})), "more than this program converts"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string out = "untouched", reason;
        EXPECT_FALSE(NormalizeBmp(c.bytes, &out, &reason));
        EXPECT_NE(std::string::npos, reason.find(c.reason)) << reason;
        EXPECT_EQ("untouched", out);
    }

    // Up to 16 MiB between table and pixels is passed over; a byte more is refused.
    for (uint32_t gap : {16u << 20, (16u << 20) + 1}) {
        std::string headers = file(40, 8, 0, 2, 2, "");
        const uint32_t offBits = 14 + 40 + 256 * 4 + gap;
        for (int i = 0; i < 4; ++i) headers[10 + i] = char(offBits >> (8 * i));
        uint64_t limit = 0;
        std::string reason;
        EXPECT_EQ(gap == 16u << 20, NormalizeInputLimit(headers, &limit, &reason)) << reason;
    }
    // The output's headers and table count against the 4 GiB a BMP file can
    // hold: 1078 bytes of them and 2 rows of these widths fall either side.
    for (const int32_t width : {2147483108, 2147483112}) {
        uint64_t limit = 0;
        std::string reason;
        EXPECT_EQ(width == 2147483108, NormalizeInputLimit(file(40, 8, 0, width, 2, ""), &limit, &reason))
            << reason;
    }
}

// An offset that points into the table, or before it, means the pixels
// follow the table. The reserved words are kept, and so are the resolution
// and the important colors an info header has.
TEST(BmpNormalize, PixelsFollowATableTheOffsetPointsInto)
{
    for (const uint32_t header : {12u, 40u}) {
        SCOPED_TRACE(header);
        VariantFile f;
        f.headerSize = header;
        f.width = 3;
        f.height = 2;
        f.bitCount = 4;
        f.table = MakeTable(16, header == 12 ? 3 : 4);
        f.pixels = Bytes({0x12, 0x34, 0x50, 0, 0x67, 0x89, 0xA0, 0});
        std::string bytes = f.Bytes(), expected, got, reason;
        bytes.replace(6, 4, "rsvd");
        const std::string fields = "xpelypel" + Bytes({16, 0, 0, 0, 16, 0, 0, 0});  // and 16 used, 16 important
        if (header == 40) bytes.replace(38, 16, fields);
        ASSERT_TRUE(NormalizeBmp(bytes, &expected, &reason)) << reason;
        EXPECT_EQ("rsvd", expected.substr(6, 4));
        EXPECT_EQ(header == 40 ? fields : std::string(16, '\0'), expected.substr(38, 16));
        EXPECT_EQ(f.pixels, expected.substr(expected.size() - 8));
        bytes.replace(10, 4, std::string(4, '\0'));
        ASSERT_TRUE(NormalizeBmp(bytes, &got, &reason)) << reason;
        EXPECT_EQ(expected, got);
        if (header == 40) {
            bytes[50] = 17;
            ASSERT_TRUE(NormalizeBmp(bytes, &got, &reason)) << reason;
            EXPECT_EQ(std::string(4, '\0'), got.substr(50, 4)) << "more important colors than entries";
        }
    }
}

TEST(BmpNormalize, DescribesEachVariant)
{
    VariantFile v5;
    v5.headerSize = 124;
    v5.width = 3;
    v5.height = 2;
    v5.compression = 1;
    v5.table = MakeTable(256, 4);
    BmpVariant variant;
    std::string reason;
    ASSERT_TRUE(ReadBmpVariant(v5.Bytes(), &variant, &reason));
    EXPECT_EQ("a 124-byte (V5) header, 8 bits per pixel, RLE8-compressed", DescribeBmpVariant(variant));
    EXPECT_FALSE(IsEditorForm(variant));
    EXPECT_TRUE(CanNormalize(variant, &reason));

    VariantFile os2;
    os2.headerSize = 12;
    os2.width = 3;
    os2.height = 2;
    os2.bitCount = 4;
    os2.table = MakeTable(16, 3);
    os2.pixels = std::string(8, '\0');
    ASSERT_TRUE(ReadBmpVariant(os2.Bytes(), &variant, &reason));
    EXPECT_EQ("a 12-byte (OS/2 1.x) header, 4 bits per pixel, uncompressed", DescribeBmpVariant(variant));
    EXPECT_EQ(16u, variant.entries);

    // Found by fuzzing: a pixel offset that leaves no room for the table
    // means the pixels follow the full table, as the editor reads offsets.
    std::string noRoom = os2.Bytes();
    for (const char offset : {'\0', char(20), char(26)}) {  // none, inside the headers, where they end
        noRoom[10] = offset;
        ASSERT_TRUE(ReadBmpVariant(noRoom, &variant, &reason));
        EXPECT_EQ(16u, variant.entries) << "offset " << int(offset);
    }
    uint64_t limit = 0;
    EXPECT_TRUE(NormalizeInputLimit(noRoom, &limit, &reason)) << reason;
    EXPECT_EQ(noRoom.size(), limit) << "the pixels follow a table of 3-byte entries";
    noRoom[10] = 26 + 3 * 5;
    ASSERT_TRUE(ReadBmpVariant(noRoom, &variant, &reason));
    EXPECT_EQ(5u, variant.entries) << "a table shortened by the offset";

    VariantFile plain;
    plain.width = 3;
    plain.height = -2;
    ASSERT_TRUE(ReadBmpVariant(plain.Bytes(), &variant, &reason));
    EXPECT_TRUE(IsEditorForm(variant));
    EXPECT_EQ("a 40-byte (BITMAPINFOHEADER) header, 8 bits per pixel, uncompressed, top-down",
              DescribeBmpVariant(variant));

    // A header too short for a field leaves it unread: here a compression
    // of RLE8 where a longer header would have it.
    for (const uint32_t size : {16u, 15u}) {
        std::string bytes = plain.Bytes();
        bytes[14] = char(size);
        bytes[30] = 1;
        ASSERT_TRUE(ReadBmpVariant(bytes, &variant, &reason));
        EXPECT_EQ(size == 16 ? "a 16-byte (OS/2 2.x) header, 8 bits per pixel, uncompressed, top-down"
                             : "a 15-byte (unknown) header, 0 bits per pixel, uncompressed",
                  DescribeBmpVariant(variant));
    }

    const std::pair<uint32_t, const char*> names[] = {{12, "OS/2 1.x"}, {16, "OS/2 2.x"}, {64, "OS/2 2.x"},
                                                      {40, "BITMAPINFOHEADER"}, {52, "V2"}, {56, "V3"},
                                                      {108, "V4"}, {124, "V5"}, {20, "unknown"}};
    for (const auto& name : names) {
        BmpVariant named = {};
        named.headerSize = name.first;
        named.bitCount = 8;
        EXPECT_EQ(name.first == 40, IsEditorForm(named));
        EXPECT_EQ("a " + std::to_string(name.first) + "-byte (" + name.second +
                      ") header, 8 bits per pixel, uncompressed",
                  DescribeBmpVariant(named));
    }
    const char* const compressions[] = {"uncompressed", "RLE8-compressed", "RLE4-compressed",
                                        "with bit-field masks (BI_BITFIELDS)", "holding a JPEG picture",
                                        "holding a PNG picture", "with alpha bit-field masks (BI_ALPHABITFIELDS)",
                                        "compression 7"};
    for (uint32_t compression = 0; compression < 8; ++compression) {
        BmpVariant compressed = {};
        compressed.headerSize = 40;
        compressed.bitCount = 8;
        compressed.compression = compression;
        EXPECT_EQ(compression == 0, IsEditorForm(compressed));
        EXPECT_EQ(std::string("a 40-byte (BITMAPINFOHEADER) header, 8 bits per pixel, ") + compressions[compression],
                  DescribeBmpVariant(compressed));
    }
}

}  // namespace
