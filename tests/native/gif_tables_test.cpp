// A GIF's tables chosen by number and written again one at a time and
// together: the bytes of each table named change, every other byte stays.
#include <gtest/gtest.h>

#include <algorithm>

#include "image/gif_file.h"
#include "image/indexed_file.h"
#include "platform/safe_file_writer.h"
#include "tests/support/gif_bytes.h"
#include "tests/support/temp_folder.h"

namespace {

std::string Colors(uint32_t entries, uint8_t seed)
{
    std::string rgb;
    for (uint32_t i = 0; i < entries * 3; ++i) rgb += char(seed + i * 7);
    return rgb;
}

ColorTable TableOf(const std::string& rgb)
{
    ColorTable table;
    table.Reset(uint32_t(rgb.size() / 3));
    for (uint32_t i = 0; i < table.GetCount(); ++i)
        table.SetColor(i, uint8_t(rgb[3 * i]), uint8_t(rgb[3 * i + 1]), uint8_t(rgb[3 * i + 2]));
    return table;
}

TEST(GifTables, EachEditChangesItsTablesBytesAndNoOthers)
{
    // Image 1 draws with the global table, images 2 and 3 with their own.
    const std::string global = Colors(4, 10);
    const GifFrameBytes first = {0, 0, 3, 2, "", {0, 1, 2, 3, 2, 1}, 2};
    const GifFrameBytes second = {0, 0, 3, 2, Colors(4, 100), {3, 3, 0, 1, 2, 0}, 2};
    const GifFrameBytes third = {1, 0, 2, 2, Colors(8, 200), {7, 6, 5, 4}, 3};
    const std::string bytes = MakeGif(3, 2, global, 1, {first, second, third});
    // Where the global, image 2's and image 3's tables sit in what MakeGif
    // writes: after the 13 bytes of the screen, after an image's 10-byte descriptor.
    const size_t at[] = {13, MakeGif(3, 2, global, 1, {first}, false).size() + 10,
                         MakeGif(3, 2, global, 1, {first, second}, false).size() + 10};
    const uint32_t entries[] = {4, 4, 8};
    const std::vector<int> cases[] = {{-1}, {1}, {2}, {-1, 1}, {2, -1, 1}};
    TempFolder folder;
    const std::string out = folder.File("out.gif");
    for (const std::vector<int>& tables : cases) {
        std::string expected = bytes, named;
        std::vector<GifTableEdit> others;
        ColorTable edited;
        for (size_t k = 0; k < tables.size(); ++k) {
            const size_t slot = tables[k] < 0 ? 0 : size_t(tables[k]);  // images 2 and 3 are 1 and 2
            const std::string rgb = Colors(entries[slot], uint8_t(50 + 40 * k));
            expected.replace(at[slot], rgb.size(), rgb);
            if (k == 0) edited.Assign(TableOf(rgb));
            else others.push_back({tables[k], TableOf(rgb)});
            named += std::to_string(tables[k]) + " ";
        }
        SCOPED_TRACE("tables " + named);
        const ByteSource source(bytes);
        IndexedFile file;
        std::string reason;
        ASSERT_TRUE(file.Read(source, &reason, false, tables[0])) << reason;
        EXPECT_EQ(tables[0], file.EditedTable());
        {
            SafeFileWriter writer(out.c_str());
            ASSERT_TRUE(file.WriteWithTable(source, edited, writer, &reason, others)) << reason;
            ASSERT_TRUE(writer.Commit());
        }
        const std::string written = ReadWholeFile(out);
        ASSERT_EQ(expected.size(), written.size());
        const size_t same =
            size_t(std::mismatch(expected.begin(), expected.end(), written.begin()).first - expected.begin());
        EXPECT_EQ(expected.size(), same) << "bytes the same before the first that is not";
    }
}

}  // namespace
