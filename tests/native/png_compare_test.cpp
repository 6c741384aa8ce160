// The PNG decoder and encoder against an independent one: pypng (Debian
// python3-png) writes files at every bit depth, interlaced or not, which a
// script here refilters with all five row filters and splits into many IDAT
// chunks; the decoder must see pypng's indices. Files the encoder writes must
// read back in pypng as written and pass pngcheck. Skipped, saying so, where
// either tool is missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "image/png_file.h"
#include "platform/safe_file_writer.h"
#include "tests/support/temp_folder.h"

namespace {

const char kScript[] = R"(import random, struct, sys, zlib
import png

def chunks(data):
    pos = 8
    while pos < len(data):
        n = struct.unpack('>I', data[pos:pos + 4])[0]
        yield data[pos + 4:pos + 8], data[pos + 8:pos + 8 + n]
        pos += 12 + n

def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))

def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else (b if pb <= pc else c)

ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]

def refilter(raw, w, h, depth, interlace):
    out, pos, n = bytearray(), 0, 0
    for x0, y0, dx, dy in (ADAM7 if interlace else [(0, 0, 1, 1)]):
        pw = (w - x0 + dx - 1) // dx if w > x0 else 0
        ph = (h - y0 + dy - 1) // dy if h > y0 else 0
        if not pw or not ph:
            continue
        size = (pw * depth + 7) // 8
        prev = bytes(size)
        for _ in range(ph):
            assert raw[pos] == 0
            row = raw[pos + 1:pos + 1 + size]
            pos += 1 + size
            kind = n % 5
            n += 1
            out.append(kind)
            for i in range(size):
                a = row[i - 1] if i else 0
                b, c = prev[i], (prev[i - 1] if i else 0)
                out.append((row[i] - [0, a, b, (a + b) // 2, paeth(a, b, c)][kind]) & 255)
            prev = row
    assert pos == len(raw)
    return bytes(out)

def make(path, w, h, depth, interlace, seed):
    rnd = random.Random(seed)
    colors = min(1 << depth, 200)
    rows = [[rnd.randrange(colors) if rnd.random() < 0.7 else (x * 7 + y) % colors for x in range(w)] for y in range(h)]
    palette = [(rnd.randrange(256), rnd.randrange(256), rnd.randrange(256)) for _ in range(colors)]
    with open(path, 'wb') as f:
        png.Writer(w, h, palette=palette, bitdepth=depth, interlace=interlace).write(f, rows)
    data = open(path, 'rb').read()
    parts = list(chunks(data))
    raw = zlib.decompress(b''.join(d for k, d in parts if k == b'IDAT'))
    packed = zlib.compress(refilter(raw, w, h, depth, interlace), 9)
    out = data[:8]
    for kind, d in parts:
        if kind == b'IDAT':
            if packed:
                while packed:
                    size = rnd.randrange(1, 40)
                    out += chunk(b'IDAT', packed[:size])
                    packed = packed[size:]
        else:
            out += chunk(kind, d)
    open(path, 'wb').write(out)
    return rows

for line in open(sys.argv[1]):
    job = line.split()
    try:
        if job[0] == 'make':
            rows = make(job[1], *map(int, job[2:]))
        got = png.Reader(filename=job[1]).read()
        read = [list(r) for r in got[2]]
        if job[0] == 'make':
            assert read == rows, 'pypng reads back other indices'
        info = got[3]
        table = bytes(v for entry in info['palette'] for v in entry[:3]).hex()
        print('OK', got[0], got[1], info['bitdepth'], ' '.join(bytes(r).hex() for r in read), table)
    except Exception as e:
        print('ERR', type(e).__name__, str(e).replace('\n', ' '))
)";

bool Has(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string PythonWithPypng()
{
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        if (Has(std::string(python) + " -c 'import png'")) return python;
    }
    return "";
}

#define SKIP_WITHOUT_PYPNG(python)                                                              \
    const std::string python = PythonWithPypng();                                               \
    if (python.empty()) GTEST_SKIP() << "SKIPPED LOUDLY: needs Python 3 with pypng (python3-png)"

// What pngcheck -q says of a file (nothing when it finds no fault), and its
// exit status when that is not 0.
std::string PngcheckComplaints(const std::string& path)
{
    std::string said;
    FILE* pipe = popen(("pngcheck -q '" + path + "' 2>&1").c_str(), "r");
    if (!pipe) return "pngcheck did not start";
    char buffer[256];
    while (size_t got = fread(buffer, 1, sizeof buffer, pipe)) said.append(buffer, got);
    const int status = pclose(pipe);
    if (status != 0) said += " (exit status " + std::to_string(status) + ")";
    return said;
}

// pypng's answer for each job line: "OK width height depth rows... table".
std::vector<std::string> AskPypng(const std::string& python, const TempFolder& folder, const std::string& jobs)
{
    EXPECT_TRUE(WriteWholeFile(folder.File("ask.py"), kScript));
    EXPECT_TRUE(WriteWholeFile(folder.File("jobs.txt"), jobs));
    const std::string command = python + " '" + folder.File("ask.py") + "' '" + folder.File("jobs.txt") + "' > '" +
                                folder.File("answers.txt") + "' 2>&1";
    EXPECT_EQ(0, std::system(command.c_str()));
    std::vector<std::string> answers;
    std::istringstream in(ReadWholeFile(folder.File("answers.txt")));
    for (std::string line; std::getline(in, line);) answers.push_back(line);
    return answers;
}

std::string Hex(const uint8_t* bytes, size_t count)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < count; ++i) {
        hex += digits[bytes[i] >> 4];
        hex += digits[bytes[i] & 15];
    }
    return hex;
}

// The answer pypng would give for what the decoder sees.
std::string OurAnswer(const std::string& path, uint32_t* largest)
{
    const std::string file = ReadWholeFile(path);
    ByteSource source(file);
    PngStructure png;
    std::string reason;
    if (!ReadPngStructure(source, &png, &reason)) return "refused: " + reason;
    std::string answer = "OK " + std::to_string(png.width) + " " + std::to_string(png.height) + " " +
                         std::to_string(png.bitDepth);
    if (!DecodePngImage(source, png, [&](uint32_t, const uint8_t* indices) { answer += " " + Hex(indices, png.width); },
                        &reason))
        return "refused: " + reason;
    std::string table;
    for (uint32_t i = 0; i < png.table.GetCount(); ++i) {
        const ColorEntry* entry = png.table.GetEntry(i);
        const uint8_t rgb[3] = {entry->red, entry->green, entry->blue};
        table += Hex(rgb, 3);
    }
    if (!LargestPngIndex(source, png, largest, &reason)) return "refused: " + reason;
    return answer + " " + table;
}

// The largest index in an answer's rows.
uint32_t LargestIn(const std::string& answer)
{
    std::istringstream in(answer);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    uint32_t largest = 0;
    for (size_t i = 4; i + 1 < words.size(); ++i)
        for (size_t j = 0; j + 1 < words[i].size(); j += 2)
            largest = std::max<uint32_t>(largest, uint32_t(std::stoul(words[i].substr(j, 2), nullptr, 16)));
    return largest;
}

struct Shape {
    uint32_t width, height;
};
const Shape kShapes[] = {{1, 1}, {7, 5}, {13, 11}, {33, 3}, {3, 17}};

}  // namespace

TEST(PngCompare, DecoderSeesPypngsIndicesAtEveryDepthFilterAndInterlace)
{
    SKIP_WITHOUT_PYPNG(python);
    TempFolder folder;
    std::string jobs;
    std::vector<std::string> paths;
    int seed = 1;
    for (uint32_t depth : {1u, 2u, 4u, 8u}) {
        for (int interlace : {0, 1}) {
            for (const Shape& shape : kShapes) {
                const std::string path = folder.File("p" + std::to_string(paths.size()) + ".png");
                jobs += "make " + path + " " + std::to_string(shape.width) + " " + std::to_string(shape.height) + " " +
                        std::to_string(depth) + " " + std::to_string(interlace) + " " + std::to_string(seed++) + "\n";
                paths.push_back(path);
            }
        }
    }
    const std::vector<std::string> answers = AskPypng(python, folder, jobs);
    ASSERT_EQ(paths.size(), answers.size()) << (answers.empty() ? "" : answers[0]);
    for (size_t i = 0; i < paths.size(); ++i) {
        uint32_t largest = 0;
        EXPECT_EQ(answers[i], OurAnswer(paths[i], &largest)) << paths[i];
        EXPECT_EQ(LargestIn(answers[i]), largest) << paths[i];
    }
}

TEST(PngCompare, EncoderOutputReadsBackInPypngAndPassesPngcheck)
{
    SKIP_WITHOUT_PYPNG(python);
    const bool pngcheck = Has("command -v pngcheck");
    TempFolder folder;
    std::string jobs;
    std::vector<std::string> paths, expected;
    for (uint32_t depth : {1u, 2u, 4u, 8u}) {
        for (const Shape& shape : kShapes) {
            const uint32_t colors = depth == 8 ? 200 : 1u << depth;
            ColorTable table;
            ASSERT_TRUE(table.Reset(colors));
            for (uint32_t i = 0; i < colors; ++i) table.SetColor(i, uint8_t(i * 3), uint8_t(255 - i), uint8_t(i * i));
            // Rows of noise, ramps and flat runs, so that each filter wins somewhere.
            std::vector<std::vector<uint8_t>> rows(shape.height, std::vector<uint8_t>(shape.width));
            uint32_t noise = 12345;
            for (uint32_t y = 0; y < shape.height; ++y) {
                for (uint32_t x = 0; x < shape.width; ++x) {
                    noise = noise * 1103515245u + 12345u;
                    const uint32_t kinds[] = {noise >> 16, x, x + y, y, 3};
                    rows[y][x] = uint8_t(kinds[y % 5] % colors);
                }
            }
            const std::string path = folder.File("w" + std::to_string(paths.size()) + ".png");
            SafeFileWriter out(path.c_str());
            std::string reason;
            ASSERT_TRUE(WriteIndexedPng(shape.width, shape.height, depth, table,
                                        [&](uint32_t y, uint8_t* indices) {
                                            std::copy(rows[y].begin(), rows[y].end(), indices);
                                        },
                                        out, &reason))
                << reason;
            ASSERT_TRUE(out.Commit());
            std::string answer = "OK " + std::to_string(shape.width) + " " + std::to_string(shape.height) + " " +
                                 std::to_string(depth);
            for (const std::vector<uint8_t>& row : rows) answer += " " + Hex(row.data(), row.size());
            std::string rgb;
            for (uint32_t i = 0; i < colors; ++i)
                rgb += std::string{char(table.GetEntry(i)->red), char(table.GetEntry(i)->green), char(table.GetEntry(i)->blue)};
            expected.push_back(answer + " " + Hex(reinterpret_cast<const uint8_t*>(rgb.data()), rgb.size()));
            jobs += "read " + path + "\n";
            paths.push_back(path);
            uint32_t largest = 0;
            EXPECT_EQ(expected.back(), OurAnswer(path, &largest));
            if (pngcheck) {
                EXPECT_EQ("", PngcheckComplaints(path)) << path;
            }
        }
    }
    if (!pngcheck) std::printf("SKIPPED LOUDLY: pngcheck is not installed; encoder output not checked by it\n");
    const std::vector<std::string> answers = AskPypng(python, folder, jobs);
    ASSERT_EQ(expected.size(), answers.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(expected[i], answers[i]) << paths[i];
}
