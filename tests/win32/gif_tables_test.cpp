// A GIF with a global table and a frame with its own: the palette window's
// table menu shows each table's first frame, every applied table waits for
// the save, which writes each in its place and nothing else.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/globals.h"
#include "document/bitmap_document.h"
#include "palette/color_table.h"
#include "palette/palette_window.h"
#include "resources/resource.h"
#include "tests/support/gif_bytes.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_folder.h"
#include "tests/win32/support/modal_answerer.h"
#include "tests/win32/support/palette_driver.h"
#include "tests/win32/support/program.h"

namespace {

const std::string kGlobal("\x10\x00\x00\x20\x00\x00\x30\x00\x00\x40\x00\x00", 12);
const std::string kLocal("\x00\x10\x00\x00\x20\x00\x00\x30\x00\x00\x40\x00", 12);

// Frame 1 (global table) 4 x 2 of x + y; frame 2 (its own table) 2 x 1 at
// (1, 1) of 3 - x; frame 3 (global) one pixel of 3.
std::string TwoTableGif()
{
    return MakeGif(4, 2, kGlobal, 0,
                   {{0, 0, 4, 2, "", {0, 1, 2, 3, 1, 2, 3, 0}, 2}, {1, 1, 2, 1, kLocal, {3, 2}, 2},
                    {0, 0, 1, 1, "", {3}, 2}});
}

class GifTables : public ::testing::Test {
protected:
    void SetUp() override { program::Restart(true); }
    void TearDown() override { program::Stop(); }

    std::vector<SeenDialog> Run(int command, const std::vector<ModalAnswerer::Action>& answers, bool palette)
    {
        ModalAnswerer answerer;
        for (const ModalAnswerer::Action& answer : answers) answerer.Then(answer);
        if (palette) palette::Command(command);
        else program::Command(command);
        EXPECT_EQ(0u, answerer.Pending()) << answerer.Describe();
        return answerer.Seen();
    }

    // The picture's colors, top row first, as 0xRRGGBB.
    std::vector<uint32_t> Colors()
    {
        std::vector<uint32_t> colors;
        BITMAPINFOHEADER info;
        ColorTable table;
        EXPECT_TRUE(bitmapDocument.Image().CopyHeaders(nullptr, &info));
        EXPECT_TRUE(bitmapDocument.Image().CopyColorTable(table));
        for (int y = 0; y < info.biHeight; ++y)
            for (int x = 0; x < info.biWidth; ++x) {
                const unsigned char* row = bitmapDocument.Image().Bits() +
                                           size_t(info.biHeight - 1 - y) * bitmapDocument.Image().Stride();
                const unsigned bits = info.biBitCount, perByte = 8 / bits;
                const unsigned index = row[x / perByte] >> (8 - bits * (x % perByte + 1)) & ((1u << bits) - 1);
                colors.push_back(Rgb(table, index));
            }
        return colors;
    }

    static uint32_t Rgb(const ColorTable& table, uint32_t index)
    {
        const ColorEntry* entry = table.GetEntry(index);
        return uint32_t(entry->red) << 16 | uint32_t(entry->green) << 8 | entry->blue;
    }

    void ChangeEntry(uint32_t entry, uint8_t red, uint8_t green, uint8_t blue)
    {
        ColorTable table;
        ASSERT_TRUE(bitmapDocument.Image().CopyColorTable(table));
        table.SetColor(entry, red, green, blue);
        ASSERT_TRUE(bitmapDocument.ApplyColorTable(table));
    }

    static UINT ItemState(int id) { return GetMenuState(GetMenu(palette::Window()), UINT(id), MF_BYCOMMAND); }

    TempFolder folder;
};

TEST_F(GifTables, EachTableIsEditedOnItsFrameAndSavedInItsPlace)
{
    const std::string source = TwoTableGif();
    const std::string path = folder.File("two.gif");
    ASSERT_TRUE(WriteWholeFile(path, source));
    Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(path)}, false);
    ASSERT_EQ("Korin [two.gif]", program::Title());
    ASSERT_EQ((std::vector<int>{-1, 1}), bitmapDocument.FileTables());
    EXPECT_EQ(-1, bitmapDocument.EditedFileTable());
    EXPECT_TRUE(ItemState(ID_PALETTE_TABLE_FIRST) & MF_CHECKED);
    EXPECT_EQ(UINT(-1), ItemState(ID_PALETTE_TABLE_FIRST + 2)) << "two tables, two items";
    EXPECT_EQ((std::vector<uint64_t>{2, 2, 2, 3}), bitmapDocument.EntryUsage()) << "frames 1 and 3 count";

    // Frame 2 on its screen: the background (global entry 0 read through the
    // local table) around its two pixels.
    Run(ID_PALETTE_TABLE_FIRST + 1, {}, true);
    ASSERT_EQ(1, bitmapDocument.EditedFileTable());
    EXPECT_TRUE(ItemState(ID_PALETTE_TABLE_FIRST + 1) & MF_CHECKED);
    EXPECT_FALSE(ItemState(ID_PALETTE_TABLE_FIRST) & MF_CHECKED);
    EXPECT_EQ((std::vector<uint32_t>{0x1000, 0x1000, 0x1000, 0x1000, 0x1000, 0x4000, 0x3000, 0x1000}), Colors());
    EXPECT_EQ(0x4000u, Rgb(paletteWindow.WorkingTable(), 3));
    EXPECT_EQ((std::vector<uint64_t>{6, 0, 1, 1}), bitmapDocument.EntryUsage());
    ChangeEntry(3, 1, 2, 3);

    // Back on frame 1 the global table is as the file has it; frame 2's edit waits.
    Run(ID_PALETTE_TABLE_FIRST, {}, true);
    ASSERT_EQ(-1, bitmapDocument.EditedFileTable());
    EXPECT_EQ((std::vector<uint32_t>{0x100000, 0x200000, 0x300000, 0x400000, 0x200000, 0x300000, 0x400000, 0x100000}),
              Colors());
    ChangeEntry(2, 4, 5, 6);
    Run(ID_PALETTE_TABLE_FIRST + 1, {}, true);
    EXPECT_EQ(0x010203u, Colors()[5]) << "frame 2 shows its applied edit again";
    EXPECT_EQ("Korin [two.gif *]", program::Title());

    Run(ID_KEY_CTRL_S, {}, false);
    EXPECT_EQ("Korin [two.gif]", program::Title());
    EXPECT_EQ(1, bitmapDocument.EditedFileTable()) << "the save keeps the table shown";
    std::string expected = source;
    expected.replace(13 + 2 * 3, 3, "\x04\x05\x06");
    const size_t local = expected.find(kLocal);
    ASSERT_NE(std::string::npos, local);
    expected.replace(local + 3 * 3, 3, "\x01\x02\x03");
    EXPECT_EQ(expected, ReadWholeFile(path));

    // While the pixels follow a rearranged table, switching waits for a save.
    ColorTable table;
    ASSERT_TRUE(bitmapDocument.Image().CopyColorTable(table));
    ASSERT_TRUE(bitmapDocument.ApplyRearrangedTable(table, {1, 0, 2, 3}));
    const std::vector<SeenDialog> seen = Run(ID_PALETTE_TABLE_FIRST, {ModalAnswerer::Press(IDOK)}, true);
    ASSERT_EQ(1u, seen.size());
    EXPECT_FALSE(seen[0].text.empty());
    EXPECT_EQ(1, bitmapDocument.EditedFileTable());
}

}  // namespace
