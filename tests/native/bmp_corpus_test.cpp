// One corpus of BMP files, run through both builds: the native layer must
// accept and refuse exactly the files that real GDI does, so both builds
// check every file against the same verdicts.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "image/dib_image.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/bmp_corpus.h"
#include "tests/support/memory_dc.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(BmpCorpus, EveryFileGetsTheVerdictRealGdiGives)
{
    TempFolder folder;
    MemoryDC dc;
    int accepted = 0, refused = 0;
    for (const CorpusFile& file : BmpCorpus()) {
        std::string path = folder.File(file.name + ".bmp");
        ASSERT_TRUE(WriteWholeFile(path, file.bytes));
        DibImage image;
        bool loaded = image.LoadFromFile(dc, path.c_str());
        EXPECT_EQ(file.loads, loaded) << file.name;
        EXPECT_EQ(loaded, !image.IsEmpty()) << file.name;
        (loaded ? accepted : refused)++;
    }
    EXPECT_GT(accepted, 40);
    EXPECT_GT(refused, 20);
}

// The native layer makes the sections GDI makes, bit fields included (at 16
// and 32 bits only), so that the corpus's bit-field files meet the loader's
// own compression check in both builds.
TEST(BmpCorpus, BitFieldSectionsAreMadeWhereGdiMakesThem)
{
    struct Case {
        WORD bitCount;
        DWORD compression;
        bool made;
    } cases[] = {
        {16, BI_BITFIELDS, true}, {32, BI_BITFIELDS, true}, {8, BI_BITFIELDS, false},
        {24, BI_BITFIELDS, false}, {16, BI_RGB, true},      {32, 4, false},
    };
    MemoryDC dc;
    for (const Case& c : cases) {
        struct {
            BITMAPINFOHEADER header;
            DWORD masks[3];
        } info = {};
        info.header.biSize = sizeof info.header;
        info.header.biWidth = 4;
        info.header.biHeight = 2;
        info.header.biPlanes = 1;
        info.header.biBitCount = c.bitCount;
        info.header.biCompression = c.compression;
        const bool wide = c.bitCount == 32;
        info.masks[0] = wide ? 0xFF0000 : 0xF800;
        info.masks[1] = wide ? 0x00FF00 : 0x07E0;
        info.masks[2] = wide ? 0x0000FF : 0x001F;
        void* bits = nullptr;
        HBITMAP section = CreateDIBSection(dc, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                           &bits, nullptr, 0);
        EXPECT_EQ(c.made, section != nullptr) << c.bitCount << " bits, compression " << c.compression;
        if (section) DeleteObject(section);
    }
#ifndef _WIN32
    // A header shorter than BITMAPINFOHEADER is not read past its end (Windows
    // would take 12 bytes as the older core header).
    BITMAPINFOHEADER shortHeader = {};
    shortHeader.biSize = 12;
    shortHeader.biWidth = 4;
    shortHeader.biHeight = 2;
    shortHeader.biPlanes = 1;
    shortHeader.biBitCount = 16;
    void* bits = nullptr;
    EXPECT_EQ(nullptr, CreateDIBSection(dc, reinterpret_cast<const BITMAPINFO*>(&shortHeader), DIB_RGB_COLORS, &bits,
                                        nullptr, 0));
#endif
}

}  // namespace
