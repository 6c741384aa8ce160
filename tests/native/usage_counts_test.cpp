// Pixels per table entry, against Pillow's count of the same BMP files: every
// indexed depth, widths that leave row padding and part-filled last bytes
// (filled with stray bits here, which must not count), rows stored either way.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "image/dib_image.h"
#include "image/usage_counts.h"
#include "palette/color_table.h"
#include "tests/support/bmp_variants.h"
#include "tests/support/memory_dc.h"
#include "tests/support/python_script.h"
#include "tests/support/temp_folder.h"

namespace {

const char kPillowHistogram[] = R"(import sys
from PIL import Image
for arg in sys.argv[1:]:
    bits, path = arg.split(':', 1)
    with Image.open(path) as im:
        assert im.mode == 'P', im.mode
        print(' '.join(map(str, im.histogram()[:1 << int(bits)])))
)";

// Mostly runs of one value, the case interleaved counters are there for, and
// some noise; every byte of the rows, padding included.
std::string PixelBytes(std::mt19937& random, size_t count)
{
    std::string bytes(count, '\0');
    const char run = char(random());
    for (char& b : bytes) b = random() % 3 ? run : char(random());
    return bytes;
}

std::string Joined(const std::vector<uint64_t>& counts)
{
    std::string text;
    for (uint64_t c : counts) text += (text.empty() ? "" : " ") + std::to_string(c);
    return text;
}

TEST(UsageCounts, BitmapsOfEveryDepthCountAsPillowCounts)
{
    const std::string python = PythonWith("PIL");
    if (python.empty()) GTEST_SKIP() << "SKIPPED LOUDLY: needs Python 3 with Pillow (python3-pil)";
    TempFolder folder;
    MemoryDC dc;
    std::mt19937 random(7);
    std::vector<std::string> paths, ours;
    for (uint16_t bits : {1, 4, 8}) {
        for (int32_t width : {1, 3, 7, 13, 32, 33}) {
            for (bool topDown : {false, true}) {
                const int32_t height = 2 + width % 5;
                const std::string path = folder.File(std::to_string(bits) + "-" + std::to_string(width) +
                                                     (topDown ? "-down.bmp" : "-up.bmp"));
                if (topDown) {
                    // The editor writes bottom-up rows only; a top-down file comes from other tools.
                    VariantFile file;
                    file.width = width;
                    file.height = -height;
                    file.bitCount = bits;
                    file.table = MakeTable(1u << bits, 4);
                    const size_t stride = (size_t(width) * bits + 31) / 32 * 4;
                    file.pixels = PixelBytes(random, stride * size_t(height));
                    ASSERT_TRUE(WriteWholeFile(path, file.Bytes()));
                } else {
                    DibImage image;
                    ColorTable table;
                    ASSERT_TRUE(table.Reset(1u << bits));
                    for (uint32_t i = 0; i < table.GetCount(); ++i)
                        table.SetColor(i, uint8_t(i * 5 + 1), uint8_t(200 - i / 2), uint8_t(i * 13 + 7));
                    const NewImageSpec spec = {width, height, bits, int32_t(table.GetCount())};
                    ASSERT_TRUE(image.CreateIndexed(dc, spec, table));
                    const std::string bytes = PixelBytes(random, image.ImageSize());
                    std::copy(bytes.begin(), bytes.end(), image.Bits());
                    ASSERT_TRUE(image.SaveToFile(path.c_str()));
                }
                DibImage loaded;
                ASSERT_TRUE(loaded.LoadFromFile(dc, path.c_str())) << path;
                std::vector<uint64_t> counts;
                ASSERT_TRUE(CountEntryUsage(loaded, &counts)) << path;
                EXPECT_EQ(size_t(1) << bits, counts.size()) << path;
                paths.push_back(std::to_string(bits) + ":" + path);
                ours.push_back(Joined(counts));
            }
        }
    }
    std::string answer;
    ASSERT_TRUE(RunPythonScript(python, folder, kPillowHistogram, paths, &answer)) << answer;
    std::vector<std::string> pillow;
    for (size_t start = 0, end; (end = answer.find('\n', start)) != std::string::npos; start = end + 1)
        pillow.push_back(answer.substr(start, end - start));
    ASSERT_EQ(paths.size(), pillow.size());
    for (size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(pillow[i], ours[i]) << paths[i];
}

TEST(UsageCounts, PicturesWithoutIndicesAreRefused)
{
    MemoryDC dc;
    DibImage empty, fullColor;
    const NewImageSpec spec = {5, 3, 24, 0};
    ASSERT_TRUE(fullColor.CreateBlank(dc, &spec));
    for (const DibImage* image : {&empty, &fullColor}) {
        std::vector<uint64_t> counts(4, 9);
        EXPECT_FALSE(CountEntryUsage(*image, &counts));
        EXPECT_TRUE(counts.empty());
    }
}

// The per-lane counters are folded into the totals every gigabyte: a
// picture past that must be counted once, not its first gigabyte twice.
// Blocks 8 bytes over 16 MiB put the fold inside a block.
TEST(UsageCounts, CountsPastAGigabyteAddUp)
{
    std::vector<unsigned char> block((size_t(1) << 24) + 8, 5);
    block[3] = 9;
    const uint64_t kBlocks = 65;
    ByteHistogram histogram;
    for (uint64_t i = 0; i < kBlocks; ++i) histogram.Add(block.data(), block.size());
    const std::vector<uint64_t> totals = histogram.Totals();
    EXPECT_EQ(kBlocks * (block.size() - 1), totals[5]);
    EXPECT_EQ(kBlocks, totals[9]);
}

}  // namespace
