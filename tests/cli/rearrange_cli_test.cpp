// korin-cli's table rearrangements end to end, on BMP files of 1, 4 and 8
// bits, PNG files of 1, 2, 4 and 8 bits and GIF files: Pillow decodes each
// picture before and after, and a Python check of its own (not the
// program's code) says what the table must be and that every pixel shows the
// color it showed (conform: the palette color nearest to it).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/dib_image.h"
#include "image/indexed_file.h"
#include "palette/color_table.h"
#include "tests/cli/cli_process.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/memory_dc.h"
#include "tests/support/png_bytes.h"
#include "tests/support/python_script.h"
#include "tests/support/temp_folder.h"

namespace {

// Lines of "OP BEFORE AFTER WORDS..."; prints one line for each: "ok" or what is wrong.
const char kCheck[] = R"(import sys
from fractions import Fraction
from PIL import Image

def table(im):
    p = im.getpalette() or []
    return [tuple(p[i:i + 3]) for i in range(0, len(p), 3)]

def alphas(im, n):
    t = im.info.get('transparency')
    if t is None: return [255] * n
    if isinstance(t, bytes): return list(t) + [255] * (n - len(t))
    return [0 if i == t else 255 for i in range(n)]

def linear(c):
    c /= 255
    return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4

def oklab(c):
    r, g, b = map(linear, c)
    l = (0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b) ** (1 / 3)
    m = (0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b) ** (1 / 3)
    s = (0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b) ** (1 / 3)
    return (0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
            1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
            0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s)

def distance(x, y):
    return sum((p - q) ** 2 for p, q in zip(oklab(x), oklab(y))) ** 0.5

def hue(c):
    hi, lo = max(c), min(c)
    if hi == lo: return (0, 0)
    r, g, b = c
    d = hi - lo
    if hi == r: return (1, Fraction(g - b, d) % 6)
    if hi == g: return (1, Fraction(b - r, d) + 2)
    return (1, Fraction(r - g, d) + 4)

def padded(entries, gif):
    if not gif: return entries
    size = 2
    while size < len(entries): size *= 2
    return entries + [(0, 0, 0)] * (size - len(entries))

def check(op, before_path, after_path, words):
    before, after = Image.open(before_path), Image.open(after_path)
    old, new = table(before), table(after)
    gif = before.format == 'GIF'
    counts = before.histogram()
    keep = '--keep-indices' in words
    numbers = [int(w) for w in words if w.isdigit()]
    if op == 'swap':
        a, b = numbers
        want = old[:]
        want[a], want[b] = want[b], want[a]
    elif op == 'move':
        first, last, position = numbers
        rest = old[:first] + old[last + 1:]
        want = rest[:position] + old[first:last + 1] + rest[position:]
    elif op in ('hue', 'lightness', 'usage'):
        first, last = numbers if numbers else (0, len(old) - 1)
        key = {'hue': lambda i: hue(old[i]), 'lightness': lambda i: oklab(old[i])[0],
               'usage': lambda i: -counts[i]}[op]
        want = old[:first] + [old[i] for i in sorted(range(first, last + 1), key=key)] + old[last + 1:]
    elif op == 'compact':
        named = {before.info[k] for k in ('transparency', 'background') if isinstance(before.info.get(k), int)}
        used = [counts[i] > 0 or i in named for i in range(len(old))]
        for i in range(len(old)):
            if sum(used) < (2 if gif else 1) and not used[i]: used[i] = True
        want = padded([old[i] for i in range(len(old)) if used[i]], gif)
    elif op == 'merge':
        want = old
        a, rgba = alphas(before, len(old)), [c + (x,) for c, x in zip(old, alphas(before, len(old)))]
        later = after.histogram()
        for j in range(len(old)):
            if rgba[j] in rgba[:j] and later[j]: return 'entry %d repeats an earlier one but keeps pixels' % j
    elif op == 'conform':
        want = padded([tuple(int(w[i:i + 2], 16) for i in (0, 2, 4)) for w in words], gif)
    if new != want: return 'table %s, want %s' % (new, want)
    if keep: return 'ok' if before.tobytes() == after.tobytes() else 'the indices changed'
    if op == 'conform':
        nearest = {}
        for c, d in zip(before.convert('RGBA').getdata(), after.convert('RGBA').getdata()):
            if (c[3] == 0) != (d[3] == 0): return '%s became %s: its visibility changed' % (c, d)
            if c[3] == 0: continue
            c, d = c[:3], d[:3]
            if c not in nearest: nearest[c] = min(distance(c, p) for p in want[:len(words)])
            if distance(c, d) > nearest[c] + 1e-9: return '%s became %s, not the nearest' % (c, d)
        return 'ok'
    if before.convert('RGBA').tobytes() != after.convert('RGBA').tobytes(): return 'the picture changed'
    return 'ok'

for line in open(sys.argv[1]):
    op, before, after, *words = line.split()
    print(check(op, before, after, words))
)";

struct Picture {
    std::string name;
    uint32_t bits;
    uint32_t entries;
};

// A bitmap whose pixels use only some of its entries (every third unused)
// and whose table repeats entry 1 at entry entries - 2.
std::string MakeBitmap(const TempFolder& folder, const Picture& picture, std::mt19937& random)
{
    ColorTable table;
    table.Reset(picture.entries);
    for (uint32_t i = 0; i < picture.entries; ++i)
        table.SetColor(i, uint8_t(random()), uint8_t(random()), uint8_t(random()));
    if (picture.entries > 4) *table.GetEntry(picture.entries - 2) = *table.GetEntry(1);
    MemoryDC dc;
    DibImage image;
    const NewImageSpec spec = {13, 7, int32_t(picture.bits), int32_t(picture.entries)};
    EXPECT_TRUE(image.CreateIndexed(dc, spec, table));
    for (uint32_t y = 0; y < 7; ++y) {
        uint8_t* row = image.Bits() + size_t(y) * image.Stride();
        for (uint32_t x = 0; x < 13; ++x) {
            uint32_t index = uint32_t(random() % picture.entries);
            if (picture.entries > 2 && index % 3 == 2) index = 1 + index / 3 % 2 * (picture.entries - 3);
            const uint32_t bit = x * picture.bits;
            row[bit / 8] = uint8_t(row[bit / 8] | index << (8 - picture.bits - bit % 8));
        }
    }
    const std::string path = folder.File(picture.name);
    EXPECT_TRUE(image.SaveToFile(path.c_str()));
    return path;
}

// One run of korin-cli (its command and the words after FILE) and the
// words its check line gives Python.
struct Job {
    std::string check;
    std::vector<std::string> command;
    std::vector<std::string> words;
};

std::string BaseNameOf(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Random colors, the last a repeat of the first: no color is nearest to it
// (ties go to the lower entry), so it is free for the transparent pixels.
std::string HexPalette(const TempFolder& folder, uint32_t entries, std::mt19937& random, std::vector<std::string>* hex)
{
    std::string text;
    for (uint32_t i = 0; i < entries; ++i) {
        char color[8];
        std::snprintf(color, sizeof color, "%02X%02X%02X", unsigned(random() & 255), unsigned(random() & 255),
                      unsigned(random() & 255));
        if (i > 0 && i + 1 == entries) std::snprintf(color, sizeof color, "%s", hex->front().c_str());
        hex->push_back(color);
        text += std::string(color) + "\n";
    }
    const std::string path = folder.File("palette" + std::to_string(entries) + ".hex");
    EXPECT_TRUE(WriteWholeFile(path, text));
    return path;
}

// The entries of a picture file's table (an encoder may write fewer than it was given).
uint32_t EntryCount(const std::string& path)
{
    const std::string bytes = ReadWholeFile(path);
    IndexedFile file;
    std::string reason;
    if (file.Read(ByteSource(bytes), &reason)) return file.Table().GetCount();
    MemoryDC dc;
    DibImage image;
    std::istringstream in(bytes);
    return image.ReadFromStream(dc, in) ? image.EntryCount() : 0;
}

// Runs every operation on each picture and has Python judge the results.
void RearrangeAndCheck(const TempFolder& folder, const std::vector<std::string>& pictures, const std::string& python,
                       std::mt19937& random)
{
    std::string jobs;
    std::vector<uint32_t> entries;
    for (size_t p = 0; p < pictures.size(); ++p) {
        entries.push_back(EntryCount(pictures[p]));
        ASSERT_GT(entries[p], 1u) << pictures[p];
        const uint32_t last = entries[p] - 1;
        std::vector<std::string> hex;
        const uint32_t paletteSize = entries[p] < 12 ? entries[p] : 12;
        const std::string palette = HexPalette(folder, paletteSize, random, &hex);
        const std::string lastText = std::to_string(last), half = std::to_string(last / 2);
        const std::string third = std::to_string(last / 3);
        const std::vector<Job> runs = {
            {"swap", {"swap-entries", "0", lastText}, {"0", lastText}},
            {"swap", {"swap-entries", "0", lastText, "--keep-indices"}, {"0", lastText, "--keep-indices"}},
            {"move", {"move", "0", lastText}, {"0", "0", lastText}},
            {"move", {"move", half + "-" + lastText, "0"}, {half, lastText, "0"}},
            {"hue", {"sort", "--by", "hue"}, {}},
            {"lightness", {"sort", "--by", "lightness", "--range", third + "-" + lastText}, {third, lastText}},
            {"usage", {"sort", "--by", "usage"}, {}},
            {"usage", {"sort", "--by", "usage", "--keep-indices"}, {"--keep-indices"}},
            {"compact", {"compact"}, {}},
            {"merge", {"merge-duplicates"}, {}},
            {"conform", {"conform", "--palette", palette}, hex},
        };
        for (size_t r = 0; r < runs.size(); ++r) {
            const Job& job = runs[r];
            const std::string out = folder.File("out" + std::to_string(r) + "-" + BaseNameOf(pictures[p]));
            std::vector<std::string> args = {job.command[0], pictures[p]};
            args.insert(args.end(), job.command.begin() + 1, job.command.end());
            args.insert(args.end(), {"-o", out});
            CliRun run = RunCli(args);
            ASSERT_EQ(0, run.exitCode) << pictures[p] << " " << args[0] << ": " << run.err;
            EXPECT_NE(std::string::npos, run.out.find("moved ")) << run.out;
            jobs += job.check + " " + pictures[p] + " " + out;
            for (const std::string& word : job.words) jobs += " " + word;
            jobs += "\n";
        }
    }
    ASSERT_TRUE(WriteWholeFile(folder.File("jobs.txt"), jobs));
    std::string verdicts;
    ASSERT_TRUE(RunPythonScript(python, folder, kCheck, {folder.File("jobs.txt")}, &verdicts)) << verdicts;
    std::istringstream lines(verdicts), asked(jobs);
    std::string verdict, job;
    size_t judged = 0;
    while (std::getline(asked, job)) {
        ASSERT_TRUE(std::getline(lines, verdict)) << verdicts;
        EXPECT_EQ("ok", verdict) << job;
        ++judged;
    }
    EXPECT_GT(judged, 0u);
}

TEST(CliRearrange, EveryOperationKeepsTheBitmapPictureAndWritesItsTable)
{
    const std::string python = PythonWith("PIL");
    if (python.empty()) GTEST_SKIP() << "SKIPPED LOUDLY: needs Python 3 with Pillow (python3-pil)";
    TempFolder folder;
    std::mt19937 random(11);
    std::vector<std::string> paths;
    for (const Picture& picture : {Picture{"one.bmp", 1, 2}, Picture{"four.bmp", 4, 16}, Picture{"four-short.bmp", 4, 11},
                                   Picture{"eight.bmp", 8, 256}, Picture{"eight-short.bmp", 8, 40}}) {
        paths.push_back(MakeBitmap(folder, picture, random));
    }
    RearrangeAndCheck(folder, paths, python, random);
}

// Pillow's indexed PNG files: its bit depth follows the palette's size (2,
// 4, 16 and more colors give 1, 2, 4 and 8 bits); some with tRNS alpha, the
// pixels using part of the table, entry 1 repeated near the end. A fourth
// field 'i' stores the pixels again interlaced; 'b' makes a picture whose
// data outgrows a deflate piece several times.
const char kMakePictures[] = R"(import os, random, struct, sys, zlib
from PIL import Image
ADAM7 = ((0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2))
def interlace(path, im):
    data, at, chunks = open(path, 'rb').read(), 8, []
    while at < len(data):
        n = int.from_bytes(data[at:at + 4], 'big')
        chunks.append((data[at + 4:at + 8], data[at + 8:at + 8 + n]))
        at += 12 + n
    depth, (w, h), px, raw = chunks[0][1][8], im.size, list(im.getdata()), bytearray()
    for x0, y0, dx, dy in ADAM7:
        if x0 >= w: continue
        for y in range(y0, h, dy):
            row, bits, n = bytearray(), 0, 0
            for x in range(x0, w, dx):
                bits, n = bits << depth | px[y * w + x], n + depth
                if n == 8: row.append(bits); bits = n = 0
            if n: row.append(bits << (8 - n))
            raw += b'\0' + row
    kept = [c for c in chunks[1:] if c[0] not in (b'IDAT', b'IEND')]
    with open(path, 'wb') as f:
        f.write(data[:8])
        for kind, body in [(b'IHDR', chunks[0][1][:12] + b'\1')] + kept + [(b'IDAT', zlib.compress(bytes(raw))), (b'IEND', b'')]:
            f.write(struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body)))
for arg in sys.argv[1:]:
    path, colors, alpha, form = (arg + ':').split(':')[:4]
    colors = int(colors)
    rnd = random.Random(os.path.basename(path))
    table = [(rnd.randrange(256), rnd.randrange(256), rnd.randrange(256)) for _ in range(colors)]
    if colors > 4: table[-2] = table[1]
    w, h = (1500, 1500) if form == 'b' else (23, 9)
    im = Image.new('P', (w, h))
    im.putdata([rnd.randrange(colors) if rnd.random() < 0.6 else rnd.randrange(max(1, colors // 2)) for _ in range(w * h)])
    im.putpalette(bytes(c for rgb in table for c in rgb))
    extra = {}
    if alpha == 'a': extra['transparency'] = bytes(rnd.choice((0, 128, 255)) for _ in range(colors - 1))
    if alpha == 't': extra['transparency'] = 1
    im.save(path, **extra)
    if form == 'i': interlace(path, im)
)";

bool PngCheckPasses(const std::string& path, std::string* said)
{
    FILE* run = popen(("/usr/bin/pngcheck -q '" + path + "' 2>&1").c_str(), "r");
    if (!run) return false;
    char buffer[512];
    while (size_t got = fread(buffer, 1, sizeof buffer, run)) said->append(buffer, got);
    return pclose(run) == 0;
}

TEST(CliRearrange, EveryOperationKeepsThePngAndGifPictureAndWritesItsTable)
{
    const std::string python = PythonWith("PIL");
    if (python.empty()) GTEST_SKIP() << "SKIPPED LOUDLY: needs Python 3 with Pillow (python3-pil)";
    TempFolder folder;
    std::mt19937 random(12);
    std::vector<std::string> made, paths;
    for (const char* spec : {"one.png:2:n", "two.png:4:a", "four.png:16:n", "four-short.png:11:a", "eight.png:200:a",
                             "eight-full.png:256:n", "one-laced.png:2:n:i", "two-laced.png:4:a:i",
                             "four-laced.png:16:n:i", "eight-laced.png:200:a:i", "eight-large.png:256:a:b",
                             "two.gif:4:n", "sixteen.gif:16:t", "many.gif:200:t"}) {
        made.push_back(folder.File(spec));
        paths.push_back(made.back().substr(0, made.back().find(':')));
    }
    std::string said;
    ASSERT_TRUE(RunPythonScript(python, folder, kMakePictures, made, &said)) << said;
    for (const std::string& path : paths)
        if (path.find("-laced") != std::string::npos) {
            ASSERT_EQ('\1', ReadWholeFile(path).at(28)) << path;
        }
    RearrangeAndCheck(folder, paths, python, random);
    if (!FileExists("/usr/bin/pngcheck")) GTEST_SKIP() << "SKIPPED LOUDLY: pngcheck is not installed";
    size_t checked = 0;
    for (const std::string& name : folder.List()) {
        if (name.compare(0, 3, "out") != 0 || name.find(".png") == std::string::npos) continue;
        std::string output;
        EXPECT_TRUE(PngCheckPasses(folder.File(name), &output)) << name << ": " << output;
        ++checked;
    }
    EXPECT_EQ(11 * 11u, checked);
}

std::string ChunkData(const std::vector<PngPart>& parts, const std::string& type)
{
    for (const PngPart& part : parts)
        if (part.type == type) return part.data.substr(8, part.data.size() - 12);
    return "none";
}

// tRNS, hIST and bKGD go with their entries, a text chunk stays byte for
// byte, and the pixels follow: swap 1 and 3, then compact away entry 4.
TEST(CliRearrange, PngChunksOfEntriesFollowThemAndOthersStay)
{
    TempFolder folder;
    const Rows rows = {{0, 1, 2}, {3, 3, 1}, {2, 0, 1}, {1, 1, 1}};
    const std::string hist = {0, 2, 0, 5, 0, 2, 0, 3, 0, 0};
    std::vector<PngPart> chunks = {{"IHDR", IhdrData(3, 4, 4, 3)},
                                   {"PLTE", PaletteData(5)},
                                   {"tRNS", std::string("\x00\x80\xFF\x40", 4)},
                                   {"hIST", hist},
                                   {"bKGD", std::string(1, '\x03')},
                                   {"bKGd", std::string(1, '\x03')},
                                   {"IDAT", CompressedRows(rows, 4)},
                                   {"tEXt", std::string("Comment\0kept", 12)},
                                   {"IEND", ""}};
    const std::string input = AssemblePng(chunks);
    ASSERT_TRUE(WriteWholeFile(folder.File("in.png"), input));
    CliRun swap = RunCli({"swap-entries", folder.File("in.png"), "1", "3", "-o", folder.File("swapped.png")});
    ASSERT_EQ(0, swap.exitCode) << swap.err;
    // A console line ends in CR LF on Windows.
    auto line = [](std::string text) {
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        return text;
    };
    EXPECT_EQ("moved 2 entries\n", line(swap.out));
    CliRun compact = RunCli({"compact", folder.File("swapped.png"), "-o", folder.File("compact.png")});
    ASSERT_EQ(0, compact.exitCode) << compact.err;
    EXPECT_EQ("removed 1 entry; moved 0 entries\n", line(compact.out));

    // Sorting only the table by color never counts pixels, so damaged pixel
    // data is no reason to refuse it.
    const std::string corrupt = "\x78\x9C\xFF\xFF\xFF";
    for (PngPart& part : chunks)
        if (part.type == "IDAT") part.data = corrupt;
    ASSERT_TRUE(WriteWholeFile(folder.File("damaged.png"), AssemblePng(chunks)));
    CliRun sorted =
        RunCli({"sort", folder.File("damaged.png"), "--by", "hue", "--keep-indices", "-o", folder.File("sorted.png")});
    ASSERT_EQ(0, sorted.exitCode) << sorted.err;
    EXPECT_EQ(corrupt, ChunkData(SplitPng(ReadWholeFile(folder.File("sorted.png"))), "IDAT"));
    EXPECT_NE(std::string::npos, line(sorted.out).find(" (pixels kept their indices)\n")) << sorted.out;
    const std::string palette = PaletteData(5);
    CliRun merged = RunCli({"merge-duplicates", folder.File("in.png"), "-o", folder.File("merged.png")});
    ASSERT_EQ(0, merged.exitCode) << merged.err;
    EXPECT_EQ("moved the pixels of 0 entries to earlier entries of the same color; 0 now unused\n", line(merged.out));
    // Of two files, each line names its file.
    std::filesystem::create_directory(folder.File("both"));
    CliRun both = RunCli({"merge-duplicates", folder.File("in.png"), folder.File("swapped.png"), "--out-dir", folder.File("both")});
    ASSERT_EQ(0, both.exitCode) << both.err;
    EXPECT_EQ(0u, line(both.out).find(folder.File("in.png") + ": moved the pixels of 0 entries")) << both.out;
    std::string hex;  // the same colors as a palette file
    for (size_t i = 0; i < palette.size(); i += 3) {
        char color[8];
        std::snprintf(color, sizeof color, "%02x%02x%02x\n", uint8_t(palette[i]), uint8_t(palette[i + 1]),
                      uint8_t(palette[i + 2]));
        hex += color;
    }
    ASSERT_TRUE(WriteWholeFile(folder.File("same.hex"), hex));
    CliRun conformed =
        RunCli({"conform", folder.File("in.png"), "--palette", folder.File("same.hex"), "-o", folder.File("conformed.png")});
    ASSERT_EQ(0, conformed.exitCode) << conformed.err;
    EXPECT_EQ("moved 0 entries; 0 changed color; largest color error 0.000\n", line(conformed.out));

    struct Expected {
        std::string file, plte, trns, hist, bkgd;
        std::vector<uint8_t> map;
    };
    const std::string swappedPlte = palette.substr(0, 3) + palette.substr(9, 3) + palette.substr(6, 3) +
                                    palette.substr(3, 3) + palette.substr(12, 3);
    for (const Expected& e : {Expected{"swapped.png", swappedPlte, std::string("\x00\x40\xFF\x80", 4),
                                       std::string({0, 2, 0, 3, 0, 2, 0, 5, 0, 0}), "\x01", {0, 3, 2, 1}},
                              Expected{"compact.png", swappedPlte.substr(0, 12), std::string("\x00\x40\xFF\x80", 4),
                                       std::string({0, 2, 0, 3, 0, 2, 0, 5}), "\x01", {0, 3, 2, 1}}}) {
        const std::string written = ReadWholeFile(folder.File(e.file));
        const std::vector<PngPart> parts = SplitPng(written);
        EXPECT_EQ(e.plte, ChunkData(parts, "PLTE")) << e.file;
        EXPECT_EQ(e.trns, ChunkData(parts, "tRNS")) << e.file;
        EXPECT_EQ(e.hist, ChunkData(parts, "hIST")) << e.file;
        EXPECT_EQ(e.bkgd, ChunkData(parts, "bKGD")) << e.file;
        EXPECT_EQ("\x03", ChunkData(parts, "bKGd")) << e.file;
        EXPECT_EQ(ChunkBytes("tEXt", std::string("Comment\0kept", 12)), parts[parts.size() - 2].data) << e.file;
        IndexedFile file;
        std::string reason;
        ASSERT_TRUE(file.Read(ByteSource(written), &reason)) << reason;
        uint32_t checked = 0;
        ASSERT_TRUE(file.DecodeRows(ByteSource(written), [&](uint32_t y, const uint8_t* indices) {
            for (uint32_t x = 0; x < 3; ++x) EXPECT_EQ(e.map[rows[y][x]], indices[x]) << e.file << " " << x << "," << y;
            ++checked;
        }, &reason)) << reason;
        EXPECT_EQ(4u, checked);
    }
}

// Merged entries add up their hIST counts, which stop at the largest a
// 16-bit count holds.
TEST(CliRearrange, MergedHistogramCountsAddUpAndStopAtTheLargest)
{
    TempFolder folder;
    const std::string same = "\x10\x20\x30";
    ASSERT_TRUE(WriteWholeFile(folder.File("in.png"),
                               AssemblePng({{"IHDR", IhdrData(3, 1, 2, 3)}, {"PLTE", same + same + same + "\xFF\xFF\xFF"},
                                            {"hIST", std::string("\xC0\x00\x80\x00\x00\x01\x00\x07", 8)},
                                            {"IDAT", CompressedRows({{0, 1, 3}}, 2)}, {"IEND", ""}})));
    CliRun run = RunCli({"merge-duplicates", folder.File("in.png"), "-o", folder.File("out.png")});
    ASSERT_EQ(0, run.exitCode) << run.err;
    const std::string hist = ChunkData(SplitPng(ReadWholeFile(folder.File("out.png"))), "hIST");
    ASSERT_GE(hist.size(), 4u);
    EXPECT_EQ(std::string("\xFF\xFF", 2), hist.substr(0, 2));
    EXPECT_EQ(std::string("\x00\x07", 2), hist.substr(hist.size() - 2));
}

// Pixel data larger than one IDAT chunk of the rewrite must arrive whole.
TEST(CliRearrange, PngLargerThanAnIdatChunkKeepsEveryPixel)
{
    TempFolder folder;
    const uint32_t width = 1024, height = 1200;  // noise: over a megabyte deflated
    std::mt19937 random(5);
    Rows rows(height, std::vector<uint8_t>(width));
    for (std::vector<uint8_t>& row : rows)
        for (uint8_t& index : row) index = uint8_t(random());
    const std::string big = folder.File("big.png"), out = folder.File("swapped.png");
    ASSERT_TRUE(WriteWholeFile(big, AssemblePng({{"IHDR", IhdrData(width, height, 8, 3)}, {"PLTE", PaletteData(256)},
                                                 {"IDAT", CompressedRows(rows, 8)}, {"IEND", ""}})));
    CliRun run = RunCli({"swap-entries", big, "0", "255", "-o", out});
    ASSERT_EQ(0, run.exitCode) << run.err;
    const std::string written = ReadWholeFile(out);
    IndexedFile file;
    std::string reason;
    ASSERT_TRUE(file.Read(ByteSource(written), &reason)) << reason;
    uint32_t checked = 0, wrong = 0;
    ASSERT_TRUE(file.DecodeRows(ByteSource(written), [&](uint32_t y, const uint8_t* indices) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t was = rows[y][x];
            wrong += indices[x] != (was == 0 ? 255 : was == 255 ? 0 : was);
        }
        ++checked;
    }, &reason)) << reason;
    EXPECT_EQ(height, checked);
    EXPECT_EQ(0u, wrong);
}

// A palette that cannot be read and a range that would run past the table
// are named, and nothing is written.
TEST(CliRearrange, RefusalsNameWhatIsWrongAndWriteNothing)
{
    TempFolder folder;
    const std::string picture = folder.File("in.png"), out = folder.File("out.png");
    ASSERT_TRUE(WriteWholeFile(picture, AssemblePng({{"IHDR", IhdrData(2, 1, 8, 3)}, {"PLTE", PaletteData(8)},
                                                     {"IDAT", CompressedRows({{0, 7}}, 8)}, {"IEND", ""}})));
    const std::string missing = folder.File("missing.hex");
    const std::string fullColor = folder.File("full-color.bmp"), longTable = folder.File("long-table.bmp");
    ASSERT_TRUE(WriteWholeFile(fullColor, MakeBmp(3, 2, 24).Serialize()));
    ASSERT_TRUE(WriteWholeFile(longTable, MakeBmp(8, 1, 1, 4).Serialize()));
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"swap-entries", fullColor, "0", "1", "-o", out}, fullColor + ": has no color table (a full-color bitmap has none)"},
        {{"swap-entries", longTable, "0", "1", "-o", out}, longTable + ": has a color table of 4 entries for 1-bit pixels"},
        {{"conform", picture, "--palette", missing, "-o", out}, missing + ": cannot be opened"},
        {{"move", picture, "6-7", "7", "-o", out},
         picture + ": entries 6-7 at position 7 would run past the table's last entry (7)"},
        {{"swap-entries", picture, "0", "7", "--in-place"}, picture + ": is read-only; it was left as it is"},
    };
    const std::string before = ReadWholeFile(picture);
    namespace fs = std::filesystem;
    fs::permissions(picture, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    for (const auto& c : cases) {
        CliRun run = RunCli(c.first);
        EXPECT_EQ(1, run.exitCode);
        EXPECT_NE(std::string::npos, run.err.find("korin-cli: " + c.second)) << run.err;
        EXPECT_FALSE(FileExists(out));
    }
    EXPECT_EQ(before, ReadWholeFile(picture));
    fs::permissions(picture, fs::perms::owner_write, fs::perm_options::add);
    // The smallest table is no refusal.
    BmpBytes single = MakeBmp(3, 2, 8, 1);
    single.pixels.assign(single.pixels.size(), '\0');
    ASSERT_TRUE(WriteWholeFile(folder.File("single.bmp"), single.Serialize()));
    CliRun compacted = RunCli({"compact", folder.File("single.bmp"), "-o", folder.File("single-out.bmp")});
    EXPECT_EQ(0, compacted.exitCode) << compacted.err;
}

}  // namespace
