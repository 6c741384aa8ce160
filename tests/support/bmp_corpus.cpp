#include "tests/support/bmp_corpus.h"

#include <functional>

#include "tests/support/bmp_bytes.h"

namespace {

BmpBytes With(BmpBytes bmp, const std::function<void(BmpBytes&)>& change)
{
    change(bmp);
    return bmp;
}

}  // namespace

std::vector<CorpusFile> BmpCorpus()
{
    std::vector<CorpusFile> corpus;
    auto add = [&](const std::string& name, const BmpBytes& bmp, bool loads) {
        corpus.push_back({name, bmp.Serialize(), loads});
    };

    for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
        for (int32_t width : {1, 3, 5, 33}) {
            std::string tag = std::to_string(bits) + "bit-w" + std::to_string(width);
            add(tag + "-bottom-up", MakeBmp(width, 3, bits), true);
            add(tag + "-top-down", MakeBmp(width, -3, bits), true);
        }
    }
    add("8bit-clrused-16", MakeBmp(5, 2, 8, 16), true);
    add("4bit-clrused-3", MakeBmp(5, 2, 4, 3), true);
    add("1bit-clrused-1", MakeBmp(5, 2, 1, 1), true);
    add("24bit-clrused-4", MakeBmp(5, 2, 24, 4), true);
    add("32bit-clrused-2", MakeBmp(5, 2, 32, 2), true);
    add("8bit-clrused-300", MakeBmp(5, 2, 8, 300), true);
    add("1bit-clrused-256", MakeBmp(5, 2, 1, 256), true);
    add("sizeimage-wrong", With(MakeBmp(4, 2, 8), [](BmpBytes& b) { b.info.biSizeImage = 1; }), true);

    for (uint16_t bits : {0, 2, 3, 7, 12, 15, 48, 64}) {
        BmpBytes bmp = MakeBmp(4, 2, bits, bits < 16 ? 0 : 2);
        add("bitcount-" + std::to_string(bits), bmp, false);
    }
    for (uint32_t compression : {1, 2, 3, 4, 5, 6}) {
        add("compression-" + std::to_string(compression),
            With(MakeBmp(4, 2, compression == 3 ? 16 : 8),
                 [&](BmpBytes& b) { b.info.biCompression = compression; }),
            false);
    }
    // Bit fields at 32 bits make a section as well: only the loader refuses them.
    add("compression-3-32bit", With(MakeBmp(4, 2, 32), [](BmpBytes& b) { b.info.biCompression = 3; }), false);
    for (uint32_t size : {12, 52, 56, 64, 108, 124}) {
        add("infoheader-" + std::to_string(size), With(MakeBmp(4, 2, 8), [&](BmpBytes& b) {
                b.info.biSize = size;
                if (size > 40) b.infoExtra.assign(size - 40, '\0');
                b.FixOffsets();
            }),
            false);
    }
    add("planes-0", With(MakeBmp(4, 2, 8), [](BmpBytes& b) { b.info.biPlanes = 0; }), false);
    add("planes-3", With(MakeBmp(4, 2, 8), [](BmpBytes& b) { b.info.biPlanes = 3; }), false);
    add("width-0", With(MakeBmp(4, 2, 8), [](BmpBytes& b) { b.info.biWidth = 0; }), false);
    add("width-negative", With(MakeBmp(4, 2, 8), [](BmpBytes& b) { b.info.biWidth = -4; }), false);
    add("height-0", With(MakeBmp(4, 2, 8), [](BmpBytes& b) { b.info.biHeight = 0; }), false);
    add("not-bm", With(MakeBmp(4, 2, 8), [](BmpBytes& b) { b.file.bfType = 0x4142; }), false);

    std::string whole = MakeBmp(6, 3, 8, 16).Serialize();
    struct Cut { const char* region; size_t at; } cuts[] = {
        {"nothing", 0}, {"file-header", 7}, {"info-header", 14}, {"info-header-end", 53},
        {"color-table", 54}, {"color-table-end", 54 + 63}, {"pixels", 118},
        {"pixels-end", whole.size() - 1},
    };
    for (const Cut& cut : cuts) {
        corpus.push_back({std::string("truncated-in-") + cut.region, whole.substr(0, cut.at), false});
    }
    return corpus;
}
