// The image drawn by real GDI: colors from its table, rows in the right order,
// stretched, and nothing at all for an empty image.
#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>

#include "image/dib_image.h"
#include "palette/color_table.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/memory_dc.h"
#include "tests/win32/support/canvas.h"

namespace {

const COLORREF kBackground = RGB(1, 2, 3);

// A 2 × 2 8-bit picture: bottom row indexes 0 and 1, top row 2 and 3.
void LoadQuad(DibImage& image, HDC dc)
{
    BmpBytes bmp = MakeBmp(2, 2, 8, 4);
    bmp.table = std::string("\x00\x00\xFF\x00" "\x00\xFF\x00\x00" "\xFF\x00\x00\x00" "\xFF\xFF\xFF\x00", 16);
    bmp.pixels = std::string("\x00\x01\x00\x00\x02\x03\x00\x00", 8);
    std::istringstream in(bmp.Serialize());
    ASSERT_TRUE(image.ReadFromStream(dc, in));
}

TEST(DibDraw, DrawShowsTableColorsBottomUp)
{
    MemoryDC dc;
    DibImage image;
    LoadQuad(image, dc);
    Canvas canvas(6, 6, kBackground);
    image.Draw(canvas.Dc(), 1, 1, SRCCOPY);
    EXPECT_EQ(RGB(0, 0, 255), canvas.At(1, 1));  // top row: index 2
    EXPECT_EQ(RGB(255, 255, 255), canvas.At(2, 1));
    EXPECT_EQ(RGB(255, 0, 0), canvas.At(1, 2));  // bottom row: index 0
    EXPECT_EQ(RGB(0, 255, 0), canvas.At(2, 2));
    EXPECT_EQ(kBackground, canvas.At(3, 3));
    EXPECT_EQ(kBackground, canvas.At(0, 0));
}

TEST(DibDraw, AppliedTableShowsOnlyAfterRebuild)
{
    MemoryDC dc;
    DibImage image;
    LoadQuad(image, dc);
    ColorTable table;
    ASSERT_TRUE(image.CopyColorTable(table));
    table.SetColor(0, 10, 20, 30);
    ASSERT_TRUE(image.SetColorTable(table));

    Canvas stale(2, 2, kBackground);
    image.Draw(stale.Dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(RGB(255, 0, 0), stale.At(0, 1)) << "a stale section keeps the old colors";

    ASSERT_TRUE(image.RebuildSection(dc));
    Canvas fresh(2, 2, kBackground);
    image.Draw(fresh.Dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(RGB(10, 20, 30), fresh.At(0, 1));
    EXPECT_EQ(RGB(0, 255, 0), fresh.At(1, 1));
}

TEST(DibDraw, StretchedAndRegionDrawing)
{
    MemoryDC dc;
    DibImage image;
    LoadQuad(image, dc);
    Canvas canvas(8, 8, kBackground);
    image.DrawStretched(canvas.Dc(), 0, 0, 8, 8, SRCCOPY);
    EXPECT_EQ(RGB(0, 0, 255), canvas.At(0, 0));
    EXPECT_EQ(RGB(255, 255, 255), canvas.At(7, 3));
    EXPECT_EQ(RGB(255, 0, 0), canvas.At(3, 7));
    EXPECT_EQ(RGB(0, 255, 0), canvas.At(7, 7));

    Canvas part(4, 4, kBackground);
    image.DrawRegion(part.Dc(), 0, 0, 1, 0, 1, 2, SRCCOPY);
    EXPECT_EQ(RGB(255, 255, 255), part.At(0, 0));
    EXPECT_EQ(RGB(0, 255, 0), part.At(0, 1));
    EXPECT_EQ(kBackground, part.At(1, 0));

    Canvas zoom(4, 4, kBackground);
    image.DrawStretchedRegion(zoom.Dc(), 0, 0, 4, 4, 0, 1, 1, 1, SRCCOPY);
    EXPECT_EQ(RGB(255, 0, 0), zoom.At(3, 3));
}

TEST(DibDraw, TopDownImageDrawsFirstRowAtTheTop)
{
    MemoryDC dc;
    DibImage image;
    BmpBytes bmp = MakeBmp(1, -2, 8, 2);
    bmp.table = std::string("\x00\x00\xFF\x00" "\xFF\x00\x00\x00", 8);
    bmp.pixels = std::string("\x00\x00\x00\x00\x01\x00\x00\x00", 8);
    std::istringstream in(bmp.Serialize());
    ASSERT_TRUE(image.ReadFromStream(dc, in));
    Canvas canvas(1, 2, kBackground);
    image.Draw(canvas.Dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(RGB(255, 0, 0), canvas.At(0, 0));
    EXPECT_EQ(RGB(0, 0, 255), canvas.At(0, 1));
}

TEST(DibDraw, EmptyImageDrawsNothing)
{
    DibImage image;
    Canvas canvas(2, 2, kBackground);
    image.Draw(canvas.Dc(), 0, 0, SRCCOPY);
    image.DrawStretched(canvas.Dc(), 0, 0, 2, 2, SRCCOPY);
    image.DrawRegion(canvas.Dc(), 0, 0, 0, 0, 2, 2, SRCCOPY);
    image.DrawStretchedRegion(canvas.Dc(), 0, 0, 2, 2, 0, 0, 1, 1, SRCCOPY);
    EXPECT_EQ(kBackground, canvas.At(0, 0));
    EXPECT_EQ(kBackground, canvas.At(1, 1));
}

}  // namespace
