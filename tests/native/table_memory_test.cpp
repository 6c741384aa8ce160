// Tables, images and rows whose memory cannot be had: each refusal says so
// and leaves things as they were, with no entries counted without memory
// behind them and no write through a null block.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "image/bmp_recolor.h"
#include "image/dib_image.h"
#include "image/gif_file.h"
#include "image/picture_remap.h"
#include "image/png_file.h"
#include "image/png_row_encoder.h"
#include "palette/color_table.h"
#include "palette/table_history.h"
#include "platform/safe_file_writer.h"
#include "tests/support/bmp_variants.h"
#include "tests/support/gif_bytes.h"
#include "tests/support/memory_dc.h"
#include "tests/support/sanitizer.h"
#include "tests/support/temp_folder.h"

namespace {

// Lets this process map only what it maps now and headroom more: every
// block larger than that, which the allocator maps on its own, is refused.
bool LimitMemoryToWhatIsMapped(rlim_t headroom = rlim_t(64) << 10)
{
    long pages = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return false;
    const bool read = std::fscanf(statm, "%ld", &pages) == 1;
    std::fclose(statm);
    struct rlimit limit = {};
    if (!read || getrlimit(RLIMIT_AS, &limit) != 0) return false;
    limit.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + headroom;
    return setrlimit(RLIMIT_AS, &limit) == 0;
}

// A palette file of 4 entries followed, inside its chunk, by 4 MiB of padding.
std::string PaddedPalette()
{
    std::string body = std::string("PAL data") + std::string("\x14\0\0\0\0\x03\x04\0", 8) + std::string(16, '\x7F');
    body += std::string(4u << 20, '\0');
    const uint32_t size = uint32_t(body.size());
    return std::string("RIFF") + char(size) + char(size >> 8) + char(size >> 16) + char(size >> 24) + body;
}

// A one-pixel bitmap whose table of a million entries is all in the file.
std::string LongTableBitmap()
{
    VariantFile bmp;
    bmp.width = 1;
    bmp.height = 1;
    bmp.clrUsed = 1u << 20;
    bmp.table.assign(size_t(4) << 20, '\0');
    bmp.pixels.assign(4, '\0');
    return bmp.Bytes();
}

// Takes up every free block the heap holds, down to the smallest.
void TakeUpTheHeap()
{
    for (size_t size = 256 << 10; size >= 16; size /= 2) {
        void* volatile taken = nullptr;
        do taken = std::malloc(size);
        while (taken);
    }
}

// Runs check in a child under the memory limit; its exit status is the
// bits of the checks that failed, or 100 without the limit.
int ExitStatusOfChild(const std::function<int()>& check)
{
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) _exit(check());
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// The child's verdict: it ran under the limit and every check held.
::testing::AssertionResult ChildPassed(int status)
{
    if (status < 0) return ::testing::AssertionFailure() << "the child crashed";
    if (status >= 100) return ::testing::AssertionFailure() << "no input, or no memory limit: " << status;
    if (status != 0) return ::testing::AssertionFailure() << "checks failed: " << status;
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(ColorTableMemory, EveryFailedAllocationRefusesAndKeepsTheTable)
{
    if (kAddressSanitizer) GTEST_SKIP() << "SKIPPED LOUDLY: AddressSanitizer reserves more than the limit allows";
    TempFolder folder;
    const std::string saved = folder.File("large.pal");
    static const char* const checks[] = {"Resize", "Assign", "ReadRiffPalette", "SaveRiffPalette", "Reset"};
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ColorTable table, large, largest;
        table.Reset(3);
        table.SetColor(2, 1, 2, 3);
        large.Reset(1u << 20);
        largest.Reset(65535);
        std::istringstream palette(PaddedPalette());
        if (!LimitMemoryToWhatIsMapped()) _exit(100);
        // Free blocks the heap kept from earlier tests are taken up, so that
        // no block of 256 KiB or more can be had at all.
        void* volatile taken = nullptr;
        do taken = std::malloc(256 << 10);
        while (taken);
        const auto kept = [&table] { return table.GetCount() == 3 && table.GetPackedColor(2) == 0x02030201u; };
        int failed = 0;
        if (table.Resize(1u << 24) || !kept()) failed |= 1;
        if (table.Assign(large) || !kept()) failed |= 2;
        if (table.ReadRiffPalette(palette) || !kept()) failed |= 4;
        if (largest.SaveRiffPalette(saved.c_str()) || access(saved.c_str(), F_OK) == 0) failed |= 8;
        if (table.Reset(1u << 24) || table.GetCount() != 0) failed |= 16;
        _exit(failed);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status)) << "the child crashed: status " << status;
    ASSERT_NE(100, WEXITSTATUS(status)) << "the memory limit could not be set";
    for (int i = 0; i < 5; ++i) EXPECT_EQ(0, WEXITSTATUS(status) & (1 << i)) << checks[i];
}

TEST(DibImageMemory, FailedAllocationsKeepTheImageOrLeaveItEmpty)
{
    if (kAddressSanitizer) GTEST_SKIP() << "SKIPPED LOUDLY: AddressSanitizer reserves more than the limit allows";
    const int status = ExitStatusOfChild([] {
        MemoryDC dc;
        DibImage image;
        NewImageSpec spec = {4, 4, 8, 2};
        ColorTable longer;
        if (!image.CreateBlank(dc, &spec) || !longer.Reset(256)) return 101;
        if (!LimitMemoryToWhatIsMapped()) return 100;
        int failed = 0;
        DibImage large;
        NewImageSpec largeSpec = {4096, 4096, 8, 2};
        if (large.CreateBlank(dc, &largeSpec) || !large.IsEmpty() || large.EntryCount() != 0) failed |= 8;
        TakeUpTheHeap();
        BITMAPINFOHEADER info = {};
        if (image.SetColorTable(longer) || image.EntryCount() != 2) failed |= 1;
        if (image.ResizeColorTable(longer) || image.EntryCount() != 2) failed |= 2;
        if (!image.CopyHeaders(nullptr, &info) || info.biClrUsed != 2) failed |= 4;
        return failed;
    });
    ASSERT_GE(status, 0) << "the child crashed";
    ASSERT_LT(status, 100) << "no image, or no memory limit: " << status;
    EXPECT_EQ(0, status & 1) << "SetColorTable";
    EXPECT_EQ(0, status & 2) << "ResizeColorTable";
    EXPECT_EQ(0, status & 4) << "the header is kept";
    EXPECT_EQ(0, status & 8) << "a picture without memory leaves the image empty";

    const std::string bytes = LongTableBitmap();
    const int loadStatus = ExitStatusOfChild([&bytes] {
        MemoryDC dc;
        DibImage image;
        std::istringstream in(bytes);
        BITMAPFILEHEADER header = {};
        if (!LimitMemoryToWhatIsMapped()) return 100;
        return image.ReadFromStream(dc, in) || !image.IsEmpty() || image.CopyHeaders(&header, nullptr) ? 1 : 0;
    });
    EXPECT_TRUE(ChildPassed(loadStatus)) << "a table without memory leaves the image empty";
}

TEST(PngEncodeMemory, ARowWithoutMemoryIsRefusedByName)
{
    if (kAddressSanitizer) GTEST_SKIP() << "SKIPPED LOUDLY: AddressSanitizer reserves more than the limit allows";
    TempFolder folder;
    const std::string path = folder.File("wide.png");
    const int status = ExitStatusOfChild([&path] {
        ColorTable table;
        if (!table.Reset(1)) return 101;
        SafeFileWriter out(path.c_str());
        std::string reason;
        if (!LimitMemoryToWhatIsMapped()) return 100;
        const bool written = WriteIndexedPng(0x7FFFFFFFu, 1, 8, table, [](uint32_t, uint8_t*) {}, out, &reason);
        return written || reason != "no memory for a row of 2147483647 pixels" ? 1 : 0;
    });
    EXPECT_TRUE(ChildPassed(status));
    const int encoderStatus = ExitStatusOfChild([] {
        PngEncoding smallest;  // unfiltered rows need no memory of the encoder's
        smallest.filter = PngFilterChoice::Smallest;
        PngRowEncoder encoder([](const uint8_t*, size_t) {}, smallest);
        std::string reason;
        if (!LimitMemoryToWhatIsMapped()) return 100;
        const bool started = encoder.Start(uint64_t(1) << 31, &reason);
        return started || reason != "no memory for a row of 2147483648 bytes" ? 1 : 0;
    });
    EXPECT_TRUE(ChildPassed(encoderStatus)) << "the row encoder";
}

TEST(GifDecodeMemory, AnInterlacedImageWithoutMemoryIsRefusedByName)
{
    if (kAddressSanitizer) GTEST_SKIP() << "SKIPPED LOUDLY: AddressSanitizer reserves more than the limit allows";
    // Data long enough that it might fill the image; it is never decoded.
    std::string bytes = MakeGif(65535, 65535, std::string(12, '\x40'), 0, {{0, 0, 65535, 65535, "", {0}, 2}});
    bytes = bytes.substr(0, 13 + 12 + 10 + 1) + GifSubBlockChain(std::string(200000, '\0')) + ";";
    bytes[13 + 12 + 9] = char(bytes[13 + 12 + 9] | 0x40);
    const int status = ExitStatusOfChild([&bytes] {
        const ByteSource source(bytes);
        GifStructure gif;
        std::string reason;
        if (!ReadGifStructure(source, &gif, &reason)) return 101;
        // Room for the decoder's rows, not for the whole image.
        if (!LimitMemoryToWhatIsMapped(rlim_t(16) << 20)) return 100;
        const bool decoded = DecodeGifImage(source, gif, [](uint32_t, const uint8_t*) {}, &reason);
        return decoded || reason != "needs more memory than is free for its interlaced image of 65535 x 65535 pixels" ? 1 : 0;
    });
    EXPECT_TRUE(ChildPassed(status));
}

TEST(RemapMemory, CountingWithoutABlockIsRefusedByName)
{
    if (kAddressSanitizer) GTEST_SKIP() << "SKIPPED LOUDLY: AddressSanitizer reserves more than the limit allows";
    TempFolder folder;
    VariantFile bmp;
    bmp.width = 4;
    bmp.height = 2;
    bmp.clrUsed = 2;
    bmp.table = MakeTable(2, 4);
    bmp.pixels.assign(8, '\0');
    const std::string path = folder.File("small.bmp");
    ASSERT_TRUE(WriteWholeFile(path, bmp.Bytes()));
    const int status = ExitStatusOfChild([&path] {
        SourceFile file;
        RemappablePicture picture;
        std::string reason;
        if (!file.Open(path.c_str())) return 101;
        if (!LimitMemoryToWhatIsMapped()) return 100;
        return picture.Read(file, true, &reason) || reason != "needs more memory than is free" ? 1 : 0;
    });
    EXPECT_TRUE(ChildPassed(status));
}

TEST(TableHistoryMemory, AStepWithoutMemoryEmptiesTheHistory)
{
    if (kAddressSanitizer) GTEST_SKIP() << "SKIPPED LOUDLY: AddressSanitizer reserves more than the limit allows";
    const int status = ExitStatusOfChild([] {
        TableHistory history;
        ColorTable small, before, after;
        TableMark mark = {false, 0, 0, true, nullptr};
        if (!small.Reset(1) || !before.Reset(0xFFFF) || !after.Reset(0xFFFF)) return 101;
        for (uint32_t i = 0; i < after.GetCount(); ++i) after.GetEntry(i)->red = 1;
        if (!history.Record(ColorTable(), ColorTable(), mark, small, ColorTable(), mark)) return 101;
        if (!LimitMemoryToWhatIsMapped()) return 100;
        TakeUpTheHeap();
        // What is left would not lead back from the tables the caller keeps.
        const bool recorded = history.Record(before, ColorTable(), mark, after, ColorTable(), mark);
        return recorded || history.CanUndo() || history.Bytes() != 0 ? 1 : 0;
    });
    EXPECT_TRUE(ChildPassed(status));
}

TEST(RecolorMemory, ABitmapIsCheckedWithoutRoomForItsPixels)
{
    if (kAddressSanitizer) GTEST_SKIP() << "SKIPPED LOUDLY: AddressSanitizer reserves more than the limit allows";
    TempFolder folder;
    VariantFile bmp;  // a gigabyte of pixels, left as a hole in the file
    bmp.width = 32768;
    bmp.height = 32768;
    bmp.clrUsed = 2;
    bmp.table = MakeTable(2, 4);
    const std::string headers = bmp.Bytes(), path = folder.File("large.bmp");
    ASSERT_TRUE(WriteWholeFile(path, headers));
    ASSERT_EQ(0, truncate(path.c_str(), off_t(headers.size()) + (off_t(1) << 30)));
    const std::string output = folder.File("missing/out.bmp");
    const int status = ExitStatusOfChild([&path, &output] {
        MemoryDC dc;
        if (!LimitMemoryToWhatIsMapped()) return 100;
        const RecolorResult result = RecolorBmpFile(dc, path.c_str(), output.c_str(), [](ColorTable&) {}, nullptr);
        // Read and checked up to the write, which has no folder to go to.
        return result.outcome == RecolorResult::NotWritten ? 0 : 1;
    });
    EXPECT_TRUE(ChildPassed(status));

    const std::string tablePath = folder.File("long.bmp");
    ASSERT_TRUE(WriteWholeFile(tablePath, LongTableBitmap()));
    const int tableStatus = ExitStatusOfChild([&tablePath, &output] {
        MemoryDC dc;
        if (!LimitMemoryToWhatIsMapped()) return 100;
        const RecolorResult result = RecolorBmpFile(dc, tablePath.c_str(), output.c_str(), [](ColorTable&) {}, nullptr);
        return result.outcome == RecolorResult::NotLoaded ? 0 : 1;
    });
    EXPECT_TRUE(ChildPassed(tableStatus)) << "a table without memory is not read";
}
