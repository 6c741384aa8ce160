// korin-cli's table rearrangements end to end, on BMP files of 1, 4 and 8
// bits, PNG files of 1, 2, 4 and 8 bits and GIF files: Pillow decodes each
// picture before and after, and a Python check of its own (not the
// program's code) says what the table must be and that every pixel shows the
// color it showed (conform: the palette color nearest to it).
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/dib_image.h"
#include "palette/color_table.h"
#include "tests/cli/cli_process.h"
#include "tests/support/memory_dc.h"
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
        for c, d in zip(before.convert('RGB').getdata(), after.convert('RGB').getdata()):
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

std::string HexPalette(const TempFolder& folder, uint32_t entries, std::mt19937& random, std::vector<std::string>* hex)
{
    std::string text;
    for (uint32_t i = 0; i < entries; ++i) {
        char color[8];
        std::snprintf(color, sizeof color, "%02X%02X%02X", unsigned(random() & 255), unsigned(random() & 255),
                      unsigned(random() & 255));
        hex->push_back(color);
        text += std::string(color) + "\n";
    }
    const std::string path = folder.File("palette" + std::to_string(entries) + ".hex");
    EXPECT_TRUE(WriteWholeFile(path, text));
    return path;
}

// Runs every operation on each picture and has Python judge the results.
void RearrangeAndCheck(const TempFolder& folder, const std::vector<std::string>& pictures,
                       const std::vector<uint32_t>& entries, const std::string& python, std::mt19937& random)
{
    std::string jobs;
    for (size_t p = 0; p < pictures.size(); ++p) {
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
    std::vector<uint32_t> entries;
    for (const Picture& picture : {Picture{"one.bmp", 1, 2}, Picture{"four.bmp", 4, 16}, Picture{"four-short.bmp", 4, 11},
                                   Picture{"eight.bmp", 8, 256}, Picture{"eight-short.bmp", 8, 40}}) {
        paths.push_back(MakeBitmap(folder, picture, random));
        entries.push_back(picture.entries);
    }
    RearrangeAndCheck(folder, paths, entries, python, random);
}

}  // namespace
