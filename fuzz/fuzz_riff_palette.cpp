// Feeds arbitrary bytes to the RIFF palette reader; a palette that loads is
// now and then saved and read back, which must give the same entries.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "fuzz/scratch_folder.h"
#include "palette/color_table.h"

namespace {

void Require(bool condition)
{
    if (!condition) std::abort();
}

bool SameEntries(const ColorTable& a, const ColorTable& b)
{
    if (a.GetCount() != b.GetCount()) return false;
    return a.GetCount() == 0 ||
           std::memcmp(a.GetEntry(0), b.GetEntry(0), a.GetCount() * sizeof(ColorEntry)) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    ColorTable table;
    table.Reset(1);
    table.SetColor(0, 1, 2, 3);
    if (!table.ReadRiffPalette(in)) {
        // A refused file leaves the table as it was.
        Require(table.GetCount() == 1 && table.GetPackedColor(0) == PackColor(1, 2, 3));
        return 0;
    }
    Require(uint64_t(table.GetCount()) * sizeof(ColorEntry) <= size);

    ColorTable copy(table);
    Require(SameEntries(table, copy));
    if (EveryNth(32)) {
        std::string path = ScratchFile("round-trip.pal");
        Require(table.SaveRiffPalette(path.c_str()));
        ColorTable back;
        Require(back.LoadRiffPalette(path.c_str()));
        Require(SameEntries(table, back));
    }
    return 0;
}
