// korin-cli's --table on a GIF whose frames 1 and 3 draw with the global
// table and frame 2 with its own: each command reads or edits only the table
// named, every frame shows the colors it showed (each decoded with its own
// table, read from the file's bytes), and a table the file does not hold, a
// file of another kind or a bad value is refused with nothing written.
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/gif_file.h"
#include "tests/cli/cli_process.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/gif_bytes.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_folder.h"

namespace {

// Eight colors in no order of hue or lightness.
std::string Colors(uint8_t seed)
{
    std::string rgb;
    for (uint32_t i = 0; i < 24; ++i) rgb += char(seed + i * 97);
    return rgb;
}

const std::string kGlobal = Colors(3), kLocal = Colors(151);
const GifFrameBytes kFrames[] = {{0, 0, 3, 2, "", {2, 3, 5, 3, 2, 5}, 3},
                                 {0, 0, 3, 2, kLocal, {1, 4, 6, 6, 4, 1}, 3},
                                 {0, 0, 3, 2, "", {7, 3, 3, 7, 7, 3}, 3}};
const std::string kGif = MakeGif(3, 2, kGlobal, 0, {kFrames[0], kFrames[1], kFrames[2]});
// Where frame 2 starts and ends, and its table, in what MakeGif writes.
const size_t kFrameTwo = MakeGif(3, 2, kGlobal, 0, {kFrames[0]}, false).size();
const size_t kFrameThree = MakeGif(3, 2, kGlobal, 0, {kFrames[0], kFrames[1]}, false).size();
const size_t kLocalAt = kFrameTwo + 10;

// Each frame's pixels as 0xRRGGBB, through the table it draws with.
std::vector<std::vector<uint32_t>> FrameColors(const std::string& bytes)
{
    const ByteSource source(bytes);
    GifStructure gif;
    std::string reason;
    EXPECT_TRUE(ReadGifStructure(source, &gif, &reason)) << reason;
    std::vector<std::vector<uint32_t>> frames;
    for (const GifImage& image : gif.images) {
        const size_t at = size_t(image.localTableEntries ? image.localTableOffset : gif.globalTableOffset);
        std::vector<uint32_t> colors;
        DecodeGifFrame(source, image, [&](const uint8_t* indices, size_t count) {
            for (size_t i = 0; i < count; ++i) {
                const size_t p = at + 3 * indices[i];
                colors.push_back(uint32_t(uint8_t(bytes[p])) << 16 | uint32_t(uint8_t(bytes[p + 1])) << 8 |
                                 uint8_t(bytes[p + 2]));
            }
        });
        frames.push_back(colors);
    }
    return frames;
}

std::string Pick(const std::string& table, const std::vector<int>& entries, size_t padTo)
{
    std::string rgb;
    for (int i : entries) rgb += table.substr(size_t(i) * 3, 3);
    return rgb + std::string(padTo * 3 - rgb.size(), '\0');
}

TEST(CliTable, RecolorAndPaletteTakeOnlyTheTableNamed)
{
    TempFolder folder;
    const std::string gif = folder.File("in.gif"), out = folder.File("out.gif");
    ASSERT_TRUE(WriteWholeFile(gif, kGif));
    for (const auto& c : {std::make_pair("global", size_t(13)), std::make_pair("2", kLocalAt)}) {
        SCOPED_TRACE(c.first);
        const CliRun run = RunCli({"invert", gif, "--table", c.first, "-o", out});
        ASSERT_EQ(0, run.exitCode) << run.err;
        const std::string written = ReadWholeFile(out);
        ASSERT_EQ(kGif.size(), written.size());
        for (size_t i = 0; i < kGif.size(); ++i) {
            const bool inTable = i >= c.second && i < c.second + 24;
            ASSERT_EQ(uint8_t(inTable ? 255 - uint8_t(kGif[i]) : kGif[i]), uint8_t(written[i])) << "byte " << i;
        }
    }
    const CliRun palette = RunCli({"palette", gif, "--table", "2", "-o", folder.File("two.hex")});
    ASSERT_EQ(0, palette.exitCode) << palette.err;
    std::string hex;
    for (size_t i = 0; i < 24; ++i) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", uint8_t(kLocal[i]));
        hex += digits + std::string(i % 3 == 2 ? "\r\n" : "");
    }
    EXPECT_EQ(hex, ReadWholeFile(folder.File("two.hex")));
}

TEST(CliTable, UsageCountsTheFramesDrawnWithTheTable)
{
    TempFolder folder;
    const std::string gif = folder.File("in.gif");
    ASSERT_TRUE(WriteWholeFile(gif, kGif));
    for (const auto& c : {std::make_pair(std::string("global"), std::vector<int>{0, 2}),
                          std::make_pair(std::string("2"), std::vector<int>{1})}) {
        SCOPED_TRACE(c.first);
        std::vector<uint64_t> want(8, 0);
        std::string frames;
        for (int f : c.second) {
            for (uint8_t index : kFrames[f].indices) ++want[index];
            frames += (frames.empty() ? "" : ",") + std::to_string(f + 1);
        }
        const CliRun run = RunCli({"usage", gif, "--table", c.first, "--format", "tsv"});
        ASSERT_EQ(0, run.exitCode) << run.err;
        std::vector<uint64_t> counted;
        std::istringstream lines(run.out);
        std::string line, named;
        while (std::getline(lines, line)) {
            if (!line.empty() && line[0] >= '0' && line[0] <= '9')
                counted.push_back(std::stoull(line.substr(line.rfind('\t') + 1)));
            if (line.compare(0, 8, "# table\t") == 0) named = line;
        }
        EXPECT_EQ(want, counted) << run.out;
        EXPECT_EQ("# table\t" + c.first + "\t" + frames, named) << run.out;
    }
}

// Compact and sort rewrite only the frames of the table named; the others'
// bytes stay, and every frame shows what it showed.
TEST(CliTable, RearrangingATableKeepsEveryFrame)
{
    TempFolder folder;
    const std::string gif = folder.File("in.gif"), out = folder.File("out.gif");
    ASSERT_TRUE(WriteWholeFile(gif, kGif));
    const std::string frameTwo = kGif.substr(kFrameTwo, kFrameThree - kFrameTwo);
    const struct {
        std::vector<std::string> words;
        bool local;
        std::string table;  // compact's: the used entries (and the background), padded; sort's: empty
    } cases[] = {
        {{"compact", "--table", "2"}, true, Pick(kLocal, {1, 4, 6}, 4)},
        {{"sort", "--by", "hue", "--table", "2"}, true, ""},
        {{"compact", "--table", "global"}, false, Pick(kGlobal, {0, 2, 3, 5, 7}, 8)},
        {{"sort", "--by", "lightness", "--table", "global"}, false, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {c.words[0], gif};
        args.insert(args.end(), c.words.begin() + 1, c.words.end());
        args.insert(args.end(), {"-o", out});
        SCOPED_TRACE(c.words[0] + " " + c.words.back());
        const CliRun run = RunCli(args);
        ASSERT_EQ(0, run.exitCode) << run.err;
        const std::string written = ReadWholeFile(out);
        EXPECT_EQ(FrameColors(kGif), FrameColors(written));
        if (c.local) {
            EXPECT_EQ(kGif.substr(0, kFrameTwo), written.substr(0, kFrameTwo)) << "the global table and frame 1";
            EXPECT_EQ(kGif.substr(kFrameThree), written.substr(written.size() - (kGif.size() - kFrameThree)));
        } else {
            EXPECT_NE(std::string::npos, written.find(frameTwo)) << "frame 2 as it was";
        }
        const std::string table = written.substr(c.local ? kLocalAt : 13, c.table.empty() ? 24 : c.table.size());
        if (!c.table.empty()) {
            EXPECT_EQ(c.table, table);
        }
        EXPECT_NE(c.local ? kLocal : kGlobal, table) << "the table was rearranged";
    }
}

TEST(CliTable, RefusalsNameTheTablesAndWriteNothing)
{
    TempFolder folder;
    const std::string gif = folder.File("in.gif"), noGlobal = folder.File("local.gif"), png = folder.File("in.png"),
                      bmp = folder.File("in.bmp"), hex = folder.File("in.hex"), out = folder.File("out.gif");
    ASSERT_TRUE(WriteWholeFile(gif, kGif));
    ASSERT_TRUE(WriteWholeFile(noGlobal, MakeGif(3, 2, "", 0, {kFrames[1]})));
    ASSERT_TRUE(WriteWholeFile(png, SmallPngBytes()));
    ASSERT_TRUE(WriteWholeFile(bmp, MakeBmp(4, 2, 8, 16).Serialize()));
    ASSERT_TRUE(WriteWholeFile(hex, "102030\n405060\n"));
    const std::string oneTable = ", which holds one color table; --table picks one of a GIF file's tables";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string said;
    } cases[] = {
        {{"invert", gif, "--table", "1", "-o", out}, 1,
         gif + ": has no local color table for image 1; its tables: global, 2"},
        {{"compact", gif, "--table", "4", "--in-place"}, 1, gif + ": has no image 4 (it has 3); its tables: global, 2"},
        {{"usage", noGlobal, "--table", "global"}, 1, noGlobal + ": has no global color table; its tables: 1"},
        {{"swap", "rg", png, "--table", "global", "-o", out}, 1, png + ": is a PNG file" + oneTable},
        {{"sort", bmp, "--by", "hue", "--table", "1", "-o", out}, 1, bmp + ": is a BMP file" + oneTable},
        {{"snap", hex, "--depth", "5", "--table", "2", "-o", out}, 1, hex + ": is not a GIF file; --table picks"},
        {{"palette", gif, "--table", "0", "-o", out}, 2, "--table takes global or an image number from 1, not '0'"},
        {{"invert", gif, "--table=-1", "-o", out}, 2, "not '-1'"},
        {{"usage", gif, "--table", "frame2"}, 2, "not 'frame2'"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(c.status, run.exitCode) << c.said;
        EXPECT_NE(std::string::npos, run.err.find(c.said)) << run.err;
        EXPECT_EQ("", run.out) << c.said;
        EXPECT_FALSE(FileExists(out)) << c.said;
    }
    EXPECT_EQ(kGif, ReadWholeFile(gif));
    EXPECT_EQ((std::vector<std::string>{"in.bmp", "in.gif", "in.hex", "in.png", "local.gif"}), folder.List());
}

}  // namespace
