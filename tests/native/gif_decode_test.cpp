// GIF pixels as the readers take them: the picture shown with the table its
// pixels index, the LZW code sizes decoders read, data far short of its image
// refused by every reader, and the graphic controls of a long file rewritten.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/dib_image.h"
#include "image/gif_file.h"
#include "image/gif_remap.h"
#include "image/indexed_file.h"
#include "palette/color_table.h"
#include "platform/safe_file_writer.h"
#include "report/gif_report.h"
#include "tests/support/gif_bytes.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_folder.h"

namespace {

std::string Colors(std::initializer_list<uint8_t> bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// The picture's rows (top first) and the table it is drawn with.
struct Shown {
    bool ok = false;
    std::string reason;
    std::vector<uint8_t> indices;
    ColorTable table;
};

Shown Show(const IndexedFile& file, const std::string& bytes)
{
    Shown shown;
    DibImage image;
    shown.ok = LoadIndexedPicture(nullptr, file, ByteSource(bytes), &image, &shown.reason);
    if (!shown.ok) return shown;
    image.CopyColorTable(shown.table);
    for (uint32_t y = 0; y < file.Height(); ++y)
        for (uint32_t x = 0; x < file.Width(); ++x)
            shown.indices.push_back(image.Bits()[size_t(file.Height() - 1 - y) * image.Stride() + x]);
    return shown;
}

bool SameColors(const ColorTable& table, const std::string& rgb)
{
    if (table.GetCount() * 3 != rgb.size()) return false;
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        const ColorEntry* e = table.GetEntry(i);
        if (e->red != uint8_t(rgb[3 * i]) || e->green != uint8_t(rgb[3 * i + 1]) || e->blue != uint8_t(rgb[3 * i + 2]))
            return false;
    }
    return true;
}

// The file written again with entries 0 and 1 swapped, pixels following.
std::string Swapped(const TempFolder& folder, const std::string& bytes, const GifStructure& gif, std::string* reason)
{
    ColorTable table(gif.table);
    const std::string path = folder.File("swapped.gif");
    SafeFileWriter out(path.c_str());
    const bool written = WriteRemappedGif(ByteSource(bytes), gif, table, {1, 0}, true, out, reason) && out.Commit();
    return written ? ReadWholeFile(path) : std::string();
}

}  // namespace

// Global table g, first image (3 x 2 at 2,1 on a 6 x 4 screen) with its own
// table l, background 1: the picture is drawn with l, wherever the edit goes.
TEST(GifPicture, AFirstImageWithItsOwnTableIsShownAndCountedWithIt)
{
    const std::string global = Colors({10, 10, 10, 20, 20, 20, 30, 30, 30, 40, 40, 40});
    const std::string local = Colors({200, 0, 0, 0, 200, 0, 0, 0, 200, 9, 9, 9});
    const std::string bytes =
        MakeGif(6, 4, global, 1, {{2, 1, 3, 2, local, {0, 1, 2, 3, 3, 3}, 2}, {0, 0, 1, 1, "", {2}, 2}});
    std::vector<uint8_t> picture(24, 1);
    const uint8_t image[6] = {0, 1, 2, 3, 3, 3};
    for (int i = 0; i < 6; ++i) picture[size_t((1 + i / 3) * 6 + 2 + i % 3)] = image[i];

    for (bool editor : {false, true}) {
        IndexedFile file;
        std::string reason;
        ASSERT_TRUE(file.Read(ByteSource(bytes), &reason, editor)) << reason;
        // korin-cli edits the global table; the editor the table its picture shows.
        EXPECT_TRUE(SameColors(file.Table(), editor ? local : global)) << editor;
        EXPECT_TRUE(SameColors(file.PictureTable(), local)) << editor;
        const Shown shown = Show(file, bytes);
        ASSERT_TRUE(shown.ok) << shown.reason;
        EXPECT_EQ(picture, shown.indices) << editor;
        EXPECT_TRUE(SameColors(shown.table, local)) << editor;
        // Usage of the edited table: the image's pixels count for the global
        // table's entries only when they index it (the screen around does).
        std::vector<uint64_t> counts;
        ASSERT_TRUE(file.CountTableUsage(ByteSource(bytes), &counts, &reason)) << reason;
        const std::vector<uint64_t> expected =
            editor ? std::vector<uint64_t>{1, 19, 1, 3} : std::vector<uint64_t>{0, 18, 0, 0};
        EXPECT_EQ(expected, std::vector<uint64_t>(counts.begin(), counts.begin() + 4)) << editor;
        const std::string report = file.Report("a.gif", bytes.size(), 0, 0);
        EXPECT_NE(std::string::npos,
                  report.find(editor ? "1番目の画像のローカルカラーテーブル" : " 編集する表 : グローバルカラーテーブル"))
            << report;
    }
}

// Minimum code size 1 (two colors, as the smallest GIFs have it) and 9 to 11
// are read; a rewrite of their pixels writes a size encoders write.
TEST(GifPicture, CodeSizesDecodersTakeAreReadAndRewrittenValid)
{
    TempFolder folder;
    // clear, 1, end in two-bit codes: the 1 x 1 file of the common viewers.
    const std::string onePixel = std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13) + Colors({0, 0, 0, 255, 255, 255}) +
                                 std::string(",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x01\x01\x36\x00;", 15);
    struct Case { uint8_t bits; std::string bytes; std::vector<uint8_t> picture; uint8_t rewritten; };
    std::vector<Case> cases = {{1, onePixel, {1}, 2}};
    for (uint8_t bits : {1, 9, 10, 11}) {
        std::vector<uint8_t> indices(40 * 30);
        for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint8_t((i * 7 + i / 40) % 2);
        cases.push_back({bits, MakeGif(40, 30, Colors({1, 2, 3, 4, 5, 6}), 0, {{0, 0, 40, 30, "", indices, bits}}),
                         indices, uint8_t(bits < 2 ? 2 : 8)});
    }
    for (const Case& c : cases) {
        IndexedFile file;
        GifStructure gif;
        std::string reason;
        ASSERT_TRUE(ReadGifStructure(ByteSource(c.bytes), &gif, &reason)) << int(c.bits) << ": " << reason;
        ASSERT_TRUE(file.Read(ByteSource(c.bytes), &reason)) << reason;
        const Shown shown = Show(file, c.bytes);
        ASSERT_TRUE(shown.ok) << int(c.bits) << ": " << shown.reason;
        EXPECT_EQ(c.picture, shown.indices) << int(c.bits);
        const std::string swapped = Swapped(folder, c.bytes, gif, &reason);
        ASSERT_FALSE(swapped.empty()) << reason;
        GifStructure again;
        ASSERT_TRUE(ReadGifStructure(ByteSource(swapped), &again, &reason)) << reason;
        EXPECT_EQ(c.rewritten, again.images[0].minimumCodeSize) << int(c.bits);
        IndexedFile back;
        ASSERT_TRUE(back.Read(ByteSource(swapped), &reason)) << reason;
        std::vector<uint8_t> flipped = c.picture;
        for (uint8_t& v : flipped) v = uint8_t(1 - v);
        EXPECT_EQ(flipped, Show(back, swapped).indices) << int(c.bits);
    }
}

// Data that stops short by no more than it gives and 1024 pixels besides is
// padded with 0; by one pixel more, every reader refuses it, naming the image.
TEST(GifPicture, DataFarShortOfItsImageIsRefusedByEveryReader)
{
    TempFolder folder;
    const auto gifOf = [](uint16_t width, uint16_t height, size_t given) {
        return MakeGif(width, height, Colors({1, 2, 3, 4, 5, 6}), 0,
                       {{0, 0, 1, 1, "", {}, 2}, {0, 0, width, height, "", std::vector<uint8_t>(given, 1), 2}});
    };
    struct Case { std::string bytes; bool reads; };
    const Case cases[] = {
        {gifOf(100, 20, 488), true},    // 1512 short of 2000: 488 given + 1024
        {gifOf(100, 20, 487), false},
        {gifOf(32, 32, 0), true},       // no data at all for 1024 pixels
        {gifOf(65535, 65535, 0), false},
    };
    for (const Case& c : cases) {
        GifStructure gif;
        std::string reason;
        ASSERT_TRUE(ReadGifStructure(ByteSource(c.bytes), &gif, &reason)) << reason;
        // The second image, so that every reader of the images that use the table is seen to refuse.
        uint32_t largest = 0;
        std::vector<uint64_t> counts;
        std::string reasons[3];
        const bool read[] = {LargestGifIndex(ByteSource(c.bytes), gif, &largest, &reasons[0]),
                             CountGifIndices(ByteSource(c.bytes), gif, &counts, &reasons[1]),
                             !Swapped(folder, c.bytes, gif, &reasons[2]).empty()};
        for (int r = 0; r < 3; ++r) {
            EXPECT_EQ(c.reads, read[r]) << gif.images[1].width << " " << reasons[r];
            EXPECT_EQ(c.reads, reasons[r].find("in image 2 (offset ") == std::string::npos) << reasons[r];
        }
        if (c.reads) {
            EXPECT_EQ(uint64_t(gif.images[1].width) * gif.images[1].height, counts[0] + counts[1] - 1);
        }
        // The picture is the first image: moved to the front, the short one is refused before memory is taken.
        std::swap(gif.images[0], gif.images[1]);
        IndexedFile file;
        const std::string front = MakeGif(gif.images[0].width, gif.images[0].height, Colors({1, 2, 3, 4, 5, 6}), 0, {});
        const std::string alone = front.substr(0, front.size() - 1) + c.bytes.substr(size_t(gif.images[0].descriptorOffset));
        ASSERT_TRUE(file.Read(ByteSource(alone), &reason)) << reason;
        const Shown shown = Show(file, alone);
        EXPECT_EQ(c.reads, shown.ok) << shown.reason;
        EXPECT_EQ(c.reads, shown.reason.find("in image 1 (offset 19)") == std::string::npos) << shown.reason;
    }
}

// Graphic controls, each for the next image or plain text: found for every
// one of many blocks, in one pass.
TEST(GifPicture, EveryGraphicControlOfALongFileFollowsItsImage)
{
    TempFolder folder;
    const std::string control("\x21\xF9\x04\x01\x00\x00\x01\x00", 8);  // transparent 1
    const std::string text = std::string("\x21\x01\x0C", 3) + std::string(12, '\0') + std::string("\x02hi\x00", 4);
    std::string bytes = MakeGif(2, 1, Colors({1, 2, 3, 4, 5, 6}), 0, {{0, 0, 2, 1, "", {0, 1}, 2}});
    bytes.pop_back();
    std::string body;
    for (int i = 0; i < 20000; ++i) body += control;
    const std::string withLocal = MakeGif(2, 1, "", 0, {{0, 0, 2, 1, Colors({9, 9, 9, 8, 8, 8}), {0, 1}, 2}});
    const std::string localImage = withLocal.substr(13, withLocal.size() - 14);
    const std::string globalImage = bytes.substr(19);
    // controls... image (global), control, text, control, image (local), control at the end
    bytes = bytes.substr(0, 19) + body + globalImage + control + text + control + localImage + control + ";";
    GifStructure gif;
    std::string reason;
    ASSERT_TRUE(ReadGifStructure(ByteSource(bytes), &gif, &reason)) << reason;
    const std::string swapped = Swapped(folder, bytes, gif, &reason);
    ASSERT_EQ(bytes.size(), swapped.size()) << reason;
    GifStructure again;
    ASSERT_TRUE(ReadGifStructure(ByteSource(swapped), &again, &reason)) << reason;
    std::vector<int> marks;
    for (const GifBlock& block : again.blocks)
        if (block.introducer == 0x21 && block.label == 0xF9) marks.push_back(uint8_t(swapped[size_t(block.offset) + 6]));
    ASSERT_EQ(20003u, marks.size());
    // Those of the global image and of the text follow the swap; the local image's and the last stay.
    EXPECT_EQ(std::vector<int>(20001, 0), std::vector<int>(marks.begin(), marks.begin() + 20001));
    EXPECT_EQ(std::vector<int>({1, 1}), std::vector<int>(marks.begin() + 20001, marks.end()));
}
