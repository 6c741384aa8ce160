// korin-cli usage and gradient end to end: counts against an independent
// count (the test's own for a bitmap, Pillow's for PNG and GIF files), the
// ramp written into BMP, PNG and GIF files, and each refusal by its reason.
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/dib_image.h"
#include "image/indexed_file.h"
#include "palette/color_table.h"
#include "palette/gradient.h"
#include "tests/cli/cli_process.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/gif_bytes.h"
#include "tests/support/png_bytes.h"
#include "tests/support/memory_dc.h"
#include "tests/support/picture_files.h"
#include "tests/support/python_script.h"
#include "tests/support/temp_folder.h"

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string ColorText(const ColorEntry& e)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", e.red, e.green, e.blue);
    return text;
}

// An 8-bit bitmap of 7 x 3 pixels whose 10-entry table its pixels partly
// use; pixel (x, y) is usedIndices[(x + 2y) % 6], and 10 is the first past the table.
const uint8_t kUsedIndices[] = {0, 2, 3, 4, 9, 10};

std::string UsageBitmap(const TempFolder& folder, ColorTable* table, std::vector<uint64_t>* counts)
{
    MemoryDC dc;
    DibImage image;
    table->Reset(10);
    for (uint32_t i = 0; i < 10; ++i) table->SetColor(i, uint8_t(i * 25), uint8_t(255 - i), uint8_t(i * 7));
    const NewImageSpec spec = {7, 3, 8, 10};
    EXPECT_TRUE(image.CreateIndexed(dc, spec, *table));
    counts->assign(11, 0);
    for (uint32_t y = 0; y < 3; ++y) {
        for (uint32_t x = 0; x < 7; ++x) {
            const uint8_t index = kUsedIndices[(x + 2 * y) % 6];
            image.Bits()[(2 - y) * image.Stride() + x] = index;
            ++(*counts)[index];
        }
    }
    const std::string path = folder.File("usage.bmp");
    EXPECT_TRUE(image.SaveToFile(path.c_str()));
    return path;
}

TEST(CliEntryUsage, EveryFormatCountsTheBitmapsPixels)
{
    TempFolder folder;
    ColorTable table;
    std::vector<uint64_t> counts;
    const std::string path = UsageBitmap(folder, &table, &counts);

    CliRun tsv = RunCli({"usage", path, "--format", "tsv"});
    ASSERT_EQ(0, tsv.exitCode) << tsv.err;
    std::vector<std::string> expected = {"index\tcolor\tpixels"};
    for (uint32_t i = 0; i < 10; ++i)
        expected.push_back(std::to_string(i) + "\t" + ColorText(*table.GetEntry(i)) + "\t" + std::to_string(counts[i]));
    expected.push_back("# unused\t5\t1,5,6,7,8");
    expected.push_back("# past the table\t" + std::to_string(counts[10]));
    EXPECT_EQ(expected, Lines(tsv.out));

    CliRun text = RunCli({"usage", path});
    ASSERT_EQ(0, text.exitCode) << text.err;
    const std::vector<std::string> lines = Lines(text.out);
    ASSERT_EQ(14u, lines.size()) << text.out;
    EXPECT_EQ(path + ": 7 x 3 pixels, 10 entries", lines[0]);
    for (uint32_t i = 0; i < 10; ++i) {
        std::istringstream row(lines[2 + i]);
        std::string index, color, pixels;
        row >> index >> color >> pixels;
        EXPECT_EQ(expected[1 + i], index + "\t" + color + "\t" + pixels);
    }
    EXPECT_EQ("unused: 5 of 10 entries (1, 5-8)", lines[12]);
    EXPECT_EQ("pixels with an index past the table: " + std::to_string(counts[10]), lines[13]);

    // A PNG of 5 x 3 pixels, none past its 4 entries: no line for them.
    const std::string png = folder.File("small.png");
    ASSERT_TRUE(WriteWholeFile(png, SmallPngBytes()));
    CliRun small = RunCli({"usage", png});
    ASSERT_EQ(0, small.exitCode) << small.err;
    EXPECT_EQ(png + ": 5 x 3 pixels, 4 entries", Lines(small.out)[0]);
    EXPECT_EQ(std::string::npos, small.out.find("past the table")) << small.out;
    CliRun smallTsv = RunCli({"usage", png, "--format", "tsv"});
    EXPECT_EQ(std::string::npos, smallTsv.out.find("past the table")) << smallTsv.out;
    // A top-down bitmap's height is counted, not its sign; unused entries from the first.
    const std::string topDown = folder.File("top-down.bmp");
    BmpBytes onlyLast = MakeBmp(4, -2, 8, 4);
    onlyLast.pixels.assign(onlyLast.pixels.size(), '\3');
    ASSERT_TRUE(WriteWholeFile(topDown, onlyLast.Serialize()));
    CliRun flipped = RunCli({"usage", topDown});
    ASSERT_EQ(0, flipped.exitCode) << flipped.err;
    ASSERT_EQ(7u, Lines(flipped.out).size()) << flipped.out;
    EXPECT_EQ(topDown + ": 4 x 2 pixels, 4 entries", Lines(flipped.out)[0]);
    EXPECT_EQ("index  color    pixels", Lines(flipped.out)[1]);
    EXPECT_EQ("       8", Lines(flipped.out)[5].substr(14)) << "counts are at least 6 wide";
    EXPECT_EQ("unused: 3 of 4 entries (0-2)", Lines(flipped.out)[6]);
    // A table longer than the bits can index: its last entries are unused.
    const std::string longTable = folder.File("long-table.bmp");
    BmpBytes twoBits = MakeBmp(8, 1, 1, 4);
    twoBits.pixels.assign(twoBits.pixels.size(), '\0');
    ASSERT_TRUE(WriteWholeFile(longTable, twoBits.Serialize()));
    CliRun longTsv = RunCli({"usage", longTable, "--format", "tsv"});
    ASSERT_EQ(0, longTsv.exitCode) << longTsv.err;
    ASSERT_EQ(6u, Lines(longTsv.out).size()) << longTsv.out;
    EXPECT_EQ("# unused\t3\t1,2,3", Lines(longTsv.out)[5]);
    // A count of 7 digits widens the column.
    const std::string million = folder.File("million.bmp");
    BmpBytes onlyFirst = MakeBmp(1000, 1000, 8, 2);
    onlyFirst.pixels.assign(onlyFirst.pixels.size(), '\0');
    ASSERT_TRUE(WriteWholeFile(million, onlyFirst.Serialize()));
    CliRun wide = RunCli({"usage", million});
    ASSERT_EQ(0, wide.exitCode) << wide.err;
    ASSERT_EQ(5u, Lines(wide.out).size()) << wide.out;
    EXPECT_EQ("index  color     pixels", Lines(wide.out)[1]);
    EXPECT_EQ("        0", Lines(wide.out)[3].substr(14));
    const std::string cut = folder.File("cut.png");
    ASSERT_TRUE(WriteWholeFile(cut, SmallPngBytes().substr(0, 30)));
    CliRun refused = RunCli({"usage", cut});
    EXPECT_EQ(1, refused.exitCode);
    EXPECT_TRUE(refused.err.find(cut + ": ") != std::string::npos) << refused.err;
    // Cut inside its pixels: the decoder's reason, and no counts.
    const std::string cutPixels = folder.File("cut-pixels.png");
    ASSERT_TRUE(WriteWholeFile(cutPixels, AssemblePng({{"IHDR", IhdrData(4, 3, 8, 3)}, {"PLTE", PaletteData(4)},
                                                       {"IDAT", CompressedRows({{0, 1, 2, 3}, {3, 2, 1, 0}}, 8)},
                                                       {"IEND", ""}})));
    CliRun partial = RunCli({"usage", cutPixels});
    EXPECT_EQ(1, partial.exitCode);
    EXPECT_EQ("", partial.out);
    EXPECT_EQ(0u, partial.err.find("korin-cli: " + cutPixels + ": IDAT: the data ends before the image does"))
        << partial.err;

    CliRun json = RunCli({"usage", path, "--format", "json"});
    ASSERT_EQ(0, json.exitCode) << json.err;
    const std::string python = PythonWith("json");
    if (python.empty()) GTEST_SKIP() << "SKIPPED LOUDLY: the JSON output is read back with Python 3";
    ASSERT_TRUE(WriteWholeFile(folder.File("usage.json"), json.out));
    std::string flattened;
    ASSERT_TRUE(RunPythonScript(python, folder, R"(import json, sys
u = json.load(open(sys.argv[1]))
print('index\tcolor\tpixels')
for e in u['entries']: print('%d\t%s\t%d' % (e['index'], e['color'], e['pixels']))
print('# unused\t%d\t%s' % (u['unusedCount'], ','.join(map(str, u['unused']))))
print('# past the table\t%d' % u['pixelsPastTable'])
print(u['width'], u['height'], u['entryCount'])
)", {folder.File("usage.json")}, &flattened)) << json.out;
    expected.push_back("7 3 10");
    EXPECT_EQ(expected, Lines(flattened));
}

// Pillow writes PNG files of 1, 2, 4 and 8 bits (by the palette's size) and
// GIF files; korin-cli's counts of each must be Pillow's histogram of it.
const char kPillowPictures[] = R"(import random, sys
from PIL import Image
if sys.argv[1] == 'make':
    for arg in sys.argv[2:]:
        path, w, h, colors = arg.split(':')
        w, h, colors = int(w), int(h), int(colors)
        rnd = random.Random(path)
        im = Image.new('P', (w, h))
        im.putdata([rnd.randrange(colors) if rnd.random() < 0.7 else 0 for _ in range(w * h)])
        im.putpalette(bytes(c for i in range(colors) for c in ((i * 3 + 1) % 256, 255 - i, i * 11 % 256)))
        im.save(path)
else:
    for path in sys.argv[2:]:
        with Image.open(path) as im:
            assert im.mode == 'P', im.mode
            print(' '.join(map(str, im.histogram())))
)";

TEST(CliEntryUsage, PngAndGifCountsAreThoseOfPillow)
{
    const std::string python = PythonWith("PIL");
    if (python.empty()) GTEST_SKIP() << "SKIPPED LOUDLY: needs Python 3 with Pillow (python3-pil)";
    TempFolder folder;
    std::vector<std::string> made, paths;
    for (const char* name : {"a.png:37:23:2", "b.png:1:5:4", "c.png:9:1:16", "d.png:33:7:200", "e.gif:37:23:2",
                             "f.gif:13:11:16", "g.gif:64:3:256"}) {
        made.push_back(folder.File(name));
        paths.push_back(made.back().substr(0, made.back().find(':')));
    }
    for (const auto& small : {std::make_pair("small.png", SmallPngBytes()), std::make_pair("small.gif", SmallGifBytes())}) {
        paths.push_back(folder.File(small.first));
        ASSERT_TRUE(WriteWholeFile(paths.back(), small.second));
    }
    std::string answer;
    made.insert(made.begin(), "make");
    ASSERT_TRUE(RunPythonScript(python, folder, kPillowPictures, made, &answer)) << answer;
    std::vector<std::string> count = paths;
    count.insert(count.begin(), "count");
    ASSERT_TRUE(RunPythonScript(python, folder, kPillowPictures, count, &answer)) << answer;
    const std::vector<std::string> histograms = Lines(answer);
    ASSERT_EQ(paths.size(), histograms.size());

    for (size_t i = 0; i < paths.size(); ++i) {
        CliRun run = RunCli({"usage", paths[i], "--format", "tsv"});
        ASSERT_EQ(0, run.exitCode) << paths[i] << ": " << run.err;
        std::istringstream pillow(histograms[i]);
        std::vector<uint64_t> theirs;
        for (uint64_t n; pillow >> n;) theirs.push_back(n);
        ASSERT_EQ(256u, theirs.size());
        const std::vector<std::string> lines = Lines(run.out);
        ASSERT_GE(lines.size(), 3u) << run.out;
        uint64_t listed = 0, pastTable = 0;
        for (size_t line = 1; line < lines.size(); ++line) {
            std::istringstream fields(lines[line]);
            std::string first, color;
            uint64_t pixels = 0;
            if (lines[line][0] == '#') {
                if (lines[line].compare(0, 17, "# past the table\t") == 0) pastTable = std::stoull(lines[line].substr(17));
                continue;
            }
            fields >> first >> color >> pixels;
            EXPECT_EQ(theirs[listed], pixels) << paths[i] << " entry " << first;
            EXPECT_EQ(std::to_string(listed), first);
            ++listed;
        }
        uint64_t theirsPast = 0;
        for (size_t index = listed; index < 256; ++index) theirsPast += theirs[index];
        EXPECT_EQ(theirsPast, pastTable) << paths[i];
    }
}

// An animation's entries that only a later frame uses are used too: every
// frame is counted, and the output says so.
TEST(CliEntryUsage, EveryFrameOfAnAnimationIsCounted)
{
    TempFolder folder;
    const std::string table = {0, 0, 0, 9, 9, 9, 18, 18, 18, 27, 27, 27};
    const std::string gif = folder.File("frames.gif"), png = folder.File("frames.png");
    ASSERT_TRUE(WriteWholeFile(gif, MakeGif(2, 2, table, 0, {{0, 0, 2, 2, "", {0, 0, 1, 1}, 2},
                                                             {0, 0, 2, 1, "", {2, 2}, 2}})));
    const std::string frame = BigEndian32(1) + BigEndian32(2) + BigEndian32(1) + BigEndian32(0) + BigEndian32(0) +
                              std::string{0, 1, 0, 10, 0, 0};
    ASSERT_TRUE(WriteWholeFile(png, AssemblePng({{"IHDR", IhdrData(2, 2, 8, 3)},
                                                 {"acTL", BigEndian32(1) + BigEndian32(0)},
                                                 {"PLTE", PaletteData(4)},
                                                 {"IDAT", CompressedRows({{0, 0}, {1, 1}}, 8)},
                                                 {"fcTL", frame},
                                                 {"fdAT", BigEndian32(2) + CompressedRows({{2, 2}}, 8)},
                                                 {"IEND", ""}})));
    for (const std::string& path : {gif, png}) {
        SCOPED_TRACE(path);
        const CliRun tsv = RunCli({"usage", path, "--format", "tsv"});
        ASSERT_EQ(0, tsv.exitCode) << tsv.err;
        const std::vector<std::string> lines = Lines(tsv.out);
        ASSERT_EQ(7u, lines.size()) << tsv.out;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(std::to_string(i), lines[1 + i].substr(0, 1));
        const char* pixels[] = {"\t2", "\t2", "\t2", "\t0"};
        for (int i = 0; i < 4; ++i) EXPECT_EQ(pixels[i], lines[1 + i].substr(lines[1 + i].rfind('\t'))) << i;
        EXPECT_EQ("# unused\t1\t3", lines[5]);
        EXPECT_EQ("# frames counted\t2", lines[6]);
        const CliRun text = RunCli({"usage", path});
        EXPECT_NE(std::string::npos, text.out.find("\nunused: 1 of 4 entries (3)\ncounted: every frame (2 frames)\n"))
            << text.out;
    }
}

// The table of a BMP, PNG or GIF file's bytes.
bool TableOf(const std::string& bytes, ColorTable* table)
{
    MemoryDC dc;
    DibImage image;
    std::istringstream in(bytes);
    if (bytes.compare(0, 2, "BM") == 0) return image.ReadFromStream(dc, in) && image.CopyColorTable(*table);
    IndexedFile file;
    std::string reason;
    return file.Read(ByteSource(bytes), &reason) && table->Assign(file.Table());
}

// The rest of each file stays as the recolor path keeps it (apply's tests);
// here the table must be the ramp the core makes, whichever way it is written.
TEST(CliGradient, WritesTheRampIntoEachFormat)
{
    TempFolder folder, outFolder;
    MemoryDC dc;
    DibImage image;
    ColorTable table;
    ASSERT_TRUE(table.Reset(256));
    for (uint32_t i = 0; i < 256; ++i) table.SetColor(i, uint8_t(i * 7), uint8_t(i * 13), uint8_t(255 - i));
    const NewImageSpec spec = {11, 4, 8, 256};
    ASSERT_TRUE(image.CreateIndexed(dc, spec, table));
    const std::string bmp = folder.File("ramp.bmp");
    ASSERT_TRUE(image.SaveToFile(bmp.c_str()));
    ASSERT_TRUE(WriteWholeFile(folder.File("small.png"), SmallPngBytes()));
    ASSERT_TRUE(WriteWholeFile(folder.File("small.gif"), SmallGifBytes()));
    const struct {
        std::vector<std::string> args;
        std::string input, output;
        uint32_t first, last;
        GradientSpace space;
    } cases[] = {
        {{"16", "200", "--space", "oklab", "-o", folder.File("out.bmp")}, bmp, folder.File("out.bmp"), 16, 200,
         GradientSpace::Oklab},
        {{"0", "3", "--out-dir", outFolder.Path()}, folder.File("small.png"), outFolder.File("small.png"), 0, 3,
         GradientSpace::Rgb},
        {{"1", "6", "--space=oklab", "--in-place"}, folder.File("small.gif"), folder.File("small.gif"), 1, 6,
         GradientSpace::Oklab},
    };
    for (const auto& c : cases) {
        ColorTable expected, written;
        ASSERT_TRUE(TableOf(ReadWholeFile(c.input), &expected)) << c.input;
        std::vector<std::string> args = {"gradient", c.input};
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliRun run = RunCli(args);
        ASSERT_EQ(0, run.exitCode) << c.input << ": " << run.err;
        ASSERT_TRUE(FillGradient(expected, c.first, c.last, c.space));
        ASSERT_TRUE(TableOf(ReadWholeFile(c.output), &written)) << c.output;
        ASSERT_EQ(expected.GetCount(), written.GetCount());
        for (uint32_t i = 0; i < expected.GetCount(); ++i)
            EXPECT_EQ(ColorText(*expected.GetEntry(i)), ColorText(*written.GetEntry(i))) << c.output << " " << i;
    }
}

TEST(CliGradient, RefusalsSayWhyAndWriteNothing)
{
    TempFolder folder;
    const std::string png = folder.File("small.png"), bmp = folder.File("full.bmp"), out = folder.File("out");
    const std::string sixteen = folder.File("sixteen.bmp");
    ASSERT_TRUE(WriteWholeFile(png, SmallPngBytes()));
    ASSERT_EQ(0, RunCli({"new", "--size", "3x2", "--bits", "24", "-o", bmp}).exitCode);
    ASSERT_EQ(0, RunCli({"new", "--size", "3x2", "--bits", "4", "-o", sixteen}).exitCode);
    const std::string five = folder.File("five.hex");
    ASSERT_TRUE(WriteWholeFile(five, "000000\n111111\n222222\n333333\n444444\n"));
    const std::string single = folder.File("single.bmp");
    ASSERT_TRUE(WriteWholeFile(single, MakeBmp(3, 2, 8, 1).Serialize()));
    const struct {
        std::vector<std::string> args;
        int exitCode;
        const char* reason;
    } cases[] = {
        {{"gradient", png, "1", "4", "-o", out}, 1, "table of 4 entries (0 to 3): the range 1..4 is not within it"},
        {{"gradient", sixteen, "2", "16", "-o", out}, 1, "table of 16 entries (0 to 15): the range 2..16 is not within"},
        {{"gradient", single, "0", "2", "-o", out}, 1, "table of 1 entries (0 to 0): the range 0..2 is not within it"},
        {{"gradient", png, "0", "2", "-o", out}, 0, ""},
        {{"gradient", png, "1", "2", "-o", out}, 2, "the range 1..2 is shorter than three entries"},
        {{"gradient", png, "3", "0", "-o", out}, 2, "the range 3..0 is shorter than three entries"},
        {{"gradient", png, "0", "x", "-o", out}, 2, "FIRST and LAST are entry numbers"},
        {{"gradient", png, "y", "3", "-o", out}, 2, "counted from 0, not 'y' '3'"},
        {{"swap", "rb", png, "-o", out}, 2, "swap takes rg, gb or br, not 'rb'"},
        {{"gradient", png, "0", "3", "--space", "hsv", "-o", out}, 2, "--space takes rgb or oklab, not 'hsv'"},
        {{"gradient", png, "0", "3"}, 2, "give exactly one of -o FILE"},
        {{"gradient", bmp, "0", "3", "-o", out}, 1, "has no color table"},
        {{"usage", png, "--format", "riff"}, 2, "--format of usage takes tsv or json, not 'riff'"},
        {{"palette", png, png, "-o", out}, 2, "wrong number of file operands"},
        {{"palette", png, "-o", out, "--format", "tsv"}, 2, "--format takes riff, jasc, gpl, act, hex or pdn"},
        {{"usage", bmp}, 1, "has no color table"},
        {{"usage", folder.File("missing.png")}, 1, "cannot be opened"},
        {{"compact", folder.File("missing.png"), "-o", out}, 1, "cannot be opened"},
        {{"swap-entries", png, "1", "x", "-o", out}, 2, "A and B are entry numbers (0 to 255), not '1' 'x'"},
        {{"swap-entries", png, "0", "9", "-o", out}, 1, " 9 is not in the table of 4 entries (0 to 3)"},
        {{"move", png, "2-2", "0", "-o", out}, 0, ""},
        {{"conform", png, "--palette", five, "-o", out}, 1, "cannot take the palette's 5 entries (it holds at most 4)"},
    };
    for (const auto& c : cases) {
        std::remove(out.c_str());
        std::string call;
        for (const std::string& word : c.args) call += " " + word;
        CliRun run = RunCli(c.args);
        EXPECT_EQ(c.exitCode, run.exitCode) << call << ": " << run.err;
        EXPECT_NE(std::string::npos, run.err.find(c.reason)) << call << ": " << run.err;
        EXPECT_EQ(c.exitCode == 0, FileExists(out)) << call;
        EXPECT_EQ(SmallPngBytes(), ReadWholeFile(png));
    }
}

}  // namespace
