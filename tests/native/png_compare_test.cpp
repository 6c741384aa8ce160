// The PNG decoder and encoder against an independent one: pypng (Debian
// python3-png) writes files at every bit depth, interlaced or not, which a
// script here refilters with all five row filters and splits into many IDAT
// chunks; the decoder must see pypng's indices. Files the encoder writes must
// read back in pypng as written and pass pngcheck. The bitmap made of a file
// must hold pypng's indices too. Skipped, saying so, where either tool is
// missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "image/dib_image.h"
#include "image/indexed_file.h"
#include "image/png_file.h"
#include "platform/safe_file_writer.h"
#include "tests/support/png_bytes.h"
#include "tests/support/temp_folder.h"

namespace {

const char kScript[] = R"(import random, struct, sys, zlib
import png

def paeth(a, b, c):
    p = a + b - c
    return a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else (b if abs(p - b) <= abs(p - c) else c)

def refilter(raw, w, h, depth, interlace):
    out, pos, n = bytearray(), 0, 0
    for x0, y0, dx, dy in ([(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
                            (0, 1, 1, 2)] if interlace else [(0, 0, 1, 1)]):
        pw, ph = max(0, (w - x0 + dx - 1) // dx), max(0, (h - y0 + dy - 1) // dy)
        size, prev = (pw * depth + 7) // 8, bytes((pw * depth + 7) // 8)
        for _ in range(ph if pw else 0):
            row, pos, kind, n = raw[pos + 1:pos + 1 + size], pos + 1 + size, n % 5, n + 1
            out.append(kind)
            for i in range(size):
                a, b, c = (row[i - 1] if i else 0), prev[i], (prev[i - 1] if i else 0)
                out.append((row[i] - [0, a, b, (a + b) // 2, paeth(a, b, c)][kind]) & 255)
            prev = row
    return bytes(out)

def pieces(data, rnd):
    out = []
    while data:
        n = rnd.randrange(1, 40)
        out, data = out + [data[:n]], data[n:]
    return out

def make(path, w, h, depth, interlace, seed):
    rnd, colors = random.Random(seed), min(1 << depth, 200)
    rows = [[rnd.randrange(colors) if rnd.random() < 0.7 else (x + y) % colors for x in range(w)] for y in range(h)]
    palette = [(rnd.randrange(256), rnd.randrange(256), rnd.randrange(256)) for _ in range(colors)]
    with open(path, 'wb') as f:
        png.Writer(w, h, palette=palette, bitdepth=depth, interlace=interlace).write(f, rows)
    chunks = list(png.Reader(filename=path).chunks())
    data = zlib.compress(refilter(zlib.decompress(b''.join(d for k, d in chunks if k == b'IDAT')), w, h, depth,
                                  interlace), 9)
    with open(path, 'wb') as f:
        f.write(png.signature)
        for kind, d in chunks:
            if kind != b'IDAT':
                parts = [d]
            elif data is not None:
                parts, data = pieces(data, rnd), None  # all of it in the first IDAT's place
            else:
                continue
            for piece in parts:
                f.write(struct.pack('>I', len(piece)) + kind + piece + struct.pack('>I', zlib.crc32(kind + piece)))
    return rows

for job in (line.split() for line in open(sys.argv[1])):
    try:
        rows = make(job[1], *map(int, job[2:])) if job[0] == 'make' else None
        w, h, read, info = png.Reader(filename=job[1]).read()
        read = [list(r) for r in read]
        assert rows is None or read == rows, 'pypng reads back other indices'
        table = bytes(v for entry in info['palette'] for v in entry[:3]).hex()
        print('OK', w, h, info['bitdepth'], ' '.join(bytes(r).hex() for r in read), table)
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
    return status ? said + " (exit status " + std::to_string(status) + ")" : said;
}

// pypng's answer for each job line.
std::vector<std::string> AskPypng(const std::string& python, const TempFolder& folder, const std::string& jobs)
{
    EXPECT_TRUE(WriteWholeFile(folder.File("ask.py"), kScript));
    EXPECT_TRUE(WriteWholeFile(folder.File("jobs.txt"), jobs));
    EXPECT_EQ(0, std::system((python + " '" + folder.File("ask.py") + "' '" + folder.File("jobs.txt") + "' > '" +
                              folder.File("answers.txt") + "' 2>&1").c_str()));
    std::vector<std::string> answers;
    std::istringstream in(ReadWholeFile(folder.File("answers.txt")));
    for (std::string line; std::getline(in, line);) answers.push_back(line);
    return answers;
}

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) hex += std::string{digits[c >> 4], digits[c & 15]};
    return hex;
}

// A picture in the form of pypng's answer: "OK width height depth rows... table".
std::string Answer(uint32_t depth, const Rows& rows, const std::string& table)
{
    std::string answer = "OK " + std::to_string(rows[0].size()) + " " + std::to_string(rows.size()) + " " +
                         std::to_string(depth);
    for (const auto& row : rows) answer += " " + Hex(std::string(row.begin(), row.end()));
    return answer + " " + Hex(table);
}

// The same for what the decoder sees; the largest index must be the rows'.
std::string OurAnswer(const std::string& path)
{
    const std::string file = ReadWholeFile(path);
    ByteSource source(file);
    PngStructure png;
    std::string reason;
    Rows rows;
    uint32_t largest = 0, used = 0;
    if (!ReadPngStructure(source, &png, &reason) ||
        !DecodePngImage(source, png, [&](uint32_t, const uint8_t* indices) { rows.emplace_back(indices, indices + png.width); },
                        &reason) ||
        !LargestPngIndex(source, png, &largest, &reason))
        return "refused: " + reason;
    for (const auto& row : rows) used = std::max<uint32_t>(used, *std::max_element(row.begin(), row.end()));
    EXPECT_EQ(used, largest) << path;
    return Answer(png.bitDepth, rows, TableBytes(png.table));
}

// The same for the bitmap the editor and convert make of it: rows packed
// into it at its own depth (a 2-bit picture at 4 bits), interlaced ones
// assembled there.
std::string BitmapAnswer(const std::string& path)
{
    const std::string file = ReadWholeFile(path);
    const ByteSource source(file);
    IndexedFile indexed;
    DibImage image;
    std::string reason;
    if (!indexed.Read(source, &reason) || !LoadIndexedPicture(nullptr, indexed, source, &image, &reason))
        return "refused: " + reason;
    BITMAPINFOHEADER info;
    ColorTable table;
    if (!image.CopyHeaders(nullptr, &info) || !image.CopyColorTable(table)) return "no bitmap";
    const uint32_t bits = info.biBitCount, width = uint32_t(info.biWidth), height = uint32_t(info.biHeight);
    Rows rows(height, std::vector<uint8_t>(width));
    for (uint32_t y = 0; y < height; ++y) {
        const unsigned char* row = image.Bits() + size_t(height - 1 - y) * image.Stride();
        for (uint32_t x = 0; x < width; ++x) rows[y][x] = uint8_t(row[x * bits / 8] >> (8 - bits - x * bits % 8) & ((1u << bits) - 1));
        // Bits past the width are no pixel's: a bitmap written from it holds zeros there.
        for (uint32_t bit = width * bits; bit < image.Stride() * 8; ++bit)
            EXPECT_EQ(0, row[bit / 8] >> (7 - bit % 8) & 1) << path << " row " << y << " bit " << bit;
    }
    // The depth is the file's (IHDR's ninth byte), the bitmap's may be wider.
    return Answer(uint8_t(file[24]), rows, TableBytes(table));
}

const uint32_t kShapes[][2] = {{1, 1}, {7, 5}, {13, 11}, {33, 3}, {3, 17}};

}  // namespace

TEST(PngCompare, DecoderSeesPypngsIndicesAtEveryDepthFilterAndInterlace)
{
    SKIP_WITHOUT_PYPNG(python);
    TempFolder folder;
    std::string jobs;
    std::vector<std::string> paths;
    for (uint32_t depth : {1u, 2u, 4u, 8u}) {
        for (int interlace : {0, 1}) {
            for (const auto& shape : kShapes) {
                paths.push_back(folder.File("p" + std::to_string(paths.size()) + ".png"));
                jobs += "make " + paths.back() + " " + std::to_string(shape[0]) + " " + std::to_string(shape[1]) + " " +
                        std::to_string(depth) + " " + std::to_string(interlace) + " " + std::to_string(paths.size()) + "\n";
            }
        }
    }
    // Pictures of over 256 KiB, whose rows are inflated on a second thread.
    for (int interlace : {0, 1}) {
        paths.push_back(folder.File("p" + std::to_string(paths.size()) + ".png"));
        jobs += "make " + paths.back() + " 521 512 8 " + std::to_string(interlace) + " " +
                std::to_string(paths.size()) + "\n";
    }
    const std::vector<std::string> answers = AskPypng(python, folder, jobs);
    ASSERT_EQ(paths.size(), answers.size()) << (answers.empty() ? "" : answers[0]);
    for (size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(answers[i], OurAnswer(paths[i])) << paths[i];
        EXPECT_EQ(answers[i], BitmapAnswer(paths[i])) << paths[i];
    }
}

TEST(PngCompare, EncoderOutputReadsBackInPypngAndPassesPngcheck)
{
    SKIP_WITHOUT_PYPNG(python);
    const bool pngcheck = Has("command -v pngcheck");
    if (!pngcheck) std::printf("SKIPPED LOUDLY: pngcheck is not installed; encoder output not checked by it\n");
    TempFolder folder;
    std::string jobs;
    std::vector<std::string> paths, expected;
    for (uint32_t depth : {1u, 2u, 4u, 8u}) {
        for (const auto& shape : kShapes) {
            const uint32_t colors = depth == 8 ? 200 : 1u << depth;
            ColorTable table;
            ASSERT_TRUE(table.Reset(colors));
            for (uint32_t i = 0; i < colors; ++i) table.SetColor(i, uint8_t(i * 3), uint8_t(255 - i), uint8_t(i * i));
            // Rows of noise, ramps and flat runs, so that each filter wins somewhere.
            Rows rows(shape[1], std::vector<uint8_t>(shape[0]));
            uint32_t noise = 12345;
            for (uint32_t y = 0; y < shape[1]; ++y) {
                for (uint32_t x = 0; x < shape[0]; ++x) {
                    noise = noise * 1103515245u + 12345u;
                    const uint32_t kinds[] = {noise >> 16, x, x + y, y, 3};
                    rows[y][x] = uint8_t(kinds[y % 5] % colors);
                }
            }
            paths.push_back(folder.File("w" + std::to_string(paths.size()) + ".png"));
            SafeFileWriter out(paths.back().c_str());
            std::string reason;
            ASSERT_TRUE(WriteIndexedPng(shape[0], shape[1], depth, table, [&](uint32_t y, uint8_t* indices) {
                std::copy(rows[y].begin(), rows[y].end(), indices);
            }, out, &reason)) << reason;
            ASSERT_TRUE(out.Commit());
            expected.push_back(Answer(depth, rows, TableBytes(table)));
            jobs += "read " + paths.back() + "\n";
            EXPECT_EQ(expected.back(), OurAnswer(paths.back()));
            if (pngcheck) {
                EXPECT_EQ("", PngcheckComplaints(paths.back())) << paths.back();
            }
        }
    }
    const std::vector<std::string> answers = AskPypng(python, folder, jobs);
    ASSERT_EQ(expected.size(), answers.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(expected[i], answers[i]) << paths[i];
}
