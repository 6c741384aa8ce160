// GIF files from Pillow (an independent encoder) and built here: the first
// image decoded as Pillow decodes it, the table rewritten with every other
// byte kept, and broken files refused with a reason that says where.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <sys/resource.h>

#include "image/gif_file.h"
#include "image/gif_lzw.h"
#include "image/dib_image.h"
#include "image/gif_remap.h"
#include "image/indexed_file.h"
#include "palette/color_table.h"
#include "platform/safe_file_writer.h"
#include "report/gif_report.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/gif_bytes.h"
#include "tests/support/grouping_locale.h"
#include "tests/support/picture_files.h"
#include "tests/support/png_bytes.h"
#include "tests/support/temp_folder.h"

namespace {

std::vector<uint8_t> Noise(size_t count, uint32_t seed, uint32_t modulo)
{
    std::vector<uint8_t> values(count);
    for (uint8_t& v : values) v = uint8_t(((seed = seed * 1103515245u + 12345u) >> 16) % modulo);
    return values;
}

std::vector<uint8_t> Decode(const std::string& code, uint8_t minimumCodeSize, uint64_t pixels,
                            GifLzwDecoder::Status* status)
{
    std::vector<uint8_t> out;
    auto keep = [&](const uint8_t* p, size_t n) { out.insert(out.end(), p, p + n); };
    GifLzwDecoder decoder(minimumCodeSize, pixels, keep);
    *status = decoder.Feed(reinterpret_cast<const uint8_t*>(code.data()), code.size());
    if (*status != GifLzwDecoder::Status::Corrupt) decoder.Finish(true);
    return out;
}

TEST(GifLzw, DecodesEveryCodeSizeFullDictionariesAndStreamsOfTheWrongLength)
{
    using Status = GifLzwDecoder::Status;
    // Encoders write 2 to 8; decoders also take 1 (two-bit codes at first)
    // and 9 to 11 (literals past any table's reach, codes of 10 to 12 bits).
    for (uint8_t bits = 1; bits <= 11; ++bits) {
        // Noise fills the 12-bit dictionary; with and without a clear when it is full.
        for (bool clearWhenFull : {true, false}) {
            const std::vector<uint8_t> pixels = Noise(40000, bits, std::min(1u << bits, 256u));
            const std::string code = EncodeGifLzw(pixels, bits, clearWhenFull);
            Status status;
            EXPECT_EQ(pixels, Decode(code, bits, pixels.size(), &status)) << int(bits) << " " << clearWhenFull;
            EXPECT_EQ(Status::Finished, status);
            // Surplus data is ignored; data cut short pads with 0.
            EXPECT_EQ(std::vector<uint8_t>(pixels.begin(), pixels.begin() + 999),
                      Decode(code, bits, 999, &status));
            // The last pixel finishes the image at once, every pixel handed over.
            size_t handed = 0;
            GifLzwDecoder early(bits, 999, [&](const uint8_t*, size_t n) { handed += n; });
            EXPECT_EQ(Status::Finished, early.Feed(reinterpret_cast<const uint8_t*>(code.data()), code.size() / 2));
            EXPECT_EQ(999u, handed);
            std::vector<uint8_t> cut = Decode(code.substr(0, code.size() / 2), bits, pixels.size(), &status);
            EXPECT_EQ(Status::NeedMore, status);
            ASSERT_EQ(pixels.size(), cut.size());
            const size_t good = cut.size() / 3;
            EXPECT_TRUE(std::equal(cut.begin(), cut.begin() + good, pixels.begin()));
            EXPECT_EQ(0, cut.back());
        }
    }
    // A code beyond the dictionary, and a non-literal right after a clear code.
    Status status;
    Decode(std::string("\x3C\x00", 2), 2, 10, &status);  // clear, then 7
    EXPECT_EQ(Status::Corrupt, status);
    Decode(std::string("\xCC\x01", 2), 2, 10, &status);  // clear, 1, then 7 while 6 is next
    EXPECT_EQ(Status::Corrupt, status);
    // A literal no table reaches: clear (512), then 256, in 10-bit codes.
    Decode(std::string("\x00\x02\x04", 3), 9, 10, &status);
    EXPECT_EQ(Status::Corrupt, status);
    // Code sizes no decoder takes decode nothing.
    for (uint8_t bits : {0, 12}) {
        EXPECT_TRUE(Decode(std::string("\x3C\x00", 2), bits, 10, &status).empty());
        EXPECT_EQ(Status::Corrupt, status) << int(bits);
        const GifLzwDecoder decoder(bits, 10, [](const uint8_t*, size_t) {});
        EXPECT_EQ(std::string("the LZW minimum code size is not 1 to 11"), decoder.Problem());
    }
    // An end code before the last pixel ends the data: the codes after it
    // (2 and 3) are no pixels, and the rest pads with 0.
    EXPECT_EQ(std::vector<uint8_t>({1, 0, 0, 0}), Decode(std::string("\x4C\x35", 2), 2, 4, &status));
    EXPECT_EQ(Status::Finished, status);
    // An image of no pixels is done before its data is looked at.
    EXPECT_TRUE(Decode(std::string("\x3C\x00", 2), 2, 0, &status).empty());
    EXPECT_EQ(Status::Finished, status);
}

struct Read {
    GifStructure gif;
    std::string reason;
    bool ok = false;
    std::vector<uint8_t> picture;  // rows top to bottom
    uint32_t width = 0, height = 0, largest = 0;
    explicit Read(const std::string& bytes)
    {
        const ByteSource source(bytes);
        ok = ReadGifStructure(source, &gif, &reason) && GifPictureSize(gif, &width, &height) &&
             DecodeGifImage(source, gif, [&](uint32_t y, const uint8_t* row) {
                 EXPECT_EQ(y * width, picture.size());
                 picture.insert(picture.end(), row, row + width);
             }, &reason) && LargestGifIndex(source, gif, &largest, &reason);
    }
};

std::string Rgb(uint32_t entries, uint8_t seed)
{
    std::string rgb;
    for (uint32_t i = 0; i < entries * 3; ++i) rgb += char(i * seed + 1);
    return rgb;
}

TEST(GifFile, CraftedLayoutsShowTheirFirstImageAndChooseTheTable)
{
    const std::vector<uint8_t> small = {1, 2, 3, 0, 3, 2};  // 3 x 2
    const GifFrameBytes inside = {2, 1, 3, 2, "", small, 2};
    const GifFrameBytes outside = {4, 3, 3, 2, Rgb(4, 5), small, 2};
    const GifFrameBytes bright = {0, 0, 2, 1, "", {7, 6}, 3};
    struct Case { const char* name; std::string bytes; uint32_t width, height, largest; bool local, trailer; };
    const Case cases[] = {
        // Background 5 is inside the global table: it fills what the image leaves.
        {"global, image inside", MakeGif(6, 4, Rgb(8, 3), 5, {inside, outside, bright}), 6, 4, 7, false, true},
        // No global table: the first image's local table is edited; the
        // background is beyond it, so 0; the picture grows to cover the image.
        {"local, image sticks out", MakeGif(5, 4, "", 9, {outside, inside}), 7, 5, 3, true, true},
        {"no trailer", MakeGif(6, 4, Rgb(8, 3), 5, {inside}, false), 6, 4, 3, false, false},
    };
    for (const Case& c : cases) {
        Read read(c.bytes);
        ASSERT_TRUE(read.ok) << c.name << ": " << read.reason;
        EXPECT_EQ(c.local, read.gif.editsLocalTable) << c.name;
        EXPECT_EQ(c.trailer, read.gif.hasTrailer) << c.name;
        EXPECT_EQ(c.width, read.width) << c.name;
        EXPECT_EQ(c.height, read.height) << c.name;
        EXPECT_EQ(c.largest, read.largest) << c.name;
        const GifImage& first = read.gif.images[0];
        const uint8_t background = c.local ? 0 : 5;
        for (uint32_t y = 0; y < c.height; ++y) {
            for (uint32_t x = 0; x < c.width; ++x) {
                const bool covered = x >= first.left && x < first.left + 3u && y >= first.top && y < first.top + 2u;
                const uint8_t want = covered ? small[(y - first.top) * 3 + x - first.left] : background;
                EXPECT_EQ(want, read.picture[y * c.width + x]) << c.name << " at " << x << "," << y;
            }
        }
    }
    // A structure read again holds the second file alone.
    GifStructure again;
    std::string reason;
    ASSERT_TRUE(ReadGifStructure(ByteSource(cases[0].bytes), &again, &reason)) << reason;
    ASSERT_TRUE(ReadGifStructure(ByteSource(cases[2].bytes), &again, &reason)) << reason;
    EXPECT_EQ(1u, again.images.size());
    // Size bits without the local table's flag: no table, and with the
    // interlace bit clear three rows stay in order.
    std::string tall = MakeGif(1, 3, Rgb(4, 3), 0, {{0, 0, 1, 3, "", {1, 2, 3}, 2}});
    tall[13 + 12 + 9] = 0x07;
    Read tallRead(tall);
    ASSERT_TRUE(tallRead.ok) << tallRead.reason;
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), tallRead.picture);
    // Interlaced, eight rows fill each pass exactly: stored 0, 4, 2, 6, 1, 3, 5, 7.
    std::string eight = MakeGif(1, 8, Rgb(8, 3), 0, {{0, 0, 1, 8, "", {0, 4, 2, 6, 1, 3, 5, 7}, 3}});
    eight[13 + 24 + 9] = char(eight[13 + 24 + 9] | 0x40);
    Read eightRead(eight);
    ASSERT_TRUE(eightRead.ok) << eightRead.reason;
    EXPECT_TRUE(eightRead.gif.images[0].interlaced);
    EXPECT_EQ((std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6, 7}), eightRead.picture);
    // Interlaced, off the screen's corner, and larger than one hand-over of pixels.
    std::vector<uint8_t> stored;
    const auto value = [](uint32_t x, uint32_t y) { return uint8_t((x + 3 * y) % 8); };
    for (const auto& pass : {std::make_pair(0u, 8u), std::make_pair(4u, 8u), std::make_pair(2u, 4u), std::make_pair(1u, 2u)})
        for (uint32_t y = pass.first; y < 64; y += pass.second)
            for (uint32_t x = 0; x < 300; ++x) stored.push_back(value(x, y));
    // Its background names no entry: the screen around it is 0.
    std::string placed = MakeGif(302, 67, Rgb(8, 3), 8, {{1, 2, 300, 64, "", stored, 3}});
    placed[13 + 24 + 9] = char(placed[13 + 24 + 9] | 0x40);
    Read placedRead(placed);
    ASSERT_TRUE(placedRead.ok) << placedRead.reason;
    ASSERT_EQ(302u * 67u, placedRead.picture.size());
    for (uint32_t y = 0; y < 67; ++y) {
        for (uint32_t x = 0; x < 302; ++x) {
            const bool covered = x >= 1 && x < 301 && y >= 2 && y < 66;
            ASSERT_EQ(covered ? value(x - 1, y - 2) : 0, placedRead.picture[y * 302 + x]) << x << "," << y;
        }
    }
    // With the first image's own table edited, only its pixels count; all 0, the largest is 0.
    Read two(MakeGif(2, 2, "", 0, {{0, 0, 2, 2, Rgb(4, 1), {0, 1, 1, 0}, 2}, {0, 0, 2, 2, Rgb(4, 2), {3, 3, 3, 3}, 2}}));
    ASSERT_TRUE(two.ok) << two.reason;
    EXPECT_TRUE(two.gif.editsLocalTable);
    EXPECT_EQ(1u, two.largest);
    Read zeros(MakeGif(2, 2, Rgb(4, 3), 0, {{0, 0, 2, 2, "", {0, 0, 0, 0}, 2}}));
    ASSERT_TRUE(zeros.ok) << zeros.reason;
    EXPECT_EQ(0u, zeros.largest);
    uint32_t width = 0, height = 0;
    EXPECT_FALSE(GifPictureSize(GifStructure(), &width, &height)) << "no image, no picture";
    for (const bool wide : {false, true}) {
        const uint16_t w = wide ? 4 : 0, h = wide ? 0 : 4;
        Read empty(MakeGif(w, h, Rgb(4, 3), 0, {{0, 0, w, h, "", {}, 2}}));
        ASSERT_EQ(1u, empty.gif.images.size()) << empty.reason;
        EXPECT_FALSE(GifPictureSize(empty.gif, &width, &height)) << w << "x" << h;
    }
}

// Rewrites bytes with a table of count entries and checks the result byte
// for byte against the source.
void CheckRewrite(const std::string& name, const std::string& bytes, uint32_t count)
{
    SCOPED_TRACE(name + " with " + std::to_string(count) + " colors");
    Read before(bytes);
    ASSERT_TRUE(before.ok) << before.reason;
    const GifStructure& gif = before.gif;
    ColorTable table;
    ASSERT_TRUE(table.Reset(count));
    for (uint32_t i = 0; i < count; ++i) table.SetColor(i, uint8_t(i), uint8_t(200 - i), uint8_t(i * 3));

    TempFolder folder;
    const std::string input = folder.File("in.gif"), output = folder.File("out.gif");
    ASSERT_TRUE(WriteWholeFile(input, bytes));
    SourceFile file;  // the file-to-file copy path
    ASSERT_TRUE(file.Open(input.c_str()));
    std::string reason;
    {
        SafeFileWriter writer(output.c_str());
        ASSERT_TRUE(WriteGifWithTable(ByteSource(file), gif, table, writer, &reason)) << reason;
        ASSERT_TRUE(writer.Commit());
    }
    const std::string written = ReadWholeFile(output);
    const uint32_t entries = GifTableEntries(count);
    const uint64_t field = gif.editsLocalTable ? gif.images[0].descriptorOffset + 9 : 10;
    const uint64_t at = gif.editsLocalTable ? gif.images[0].localTableOffset : gif.globalTableOffset;
    const uint64_t oldEnd = at + (gif.editsLocalTable ? gif.images[0].localTableEntries : gif.globalTableEntries) * 3;
    std::string rgb(entries * 3, '\0');
    for (uint32_t i = 0; i < count; ++i) rgb.replace(i * 3, 3, {char(i), char(200 - i), char(i * 3)});

    EXPECT_EQ(bytes.substr(0, field), written.substr(0, field));
    EXPECT_EQ(bytes[field] & 0xF8, written[field] & 0xF8);
    EXPECT_EQ(entries, 2u << (written[field] & 7));
    EXPECT_EQ(bytes.substr(field + 1, at - field - 1), written.substr(field + 1, at - field - 1));
    EXPECT_EQ(rgb, written.substr(at, rgb.size()));
    EXPECT_EQ(bytes.substr(oldEnd), written.substr(at + rgb.size()));

    Read after(written);
    ASSERT_TRUE(after.ok) << after.reason;
    EXPECT_EQ(entries, after.gif.table.GetCount());
    EXPECT_EQ(before.picture, after.picture);
}

const char kPillowScript[] = R"(import random, sys
from PIL import Image
folder = sys.argv[1]
def picture(w, h, colors, seed):
    im = Image.new('P', (w, h))
    im.putdata([(x * 7 + y * 13 + seed * (x ^ y)) % colors for y in range(h) for x in range(w)])
    im.putpalette([(i * 37 + seed) % 256 for i in range(colors * 3)])
    return im
noise, rng = Image.new('P', (200, 150)), random.Random(7)
noise.putdata([rng.randrange(256) for _ in range(30000)])
noise.putpalette(list(range(256)) * 3)
saves = {
    'plain': lambda p: picture(37, 23, 256, 1).save(p, interlace=False),
    'interlaced': lambda p: picture(29, 41, 16, 2).save(p, interlace=True),
    'transparent': lambda p: picture(20, 19, 2, 3).save(p, interlace=False, transparency=1, comment=b'korin'),
    'frames': lambda p: picture(31, 17, 64, 4).save(p, save_all=True, interlace=False, loop=0, duration=40,
                                                    append_images=[picture(31, 17, 32, 5), picture(31, 17, 64, 6)]),
    'noise': lambda p: noise.save(p, interlace=False),
}
for name, save in saves.items():
    path = folder + '/' + name + '.gif'
    save(path)
    with Image.open(path) as im:
        print(name, ','.join(map(str, im.getdata())), bytes(im.getpalette()).hex())
)";

// Pillow's files, each with its first frame's indices and table as Pillow
// reads them; empty (the test skips, saying so) without Python and Pillow.
struct PillowGif { std::string name, bytes, indices, table; };
std::vector<PillowGif> PillowGifs(const TempFolder& folder)
{
    if (std::system("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") != 0) return {};
    EXPECT_TRUE(WriteWholeFile(folder.File("make.py"), kPillowScript));
    const std::string command = "/usr/bin/python3 '" + folder.File("make.py") + "' '" + folder.Path() + "' > '" +
                                folder.File("answers.txt") + "'";
    EXPECT_EQ(0, std::system(command.c_str()));
    std::vector<PillowGif> gifs;
    std::istringstream in(ReadWholeFile(folder.File("answers.txt")));
    for (PillowGif g; in >> g.name >> g.indices >> g.table;) {
        g.bytes = ReadWholeFile(folder.File(g.name + ".gif"));
        gifs.push_back(g);
    }
    EXPECT_EQ(5u, gifs.size());
    return gifs;
}

TEST(GifFile, PillowFilesDecodeAsPillowReadsThemAndRewriteExactly)
{
    TempFolder folder;
    const std::vector<PillowGif> gifs = PillowGifs(folder);
    if (gifs.empty()) GTEST_SKIP() << "SKIPPED LOUDLY: needs /usr/bin/python3 with Pillow (python3-pil)";
    for (const PillowGif& g : gifs) {
        Read read(g.bytes);
        ASSERT_TRUE(read.ok) << g.name << ": " << read.reason;
        std::string indices, table;
        for (uint8_t v : read.picture) indices += (indices.empty() ? "" : ",") + std::to_string(v);
        static const char digits[] = "0123456789abcdef";
        for (uint32_t i = 0; i < read.gif.table.GetCount(); ++i)
            for (uint8_t c : {read.gif.table.GetEntry(i)->red, read.gif.table.GetEntry(i)->green,
                              read.gif.table.GetEntry(i)->blue})
                table += {digits[c >> 4], digits[c & 15]};
        EXPECT_EQ(g.indices, indices) << g.name;
        EXPECT_EQ(0u, g.table.compare(0, table.size(), table)) << g.name << " (Pillow pads its table)";
        EXPECT_EQ(g.name == "interlaced", read.gif.images[0].interlaced) << g.name;
        EXPECT_EQ(g.name == "transparent" ? 1 : -1, read.gif.images[0].transparentIndex) << g.name;
        EXPECT_EQ(g.name == "frames" ? 3u : 1u, read.gif.images.size()) << g.name;
        EXPECT_EQ(g.name == "frames", read.gif.images.back().localTableEntries != 0) << g.name;
        for (uint32_t count : {1u, 3u, 16u, 200u, 256u}) CheckRewrite(g.name, g.bytes, count);
    }
}

TEST(GifFile, CraftedTablesRewriteExactly)
{
    const GifFrameBytes local = {0, 0, 2, 2, Rgb(4, 9), {3, 2, 1, 0}, 2};
    const GifFrameBytes plain = {1, 1, 2, 2, "", {1, 1, 0, 1}, 2};
    for (uint32_t count : {1u, 2u, 5u, 256u}) {
        CheckRewrite("first image's local table", MakeGif(4, 4, "", 0, {local, plain}), count);
        CheckRewrite("global table before a local one", MakeGif(4, 4, Rgb(2, 7), 1, {plain, local}), count);
    }
}

TEST(GifFile, BrokenFilesAreRefusedSayingWhereAndBadTablesAreNotWritten)
{
    const std::string good = MakeGif(8, 8, Rgb(4, 3), 0, {{0, 0, 8, 8, "", Noise(64, 1, 4), 2}});
    const size_t data = 13 + 12 + 10;  // header, table, descriptor
    std::string unknown = good, codeSize = good, badCode = good, afterClear = good, extension = good;
    unknown.insert(data - 10, "\x99");
    codeSize[data] = 12;
    std::string codeSizeOne = good;
    codeSizeOne[data] = 0;
    badCode.replace(data + 2, 2, "\xCC\x01");  // clear, 1, then a code beyond the dictionary
    afterClear.replace(data + 2, 2, std::string("\x3C\x00", 2));  // clear, then 7
    std::string interlaced = badCode;
    interlaced[data - 1] = char(interlaced[data - 1] | 0x40);
    extension.insert(data - 10, "\x21\xFE\x05""ab");
    const struct { std::string bytes, words; } cases[] = {
        {"GIF88a" + good.substr(6), "not a GIF file"},
        {"GIF89a", "cut short inside its logical screen descriptor (offset 6)"},
        {good.substr(0, 10), "logical screen descriptor (offset 6)"},
        {good.substr(0, 20), "global color table (offset 13"},
        {good.substr(0, data - 4), "descriptor of image 1 (offset 25)"},
        {good.substr(0, data + 5), "the data of image 1 (offset 25): the sub-block at offset 36"},
        {extension.substr(0, data - 4), "extension 0xFE (offset 25)"},
        {good.substr(0, 23), "global color table (offset 13"},
        {extension.substr(0, data - 9), "inside the extension at offset 25, before its label"},
        {extension.substr(0, data - 8), "inside extension 0xFE (offset 25): the sub-block at offset 27"},
        {unknown, "unknown block (byte 0x99) at offset 25"},
        {good.substr(0, data - 10), "holds no image"},
        {codeSize, "minimum code size of 12 in image 1 (offset 25) (at offset 35); it must be 1 to 11"},
        {codeSizeOne, "minimum code size of 0 in image 1"},
        {good.substr(0, data), "cut short before the data of image 1"},
        {good.substr(0, data + 1), "inside the data of image 1 (offset 25): the sub-block at offset 36"},
        {MakeGif(8, 8, Rgb(4, 3), 0, {{0, 0, 8, 8, Rgb(4, 1), Noise(64, 1, 4), 2}}).substr(0, data + 11),
         "inside the local color table of image 1"},
        {badCode, "corrupt LZW data in image 1 (offset 25): a code beyond the dictionary"},
        {afterClear, "a code past the literals right after a clear code"},
        {interlaced, "corrupt LZW data in image 1 (offset 25): a code beyond the dictionary"},
        // The bad code ends in the second sub-block, which is named.
        {good.substr(0, data + 1) + std::string("\x01\xCC\x01\x01\x00\x3B", 6),
         "a code beyond the dictionary built so far, in the sub-block at offset 38"},
    };
    for (const auto& c : cases) {
        Read read(c.bytes);
        EXPECT_FALSE(read.ok);
        EXPECT_NE(std::string::npos, read.reason.find(c.words)) << read.reason;
    }

    // Empty comments up to the reader's limit of blocks, image and trailer included, and one past it.
    for (size_t comments : {size_t(199998), size_t(199999)}) {
        std::string many = good;
        std::string block;
        for (size_t i = 0; i < comments; ++i) block.append("\x21\xFE\x00", 3);
        many.insert(data - 10, block);
        Read read(many);
        EXPECT_EQ(comments == 199998, read.ok) << read.reason;
        EXPECT_EQ(!read.ok, read.reason.find("has more than 200000 blocks") != std::string::npos) << read.reason;
    }

    Read read(good);
    ASSERT_TRUE(read.ok) << read.reason;
    TempFolder folder;
    for (uint32_t count : {0u, 257u}) {
        ColorTable table;
        table.Reset(count);
        std::string reason;
        {
            SafeFileWriter writer(folder.File("out.gif").c_str());
            EXPECT_FALSE(WriteGifWithTable(ByteSource(good), read.gif, table, writer, &reason));
            EXPECT_FALSE(writer.Commit());
        }
        EXPECT_NE(std::string::npos, reason.find(count ? "at most 256" : "empty")) << reason;
        EXPECT_FALSE(FileExists(folder.File("out.gif")));
    }
    // Only the table is read again: a file cut right after it is still patched.
    ColorTable four;
    four.Reset(4);
    for (size_t cut : {size_t(25), size_t(24)}) {
        std::string reason;
        SafeFileWriter writer(folder.File("cut.gif").c_str());
        EXPECT_EQ(cut == 25, WriteGifWithTable(ByteSource(good.substr(0, cut)), read.gif, four, writer, &reason))
            << cut << " " << reason;
    }
    // A file whose table lost its flag or changed its size since it was read is not patched.
    for (const char field : {'\x01', '\x82'}) {
        std::string changed = good;
        changed[10] = field;
        std::string reason;
        {
            SafeFileWriter writer(folder.File("changed.gif").c_str());
            EXPECT_FALSE(WriteGifWithTable(ByteSource(changed), read.gif, four, writer, &reason));
            EXPECT_FALSE(writer.Commit());
        }
        EXPECT_EQ("the file no longer has the color table that was read", reason);
        EXPECT_FALSE(FileExists(folder.File("changed.gif")));
    }

    // A table too long is refused before the GIF writer sees it; a failed read forgets the last format.
    IndexedFile file;
    std::string reason;
    ASSERT_TRUE(file.Read(ByteSource(good), &reason)) << reason;
    ColorTable big;
    big.Reset(257);
    {
        SafeFileWriter writer(folder.File("big.gif").c_str());
        EXPECT_FALSE(file.WriteWithTable(ByteSource(good), big, writer, &reason));
    }
    EXPECT_NE(std::string::npos, reason.find("257 entries (a GIF holds at most 256)")) << reason;
    // So is a table too short for the entries the pixels use.
    ColorTable two;
    two.Reset(2);
    {
        SafeFileWriter writer(folder.File("short.gif").c_str());
        EXPECT_FALSE(file.WriteWithTable(ByteSource(good), two, writer, &reason));
    }
    EXPECT_EQ("needs a table of at least 4 entries: its pixels use entry 3 (the table has 2)", reason);
    EXPECT_FALSE(FileExists(folder.File("short.gif")));
    // A shorter table sets the first entries and keeps the count; an empty one is refused.
    ColorTable one, result;
    one.Reset(1);
    one.SetColor(0, 9, 9, 9);
    ASSERT_TRUE(TableAfterSetting(file, one, &result, &reason)) << reason;
    EXPECT_EQ(4u, result.GetCount());
    EXPECT_EQ(9u, result.GetEntry(0)->red);
    EXPECT_FALSE(TableAfterSetting(file, ColorTable(), &result, &reason));
    EXPECT_EQ("cannot take an empty table", reason);
    EXPECT_FALSE(file.Read(ByteSource(MakeGif(8, 8, "", 0, {{0, 0, 8, 8, "", Noise(64, 1, 4), 2}})), &reason));
    EXPECT_EQ("has no color table for its first image (no global and no local table)", reason);
    EXPECT_EQ(ImageFileFormat::Unknown, file.Format());
    ASSERT_TRUE(file.Read(ByteSource(good), &reason)) << reason;
    EXPECT_FALSE(file.Read(ByteSource(good.substr(0, 20)), &reason));
    EXPECT_EQ(ImageFileFormat::Unknown, file.Format());
}

// What an indexed file refuses, by name: files that are none, a GIF with no
// image, tables it cannot hold, a file never read, bitmaps with no table.
TEST(IndexedFile, RefusalsNameWhatIsWrong)
{
    std::string reason;
    IndexedFile file;
    const auto refusal = [&](const std::string& bytes) { return file.Read(ByteSource(bytes), &reason) ? "read" : reason; };
    EXPECT_EQ("is not a PNG or GIF file", refusal("BM" + std::string(60, '\0')));
    EXPECT_EQ("has no image to show", refusal(MakeGif(0, 0, Rgb(4, 1), 0, {{0, 0, 0, 0, "", {}, 2}})));
    EXPECT_EQ(ImageFileFormat::Unknown, file.Format());
    const std::string pngBytes = SmallPngBytes();
    const ByteSource png(pngBytes);
    EXPECT_FALSE(file.DecodeRows(png, [](uint32_t, const uint8_t*) {}, &reason));
    EXPECT_EQ("is not a PNG or GIF file", reason);
    DibImage image;
    EXPECT_FALSE(LoadIndexedPicture(nullptr, file, png, &image, &reason));
    EXPECT_EQ("has a picture size a bitmap cannot have", reason);
    EXPECT_EQ("", file.Report("x.png", 1, 1, 0));

    // A 2-bit PNG holds 4 entries and is shown as a 4-bit bitmap.
    ASSERT_TRUE(file.Read(png, &reason)) << reason;
    EXPECT_EQ(4u, file.MaxEntries());
    EXPECT_EQ(4u, file.BitmapBitCount());
    ColorTable five, empty, result;
    five.Reset(5);
    EXPECT_FALSE(TableAfterSetting(file, five, &result, &reason));
    EXPECT_EQ("cannot take a table of 5 entries (it holds at most 4)", reason);
    ColorTable four;
    four.Reset(4);
    EXPECT_TRUE(TableAfterSetting(file, four, &result, &reason)) << reason;
    TempFolder folder;
    SafeFileWriter writer(folder.File("out.png").c_str());
    EXPECT_FALSE(file.WriteWithTable(png, five, writer, &reason));
    EXPECT_EQ("cannot take a table of 5 entries (a 2-bit PNG holds at most 4)", reason);
    EXPECT_FALSE(file.WriteWithTable(png, empty, writer, &reason));
    EXPECT_EQ("cannot take an empty table", reason);

    // A smaller table is held against the entries the pixels use; pixels that
    // index past the table already are left so by a table of the same size.
    const struct { std::vector<uint8_t> pixels; uint32_t held, entries; const char* refusal; } smaller[] = {
        {{1, 3}, 2, 2, ""}, {{1, 3}, 2, 1, "needs a table of at least 4 entries: its pixels use entry 3 (the table has 1)"},
        {{0, 1}, 4, 2, ""}, {{0, 1}, 4, 1, "needs a table of at least 2 entries: its pixels use entry 1 (the table has 1)"},
    };
    for (const auto& c : smaller) {
        const std::string gif = MakeGif(2, 1, Rgb(c.held, 1), 0, {{0, 0, 2, 1, "", c.pixels, 2}});
        ASSERT_TRUE(file.Read(ByteSource(gif), &reason)) << reason;
        ColorTable table;
        table.Reset(c.entries);
        SafeFileWriter out(folder.File("smaller.gif").c_str());
        reason.clear();
        EXPECT_EQ(*c.refusal == 0, file.WriteWithTable(ByteSource(gif), table, out, &reason)) << c.entries;
        EXPECT_EQ(c.refusal, reason);
    }
    // Sides a bitmap can have but not this machine's memory, with data enough
    // to pass the inflate bound.
    const std::string huge = AssemblePng({{"IHDR", IhdrData(0x10000, 0x10000, 8, 3)}, {"PLTE", PaletteData(2)},
                                          {"IDAT", std::string(4200000, 'x')}, {"IEND", ""}});
    ASSERT_TRUE(file.Read(ByteSource(huge), &reason)) << reason;
    EXPECT_FALSE(LoadIndexedPicture(nullptr, file, ByteSource(huge), &image, &reason));
    EXPECT_EQ("is too large to show", reason);
    // Pixels that cannot be decoded say why, and leave no half picture behind.
    const std::string broken = AssemblePng({{"IHDR", IhdrData(2, 2, 8, 3)}, {"PLTE", PaletteData(2)},
                                            {"IDAT", Deflate(std::string(3, '\0'))}, {"IEND", ""}});
    ASSERT_TRUE(file.Read(ByteSource(broken), &reason)) << reason;
    EXPECT_FALSE(LoadIndexedPicture(nullptr, file, ByteSource(broken), &image, &reason));
    EXPECT_EQ("IDAT: the data ends before the image does", reason);
    EXPECT_TRUE(image.IsEmpty());
    // A read that fails forgets the file read before.
    EXPECT_EQ("is not a PNG or GIF file", refusal("BM"));
    EXPECT_EQ(ImageFileFormat::Unknown, file.Format());
    EXPECT_EQ("", file.Report("x.gif", 1, 1, 0));

    EXPECT_FALSE(WriteBitmapAsPng(image, writer, &reason));
    EXPECT_EQ("has no picture", reason);
    // A full-color bitmap's optional table suggests colors; it indexes nothing.
    for (uint32_t entries : {0u, 2u}) {
        const std::string bmp = folder.File("full.bmp");
        ASSERT_TRUE(WriteWholeFile(bmp, MakeBmp(2, 2, 24, entries).Serialize()));
        ASSERT_TRUE(image.LoadFromFile(nullptr, bmp.c_str())) << entries;
        EXPECT_FALSE(WriteBitmapAsPng(image, writer, &reason));
        EXPECT_EQ("has no color table (a full-color bitmap has none), so it is not written as an indexed PNG", reason);
    }
}

// Taken for a GIF only by a whole signature, as the reader will check it.
TEST(GifFile, DetectedByItsWholeSignature)
{
    const std::string rest = MakeGif(1, 1, Rgb(2, 3), 0, {{0, 0, 1, 1, "", {1}, 2}}).substr(6);
    const struct { const char* head; ImageFileFormat format; } cases[] = {
        {"GIF87a", ImageFileFormat::Gif}, {"GIF89a", ImageFileFormat::Gif},
        {"GIF87b", ImageFileFormat::Unknown}, {"GIF89b", ImageFileFormat::Unknown},
    };
    for (const auto& c : cases) {
        const std::string bytes = c.head + rest;
        EXPECT_EQ(c.format, DetectImageFormat(ByteSource(bytes))) << c.head;
        GifStructure gif;
        std::memset(gif.version, 'x', sizeof gif.version);
        std::string reason;
        const bool read = ReadGifStructure(ByteSource(bytes), &gif, &reason);
        EXPECT_EQ(c.format == ImageFileFormat::Gif, read) << c.head;
        if (read) {
            EXPECT_STREQ(c.head, gif.version);
        }
    }
    // A signature alone is a GIF cut short, for the reader to say so.
    const std::string alone = "GIF89a";
    EXPECT_EQ(ImageFileFormat::Gif, DetectImageFormat(ByteSource(alone)));
}

// A file read is known by its signature, a file saved by the last extension
// of its own name.
TEST(IndexedFile, FormatFollowsTheSignatureOrTheName)
{
    const std::string png(reinterpret_cast<const char*>(kPngSignature), 8);
    const struct { std::string head; ImageFileFormat format; } heads[] = {
        {png, ImageFileFormat::Png}, {png.substr(0, 7) + "X", ImageFileFormat::Unknown},
        {png.substr(0, 7), ImageFileFormat::Unknown}, {"BM", ImageFileFormat::Bmp},
        {"B", ImageFileFormat::Unknown}, {"", ImageFileFormat::Unknown},
    };
    for (const auto& h : heads) EXPECT_EQ(h.format, DetectImageFormat(ByteSource(h.head))) << h.head.size();
    const struct { const char* path; ImageFileFormat format; } cases[] = {
        {"a.png", ImageFileFormat::Png},        {"dir/A.GIF", ImageFileFormat::Gif},
        {"C:\\dir\\x.Bmp", ImageFileFormat::Bmp}, {"x.gif.png", ImageFileFormat::Png},
        {"png", ImageFileFormat::Unknown},      {"dir/png", ImageFileFormat::Unknown},
        {"dir.png/x", ImageFileFormat::Unknown}, {"dir.gif\\x", ImageFileFormat::Unknown},
        {"x.pngs", ImageFileFormat::Unknown},   {"x.", ImageFileFormat::Unknown},
    };
    for (const auto& c : cases) EXPECT_EQ(c.format, ImageFormatForName(c.path)) << c.path;
}

long PeakKilobytes()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// 40 MB of image data read from the file keep the process as small as it was.
TEST(GifFile, BigFileReadFromDiskStaysSmallInMemory)
{
    // Clear code, literal 5, four times: 9-bit codes in 9 bytes, one pixel each.
    std::string pattern;
    uint32_t bits = 0, count = 0;
    for (int i = 0; i < 8; ++i) {
        bits |= uint32_t(i % 2 ? 5 : 256) << count;
        for (count += 9; count >= 8; count -= 8, bits >>= 8) pattern += char(bits & 255);
    }
    std::string subBlock(1, char(252));
    for (int i = 0; i < 28; ++i) subBlock += pattern;
    const uint32_t blocks = 160000, width = 4096, height = blocks * 112 / width;

    TempFolder folder;
    const std::string path = folder.File("big.gif");
    {
        std::ofstream out(path, std::ios::binary);
        // Screen, table, descriptor and code size; the data follows.
        out << MakeGif(width, height, Rgb(8, 3), 0, {{0, 0, uint16_t(width), uint16_t(height), "", {}, 8}}).substr(0, 48);
        for (uint32_t i = 0; i < blocks; ++i) out << subBlock;
        out << '\0' << ';';
    }
    const long before = PeakKilobytes();
    SourceFile file;
    ASSERT_TRUE(file.Open(path.c_str()));
    const ByteSource source(file);
    GifStructure gif;
    std::string reason;
    ASSERT_TRUE(ReadGifStructure(source, &gif, &reason)) << reason;
    uint32_t largest = 0, rows = 0, fives = 0;
    ASSERT_TRUE(LargestGifIndex(source, gif, &largest, &reason)) << reason;
    ASSERT_TRUE(DecodeGifImage(source, gif, [&](uint32_t, const uint8_t* row) {
        fives += std::count(row, row + width, 5) == width;
        ++rows;
    }, &reason)) << reason;
    EXPECT_EQ(5u, largest);
    EXPECT_EQ(height, rows);
    EXPECT_EQ(height, fives);
    EXPECT_GT(source.Size(), 40000000u);
    EXPECT_LT(PeakKilobytes() - before, 8 * 1024) << "kilobytes more at the peak";
}

// The data fills the 64 KiB one read takes from its start, and its
// terminator is the file's last byte (the trailer is missing): it is whole.
TEST(GifFile, DataEndingAtTheFilesLastByteIsWhole)
{
    std::string bytes = std::string("GIF89a\1\0\1\0\x80\0\0", 13) + std::string(6, '\x10') +
                        std::string("\x2C\0\0\0\0\1\0\1\0\0\2", 11);
    ASSERT_EQ(30u, bytes.size());
    for (int block = 0; block < 256; ++block) bytes += '\xFF' + std::string(255, '\x55');
    bytes += '\0';
    GifStructure gif;
    std::string reason;
    ASSERT_TRUE(ReadGifStructure(ByteSource(bytes), &gif, &reason)) << reason;
    EXPECT_FALSE(gif.hasTrailer);
    ASSERT_EQ(1u, gif.images.size());
    EXPECT_EQ(bytes.size() - 29, gif.images[0].dataLength);
}

TEST(GifReport, NamesTheEditedTableTheOthersAndEveryBlock)
{
    std::string bytes = MakeGif(300, 2, Rgb(2, 3), 0,
                                {{0, 0, 1, 1, Rgb(2, 2), {1}, 2}, {0, 0, 1, 1, Rgb(4, 1), {1}, 2}});
    bytes[12] = 49;  // the pixel aspect ratio
    bytes.insert(13 + 6, "\x21\xFF\x0C" "NETSCAPE2.0X\x03\x01\x00\x00\x00", 20);  // an identifier block one long
    bytes.insert(13 + 6, "\x21\xFF\x0B" "A \x7F\x80\x1F" "CDEFG~" "\x00", 15);  // bytes beyond printable ASCII
    bytes.insert(13 + 6, std::string("\x21\xFE\x02hi\x00\x21\x01\x0C" "0123456789AB" "\x02" "ab\x00", 25));
    Read read(bytes);
    ASSERT_TRUE(read.ok) << read.reason;
    const std::string summary = BuildGifReport(read.gif, "a.gif", bytes.size(), 0, 0);
    const std::string members = BuildGifReport(read.gif, "a.gif", bytes.size(), 1, 0);
    const std::string hex = BuildGifReport(read.gif, "a.gif", bytes.size(), 1, 1);
    EXPECT_NE(std::string::npos, summary.find("編集する表 : グローバルカラーテーブル")) << summary;
    EXPECT_NE(std::string::npos, summary.find("\r\n その他のローカルカラーテーブル : 画像1 (2色), 画像2 (4色) (そのまま残します)\r\n")) << summary;
    EXPECT_NE(std::string::npos, members.find("\r\n Application Extension\r\n  .Label                = 255\r\n"))
        << members;
    EXPECT_NE(std::string::npos, members.find(".Identifier           = NETSCAPE2.0\r\n")) << members;
    for (const char* block : {"\r\n Comment Extension\r\n  .Label                = 254\r\n",
                              "\r\n Plain Text Extension\r\n  .Label                = 1\r\n"})
        EXPECT_NE(std::string::npos, members.find(block)) << members;
    EXPECT_NE(std::string::npos, members.find(".Identifier           = A ...CDEFG~\r\n")) << members;
    size_t identifiers = 0;
    for (size_t at = members.find(".Identifier"); at != std::string::npos; at = members.find(".Identifier", at + 1))
        ++identifiers;
    EXPECT_EQ(2u, identifiers) << "application extensions only: " << members;
    EXPECT_NE(std::string::npos, members.find("\r\n Trailer\r\n  .Offset")) << "a trailer has no label: " << members;
    EXPECT_EQ(std::string::npos, members.find(".BytesAfterTrailer")) << "nothing follows the trailer: " << members;
    EXPECT_NE(std::string::npos, members.find(".Width                = 300\r\n")) << members;
    EXPECT_NE(std::string::npos, members.find(".PixelAspectRatio     = 49\r\n")) << members;
    EXPECT_NE(std::string::npos, hex.find(".Width                = 12c\r\n")) << hex;
    EXPECT_NE(std::string::npos, hex.find("Image Descriptor 1\r\n  .Offset")) << hex;
    EXPECT_NE(std::string::npos, hex.find("Image Descriptor 2\r\n")) << hex;
    for (const std::string* text : {&summary, &members, &hex}) {
        for (size_t at = text->find('\n'); at != std::string::npos; at = text->find('\n', at + 1))
            EXPECT_EQ('\r', (*text)[at - 1]);
    }
    // Without a global table the first image's own table is the one edited;
    // size bits without the table's flag stand for no table.
    std::string locals = MakeGif(4, 2, "", 0, {{0, 0, 1, 1, Rgb(2, 3), {1}, 2}, {0, 0, 1, 1, Rgb(4, 1), {1}, 2}});
    locals[10] = char(locals[10] | 0x07);
    Read local(locals);
    ASSERT_TRUE(local.ok) << local.reason;
    const std::string listed = BuildGifReport(local.gif, "b.gif", locals.size(), 1, 0);
    EXPECT_NE(std::string::npos, listed.find("    存在しません. 1番目の画像のローカルカラーテーブルを編集します.\r\n")) << listed;
    const size_t first = listed.find("編集する表)"), second = listed.find("そのまま残します)");
    EXPECT_TRUE(first != std::string::npos && second != std::string::npos && first < second) << listed;
    const std::string others = BuildGifReport(local.gif, "b.gif", locals.size(), 0, 0);
    EXPECT_NE(std::string::npos, others.find(" その他のローカルカラーテーブル : 画像2 (4色) (そのまま残します)\r\n")) << others;
    EXPECT_EQ(std::string::npos, members.find("存在しません (最後")) << "it has a trailer";
    const std::string after = MakeGif(4, 2, Rgb(2, 3), 0, {{0, 0, 1, 1, "", {1}, 2}}) + "xyz";
    Read afterRead(after);
    ASSERT_TRUE(afterRead.ok) << afterRead.reason;
    EXPECT_NE(std::string::npos,
              BuildGifReport(afterRead.gif, "e.gif", after.size(), 1, 0).find("  .BytesAfterTrailer    = 3\r\n"));
    const std::string cut = MakeGif(4, 2, Rgb(2, 3), 0, {{0, 0, 1, 1, "", {1}, 2}}, false);
    Read cutRead(cut);
    ASSERT_TRUE(cutRead.ok) << cutRead.reason;
    EXPECT_NE(std::string::npos, BuildGifReport(cutRead.gif, "d.gif", cut.size(), 1, 0)
                                     .find("\r\n Trailer\r\n    存在しません (最後のブロックの後でファイルが終わっています).\r\n"));
    // Image numbers stay plain whatever the program's locale.
    std::vector<GifFrameBytes> frames(1000, GifFrameBytes{0, 0, 1, 1, "", {1}, 2});
    frames.back().localTable = Rgb(2, 1);
    const std::string many = MakeGif(1, 1, Rgb(2, 3), 0, frames);
    Read manyRead(many);
    ASSERT_TRUE(manyRead.ok) << manyRead.reason;
    const std::string numbered =
        BuiltUnderGroupingLocale([&] { return BuildGifReport(manyRead.gif, "c.gif", many.size(), 0, 0); });
    EXPECT_NE(std::string::npos, numbered.find(" : 画像1000 (2色) (そのまま残します)\r\n")) << numbered;
    EXPECT_NE(std::string::npos, numbered.find(" : " + std::to_string(many.size()) + "bytes\r\n")) << numbered;
}

// A comment between a graphic control and its image must not stop the
// transparent index from following its entry, nor the screen's background
// (1, unlike the aspect byte after it); the pixels of data that stops short
// must not be lost on the way.
TEST(GifFile, RemapFollowsTransparencyPastACommentAndKeepsShortData)
{
    const std::string plain = MakeGif(2, 2, Rgb(2, 3), 1, {{0, 0, 2, 2, "", {1, 0, 0}, 2}});
    const auto with = [&](const std::string& blocks) {
        std::string bytes = plain;
        return bytes.insert(13 + 6, blocks);
    };
    TempFolder folder;
    ColorTable table;
    ASSERT_TRUE(table.Reset(2));
    // The bytes written with entries 0 and 1 swapped; empty when the write fails.
    const auto swap = [&](const std::string& bytes, const GifStructure& gif) {
        const std::string path = folder.File("swapped.gif");
        std::string reason;
        SafeFileWriter out(path.c_str());
        const bool written = WriteRemappedGif(ByteSource(bytes), gif, table, {1, 0}, true, out, &reason) && out.Commit();
        EXPECT_TRUE(written) << reason;
        return written ? ReadWholeFile(path) : std::string();
    };

    const std::string bytes = with(std::string("\x21\xF9\x04\x01\x00\x00\x01\x00" "\x21\xFE\x02hi\x00", 14));
    Read read(bytes);
    ASSERT_TRUE(read.ok) << read.reason;
    ASSERT_EQ(1, read.gif.images[0].transparentIndex);
    Read swapped(swap(bytes, read.gif));
    ASSERT_TRUE(swapped.ok) << swapped.reason;
    EXPECT_EQ(0, swapped.gif.images[0].transparentIndex);
    EXPECT_EQ(0, swapped.gif.backgroundIndex);
    // The missing fourth pixel showed entry 0, which is now entry 1.
    EXPECT_EQ(std::vector<uint8_t>({0, 1, 1, 1}), swapped.picture);

    // A graphic control too short to hold a transparent index is copied as it is.
    const std::string shortControl = with(std::string("\x21\xF9\x03\x01\x00\x00\x00", 7));
    Read readShort(shortControl);
    ASSERT_TRUE(readShort.ok) << readShort.reason;
    EXPECT_EQ(shortControl.substr(19, 7), swap(shortControl, readShort.gif).substr(19, 7));

    // A graphic control before plain text is the text's: the image after it has no transparent index.
    Read readText(with(std::string("\x21\xF9\x04\x01\x00\x00\x01\x00\x21\x01\x0C", 11) + std::string(12, '\0') +
                       std::string("\x02hi\x00", 4)));
    ASSERT_TRUE(readText.ok) << readText.reason;
    EXPECT_EQ(-1, readText.gif.images[0].transparentIndex);

    // Copied as they are: a graphic control that no image follows, plain text
    // when the image's own table is edited (text draws with the global one).
    const std::string control("\x21\xF9\x04\x01\x00\x00\x01\x00", 8);
    const std::string text = std::string("\x21\x01\x0C", 3) + std::string(10, '\0') + "\x01" + '\0' + "\x02hi" + '\0';
    const std::string trailing = plain.substr(0, plain.size() - 1) + control + ";";
    std::string local = MakeGif(2, 2, "", 0, {{0, 0, 2, 2, Rgb(2, 3), {1, 0, 0}, 2}});
    local.insert(13, text);
    // And one for an image with a table of its own, past a comment.
    std::string own = MakeGif(2, 2, Rgb(2, 3), 1, {{0, 0, 2, 2, Rgb(2, 5), {1, 0, 0}, 2}});
    own.insert(13 + 6, control + std::string("\x21\xFE\x02hi\x00", 6));
    // And plain text whose first sub-block is too short to name its colors.
    const std::string shortText = with(std::string("\x21\x01\x0B", 3) + std::string(11, '\x01') + "\x05hello" + '\0');
    const struct { std::string bytes; size_t at, length; } kept[] = {
        {trailing, trailing.size() - 9, control.size()}, {local, 13, text.size()},
        {own, 13 + 6, control.size()}, {shortText, 13 + 6, 21}};
    for (const auto& k : kept) {
        Read readKept(k.bytes);
        ASSERT_TRUE(readKept.ok) << readKept.reason;
        EXPECT_EQ(k.bytes.substr(k.at, k.length), swap(k.bytes, readKept.gif).substr(k.at, k.length)) << k.at;
    }
}

// A wrong byte order or offset in the graphic control would show a wrong delay.
TEST(GifReport, ShowsTheGraphicControlOfTheImage)
{
    std::string bytes = MakeGif(2, 2, Rgb(2, 3), 0, {{0, 0, 2, 2, "", {1, 0, 0, 1}, 2}});
    // Disposal 2, transparent index 1, delay 0x0102 hundredths.
    bytes.insert(13 + 6, "\x21\xF9\x04\x09\x02\x01\x01\x00", 8);
    Read read(bytes);
    ASSERT_TRUE(read.ok) << read.reason;
    const std::string members = BuildGifReport(read.gif, "a.gif", bytes.size(), 1, 0);
    for (const char* line : {"\r\n Graphic Control Extension\r\n  .Label                = 249\r\n",
                             ".Delay                = 258\r\n", ".Disposal             = 2\r\n",
                             ".TransparentIndex     = 1\r\n", "\r\n Trailer"})
        EXPECT_NE(std::string::npos, members.find(line)) << line << members;
    // Without a graphic control, or with one too short to hold its fields:
    // no delay, no disposal, no transparent index. Disposal 3 keeps its low bit.
    const struct { std::string control, disposal; } cases[] = {
        {"", "0"}, {std::string("\x21\xF9\x03\x09\x02\x01\x00", 7), "0"},
        {std::string("\x21\xF9\x04\x0C\x00\x00\x00\x00", 8), "3"}};
    for (const auto& c : cases) {
        std::string plainBytes = MakeGif(2, 2, Rgb(2, 3), 0, {{0, 0, 2, 2, "", {1, 0, 0, 1}, 2}});
        plainBytes.insert(13 + 6, c.control);
        Read plain(plainBytes);
        ASSERT_TRUE(plain.ok) << plain.reason;
        const std::string bare = BuildGifReport(plain.gif, "b.gif", plainBytes.size(), 1, 0);
        for (const std::string& line : {std::string(".Delay                = 0\r\n"), ".Disposal             = " + c.disposal + "\r\n"})
            EXPECT_NE(std::string::npos, bare.find(line)) << line << bare;
        EXPECT_EQ(std::string::npos, bare.find(".TransparentIndex")) << bare;
    }
    // Entry 0 is a transparent index like any other.
    std::string zero = MakeGif(2, 2, Rgb(2, 3), 0, {{0, 0, 2, 2, "", {1, 0, 0, 1}, 2}});
    zero.insert(13 + 6, "\x21\xF9\x04\x01\x00\x00\x00\x00", 8);
    Read zeroRead(zero);
    ASSERT_TRUE(zeroRead.ok) << zeroRead.reason;
    const std::string zeroMembers = BuildGifReport(zeroRead.gif, "z.gif", zero.size(), 1, 0);
    EXPECT_NE(std::string::npos, zeroMembers.find(".TransparentIndex     = 0\r\n")) << zeroMembers;
    EXPECT_NE(std::string::npos, zeroMembers.find(".LocalColorTable      = 0\r\n  .LzwMinimumCodeSize")) << zeroMembers;
    // A graphic control describes the one image after it.
    std::string two = MakeGif(2, 2, Rgb(2, 3), 0, {{0, 0, 2, 2, "", {1, 0, 0, 1}, 2}, {0, 0, 1, 1, "", {1}, 2}});
    two.insert(13 + 6, "\x21\xF9\x04\x09\x02\x01\x01\x00", 8);
    Read twoRead(two);
    ASSERT_TRUE(twoRead.ok) << twoRead.reason;
    EXPECT_EQ(1, twoRead.gif.images[0].transparentIndex);
    EXPECT_EQ(-1, twoRead.gif.images[1].transparentIndex);
    EXPECT_EQ(0, twoRead.gif.images[1].delay);
}

}  // namespace
