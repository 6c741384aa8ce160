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

}  // namespace
