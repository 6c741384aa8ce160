// Writes the seed corpora: BMP files of the shapes the tests build and RIFF
// palettes of a few sizes, into <folder>/bmp and <folder>/pal.
#include <cstdio>
#include <string>

#include <sys/stat.h>

#include "palette/color_table.h"
#include "tests/support/bmp_bytes.h"
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
    std::printf("fuzz_seed_writer: %d seeds in %s\n", written, root.c_str());
    return 0;
}
