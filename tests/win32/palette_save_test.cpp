// What the palette window's save writes: the format a typed name names over
// the filter chosen, and a table whose flags only a RIFF file keeps.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/globals.h"
#include "palette/binary_palettes.h"
#include "palette/color_table.h"
#include "palette/palette_formats.h"
#include "palette/palette_window.h"
#include "resources/resource.h"
#include "tests/support/png_bytes.h"
#include "tests/win32/support/modal_answerer.h"
#include "tests/win32/support/palette_driver.h"

namespace {

using palette::DistinctColor;

// A RIFF palette file of count distinct colors whose entries all carry flags.
std::string FlaggedRiff(uint32_t count)
{
    ColorTable table;
    table.Reset(count);
    for (uint32_t i = 0; i < count; ++i) {
        COLORREF c = DistinctColor(i);
        *table.GetEntry(i) = {GetRValue(c), GetGValue(c), GetBValue(c), uint8_t(i % 3 ? 0 : 1)};
    }
    std::string bytes = "RIFF" + std::string(4, '\0') + "PAL data" + std::string(4, '\0');
    bytes += std::string{'\x00', '\x03', char(count), char(count >> 8)};
    bytes.append(reinterpret_cast<const char*>(table.GetEntry(0)), 4 * count);
    uint32_t data = 4 + 4 * count, riff = 12 + data;
    for (int k = 0; k < 4; ++k) {
        bytes[4 + k] = char(riff >> 8 * k);
        bytes[16 + k] = char(data >> 8 * k);
    }
    return bytes;
}

class PaletteSaveTest : public palette::PaletteTest {
protected:
    // Saves with file type index chosen and name typed; the format written.
    PaletteFormat Save(int type, const std::string& name)
    {
        const std::string path = folder.File(name);
        palette::Run(ID_PALETTE_SAVE, {palette::ChooseFileType(type, ModalAnswerer::TypeFileName(path))});
        ColorTable table;
        PaletteFormat format = PaletteFormat::Riff;
        std::string reason;
        EXPECT_TRUE(LoadAnyPalette(path.c_str(), &table, &format, &reason)) << name << ": " << reason;
        EXPECT_EQ(16u, table.GetCount()) << name;
        return format;
    }
};

// .gpl, .act and .hex each name one format and win over the filter; .pal
// (RIFF or JASC) and .txt leave the filter's choice.
TEST_F(PaletteSaveTest, TypedNameThatNamesOneFormatDecidesIt)
{
    OpenPicture(WritePicture("picture.bmp", 4, 2, 8, 16, palette::DistinctTable(16)));
    ShowPalette();
    struct Case {
        int type;
        const char* name;
        PaletteFormat written;
    };
    const Case cases[] = {
        {0, "riff-filter.gpl", PaletteFormat::Gimp}, {1, "jasc-filter.act", PaletteFormat::Act},
        {3, "act-filter.hex", PaletteFormat::Hex},   {3, "act-filter.pal", PaletteFormat::Act},
        {1, "jasc-filter.txt", PaletteFormat::Jasc}, {4, "hex-filter.pal", PaletteFormat::Hex},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PaletteFormatWord(c.written), std::string(PaletteFormatWord(Save(c.type, c.name)))) << c.name;
    }
    EXPECT_EQ(7u, folder.List().size()) << "each file under the name typed, nothing else";
}

// No filter but the last writes .ase files, so a typed .ase name is a
// swatch file under every filter, the default one too, in any letter case.
TEST_F(PaletteSaveTest, TypedAseNameWritesASwatchFileUnderAnyFilter)
{
    OpenPicture(WritePicture("picture.bmp", 4, 2, 8, 16, palette::DistinctTable(16)));
    ShowPalette();
    palette::Command(ID_PALETTE_INVERT);
    const std::string shown = TableBytes(paletteWindow.WorkingTable());
    const struct {
        int type;
        const char* name;
    } cases[] = {{0, "default.ase"}, {1, "jasc.ASE"}, {5, "pdn.Ase"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PaletteFormat::Ase, Save(c.type, c.name));
        ColorTable read;
        std::string reason;
        ASSERT_TRUE(ReadAsePalette(ReadWholeFile(folder.File(c.name)), &read, nullptr, &reason)) << reason;
        EXPECT_EQ(shown, TableBytes(read));
    }
    EXPECT_EQ(4u, folder.List().size()) << "each file under the name typed, nothing else";
}

// Flags live only in a RIFF file: a save in any other format leaves the
// table modified, a RIFF save does not, nor does a save of a table without flags.
TEST_F(PaletteSaveTest, SaveThatDropsFlagsLeavesTheTableModified)
{
    ShowPalette();
    const std::string flagged = folder.File("flagged.pal");
    ASSERT_TRUE(WriteWholeFile(flagged, FlaggedRiff(16)));
    ASSERT_EQ(1u, LoadPalette(flagged, 1).size());
    palette::Command(ID_PALETTE_INVERT);
    const struct {
        int type;
        const char* name;
        bool modified;
    } cases[] = {
        {1, "jasc.pal", true}, {2, "gimp.gpl", true}, {3, "act.act", true}, {4, "hex.hex", true},
        {0, "riff.pal", false},
    };
    for (const auto& c : cases) {
        Save(c.type, c.name);
        EXPECT_EQ(c.modified, paletteWindow.IsModified()) << c.name;
    }
    EXPECT_EQ(FlaggedRiff(16).substr(27, 1), ReadWholeFile(folder.File("riff.pal")).substr(27, 1)) << "flags kept";

    ASSERT_EQ(1u, LoadPalette(folder.File("jasc.pal"), 2).size());
    palette::Command(ID_PALETTE_INVERT);
    Save(1, "plain.pal");
    EXPECT_FALSE(paletteWindow.IsModified()) << "no flags to drop";
}

}  // namespace
