#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "image/dib_image.h"
#include "image/row_layout.h"
#include "palette/color_table.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/memory_dc.h"
#include "tests/support/temp_folder.h"

namespace {

BITMAPINFOHEADER InfoOf(const DibImage& image)
{
    BITMAPINFOHEADER info;
    std::memset(&info, 0xEE, sizeof info);
    EXPECT_TRUE(image.CopyHeaders(nullptr, &info));
    return info;
}

void ExpectEmpty(const DibImage& image)
{
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(0u, image.EntryCount());
    EXPECT_EQ(0u, image.ImageSize());
    EXPECT_EQ(0u, image.Stride());
    EXPECT_EQ(nullptr, image.Bits());
    BITMAPINFOHEADER info;
    EXPECT_FALSE(image.CopyHeaders(nullptr, &info));
}

TEST(RowLayout, StrideIsRowPaddedToFourBytes)
{
    struct Case { int32_t width, height, bits; uint32_t stride, size; } cases[] = {
        {5, 1, 1, 4, 4}, {9, 2, 4, 8, 16}, {3, 3, 24, 12, 36}, {33, 1, 1, 8, 8},
        {100, 50, 8, 100, 5000}, {1, -7, 32, 4, 28}, {3, 2, 16, 8, 16},
    };
    for (const Case& c : cases) {
        RowLayout layout;
        ASSERT_TRUE(ComputeRowLayout(c.width, c.height, c.bits, &layout)) << c.width;
        EXPECT_EQ(c.stride, layout.stride) << c.width << "x" << c.bits;
        EXPECT_EQ(c.size, layout.imageSize) << c.width << "x" << c.height;
    }
}

// Guards the size arithmetic against wrapping to a small, allocatable size.
TEST(RowLayout, SizesThatCannotBeRepresentedAreRefused)
{
    RowLayout layout;
    EXPECT_FALSE(ComputeRowLayout(0x7FFFFFFF, 0x7FFFFFFF, 32, &layout));
    EXPECT_FALSE(ComputeRowLayout(0x7FFFFFFF, 1, 32, &layout));
    EXPECT_FALSE(ComputeRowLayout(65536, 65536, 8, &layout));    // exactly 2^32
    EXPECT_FALSE(ComputeRowLayout(1 << 30, INT32_MIN, 64, &layout));  // 2^33 x 2^31 wraps to 0
    EXPECT_TRUE(ComputeRowLayout(65536, 65535, 8, &layout));
    EXPECT_FALSE(ComputeRowLayout(4, INT32_MIN, 8, &layout));
    EXPECT_FALSE(ComputeRowLayout(0, 1, 8, &layout));
    EXPECT_FALSE(ComputeRowLayout(-4, 1, 8, &layout));
    EXPECT_FALSE(ComputeRowLayout(4, 0, 8, &layout));
}

TEST(DibImage, NewImageIsEmpty)
{
    DibImage image;
    ExpectEmpty(image);
    LONG dims[2];
    EXPECT_FALSE(image.GetDimensions(dims));
    ColorTable table;
    EXPECT_FALSE(image.CopyColorTable(table));
    EXPECT_FALSE(image.SetColorTable(table));
    EXPECT_FALSE(image.RebuildSection(nullptr));
    EXPECT_FALSE(image.SaveToFile("never-written.bmp"));
}

TEST(DibImage, CreateBlankEightBitImage)
{
    MemoryDC dc;
    DibImage image;
    NewImageSpec spec = {100, 50, 8, 256};
    ASSERT_TRUE(image.CreateBlank(dc, &spec));
    EXPECT_FALSE(image.IsEmpty());
    EXPECT_EQ(100u, image.Stride());
    EXPECT_EQ(5000u, image.ImageSize());
    EXPECT_EQ(256u, image.EntryCount());
    BITMAPINFOHEADER info = InfoOf(image);
    EXPECT_EQ(40u, info.biSize);
    EXPECT_EQ(100, info.biWidth);
    EXPECT_EQ(50, info.biHeight);
    EXPECT_EQ(1, info.biPlanes);
    EXPECT_EQ(8, info.biBitCount);
    EXPECT_EQ(0u, info.biCompression);
    EXPECT_EQ(5000u, info.biSizeImage);
    EXPECT_EQ(0, info.biXPelsPerMeter);
    EXPECT_EQ(0, info.biYPelsPerMeter);
    EXPECT_EQ(256u, info.biClrUsed);
    EXPECT_EQ(0u, info.biClrImportant);
    BITMAPFILEHEADER file;
    EXPECT_FALSE(image.CopyHeaders(&file, &info)) << "a blank image has no file header";

    ColorTable table;
    ASSERT_TRUE(image.CopyColorTable(table));
    ASSERT_EQ(256u, table.GetCount());
    for (uint32_t i = 0; i < 256; ++i) EXPECT_EQ(0x02000000u, table.GetPackedColor(i));
    ASSERT_NE(nullptr, image.Bits());
    for (uint32_t i = 0; i < image.ImageSize(); ++i) ASSERT_EQ(0, image.Bits()[i]) << i;
}

TEST(DibImage, CreateBlankChecksModeAndEntries)
{
    struct Case { NewImageSpec spec; bool accepted; } cases[] = {
        {{4, 4, 24, 1}, false}, {{4, 4, 8, 0}, false}, {{4, 4, 8, 257}, false},
        {{4, 4, 16, 0}, false}, {{4, 4, 16, 16}, false}, {{0, 4, 8, 2}, false},
        {{4, 0, 8, 2}, false},  {{4, -4, 8, 2}, false}, {{4, 4, 8, -1}, false},
        {{4, 4, 32, 0}, false}, {{4, 4, 4, 17}, false}, {{4, 4, 1, 3}, false},
        {{100000, 100000, 24, 0}, false},
        {{4, 4, 4, 16}, true},  {{4, 4, 1, 2}, true},   {{4, 4, 24, 0}, true},
        {{4, 4, 8, 1}, true},   {{1, 1, 1, 1}, true},
    };
    MemoryDC dc;
    for (const Case& c : cases) {
        DibImage image;
        NewImageSpec previous = {8, 8, 8, 16};
        ASSERT_TRUE(image.CreateBlank(dc, &previous));
        EXPECT_EQ(c.accepted, image.CreateBlank(dc, &c.spec))
            << c.spec.width << "x" << c.spec.height << " bits " << c.spec.bitCount << " entries "
            << c.spec.entryCount;
        if (!c.accepted) ExpectEmpty(image);
    }
    DibImage image;
    NewImageSpec good = {2, 2, 8, 2};
    ASSERT_TRUE(image.CreateBlank(dc, &good));
    EXPECT_FALSE(image.CreateBlank(dc, nullptr));
    EXPECT_FALSE(image.IsEmpty()) << "no spec must change nothing";
}

TEST(DibImage, ShorterTableTurnsTheRestBlackAndKeepsTheCount)
{
    MemoryDC dc;
    DibImage image;
    NewImageSpec spec = {4, 4, 8, 256};
    ASSERT_TRUE(image.CreateBlank(dc, &spec));
    ColorTable full;
    full.Reset(256);
    for (uint32_t i = 0; i < 256; ++i) full.SetColor(i, 200, 100, 50);
    ASSERT_TRUE(image.SetColorTable(full));

    ColorTable sixteen;
    sixteen.Reset(16);
    for (uint32_t i = 0; i < 16; ++i) sixteen.SetColor(i, uint8_t(i), uint8_t(i * 2), uint8_t(i * 3));
    ASSERT_TRUE(image.SetColorTable(sixteen));
    EXPECT_EQ(256u, image.EntryCount());
    EXPECT_EQ(256u, InfoOf(image).biClrUsed);
    ColorTable out;
    ASSERT_TRUE(image.CopyColorTable(out));
    ASSERT_EQ(256u, out.GetCount());
    EXPECT_EQ(PackColor(15, 30, 45), out.GetPackedColor(15));
    for (uint32_t i = 16; i < 256; ++i) EXPECT_EQ(0x02000000u, out.GetPackedColor(i)) << i;
}

TEST(DibImage, LongerTableRaisesTheEntryCount)
{
    MemoryDC dc;
    DibImage image;
    NewImageSpec spec = {4, 4, 8, 16};
    ASSERT_TRUE(image.CreateBlank(dc, &spec));
    ColorTable table;
    table.Reset(256);
    table.SetColor(255, 1, 2, 3);
    ASSERT_TRUE(image.SetColorTable(table));
    EXPECT_EQ(256u, image.EntryCount());
    BITMAPINFOHEADER info = InfoOf(image);
    EXPECT_EQ(256u, info.biClrUsed);
    EXPECT_EQ(16u, info.biSizeImage) << "no other header field changes";
    ColorTable out;
    ASSERT_TRUE(image.CopyColorTable(out));
    EXPECT_EQ(PackColor(1, 2, 3), out.GetPackedColor(255));
}

TEST(DibImage, SetColorTableRefusals)
{
    MemoryDC dc;
    DibImage rgb;
    NewImageSpec spec24 = {4, 4, 24, 0};
    ASSERT_TRUE(rgb.CreateBlank(dc, &spec24));
    ColorTable two;
    two.Reset(2);
    EXPECT_FALSE(rgb.SetColorTable(two)) << "an image without entries";

    DibImage image;
    NewImageSpec spec = {4, 4, 4, 16};
    ASSERT_TRUE(image.CreateBlank(dc, &spec));
    ColorTable empty;
    EXPECT_FALSE(image.SetColorTable(empty));
    ColorTable seventeen;
    seventeen.Reset(17);
    EXPECT_FALSE(image.SetColorTable(seventeen)) << "more entries than 4 bits can index";
    EXPECT_EQ(16u, image.EntryCount());
    // A table of another length is refused by the same rules.
    EXPECT_FALSE(rgb.ResizeColorTable(two)) << "an image without entries";
    EXPECT_FALSE(image.ResizeColorTable(empty));
    EXPECT_FALSE(image.ResizeColorTable(seventeen));
    EXPECT_EQ(16u, image.EntryCount());
    EXPECT_TRUE(image.ResizeColorTable(two));
    EXPECT_EQ(2u, image.EntryCount());
    ColorTable sixteen;
    sixteen.Reset(16);
    sixteen.SetColor(15, 9, 8, 7);
    ASSERT_TRUE(image.ResizeColorTable(sixteen)) << "as many entries as 4 bits can index";
    ColorTable out;
    ASSERT_TRUE(image.CopyColorTable(out));
    ASSERT_EQ(16u, out.GetCount());
    EXPECT_EQ(PackColor(9, 8, 7), out.GetPackedColor(15)) << "the resized table holds the new colors";
    EXPECT_FALSE(image.CreateIndexed(dc, spec24, two)) << "an indexed image needs a table it can index";
}

TEST(DibImage, CopyThenSetKeepsColorsAndClearsReserved)
{
    BmpBytes bmp = MakeBmp(3, 2, 8, 4);
    for (size_t i = 3; i < bmp.table.size(); i += 4) bmp.table[i] = char(0x77);
    std::istringstream in(bmp.Serialize());
    MemoryDC dc;
    DibImage image;
    ASSERT_TRUE(image.ReadFromStream(dc, in));
    ColorTable table;
    ASSERT_TRUE(image.CopyColorTable(table));
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(0, table.GetEntry(i)->flags);
    EXPECT_EQ(PackColor(3, 2, 1), table.GetPackedColor(0)) << "RGBQUAD is blue, green, red";
    table.GetEntry(1)->flags = 0x55;
    ASSERT_TRUE(image.SetColorTable(table));
    ColorTable again;
    ASSERT_TRUE(image.CopyColorTable(again));
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(table.GetPackedColor(i), again.GetPackedColor(i));

    // The packed colors do not show the reserved bytes: the written table does.
    TempFolder folder;
    ASSERT_TRUE(image.SaveToFile(folder.File("out.bmp").c_str()));
    const std::string written = ReadWholeFile(folder.File("out.bmp"));
    ASSERT_EQ(54u + 16u + bmp.pixels.size(), written.size());
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(0, written[54 + 4 * i + 3]) << "reserved byte of entry " << i;
}

TEST(DibImage, RebuildSectionCarriesPixelsOver)
{
    BmpBytes bmp = MakeBmp(5, 3, 8, 2);
    std::istringstream in(bmp.Serialize());
    MemoryDC dc;
    DibImage image;
    ASSERT_TRUE(image.ReadFromStream(dc, in));
    const unsigned char* oldBits = image.Bits();
    ColorTable table;
    table.Reset(2);
    table.SetColor(1, 255, 255, 255);
    ASSERT_TRUE(image.SetColorTable(table));
    ASSERT_TRUE(image.RebuildSection(dc));
    EXPECT_NE(oldBits, image.Bits()) << "a new section";
    ASSERT_EQ(bmp.pixels.size(), image.ImageSize());
    EXPECT_EQ(0, std::memcmp(bmp.pixels.data(), image.Bits(), image.ImageSize()));
}

TEST(DibImage, DimensionsKeepTheSignOfTheHeight)
{
    std::istringstream in(MakeBmp(7, -3, 24).Serialize());
    MemoryDC dc;
    DibImage image;
    ASSERT_TRUE(image.ReadFromStream(dc, in));
    LONG dims[2] = {0, 0};
    ASSERT_TRUE(image.GetDimensions(dims));
    EXPECT_EQ(7, dims[0]);
    EXPECT_EQ(-3, dims[1]);
    EXPECT_EQ(24u, image.Stride());
    EXPECT_EQ(72u, image.ImageSize());
}

TEST(DibImage, DiscardEmptiesEverything)
{
    std::istringstream in(MakeBmp(2, 2, 8).Serialize());
    MemoryDC dc;
    DibImage image;
    ASSERT_TRUE(image.ReadFromStream(dc, in));
    BITMAPFILEHEADER file;
    EXPECT_TRUE(image.CopyHeaders(&file, nullptr));
    image.Discard();
    ExpectEmpty(image);
    EXPECT_FALSE(image.CopyHeaders(&file, nullptr));
}

}  // namespace
