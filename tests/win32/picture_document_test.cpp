// Indexed PNG and GIF files through the main window's File commands: opened
// by content as the bitmap of their depth, edited, saved back with only the
// table changed, and saved as BMP or PNG exactly.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/globals.h"
#include "document/bitmap_document.h"
#include "palette/color_table.h"
#include "resources/resource.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_folder.h"
#include "tests/win32/support/modal_answerer.h"
#include "tests/win32/support/program.h"

namespace {

class PictureDocument : public ::testing::Test {
protected:
    void SetUp() override { program::Restart(true); }
    void TearDown() override { program::Stop(); }

    std::vector<SeenDialog> Run(int command, const std::vector<ModalAnswerer::Action>& answers)
    {
        ModalAnswerer answerer;
        for (const ModalAnswerer::Action& answer : answers) answerer.Then(answer);
        program::Command(command);
        EXPECT_EQ(0u, answerer.Pending()) << answerer.Describe();
        return answerer.Seen();
    }

    // The index of pixel (x, y), y from the top, of the open bottom-up bitmap.
    unsigned Index(int x, int y)
    {
        BITMAPINFOHEADER info;
        EXPECT_TRUE(bitmapDocument.Image().CopyHeaders(nullptr, &info));
        const unsigned bits = info.biBitCount;
        const unsigned char* row = bitmapDocument.Image().Bits() +
                                   size_t(info.biHeight - 1 - y) * bitmapDocument.Image().Stride();
        const unsigned perByte = 8 / bits;
        return row[x / perByte] >> (8 - bits * (x % perByte + 1)) & ((1u << bits) - 1);
    }

    void ChangeEntry(uint32_t entry, uint8_t red, uint8_t green, uint8_t blue)
    {
        ColorTable table;
        ASSERT_TRUE(bitmapDocument.Image().CopyColorTable(table));
        table.SetColor(entry, red, green, blue);
        ASSERT_TRUE(bitmapDocument.ApplyColorTable(table));
    }

    TempFolder folder;
};

TEST_F(PictureDocument, PngOpensAtItsDepthAndSavesBackOnlyItsTable)
{
    const std::string source = SmallPngBytes();
    const std::string path = folder.File("small.png");
    ASSERT_TRUE(WriteWholeFile(path, source));
    Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(path)});
    ASSERT_EQ("Korin [small.png]", program::Title());
    BITMAPINFOHEADER info;
    ASSERT_TRUE(bitmapDocument.Image().CopyHeaders(nullptr, &info));
    EXPECT_EQ(4, info.biBitCount) << "a 2-bit picture shows as a 4-bit bitmap";
    EXPECT_EQ(4u, bitmapDocument.Image().EntryCount());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(unsigned(x + y) % 4, Index(x, y)) << x << "," << y;
    EXPECT_NE(std::string::npos, ItemText(program::MainWindow(), IDC_HEADER_VIEW).find("IHDR"));

    ChangeEntry(1, 1, 2, 3);
    EXPECT_EQ("Korin [small.png *]", program::Title());
    Run(ID_KEY_CTRL_S, {});
    EXPECT_EQ("Korin [small.png]", program::Title());
    const std::string saved = ReadWholeFile(path);
    EXPECT_EQ(std::string("\x0a\x14\x1e\x01\x02\x03\x00\xff\x00\xff\xff\xff", 12), PngChunkData(saved, "PLTE"));
    std::vector<PngChunkBytes> before = PngChunksOf(source), after = PngChunksOf(saved);
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i)
        if (before[i].type != "PLTE") {
            EXPECT_EQ(before[i].bytes, after[i].bytes) << before[i].type;
        }

    // More entries than 2 bits can index are refused, the document unchanged.
    ColorTable five;
    ASSERT_TRUE(five.Reset(5));
    EXPECT_FALSE(bitmapDocument.ApplyColorTable(five));
    EXPECT_EQ("Korin [small.png]", program::Title());
}

TEST_F(PictureDocument, GifSavesBackOnlyTheEditedEntry)
{
    const std::string source = SmallGifBytes();
    const std::string path = folder.File("small.gif");
    ASSERT_TRUE(WriteWholeFile(path, source));
    Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(path)});
    ASSERT_EQ("Korin [small.gif]", program::Title());
    EXPECT_EQ(8u, bitmapDocument.Image().EntryCount());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(unsigned(x + 3 * y) % 6, Index(x, y)) << x << "," << y;

    ChangeEntry(7, 9, 8, 7);
    Run(ID_KEY_CTRL_S, {});
    std::string expected = source;
    expected.replace(13 + 7 * 3, 3, "\x09\x08\x07");
    EXPECT_EQ(expected, ReadWholeFile(path));
}

TEST_F(PictureDocument, SaveAsWritesTheFormatTheTypedNameNames)
{
    const std::string path = folder.File("small.gif");
    ASSERT_TRUE(WriteWholeFile(path, SmallGifBytes()));
    Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(path)});
    const std::string asBmp = folder.File("copy.bmp"), asPng = folder.File("copy.png");
    Run(ID_FILE_SAVE_AS, {ModalAnswerer::TypeFileName(asBmp)});
    EXPECT_EQ("BM", ReadWholeFile(asBmp).substr(0, 2));
    EXPECT_EQ(ImageFileFormat::Bmp, bitmapDocument.FileFormat());
    Run(ID_FILE_SAVE_AS, {ModalAnswerer::TypeFileName(asPng)});
    EXPECT_EQ("\x89PNG", ReadWholeFile(asPng).substr(0, 4));
    EXPECT_EQ(ImageFileFormat::Png, bitmapDocument.FileFormat());

    // Each file opens again as the same picture and table.
    for (const std::string& file : {asBmp, asPng}) {
        Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(file)});
        ASSERT_EQ(8u, bitmapDocument.Image().EntryCount()) << file;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x) EXPECT_EQ(unsigned(x + 3 * y) % 6, Index(x, y)) << file;
    }
}

TEST_F(PictureDocument, ACorruptPngIsRefusedSayingWhy)
{
    const std::string small = SmallPngBytes();
    std::string badTable = small, badPixels = small;
    badTable[42] = char(badTable[42] ^ 0x55);  // inside PLTE: its CRC no longer holds
    // The IDAT's CRC, checked while its rows are inflated (a chunk follows it).
    const size_t idat = small.find("IDAT");
    const size_t idatCrc = idat + 4 + uint8_t(small[idat - 1]);
    badPixels[idatCrc] = char(badPixels[idatCrc] ^ 1);
    const struct {
        std::string file, named;
    } cases[] = {{badTable, "PLTE chunk at offset"}, {badPixels, "IDAT chunk at offset"}};
    std::vector<SeenDialog> seen;
    for (const auto& c : cases) {
        const std::string path = folder.File("broken.png");
        ASSERT_TRUE(WriteWholeFile(path, c.file));
        seen = Run(ID_FILE_OPEN, {ModalAnswerer::TypeFileName(path), ModalAnswerer::Press(IDOK)});
        ASSERT_EQ(2u, seen.size());
        EXPECT_EQ(0u, seen[1].text.find("ﾌｧｲﾙを読み込めませんでした.\r\nbroken.png ")) << seen[1].text;
        EXPECT_NE(std::string::npos, seen[1].text.find(c.named + ' ')) << seen[1].text;
        EXPECT_NE(std::string::npos, seen[1].text.find(": CRC mismatch")) << seen[1].text;
        EXPECT_TRUE(bitmapDocument.Image().IsEmpty());
    }

    // With no picture left, a save says only that nothing was saved.
    seen = Run(ID_KEY_CTRL_S, {ModalAnswerer::Press(IDOK)});
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("ﾌｧｲﾙは保存されませんでした.", seen[0].text);
}

}  // namespace
