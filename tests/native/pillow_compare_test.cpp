// The same files read by Pillow, the imaging library users compare with:
// BMP variants must show Pillow the picture and table that normalize writes
// for the editor, and GIMP palettes written here must give Pillow's palette
// reader the same colors. Needs Python 3 with Pillow (Debian python3-pil);
// skipped, saying so, without it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "image/bmp_normalize.h"
#include "palette/palette_formats.h"
#include "tests/support/bmp_variants.h"
#include "tests/support/temp_folder.h"

namespace {

const char kScript[] = R"(import sys
from PIL import Image
from PIL.GimpPaletteFile import GimpPaletteFile
for line in open(sys.argv[1]):
    kind, path = line.rstrip('\n').split('\t')
    try:
        if kind == 'gpl':
            with open(path, 'rb') as f:
                print('OK', GimpPaletteFile(f).getpalette()[0].hex())
            continue
        with Image.open(path) as im:
            im.load()
            if im.mode == 'P':
                values = list(im.getdata())
                table = bytes(im.getpalette()).hex()
            else:
                values = [r << 16 | g << 8 | b for r, g, b in im.convert('RGB').getdata()]
                table = '-'
            print('OK', im.size[0], im.size[1], ','.join(map(str, values)), table)
    except Exception as e:
        print('ERR', type(e).__name__, str(e).replace('\n', ' '))
)";

// A Python that has Pillow, or "" when none has.
std::string PythonWithPillow()
{
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        std::string command = std::string(python) + " -c 'import PIL' >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0) return python;
    }
    return "";
}

#define SKIP_WITHOUT_PILLOW(python)                                                             \
    const std::string python = PythonWithPillow();                                              \
    if (python.empty()) GTEST_SKIP() << "SKIPPED LOUDLY: needs Python 3 with Pillow (python3-pil)"

// Pillow's answer for each file, one line each: "OK ..." or "ERR ...".
std::vector<std::string> AskPillow(const std::string& python, const TempFolder& folder,
                                   const std::vector<std::pair<std::string, std::string>>& files)
{
    std::string list;
    for (const auto& file : files) list += file.first + "\t" + file.second + "\n";
    EXPECT_TRUE(WriteWholeFile(folder.File("ask.py"), kScript));
    EXPECT_TRUE(WriteWholeFile(folder.File("files.txt"), list));
    const std::string command = python + " '" + folder.File("ask.py") + "' '" + folder.File("files.txt") +
                                "' > '" + folder.File("answers.txt") + "' 2>&1";
    EXPECT_EQ(0, std::system(command.c_str()));
    std::vector<std::string> answers;
    std::istringstream in(ReadWholeFile(folder.File("answers.txt")));
    for (std::string line; std::getline(in, line);) answers.push_back(line);
    return answers;
}

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

// What Pillow should say of a picture in the editor's form.
std::string Expected(const EditorFormFile& file)
{
    std::string values;
    for (const std::vector<uint32_t>& row : file.rows)
        for (uint32_t v : row) values += (values.empty() ? "" : ",") + std::to_string(v);
    std::string table = "-";
    if (file.bitCount <= 8) {
        std::string rgb;
        for (size_t i = 0; i + 4 <= file.table.size(); i += 4)
            rgb += std::string{file.table[i + 2], file.table[i + 1], file.table[i]};
        table = Hex(rgb);
    }
    return "OK " + std::to_string(file.rows[0].size()) + " " + std::to_string(file.rows.size()) + " " +
           values + " " + table;
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int v : values) bytes += char(v);
    return bytes;
}

TEST(PillowCompare, BmpVariantsShowPillowWhatNormalizeWrites)
{
    SKIP_WITHOUT_PILLOW(python);
    struct Case {
        std::string name;
        VariantFile file;
        // Where Pillow may not read the file as its format describes it, a
        // disagreement is noted, not failed: Pillow 9 knows no V2 or V3 headers,
        // reads delta escapes from the wrong bytes, drops the last pixel of odd
        // RLE4 literal runs and refuses an early end-of-bitmap mark.
        bool pillowMayMisread;
    };
    std::vector<Case> cases;
    for (uint32_t header : {12u, 40u, 52u, 56u, 108u, 124u}) {
        for (uint16_t bits : {1, 4, 8, 24}) {
            for (bool topDown : {false, true}) {
                if (header == 12 && topDown) continue;
                PixelRows rows(3, std::vector<uint32_t>(5));
                for (uint32_t y = 0; y < 3; ++y)
                    for (uint32_t x = 0; x < 5; ++x)
                        rows[y][x] = (x * 0x3F1D27u + y * 0x0B5A13u + 1) & (bits == 24 ? 0xFFFFFF : (1u << bits) - 1);
                VariantFile f;
                f.headerSize = header;
                f.width = 5;
                f.height = topDown ? -3 : 3;
                f.bitCount = bits;
                f.table = MakeTable(bits <= 8 ? 1u << bits : 0, header == 12 ? 3 : 4);
                f.pixels = PackRows(rows, bits, topDown);
                cases.push_back({"h" + std::to_string(header) + "_" + std::to_string(bits) +
                                     (topDown ? "_down" : "_up") + ".bmp",
                                 f, header == 52 || header == 56});
            }
        }
    }
    auto rle = [](uint32_t header, uint16_t bits, int32_t width, int32_t height, const std::string& data) {
        VariantFile f;
        f.headerSize = header;
        f.width = width;
        f.height = height;
        f.bitCount = bits;
        f.compression = bits == 8 ? 1 : 2;
        f.table = MakeTable(1u << bits, 4);
        f.pixels = data;
        return f;
    };
    const std::string rle8 = Bytes({3, 5, 0, 3, 1, 2, 3, 0, 0, 0,  // run, odd literal run, end of line
                                    7, 8, 0, 0,                    // a full row, end of line
                                    2, 1, 0, 5, 9, 8, 7, 6, 5, 0, 0, 1});
    cases.push_back({"rle8.bmp", rle(40, 8, 7, 3, rle8), false});
    cases.push_back({"rle8_v5.bmp", rle(124, 8, 7, 3, rle8), false});
    cases.push_back({"rle4.bmp", rle(40, 4, 6, 2, Bytes({6, 0x12, 0, 0, 0, 4, 0xAB, 0xCD, 2, 0xEE, 0, 1})), false});
    cases.push_back({"rle8_delta.bmp", rle(40, 8, 6, 3, Bytes({2, 1, 0, 2, 2, 1, 2, 9, 0, 0, 6, 3, 0, 1})), true});
    cases.push_back({"rle4_odd.bmp", rle(40, 4, 5, 1, Bytes({0, 5, 0x12, 0x34, 0x50, 0, 0, 1})), true});
    cases.push_back({"rle8_early_end.bmp", rle(40, 8, 4, 3, Bytes({4, 7, 0, 1})), true});

    TempFolder folder;
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        const std::string path = folder.File(c.name);
        ASSERT_TRUE(WriteWholeFile(path, c.file.Bytes()));
        files.push_back({"bmp", path});
        std::string normalized, reason;
        ASSERT_TRUE(NormalizeBmp(c.file.Bytes(), &normalized, &reason)) << c.name << ": " << reason;
        EditorFormFile form;
        ASSERT_TRUE(ReadEditorForm(normalized, &form)) << c.name;
        expected.push_back(Expected(form));
    }
    const std::vector<std::string> answers = AskPillow(python, folder, files);
    ASSERT_EQ(cases.size(), answers.size());
    int agreed = 0;
    std::string notRead;
    for (size_t i = 0; i < cases.size(); ++i) {
        // Pillow pads a palette to 256 entries: compare the entries the file has.
        const std::string& answer = answers[i];
        const bool same = answer.compare(0, expected[i].size(), expected[i]) == 0;
        if (same) {
            ++agreed;
        } else if (cases[i].pillowMayMisread) {
            notRead += " " + cases[i].name;
        } else {
            ADD_FAILURE() << cases[i].name << "\n  Pillow: " << answer << "\n  ours:   " << expected[i];
        }
    }
    std::printf("NOTE: Pillow agreed on %d of %zu files; it did not read as described:%s\n", agreed,
                cases.size(), notRead.c_str());
}

TEST(PillowCompare, GimpPalettesWrittenHereReadTheSameInPillow)
{
    SKIP_WITHOUT_PILLOW(python);
    TempFolder folder;
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::string> expected;
    for (uint32_t n : {1u, 16u, 256u}) {
        ColorTable table;
        table.Reset(n);
        std::string rgb;
        for (uint32_t i = 0; i < n; ++i) {
            table.SetColor(i, uint8_t(255 - i), uint8_t(i * 7), uint8_t(i < 128 ? 0 : 255));
            rgb += std::string{char(255 - i), char(i * 7), char(i < 128 ? 0 : 255)};
        }
        const std::string path = folder.File(std::to_string(n) + ".gpl");
        std::string reason;
        ASSERT_TRUE(SavePalette(table, PaletteFormat::Gimp, path.c_str(), &reason)) << reason;
        files.push_back({"gpl", path});
        expected.push_back("OK " + Hex(rgb));
    }
    const std::vector<std::string> answers = AskPillow(python, folder, files);
    ASSERT_EQ(files.size(), answers.size());
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(0, answers[i].compare(0, expected[i].size(), expected[i]))
            << files[i].second << "\n  Pillow: " << answers[i].substr(0, 120) << "\n  ours:   "
            << expected[i].substr(0, 120);
    }
}

}  // namespace
