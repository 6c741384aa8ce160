#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "image/dib_image.h"
#include "palette/color_table.h"
#include "platform/safe_file_writer.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/memory_dc.h"
#include "tests/support/temp_folder.h"

#include <memory>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

class BmpFile : public ::testing::Test {
protected:
    bool Load(DibImage& image, const std::string& bytes)
    {
        std::string path = folder.File("in.bmp");
        EXPECT_TRUE(WriteWholeFile(path, bytes));
        return image.LoadFromFile(dc, path.c_str());
    }

    // Loads bytes into an image that already holds a picture.
    bool LoadOverPicture(DibImage& image, const std::string& bytes)
    {
        NewImageSpec spec = {3, 3, 8, 4};
        EXPECT_TRUE(image.CreateBlank(dc, &spec));
        return Load(image, bytes);
    }

    std::string Pixels(const DibImage& image)
    {
        return std::string(reinterpret_cast<const char*>(image.Bits()), image.ImageSize());
    }

    TempFolder folder;
    MemoryDC dc;
};

TEST_F(BmpFile, EntryCountFollowsClrUsedOrTheBitCount)
{
    struct Case { uint16_t bits; uint32_t clrUsed; uint32_t entries; } cases[] = {
        {8, 0, 256}, {8, 16, 16}, {4, 0, 16}, {1, 0, 2}, {24, 0, 0}, {32, 0, 0}, {16, 0, 0},
        {24, 3, 3},
    };
    for (const Case& c : cases) {
        BmpBytes bmp = MakeBmp(5, 4, c.bits, c.clrUsed);
        DibImage image;
        ASSERT_TRUE(Load(image, bmp.Serialize())) << c.bits << "/" << c.clrUsed;
        EXPECT_EQ(c.entries, image.EntryCount());
        EXPECT_EQ(bmp.pixels, Pixels(image)) << "pixels start at " << bmp.file.bfOffBits;
    }
}

TEST_F(BmpFile, ReadsHeadersAndColorsAsStored)
{
    BmpBytes bmp = MakeBmp(3, 2, 8, 16);
    bmp.file.bfReserved1 = 0x1234;
    bmp.file.bfReserved2 = 0xABCD;
    bmp.info.biXPelsPerMeter = 2835;
    bmp.info.biClrImportant = 5;
    DibImage image;
    ASSERT_TRUE(Load(image, bmp.Serialize()));
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    ASSERT_TRUE(image.CopyHeaders(&file, &info));
    EXPECT_EQ(0, std::memcmp(&file, &bmp.file, sizeof file));
    EXPECT_EQ(0, std::memcmp(&info, &bmp.info, sizeof info));
    ColorTable table;
    ASSERT_TRUE(image.CopyColorTable(table));
    ASSERT_EQ(16u, table.GetCount());
    const unsigned char* quad = reinterpret_cast<const unsigned char*>(bmp.table.data()) + 4 * 9;
    EXPECT_EQ(PackColor(quad[2], quad[1], quad[0]), table.GetPackedColor(9));
}

TEST_F(BmpFile, RoundTripKeepsEverything)
{
    for (int32_t height : {4, -4}) {
        for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
            BmpBytes bmp = MakeBmp(7, height, bits);
            bmp.file.bfReserved1 = 7;
            bmp.file.bfReserved2 = 9;
            DibImage image;
            ASSERT_TRUE(Load(image, bmp.Serialize())) << bits << " bits, height " << height;
            std::string out = folder.File("out.bmp");
            ASSERT_TRUE(image.SaveToFile(out.c_str()));
            EXPECT_EQ(bmp.Serialize(), ReadWholeFile(out)) << bits << " bits, height " << height;
        }
    }
}

TEST_F(BmpFile, BlankImageSavesWithComputedFileHeader)
{
    DibImage image;
    NewImageSpec spec = {100, 50, 8, 256};
    ASSERT_TRUE(image.CreateBlank(dc, &spec));
    std::string out = folder.File("blank.bmp");
    ASSERT_TRUE(image.SaveToFile(out.c_str()));
    std::string bytes = ReadWholeFile(out);
    ASSERT_EQ(6078u, bytes.size());
    BITMAPFILEHEADER file;
    std::memcpy(&file, bytes.data(), sizeof file);
    EXPECT_EQ(0x4D42, +file.bfType);
    EXPECT_EQ(6078u, +file.bfSize);
    EXPECT_EQ(1078u, +file.bfOffBits);
    EXPECT_EQ(0, +file.bfReserved1);
    EXPECT_EQ(0, +file.bfReserved2);
    BITMAPFILEHEADER none;
    EXPECT_FALSE(image.CopyHeaders(&none, nullptr)) << "saving must not invent a file header";

    DibImage back;
    ASSERT_TRUE(back.LoadFromFile(dc, out.c_str()));
    EXPECT_EQ(256u, back.EntryCount());
    EXPECT_EQ(std::string(5000, '\0'), Pixels(back));
}

TEST_F(BmpFile, GrownTableIsSavedWithTheNewCount)
{
    BmpBytes bmp = MakeBmp(4, 2, 8, 16);
    DibImage image;
    ASSERT_TRUE(Load(image, bmp.Serialize()));
    ColorTable table;
    table.Reset(256);
    table.SetColor(200, 10, 20, 30);
    ASSERT_TRUE(image.SetColorTable(table));
    std::string out = folder.File("grown.bmp");
    ASSERT_TRUE(image.SaveToFile(out.c_str()));  // section stale: new colors, old pixels
    std::string bytes = ReadWholeFile(out);
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    std::memcpy(&file, bytes.data(), sizeof file);
    std::memcpy(&info, bytes.data() + 14, sizeof info);
    EXPECT_EQ(1078u, +file.bfOffBits);
    EXPECT_EQ(1078u + 8, +file.bfSize);
    EXPECT_EQ(256u, info.biClrUsed);
    EXPECT_EQ(std::string("\x1e\x14\x0a\0", 4), bytes.substr(54 + 4 * 200, 4));
    EXPECT_EQ(bmp.pixels, bytes.substr(1078));
}

TEST_F(BmpFile, RefusedFilesLeaveTheImageEmpty)
{
    struct Case { const char* what; std::string bytes; };
    std::vector<Case> cases;
    BmpBytes good = MakeBmp(5, 3, 8, 16);
    std::string full = good.Serialize();
    cases.push_back({"empty file", ""});
    cases.push_back({"cut in the file header", full.substr(0, 13)});
    cases.push_back({"cut in the info header", full.substr(0, 53)});
    cases.push_back({"cut in the color table", full.substr(0, 54 + 63)});
    cases.push_back({"cut in the pixels", full.substr(0, full.size() - 1)});
    { BmpBytes b = good; b.file.bfType = 0x4D43; cases.push_back({"not BM", b.Serialize()}); }
    for (DWORD size : {12u, 64u, 108u, 124u}) {
        BmpBytes b = good;
        b.info.biSize = size;
        cases.push_back({"other info header size", b.Serialize()});
    }
    for (DWORD compression : {1u, 2u, 3u, 4u, 5u}) {
        BmpBytes b = good;
        b.info.biCompression = compression;
        cases.push_back({"compressed", b.Serialize()});
    }
    for (const Case& c : cases) {
        DibImage image;
        EXPECT_FALSE(LoadOverPicture(image, c.bytes)) << c.what;
        EXPECT_TRUE(image.IsEmpty()) << c.what;
        EXPECT_EQ(0u, image.EntryCount()) << c.what;
    }
    DibImage image;
    EXPECT_TRUE(LoadOverPicture(image, full + "trailing bytes are not read"));
    EXPECT_FALSE(image.LoadFromFile(dc, folder.File("missing.bmp").c_str()));
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_FALSE(image.LoadFromFile(dc, folder.Path().c_str())) << "a folder";
    EXPECT_FALSE(image.LoadFromFile(dc, nullptr)) << "no path";
    NewImageSpec spec = {3, 3, 8, 4};
    ASSERT_TRUE(image.CreateBlank(dc, &spec));
    std::istringstream cut(full.substr(0, 53));
    EXPECT_FALSE(image.ReadFromStream(dc, cut));
    EXPECT_TRUE(image.IsEmpty()) << "a stream read over a picture";
}

// Guards against allocating what the file cannot hold: a huge biClrUsed or
// pixel block must be refused from the header, before any allocation.
TEST_F(BmpFile, CountsBeyondTheFileAreRefusedBeforeAllocating)
{
    BmpBytes table = MakeBmp(2, 2, 8, 16);
    table.info.biClrUsed = 0x3FFFFFF0;
    BmpBytes pixels = MakeBmp(2, 2, 8, 16);
    pixels.info.biWidth = 0x7FFFFFF0;
    pixels.info.biHeight = 1;
    BmpBytes wrapping = MakeBmp(2, 2, 32, 2);
    wrapping.info.biWidth = 0x40000001;  // width × 32 bits wraps 32-bit arithmetic to 32
    wrapping.info.biHeight = 1;
    BmpBytes tall = MakeBmp(4, 2, 8, 2);
    tall.info.biHeight = INT32_MIN;
    for (const BmpBytes* b : {&table, &pixels, &wrapping, &tall}) {
        DibImage image;
        EXPECT_FALSE(Load(image, b->Serialize()));
        EXPECT_TRUE(image.IsEmpty());
    }
}

// Guards against shifting a picture whose pixels start after a gap.
TEST_F(BmpFile, PixelsAfterAGapAreReadFromTheOffset)
{
    BmpBytes bmp = MakeBmp(6, 2, 8, 4);
    bmp.gap = "GAP!GAP!";
    bmp.FixOffsets();
    DibImage image;
    ASSERT_TRUE(Load(image, bmp.Serialize()));
    EXPECT_EQ(bmp.pixels, Pixels(image));

    // Written back without the gap.
    std::string out = folder.File("nogap.bmp");
    ASSERT_TRUE(image.SaveToFile(out.c_str()));
    std::string bytes = ReadWholeFile(out);
    EXPECT_EQ(54u + 16 + 16, bytes.size());
    EXPECT_EQ(bmp.pixels, bytes.substr(70));

    // An offset inside the table, or one past the end, is not a gap.
    BmpBytes inside = MakeBmp(6, 2, 8, 4);
    inside.file.bfOffBits = 60;
    ASSERT_TRUE(Load(image, inside.Serialize()));
    EXPECT_EQ(inside.pixels, Pixels(image));
    BmpBytes beyond = MakeBmp(6, 2, 8, 4);
    beyond.file.bfOffBits = 5000;
    EXPECT_FALSE(Load(image, beyond.Serialize()));
}

// Pixels of 2 GB and more arrive whole, also where one read cannot take them.
TEST_F(BmpFile, PixelsOfTwoGigabytesAndMoreAreReadWhole)
{
    if (sizeof(void*) < 8) GTEST_SKIP() << "a 32-bit process has no room for 2 GB of pixels";
    BmpBytes bmp = MakeBmp(1, 1, 8, 4);
    bmp.info.biWidth = 65536;
    bmp.info.biHeight = 32769;  // 2 GiB and a row, at 8 bits
    bmp.info.biSizeImage = 65536u * 32769u;
    bmp.pixels.clear();
    bmp.FixOffsets();
    bmp.file.bfSize += bmp.info.biSizeImage;
    const std::string path = folder.File("big.bmp");
    {
        std::ofstream out(path, std::ios::binary);
        out << bmp.Serialize();
        out.put('\3');
        out.seekp(std::streamoff(bmp.file.bfSize) - 1);
        out.put('\7');
        ASSERT_TRUE(out.good());
    }
    DibImage image;
    ASSERT_TRUE(image.LoadFromFile(dc, path.c_str()));
    ASSERT_EQ(bmp.info.biSizeImage, image.ImageSize());
    EXPECT_EQ(3, image.Bits()[0]);
    EXPECT_EQ(0, image.Bits()[image.ImageSize() / 2]);
    EXPECT_EQ(7, image.Bits()[image.ImageSize() - 1]);
}

TEST_F(BmpFile, SaveReplacesTheWholeOldFile)
{
    std::string out = folder.File("over.bmp");
    ASSERT_TRUE(WriteWholeFile(out, std::string(100000, 'x')));
    DibImage image;
    NewImageSpec spec = {2, 2, 1, 2};
    ASSERT_TRUE(image.CreateBlank(dc, &spec));
    ASSERT_TRUE(image.SaveToFile(out.c_str()));
    EXPECT_EQ(54u + 8 + 8, ReadWholeFile(out).size());
    EXPECT_EQ(std::vector<std::string>{"over.bmp"}, folder.List());
}

// Guards the old file: a save that cannot complete must leave it as it was.
TEST_F(BmpFile, FailedSaveKeepsTheOldFileAndLeavesNoTemporary)
{
    DibImage image;
    NewImageSpec spec = {2, 2, 8, 2};
    ASSERT_TRUE(image.CreateBlank(dc, &spec));
    EXPECT_FALSE(image.SaveToFile(folder.File("missing folder/x.bmp").c_str()));

    std::string taken = folder.File("taken.bmp");
#ifdef _WIN32
    ASSERT_TRUE(CreateDirectoryA(taken.c_str(), nullptr));
#else
    ASSERT_EQ(0, mkdir(taken.c_str(), 0700));
#endif
    EXPECT_FALSE(image.SaveToFile(taken.c_str()));
    EXPECT_EQ(std::vector<std::string>{"taken.bmp"}, folder.List());

    DibImage empty;
    std::string kept = folder.File("kept.bmp");
    ASSERT_TRUE(WriteWholeFile(kept, "keep me"));
    EXPECT_FALSE(empty.SaveToFile(kept.c_str()));
    EXPECT_EQ("keep me", ReadWholeFile(kept));
}

// Guards the copy of pixel rows from file to file: a source that ends before
// the rows do (cut short while it was being copied) must fail the save.
// A writer that failed, or whose file was replaced or handed to a batch, owns
// nothing more: called again or destroyed, it closes no descriptor and removes
// no temporary that another save took since.
TEST_F(BmpFile, AWriterDoneWithLeavesLaterSavesTheirFiles)
{
    const std::string target = folder.File("target");
#ifndef _WIN32
    const bool input = fcntl(0, F_GETFD) != -1;
#endif
    namespace fs = std::filesystem;
    // Failed, replaced, handed to a batch, refused at the last moment.
    for (int way = 0; way < 4; ++way) {
        const bool saved = way == 1 || way == 2;
        ASSERT_TRUE(WriteWholeFile(target, "old"));
        FolderFlushes flushes;
        auto writer = std::make_unique<SafeFileWriter>(target.c_str(), way == 2 ? &flushes : nullptr);
        writer->Write("new", 3);
        if (way == 0) writer->Fail();
        if (way == 3) fs::permissions(target, fs::perms::owner_read);
        EXPECT_EQ(saved, writer->Commit()) << way;
        fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
        if (way != 2) {
            EXPECT_EQ(std::vector<std::string>{"target"}, folder.List()) << "at once, " << way;
        }
#ifndef _WIN32
        const int other = open(folder.File("other").c_str(), O_RDWR | O_CREAT, 0600);
#endif
        SafeFileWriter next(target.c_str());
        next.Write("next", 4);
        EXPECT_FALSE(writer->Commit()) << way;
        writer.reset();
#ifndef _WIN32
        EXPECT_NE(-1, fcntl(other, F_GETFD)) << way;
        EXPECT_EQ(input, fcntl(0, F_GETFD) != -1) << "standard input, " << way;
        close(other);
        fs::remove(folder.File("other"));
#endif
        std::string failed;
        EXPECT_TRUE(flushes.FlushAll(&failed)) << failed;
        EXPECT_EQ(saved ? "new" : "old", ReadWholeFile(target)) << way;
        EXPECT_TRUE(next.Commit()) << way;
        EXPECT_EQ("next", ReadWholeFile(target)) << way;
        EXPECT_EQ(std::vector<std::string>{"target"}, folder.List()) << way;
    }
}

TEST_F(BmpFile, CopyPastTheEndOfItsSourceFailsTheSave)
{
    const std::string source = folder.File("source");
    const std::string target = folder.File("target");
    ASSERT_TRUE(WriteWholeFile(source, "0123456789"));
    ASSERT_TRUE(WriteWholeFile(target, "old"));
    SourceFile from;
    ASSERT_TRUE(from.Open(source.c_str()));
    ASSERT_EQ(10u, from.Size());
    {
        SafeFileWriter writer(target.c_str());
        ASSERT_TRUE(writer.IsOpen());
        writer.Write("ab", 2);
        writer.CopyFrom(from, 4, 7);
        EXPECT_FALSE(writer.Commit());
        EXPECT_EQ(std::vector<std::string>({"source", "target"}), folder.List()) << "at once, not later";
    }
    EXPECT_EQ("old", ReadWholeFile(target));
    EXPECT_EQ(std::vector<std::string>({"source", "target"}), folder.List());

    SafeFileWriter writer(target.c_str());
    writer.Write("ab", 2);
    writer.CopyFrom(from, 4, 6);
    writer.Write("!", 1);
    EXPECT_TRUE(writer.Commit());
    EXPECT_EQ("ab456789!", ReadWholeFile(target));
    // A folder is no source, and nothing of it stays open.
    SourceFile notAFile;
    EXPECT_FALSE(notAFile.Open(folder.Path().c_str()));
    EXPECT_FALSE(notAFile.IsOpen());

    // A source lets go of its file when opened again and when it ends.
    const auto descriptors = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    const auto held = descriptors();
    {
        SourceFile again;
        ASSERT_TRUE(again.Open(source.c_str()));
        ASSERT_TRUE(again.Open(target.c_str()));
        EXPECT_EQ(held + 1, descriptors());
    }
    EXPECT_EQ(held, descriptors());
}

}  // namespace
