// Feeds arbitrary bytes to the BMP reader. A bitmap that loads is then edited
// the way the palette window edits one, and now and then saved and read back.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "fuzz/scratch_folder.h"
#include "image/dib_image.h"
#include "palette/color_table.h"

namespace {

// A broken promise is a finding, not a crash the sanitizers would see.
void Require(bool condition)
{
    if (!condition) std::abort();
}

void EditColors(DibImage& image)
{
    ColorTable table;
    if (image.EntryCount() == 0) {
        Require(!image.CopyColorTable(table));
        return;
    }
    Require(image.CopyColorTable(table));
    Require(table.GetCount() == image.EntryCount());
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        const ColorEntry* entry = table.GetEntry(i);
        table.SetColor(i, uint8_t(~entry->red), entry->blue, entry->green);
    }
    if (image.SetColorTable(table)) Require(image.RebuildSection(nullptr));

    // One entry more, as the palette window's "add" does; may be refused by
    // the bit count but must never break the image.
    if (table.Resize(table.GetCount() + 1) && image.SetColorTable(table)) {
        Require(image.EntryCount() >= table.GetCount());
        Require(image.RebuildSection(nullptr));
    }
    ColorTable back;
    Require(image.CopyColorTable(back));
}

void SaveAndReload(const DibImage& image)
{
    std::string path = ScratchFile("round-trip.bmp");
    if (!image.SaveToFile(path.c_str())) return;
    DibImage reloaded;
    Require(reloaded.LoadFromFile(nullptr, path.c_str()));
    Require(reloaded.ImageSize() == image.ImageSize());
    Require(reloaded.EntryCount() == image.EntryCount());
    Require(std::memcmp(reloaded.Bits(), image.Bits(), image.ImageSize()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    DibImage image;
    if (!image.ReadFromStream(nullptr, in)) {
        Require(image.IsEmpty() && image.EntryCount() == 0 && !image.Bits());
        return 0;
    }
    Require(!image.IsEmpty() && image.Bits());
    Require(uint64_t(image.ImageSize()) <= size);
    BITMAPFILEHEADER fileHeader;
    BITMAPINFOHEADER infoHeader;
    Require(image.CopyHeaders(&fileHeader, &infoHeader));

    EditColors(image);
    if (EveryNth(64)) SaveAndReload(image);
    return 0;
}
