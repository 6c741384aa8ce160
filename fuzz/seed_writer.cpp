// Writes the seed corpora: BMP files of the shapes the tests build and RIFF
// palettes of a few sizes, into <folder>/bmp and <folder>/pal; palettes in
// the other formats into <folder>/jasc, gimp, act, hex and paint_net; BMP variants from
// other tools into <folder>/variants; GIF files into <folder>/gif; indexed PNGs of
// every depth, with the chunks the rewrite treats apart and APNG frames, into <folder>/png.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "palette/color_table.h"
#include "palette/palette_formats.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/bmp_variants.h"
#include "tests/support/gif_bytes.h"
#include "tests/support/png_bytes.h"
#include "tests/support/temp_folder.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seed_writer <folder>\n");
        return 2;
    }
    const std::string root = argv[1];
    mkdir(root.c_str(), 0755);
    mkdir((root + "/bmp").c_str(), 0755);
    mkdir((root + "/pal").c_str(), 0755);
    int written = 0;
    auto put = [&](const std::string& name, const std::string& bytes) {
        if (!WriteWholeFile(root + "/bmp/" + name, bytes)) std::exit(1);
        ++written;
    };

    struct Shape { int32_t width, height; uint16_t bits; uint32_t clrUsed; };
    const Shape shapes[] = {
        {1, 1, 1, 0}, {9, 3, 1, 2}, {7, 5, 4, 0}, {5, 3, 4, 3}, {16, 4, 8, 0}, {5, 3, 8, 16},
        {3, -4, 8, 4}, {6, 2, 16, 0}, {3, 3, 24, 0}, {2, 2, 24, 8}, {2, 3, 32, 0}, {1, 1, 8, 1}};
    for (const Shape& s : shapes) {
        BmpBytes bmp = MakeBmp(s.width, s.height, s.bits, s.clrUsed);
        char name[64];
        std::snprintf(name, sizeof name, "%dx%d_%ubit_%u.bmp", s.width, s.height, s.bits, s.clrUsed);
        put(name, bmp.Serialize());
    }
    BmpBytes gap = MakeBmp(6, 2, 8, 4);
    gap.gap = "GAP!GAP!";
    gap.FixOffsets();
    put("gap_before_pixels.bmp", gap.Serialize());
    BmpBytes inside = MakeBmp(6, 2, 8, 4);
    inside.file.bfOffBits = 60;
    put("offset_inside_table.bmp", inside.Serialize());

    for (uint32_t n : {0u, 1u, 16u, 256u}) {
        ColorTable table;
        table.Reset(n);
        for (uint32_t i = 0; i < n; ++i) table.SetColor(i, uint8_t(i), uint8_t(i * 3), uint8_t(i * 7));
        std::string path = root + "/pal/" + std::to_string(n) + "_entries.pal";
        if (!table.SaveRiffPalette(path.c_str())) return 1;
        ++written;
    }
    const struct {
        const char* folder;
        PaletteFormat format;
    } kinds[] = {{"jasc", PaletteFormat::Jasc}, {"gimp", PaletteFormat::Gimp},
                 {"act", PaletteFormat::Act},   {"hex", PaletteFormat::Hex},
                 {"paint_net", PaletteFormat::PaintNet}};
    for (const auto& kind : kinds) {
        const std::string folder = root + "/" + kind.folder;
        mkdir(folder.c_str(), 0755);
        for (uint32_t n : {1u, 16u, kind.format == PaletteFormat::PaintNet ? 96u : 256u}) {
            ColorTable table;
            table.Reset(n);
            for (uint32_t i = 0; i < n; ++i) table.SetColor(i, uint8_t(i), uint8_t(i * 5), uint8_t(255 - i));
            std::string reason;
            if (!SavePalette(table, kind.format, (folder + "/" + std::to_string(n)).c_str(), &reason)) return 1;
            ++written;
        }
    }
    const std::string extras[][2] = {
        {"jasc/lf", "JASC-PAL\n0100\n2\n1 2 3\n255 255 255\n"},
        {"gimp/fields", "GIMP Palette\nName: seeds\nColumns: 4\n#\n  1   2   3\tOne\n255 0 0 Red\n"},
        {"hex/hash", "#A0B1C2\r\n#ffffff\r\n"},
        {"hex/comments", "# sweetie 16\n; a list\n1a1c2c\n#5d275d\n"},
        {"paint_net/lf", ";paint.net Palette File\n;Colors: 2\nff1a1c2c\n805D275D\n"},
    };
    for (const auto& extra : extras) {
        if (!WriteWholeFile(root + "/" + extra[0], extra[1])) return 1;
        ++written;
    }

    const std::string variants = root + "/variants";
    mkdir(variants.c_str(), 0755);
    auto variant = [&](const std::string& name, uint32_t header, uint16_t bits, uint32_t compression,
                       int32_t height, const std::string& pixels) {
        VariantFile f;
        f.headerSize = header;
        f.width = 6;
        f.height = height;
        f.bitCount = bits;
        f.compression = compression;
        f.table = MakeTable(bits <= 8 ? 1u << bits : 0, header == 12 ? 3 : 4);
        f.pixels = pixels;
        if (!WriteWholeFile(variants + "/" + name, f.Bytes())) std::exit(1);
        ++written;
    };
    const PixelRows rows(3, std::vector<uint32_t>{1, 0, 3, 2, 1, 0});
    for (uint32_t header : {12u, 40u, 56u, 108u, 124u}) {
        for (uint16_t bits : {1, 4, 8, 24}) {
            variant("h" + std::to_string(header) + "_" + std::to_string(bits), header, bits, 0,
                    header == 12 ? 3 : -3, PackRows(rows, bits, header != 12));
        }
    }
    variant("rle8", 124, 8, 1, 3, std::string("\x03\x05\x00\x03\x01\x02\x03\x00\x00\x00\x00\x02\x02\x01"
                                                "\x02\x09\x00\x00\x00\x01", 20));
    variant("rle4", 40, 4, 2, 2, std::string("\x00\x05\x12\x34\x50\x00\x00\x00\x03\xAB\x00\x01", 12));

    const std::string gifs = root + "/gif";
    mkdir(gifs.c_str(), 0755);
    auto putGif = [&](const std::string& name, const std::string& bytes) {
        if (!WriteWholeFile(gifs + "/" + name + ".gif", bytes)) std::exit(1);
        ++written;
    };
    std::string rgb;
    for (int i = 0; i < 256 * 3; ++i) rgb += char(i * 7);
    std::vector<uint8_t> ramp(12 * 10);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = uint8_t(i * 5 % 16);
    const GifFrameBytes full = {0, 0, 12, 10, "", ramp, 4};
    const GifFrameBytes local = {3, 2, 12, 10, rgb.substr(0, 48), ramp, 4};
    putGif("global", MakeGif(12, 10, rgb.substr(0, 48), 2, {full}));
    putGif("local_first", MakeGif(10, 8, "", 1, {local, full}));
    putGif("no_trailer", MakeGif(12, 10, rgb, 0, {full, local}, false));
    const GifFrameBytes flat = {0, 0, 12, 10, "", std::vector<uint8_t>(120, 3), 2};
    std::string interlaced = MakeGif(12, 10, rgb.substr(0, 12), 0, {flat});
    interlaced[13 + 12 + 9] |= 0x40;
    putGif("interlaced", interlaced);
    std::string extensions = MakeGif(12, 10, rgb.substr(0, 6), 0, {{0, 0, 1, 1, "", {1}, 2}, full});
    extensions.insert(13 + 6, std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"
                                          "\x21\xF9\x04\x05\x0A\x00\x01\x00\x21\xFE\x02hi\x00", 33));
    putGif("extensions", extensions);
    const std::string pngs = root + "/png";
    mkdir(pngs.c_str(), 0755);
    auto png = [&](const std::string& name, const std::vector<PngPart>& parts) {
        if (!WriteWholeFile(pngs + "/" + name, AssemblePng(parts))) std::exit(1);
        ++written;
    };
    for (uint8_t depth : {1, 2, 4, 8}) {
        const uint32_t entries = depth == 8 ? 40 : 1u << depth;
        std::vector<std::vector<uint8_t>> rows(3, std::vector<uint8_t>(5));
        for (uint32_t y = 0; y < 3; ++y)
            for (uint32_t x = 0; x < 5; ++x) rows[y][x] = uint8_t((x + 2 * y) % entries);
        png("plain_" + std::to_string(depth) + ".png",
            {{"IHDR", IhdrData(5, 3, depth, 3)}, {"PLTE", PaletteData(entries)},
             {"IDAT", CompressedRows(rows, depth)}, {"IEND", ""}});
        png("extras_" + std::to_string(depth) + ".png",
            {{"IHDR", IhdrData(5, 3, depth, 3)}, {"PLTE", PaletteData(entries)}, {"tRNS", std::string(entries / 2 + 1, 'x')},
             {"hIST", std::string(2 * entries, '\1')}, {"bKGD", std::string(1, '\0')}, {"tEXt", std::string("a\0b", 3)},
             {"IDAT", CompressedRows(rows, depth)}, {"IEND", ""}});
    }
    // 2x2 interlaced: passes 1, 6 and 7 hold one, one and two pixels.
    png("adam7_2x2.png", {{"IHDR", IhdrData(2, 2, 8, 3, 1)}, {"PLTE", PaletteData(4)},
                          {"IDAT", CompressedRows({{1}, {2}, {3, 0}}, 8)}, {"IEND", ""}});
    const auto control = [](uint32_t sequence, uint32_t w, uint32_t h, uint32_t x, uint32_t y) {
        return PngPart{"fcTL", BigEndian32(sequence) + BigEndian32(w) + BigEndian32(h) + BigEndian32(x) + BigEndian32(y) +
                                   std::string{0, 1, 0, 10, 0, 0}};
    };
    png("apng.png", {{"IHDR", IhdrData(4, 2, 4, 3)}, {"acTL", BigEndian32(2) + BigEndian32(0)},
                     {"PLTE", PaletteData(6)}, control(0, 4, 2, 0, 0),
                     {"IDAT", CompressedRows({{0, 1, 2, 3}, {3, 2, 1, 0}}, 4)}, control(1, 2, 1, 1, 1),
                     {"fdAT", BigEndian32(2) + CompressedRows({{5, 4}}, 4)}, {"IEND", ""}});

    std::printf("fuzz_seed_writer: %d seeds in %s\n", written, root.c_str());
    return 0;
}
