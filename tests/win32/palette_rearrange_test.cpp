// Rearranging the table as a user does it: the moves, sort, merge, compact and
// conform of the palette window, Apply, saving and opening again, with the
// picture read back from the screen each time.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/globals.h"
#include "document/bitmap_document.h"
#include "palette/palette_window.h"
#include "resources/resource.h"
#include "tests/support/bmp_bytes.h"
#include "image/byte_source.h"
#include "image/indexed_file.h"
#include "image/png_file.h"
#include "tests/support/picture_files.h"
#include "tests/support/png_bytes.h"
#include "tests/support/temp_folder.h"
#include "tests/win32/support/palette_driver.h"
#include "tests/win32/support/program.h"

namespace {

const int kWidth = 16;
const int kHeight = 4;

// Entries 0 to 11 of 16: the last four are unused.
uint32_t IndexAt(int x, int y)
{
    return uint32_t(x * 7 + y * 3) % 12;
}

std::string PixelRows(uint16_t bits)
{
    const size_t stride = size_t(kWidth * bits + 31) / 32 * 4;
    std::string bytes;
    for (int y = kHeight - 1; y >= 0; --y) {
        std::string row(stride, '\0');
        for (int x = 0; x < kWidth; ++x) {
            const int bit = x * bits;
            row[size_t(bit / 8)] = char(uint8_t(row[size_t(bit / 8)]) | IndexAt(x, y) << (8 - bits - bit % 8));
        }
        bytes += row;
    }
    return bytes;
}

std::vector<COLORREF> ScreenPicture(int width, int height)
{
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(program::ClientPixel(program::MainWindow(), x, y));
    return pixels;
}

std::vector<uint32_t> Colors(const ColorTable& table)
{
    std::vector<uint32_t> colors;
    for (uint32_t i = 0; i < table.GetCount(); ++i) colors.push_back(table.GetPackedColor(i));
    return colors;
}

std::vector<uint32_t> PictureColors()
{
    ColorTable table;
    bitmapDocument.CopyColorTable(table);
    return Colors(table);
}

std::string PictureBits()
{
    return std::string(reinterpret_cast<const char*>(bitmapDocument.Bits()), bitmapDocument.ImageSize());
}

class PaletteRearrange : public palette::PaletteTest {
protected:
    std::string WriteBitmap(uint16_t bits, const std::string& table)
    {
        BmpBytes bmp = MakeBmp(kWidth, kHeight, bits, uint32_t(table.size() / 4));
        bmp.table = table;
        bmp.pixels = PixelRows(bits);
        bmp.FixOffsets();
        const std::string path = folder.File("rearrange.bmp");
        EXPECT_TRUE(WriteWholeFile(path, bmp.Serialize()));
        return path;
    }
};

TEST_F(PaletteRearrange, MovesAndSortKeepThePictureThroughApplyAndUndoBringsItBack)
{
    for (uint16_t bits : {uint16_t(4), uint16_t(8)}) {
        SCOPED_TRACE(bits);
        program::Restart(true);
        OpenPicture(WriteBitmap(bits, palette::DistinctTable(16)));
        ShowPalette();
        const std::vector<COLORREF> shown = ScreenPicture(kWidth, kHeight);
        const std::vector<uint32_t> colors = Colors(paletteWindow.WorkingTable());
        const std::string bits0 = PictureBits();

        palette::Click(2, 0);
        palette::FocusGrid();
        program::PressKey(VK_RIGHT, true);
        std::vector<uint32_t> moved = colors;
        std::swap(moved[2], moved[3]);
        EXPECT_EQ(moved, Colors(paletteWindow.WorkingTable()));
        uint32_t first, last;
        ASSERT_TRUE(paletteWindow.SelectedRange(&first, &last));
        EXPECT_EQ(3u, first);
        palette::Command(ID_PALETTE_SORT_LIGHTNESS);
        const std::vector<uint32_t> sorted = Colors(paletteWindow.WorkingTable());
        EXPECT_NE(moved, sorted);
        EXPECT_EQ(shown, ScreenPicture(kWidth, kHeight)) << "a draft leaves the picture as it is";

        palette::Command(ID_PALETTE_APPLY);
        EXPECT_EQ(sorted, PictureColors());
        EXPECT_NE(bits0, PictureBits()) << "the pixels follow their entries";
        EXPECT_EQ(shown, ScreenPicture(kWidth, kHeight));
        EXPECT_NE(std::string::npos, program::Title().find('*'));

        palette::Command(ID_PALETTE_UNDO);
        palette::Command(ID_PALETTE_UNDO);
        EXPECT_EQ(colors, Colors(paletteWindow.WorkingTable()));
        palette::Command(ID_PALETTE_APPLY);
        EXPECT_EQ(bits0, PictureBits());
        EXPECT_EQ(shown, ScreenPicture(kWidth, kHeight));

        // Keeping the indices, the table moves alone and the picture changes.
        palette::Command(ID_PALETTE_KEEP_INDICES);
        palette::Click(0, 0);
        palette::FocusGrid();
        program::PressKey(VK_RIGHT, true);
        palette::Command(ID_PALETTE_APPLY);
        EXPECT_EQ(bits0, PictureBits());
        EXPECT_NE(shown, ScreenPicture(kWidth, kHeight));
        palette::Command(ID_PALETTE_KEEP_PICTURE);
        ASSERT_FALSE(paletteWindow.KeepsIndices());
    }
}

TEST_F(PaletteRearrange, MergeCompactAndConformSaveThePictureTheyShowInEachFormat)
{
    // A bitmap whose entry 9 repeats entry 1: merged, then both it and the unused entries go.
    std::string table = palette::DistinctTable(16);
    table.replace(9 * 4, 4, table.substr(1 * 4, 4));
    const std::string bitmap = WriteBitmap(8, table);
    const std::string gif = folder.File("small.gif");
    const std::string png = folder.File("small.png");
    const std::string hexPalette = folder.File("target.hex");
    ASSERT_TRUE(WriteWholeFile(gif, SmallGifBytes()) && WriteWholeFile(png, SmallPngBytes()) &&
                WriteWholeFile(hexPalette, "#000000\n#FFFFFF\n#FF0000\n#00FF00\n"));
    const struct {
        std::string path;
        int width, height;
        std::vector<int> commands;
        uint32_t entriesAfter;
    } cases[] = {
        {bitmap, kWidth, kHeight, {ID_PALETTE_MERGE_DUPLICATES, ID_PALETTE_COMPACT}, 11},
        // Entry 7 is unused: moved to the front it is compacted away all the same.
        {gif, 6, 4, {ID_PALETTE_MOVE_TO, ID_PALETTE_COMPACT}, 6},
        {png, 5, 3, {ID_PALETTE_CONFORM}, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        program::Restart(true);
        OpenPicture(c.path);
        ShowPalette();
        const std::vector<COLORREF> shown = ScreenPicture(c.width, c.height);
        for (int command : c.commands) {
            if (command == ID_PALETTE_MOVE_TO) {
                palette::Click(7, 0);
                palette::Run(command, {ModalAnswerer::SetText(IDC_MOVE_POSITION, "0", ModalAnswerer::Press(IDOK))});
                ASSERT_EQ(0u, paletteWindow.WorkingUsage()[0]);
            } else if (command == ID_PALETTE_CONFORM) {
                const std::vector<SeenDialog> seen =
                    palette::Run(command, {ModalAnswerer::TypeFileName(hexPalette), ModalAnswerer::Press(IDOK)});
                ASSERT_EQ(2u, seen.size());
                EXPECT_NE(std::string::npos, seen[1].text.find("OKLab")) << seen[1].text;
            } else {
                palette::Command(command);
            }
        }
        EXPECT_EQ(c.entriesAfter, paletteWindow.WorkingTable().GetCount());
        palette::Command(ID_PALETTE_APPLY);
        const std::vector<COLORREF> applied = ScreenPicture(c.width, c.height);
        if (c.path != png) {
            EXPECT_EQ(shown, applied);
        }
        const std::vector<uint32_t> tableApplied = Colors(paletteWindow.WorkingTable());
        program::Command(ID_FILE_SAVE);
        EXPECT_EQ(std::string::npos, program::Title().find('*'));
        program::Restart(true);
        OpenPicture(c.path);
        EXPECT_EQ(applied, ScreenPicture(c.width, c.height));
        // A GIF's table is written out to a power of two.
        std::vector<uint32_t> reopened = PictureColors();
        reopened.resize(tableApplied.size());
        EXPECT_EQ(tableApplied, reopened);
    }
}

// Each pixel's alpha in a PNG file: its entry's tRNS value.
std::vector<uint32_t> PixelAlpha(const std::string& bytes)
{
    const ByteSource source(bytes);
    IndexedFile file;
    PngStructure png;
    std::string reason;
    std::vector<uint32_t> alpha;
    if (!file.Read(source, &reason) || !ReadPngStructure(source, &png, &reason)) return alpha;
    file.DecodeRows(source, [&](uint32_t, const uint8_t* indices) {
        for (uint32_t x = 0; x < file.Width(); ++x) alpha.push_back(indices[x] < png.alpha.size() ? png.alpha[indices[x]] : 255);
    }, &reason);
    return alpha;
}

// Entry 0 is transparent black, 1 an opaque near black: conformed to a
// palette with black, the transparent pixels take an entry of their own and
// the near black ones stay visible; a palette with none to spare is refused.
TEST_F(PaletteRearrange, ConformKeepsEveryPixelAsVisibleAsItWas)
{
    ColorTable table;
    table.Reset(3);
    table.SetColor(1, 0x20, 0x20, 0x20);
    table.SetColor(2, 0xFF, 0xFF, 0xFF);
    const std::string png = folder.File("clear.png"), room = folder.File("room.hex"), full = folder.File("full.hex");
    const std::string before = AssemblePng({{"IHDR", IhdrData(3, 2, 4, 3)}, {"PLTE", TableBytes(table)},
                                            {"tRNS", std::string(1, '\0')},
                                            {"IDAT", CompressedRows({{0, 1, 2}, {2, 1, 0}}, 4)}, {"IEND", ""}});
    ASSERT_TRUE(WriteWholeFile(png, before) && WriteWholeFile(room, "#000000\n#FFFFFF\n#808080\n") &&
                WriteWholeFile(full, "#000000\n#FFFFFF\n"));
    const std::vector<uint32_t> alpha = PixelAlpha(before);
    ASSERT_EQ(std::vector<uint32_t>({0, 255, 255, 255, 255, 0}), alpha);
    program::Restart(true);
    OpenPicture(png);
    ShowPalette();
    std::vector<SeenDialog> seen =
        palette::Run(ID_PALETTE_CONFORM, {ModalAnswerer::TypeFileName(full), ModalAnswerer::Press(IDOK)});
    ASSERT_EQ(2u, seen.size());
    EXPECT_NE(std::string::npos, seen[1].text.find("透明")) << seen[1].text;
    EXPECT_EQ(3u, paletteWindow.WorkingTable().GetCount()) << "a refused conform changes nothing";
    seen = palette::Run(ID_PALETTE_CONFORM, {ModalAnswerer::TypeFileName(room), ModalAnswerer::Press(IDOK)});
    ASSERT_EQ(2u, seen.size());
    EXPECT_NE(std::string::npos, seen[1].text.find("OKLab")) << seen[1].text;
    palette::Command(ID_PALETTE_APPLY);
    program::Command(ID_FILE_SAVE);
    EXPECT_EQ(std::string::npos, program::Title().find('*'));
    EXPECT_EQ(alpha, PixelAlpha(ReadWholeFile(png)));
}

}  // namespace
