// Saves over a file that Windows will not let be replaced or that the user
// set up, and a picture too large to load: the old file must survive byte for
// byte with no temporary file left, what the user set on it must stay, and the
// user must be told the load failed.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "app/globals.h"
#include "document/bitmap_document.h"
#include "image/dib_image.h"
#include "palette/color_table.h"
#include "resources/resource.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/memory_dc.h"
#include "tests/support/temp_folder.h"
#include "tests/win32/support/modal_answerer.h"
#include "tests/win32/support/program.h"

namespace {

struct Saver {
    const char* what;
    const char* name;
    std::function<bool(const char* path)> save;
};

std::vector<Saver> Savers(DibImage& image, ColorTable& table)
{
    return {{"BMP", "picture.bmp", [&](const char* path) { return image.SaveToFile(path); }},
            {"palette", "colors.pal", [&](const char* path) { return table.SaveRiffPalette(path); }}};
}

// A small picture and table to save over a file that holds other bytes.
class LockedTarget : public ::testing::Test {
protected:
    void SetUp() override
    {
        NewImageSpec spec = {20, 10, 8, 256};
        ASSERT_TRUE(image.CreateBlank(dc, &spec));
        ASSERT_TRUE(table.Reset(16));
    }

    MemoryDC dc;
    DibImage image;
    ColorTable table;
    const std::string old = "the file as it was, not a picture";
};

// Guards the replaced file against a save whose final step the system refuses:
// another program holds it open without sharing. (A read-only attribute would
// do on Windows, but Wine replaces read-only files.)
TEST_F(LockedTarget, SaveThatCannotReplaceTheFileKeepsItAndLeavesNoTemporary)
{

    for (const Saver& saver : Savers(image, table)) {
        {
            TempFolder folder;
            std::string path = folder.File(saver.name);
            ASSERT_TRUE(WriteWholeFile(path, old));
            HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(INVALID_HANDLE_VALUE, held);
            EXPECT_FALSE(saver.save(path.c_str())) << saver.what << ", held open without sharing";
            CloseHandle(held);
            EXPECT_EQ(old, ReadWholeFile(path)) << saver.what << ", held open";
            EXPECT_EQ(std::vector<std::string>{saver.name}, folder.List()) << saver.what << ", held open";
            EXPECT_TRUE(saver.save(path.c_str())) << saver.what << ", once let go";
        }
    }
}

// Guards what the user set on a file against the save that replaces it: its
// hidden and system attributes stay (the temporary file's would otherwise take
// their place) and it is marked changed (archive); a read-only file, or one
// with a second name, is refused and left as it was.
TEST_F(LockedTarget, AttributesStayAndProtectedFilesAreRefused)
{
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

    for (const Saver& saver : Savers(image, table)) {
        SCOPED_TRACE(saver.what);
        TempFolder folder;
        const std::string path = folder.File(saver.name);
        ASSERT_TRUE(WriteWholeFile(path, old));
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), kept));
        EXPECT_TRUE(saver.save(path.c_str()));
        const DWORD after = GetFileAttributesA(path.c_str());
        EXPECT_EQ(kept, after & kept) << std::hex << after;
        EXPECT_TRUE(after & FILE_ATTRIBUTE_ARCHIVE) << std::hex << after;
        EXPECT_NE(old, ReadWholeFile(path));
        EXPECT_EQ(std::vector<std::string>{saver.name}, folder.List());

        ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(WriteWholeFile(folder.File("before"), ReadWholeFile(path)));
        EXPECT_FALSE(saver.save(path.c_str())) << "read-only";
        EXPECT_EQ(ReadWholeFile(folder.File("before")), ReadWholeFile(path));
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
        ASSERT_TRUE(DeleteFileA(folder.File("before").c_str()));

        ASSERT_TRUE(WriteWholeFile(path, old));
        const std::string other = folder.File("~ other name");
        ASSERT_TRUE(CreateHardLinkA(other.c_str(), path.c_str(), nullptr));
        EXPECT_FALSE(saver.save(path.c_str())) << "hard-linked";
        EXPECT_EQ(old, ReadWholeFile(path));
        EXPECT_EQ(std::vector<std::string>({saver.name, "~ other name"}), folder.List());
    }
}

// A 32-bit picture of 32768 × 32767 pixels: the header's sizes all fit in 32
// bits and the file holds every byte (sparse), but the pixels need 4 GB.
bool WriteHugePicture(const std::string& path)
{
    BmpBytes bmp = MakeBmp(1, 1, 32);
    bmp.info.biWidth = 32768;
    bmp.info.biHeight = 32767;
    bmp.pixels.clear();
    bmp.info.biSizeImage = 32768u * 4 * 32767;
    bmp.FixOffsets();
    bmp.file.bfSize = bmp.file.bfOffBits + bmp.info.biSizeImage;
    if (!WriteWholeFile(path, bmp.Serialize())) return false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER end;
    end.QuadPart = LONGLONG(bmp.file.bfOffBits) + bmp.info.biSizeImage;
    bool sized = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return sized;
}

// Guards against a crash, or a half-made picture, when a file promises a
// bitmap whose memory cannot be had: the user is told loading failed. Only a
// 32-bit process is sure not to have the 4 GB; a 64-bit one reads it whole.
TEST(HugePicture, OpeningItSaysLoadingFailedAndLeavesNoPicture)
{
    if (sizeof(void*) == 8) GTEST_SKIP() << "a 64-bit process can have the 4 GB this file asks for";
    TempFolder folder;
    std::string path = folder.File("huge.bmp");
    ASSERT_TRUE(WriteHugePicture(path));
    {
        MemoryDC dc;
        DibImage image;
        EXPECT_FALSE(image.LoadFromFile(dc, path.c_str()));
        EXPECT_TRUE(image.IsEmpty());
        EXPECT_EQ(0u, image.EntryCount());
    }

    program::Restart(true);
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::TypeFileName(path));
    answerer.Then(ModalAnswerer::Press(IDOK));
    program::Command(ID_FILE_OPEN);
    EXPECT_EQ(0u, answerer.Pending()) << answerer.Describe();
    ASSERT_EQ(2u, answerer.Seen().size()) << answerer.Describe();
    EXPECT_EQ("Loading failed.", answerer.Seen()[1].text);
    EXPECT_TRUE(bitmapDocument.Image().IsEmpty());
    EXPECT_TRUE(IsWindowVisible(program::MainWindow()));
    program::Stop();
}

}  // namespace
