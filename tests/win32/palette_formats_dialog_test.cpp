// The palette window's file dialogs with the other palette formats: the load
// dialog keeps its two filters and adds two that take any palette file by
// content and two that also name the kind of raw colors; the save dialog
// keeps RIFF first and adds one filter per format, the filter chosen deciding
// the format and the extension.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "palette/binary_palettes.h"
#include "palette/color_table.h"
#include "palette/palette_formats.h"
#include "palette/palette_window.h"
#include "app/globals.h"
#include "app/ui_language.h"
#include "resources/resource.h"
#include "tests/support/png_bytes.h"
#include "tests/win32/support/modal_answerer.h"
#include "tests/win32/support/palette_driver.h"

namespace {

using palette::DistinctColor;

std::vector<COLORREF> Distinct(uint32_t count)
{
    std::vector<COLORREF> colors;
    for (uint32_t i = 0; i < count; ++i) colors.push_back(DistinctColor(i));
    return colors;
}

ColorTable TableOf(const std::vector<COLORREF>& colors)
{
    ColorTable table;
    table.Reset(uint32_t(colors.size()));
    for (uint32_t i = 0; i < colors.size(); ++i)
        table.SetColor(i, GetRValue(colors[i]), GetGValue(colors[i]), GetBValue(colors[i]));
    return table;
}

std::vector<COLORREF> ColorsOf(const ColorTable& table)
{
    std::vector<COLORREF> colors;
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        const ColorEntry* e = table.GetEntry(i);
        colors.push_back(RGB(e->red, e->green, e->blue));
    }
    return colors;
}

// What the grid shows for the first count entries, with the view at the top.
std::vector<COLORREF> Shown(uint32_t count)
{
    std::vector<COLORREF> colors;
    for (uint32_t i = 0; i < count && i < 96; ++i) colors.push_back(palette::SquareColor(i % 12, i / 12));
    return colors;
}

// Notes the file dialog's filter names and the one selected, then goes on.
ModalAnswerer::Action NoteFilters(std::vector<std::string>& names, int& selected, ModalAnswerer::Action then)
{
    return [&names, &selected, then](HWND dialog) {
        HWND types = GetDlgItem(dialog, kFileTypeCombo);
        if (!types) return false;
        names.clear();
        const int count = int(SendMessageA(types, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char name[128] = "";
            if (SendMessageA(types, CB_GETLBTEXTLEN, i, 0) < LRESULT(sizeof name))
                SendMessageA(types, CB_GETLBTEXT, i, LPARAM(name));
            names.push_back(name);
        }
        selected = int(SendMessageA(types, CB_GETCURSEL, 0, 0));
        return then(dialog);
    };
}

class PaletteFormatsDialogTest : public palette::PaletteTest {
protected:
    std::string PaletteFile(const std::string& name, const std::vector<COLORREF>& colors, PaletteFormat format)
    {
        const std::string path = folder.File(name);
        std::string reason;
        EXPECT_TRUE(SavePalette(TableOf(colors), format, path.c_str(), &reason)) << reason;
        return path;
    }
};

TEST_F(PaletteFormatsDialogTest, BothDialogsKeepTheirFiltersFirstAndAddTheNewOnesAfter)
{
    ShowPalette();
    std::vector<std::string> names;
    int selected = -1;
    palette::Run(ID_PALETTE_LOAD, {NoteFilters(names, selected, ModalAnswerer::Press(IDCANCEL))});
    EXPECT_EQ((std::vector<std::string>{"Bitmap Files(*.bmp)", "RIFF Palette Files(*.pal)",
                                        "Palette Files(*.pal;*.gpl;*.act;*.hex;*.txt)",
                                        "Swatch and Raw Palette Files(*.ase;*.bin;*.png;*.gif)",
                                        "BGR555 Palette Files(*.bin)", "VGA DAC Palette Files(*.bin;*.pal)"}),
              names);
    EXPECT_EQ(0, selected);

    palette::Command(ID_PALETTE_RELEASE);
    OpenPicture(WritePicture("picture.bmp", 4, 2, 8, 16, palette::DistinctTable(16)));
    palette::Run(ID_PALETTE_SAVE, {NoteFilters(names, selected, ModalAnswerer::Press(IDCANCEL))});
    EXPECT_EQ((std::vector<std::string>{"RIFF Palette Files(*.pal)", "JASC Palette Files(*.pal)",
                                        "GIMP Palette Files(*.gpl)", "Adobe Color Table Files(*.act)",
                                        "Hex Color Lists(*.hex;*.txt)", "Paint.NET Palette Files(*.txt)",
                                        "BGR555 Palette Files(*.bin)", "VGA DAC Palette Files(*.bin;*.pal)",
                                        "Adobe Swatch Exchange Files(*.ase)"}),
              names);
    EXPECT_EQ(0, selected);
}

// Every format, each under a name that belongs to another, through the third
// filter; a file that no format takes gives the load error and changes nothing.
TEST_F(PaletteFormatsDialogTest, ThirdFilterLoadsEveryFormatByContent)
{
    ShowPalette();
    struct Case {
        const char* name;
        PaletteFormat format;
        uint32_t count;
    };
    const Case cases[] = {
        {"jasc.txt", PaletteFormat::Jasc, 20}, {"gimp.pal", PaletteFormat::Gimp, 7},
        {"act.hex", PaletteFormat::Act, 256},  {"hex.act", PaletteFormat::Hex, 30},
        {"riff.gpl", PaletteFormat::Riff, 12}, {"pdn.pal", PaletteFormat::PaintNet, 9},
    };
    uint32_t shift = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<COLORREF> colors = Distinct(c.count + shift);
        colors.erase(colors.begin(), colors.begin() + shift);
        shift += 5;  // each load shows colors the one before did not
        const std::string path = PaletteFile(c.name, colors, c.format);
        std::vector<SeenDialog> seen = LoadPalette(path, 2);
        ASSERT_EQ(1u, seen.size()) << "no message after a good load";
        EXPECT_EQ(std::vector<COLORREF>(colors.begin(), colors.begin() + std::min(c.count, 96u)), Shown(c.count));
    }

    const std::string junk = folder.File("junk.pal");
    ASSERT_TRUE(WriteWholeFile(junk, "JASC-PAL\r\n0100\r\n3\r\n1 2 3\r\n"));
    const std::vector<COLORREF> before = Shown(12);
    std::vector<SeenDialog> seen = LoadPalette(junk, 2);
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ("Loading error!", seen[1].text);
    EXPECT_EQ(before, Shown(12));
}

// Each save filter writes its format, and a name typed without an
// extension gets the filter's; the next dialog opens on the filter used.
TEST_F(PaletteFormatsDialogTest, EachSaveFilterWritesItsFormatAndExtension)
{
    OpenPicture(WritePicture("picture.bmp", 4, 2, 8, 16, palette::DistinctTable(16)));
    ShowPalette();
    palette::Command(ID_PALETTE_INVERT);
    std::vector<COLORREF> inverted;
    for (COLORREF c : Distinct(16)) inverted.push_back(RGB(255 - GetRValue(c), 255 - GetGValue(c), 255 - GetBValue(c)));
    struct Case {
        PaletteFormat format;
        const char* extension;
    };
    const Case cases[] = {
        {PaletteFormat::Riff, "pal"}, {PaletteFormat::Jasc, "pal"}, {PaletteFormat::Gimp, "gpl"},
        {PaletteFormat::Act, "act"},  {PaletteFormat::Hex, "hex"}, {PaletteFormat::PaintNet, "txt"},
    };
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(cases[i].extension);
        const std::string name = "chosen" + std::to_string(i);
        palette::Run(ID_PALETTE_SAVE, {palette::ChooseFileType(i, ModalAnswerer::TypeFileName(folder.File(name)))});
        // The dialog opens on the filter just used: a bare name takes its extension.
        const std::string again = "again" + std::to_string(i);
        std::vector<std::string> names;
        int selected = -1;
        palette::Run(ID_PALETTE_SAVE, {NoteFilters(names, selected, ModalAnswerer::TypeFileName(folder.File(again)))});
        EXPECT_EQ(i, selected);
        for (const std::string& saved : {name, again}) {
            const std::string path = folder.File(saved + "." + cases[i].extension);
            ColorTable table;
            PaletteFormat format = PaletteFormat::Riff;
            std::string reason;
            ASSERT_TRUE(LoadAnyPalette(path.c_str(), &table, &format, &reason)) << path << ": " << reason;
            EXPECT_EQ(int(cases[i].format), int(format)) << path;
            EXPECT_EQ(inverted, ColorsOf(table)) << path;
        }
    }
    EXPECT_EQ(13u, folder.List().size()) << "the picture and twelve palettes, nothing else";
}

// The raw and swatch save filters write their formats: each file reads back
// as the table rounded to the format's depth, and the edits count as saved
// only when that is the table itself.
TEST_F(PaletteFormatsDialogTest, RawAndSwatchSaveFiltersWriteTheirFormats)
{
    OpenPicture(WritePicture("picture.bmp", 4, 2, 8, 16, palette::DistinctTable(16)));
    ShowPalette();
    palette::Command(ID_PALETTE_SNAP_5_BITS);
    const ColorTable& working = paletteWindow.WorkingTable();
    typedef bool (*Reader)(const std::string&, ColorTable*, std::string*);
    struct Case {
        int fileType;  // 0-based, after the six the save dialog had
        PaletteFormat format;
        const char* extension;
        int bits;         // the file's depth; 8: it holds every color
        bool byContent;   // whether LoadAnyPalette tells it from a 16-color table
        bool holdsTable;  // a 5-bit table fits
        Reader read;
    };
    const Reader readAse = [](const std::string& bytes, ColorTable* table, std::string* reason) {
        return ReadAsePalette(bytes, table, nullptr, reason);
    };
    // 48 VGA bytes are 24 BGR555 words too: only its own reader can tell.
    const Case cases[] = {
        {7, PaletteFormat::Vga, "bin", 6, false, false, ReadVgaPalette},
        {6, PaletteFormat::Bgr555, "bin", 5, true, true, ReadBgr555Palette},
        {8, PaletteFormat::Ase, "ase", 8, true, true, readAse},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extension + std::to_string(c.fileType));
        palette::Command(ID_PALETTE_INVERT);  // modified again; inverting keeps the depth
        ColorTable expected(working);
        if (c.bits < 8) {
            ASSERT_TRUE(expected.SnapToDepth(c.bits));
        }
        const std::string name = "raw" + std::to_string(c.fileType);
        palette::Run(ID_PALETTE_SAVE, {palette::ChooseFileType(c.fileType, ModalAnswerer::TypeFileName(folder.File(name)))});
        const std::string path = folder.File(name + "." + c.extension);
        ColorTable table;
        std::string reason;
        ASSERT_TRUE(c.read(ReadWholeFile(path), &table, &reason)) << path << ": " << reason;
        EXPECT_EQ(ColorsOf(expected), ColorsOf(table));
        EXPECT_EQ(c.holdsTable, ColorsOf(working) == ColorsOf(table));
        EXPECT_EQ(!c.holdsTable, paletteWindow.IsModified());
        if (c.byContent) {
            PaletteFormat format = PaletteFormat::Riff;
            ColorTable any;
            ASSERT_TRUE(LoadAnyPalette(path.c_str(), &any, &format, &reason)) << reason;
            EXPECT_EQ(int(c.format), int(format));
            EXPECT_EQ(ColorsOf(expected), ColorsOf(any));
        }
    }
}

// A truecolor PNG strip of square swatches, one a color.
std::string SwatchStrip(const std::vector<COLORREF>& colors, uint32_t cell)
{
    const uint32_t width = uint32_t(colors.size()) * cell;
    std::string raw;
    for (uint32_t y = 0; y < cell; ++y) {
        raw += '\0';
        for (uint32_t x = 0; x < width; ++x) {
            const COLORREF c = colors[x / cell];
            raw += std::string{char(GetRValue(c)), char(GetGValue(c)), char(GetBValue(c))};
        }
    }
    return AssemblePng({{"IHDR", IhdrData(width, cell, 8, 2)}, {"IDAT", Deflate(raw)}, {"IEND", ""}});
}

// The fourth load filter reads swatch files, raw colors and pictures of
// swatches by content.
TEST_F(PaletteFormatsDialogTest, FourthFilterLoadsSwatchFilesRawColorsAndSwatchPictures)
{
    ShowPalette();
    ColorTable rounded = TableOf(Distinct(20));
    ASSERT_TRUE(rounded.SnapToDepth(5));
    const std::vector<COLORREF> raw = ColorsOf(rounded);
    const std::vector<COLORREF> swatches = Distinct(14), thirty = Distinct(30);
    const std::vector<COLORREF> pictured(thirty.begin() + 20, thirty.end());
    const std::string png = folder.File("swatches.png");
    ASSERT_TRUE(WriteWholeFile(png, SwatchStrip(pictured, 8)));
    struct Case {
        std::string path;
        std::vector<COLORREF> colors;
    };
    const Case cases[] = {
        {PaletteFile("colors.ase", swatches, PaletteFormat::Ase), swatches},
        {PaletteFile("colors.bin", raw, PaletteFormat::Bgr555), raw},
        {png, pictured},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::vector<SeenDialog> seen = LoadPalette(c.path, 3);
        ASSERT_EQ(1u, seen.size()) << "no message after a good load";
        EXPECT_EQ(c.colors, ColorsOf(paletteWindow.WorkingTable()));
        EXPECT_EQ(c.colors, Shown(uint32_t(c.colors.size())));
    }
}

// Raw colors that could be either kind: the filters that read by content
// say the file type decides, the raw filters read the kind they name, and
// bytes of one kind alone are that kind under either.
TEST_F(PaletteFormatsDialogTest, RawFiltersDecideBytesOfEitherKind)
{
    ShowPalette();
    const std::string both = folder.File("both.bin");
    ASSERT_TRUE(WriteWholeFile(both, std::string{1, 2, 3, 4, 5, 6}));
    const std::string words = folder.File("words.bin");
    ASSERT_TRUE(WriteWholeFile(words, std::string{char(0xFF), 0x7F, 0x1F, 0}));
    typedef bool (*Reader)(const std::string&, ColorTable*, std::string*);
    struct Case {
        std::string path;
        int fileType;  // 0-based
        Reader read;   // null: refused
    };
    // Six bytes are 3 BGR555 colors or 2 VGA ones.
    const Case cases[] = {
        {both, 2, nullptr}, {both, 3, nullptr}, {both, 4, ReadBgr555Palette}, {both, 5, ReadVgaPalette},
        {words, 5, ReadBgr555Palette},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " as file type " + std::to_string(c.fileType));
        palette::Command(ID_PALETTE_RELEASE);
        std::vector<SeenDialog> seen = LoadPalette(c.path, c.fileType);
        ASSERT_EQ(c.read ? 1u : 2u, seen.size());
        if (!c.read) {
            EXPECT_EQ(LoadText(IDS_PALETTE_RAW_UNDECIDED), seen[1].text);
            EXPECT_EQ(0u, paletteWindow.WorkingTable().GetCount());
            continue;
        }
        ColorTable expected;
        std::string reason;
        ASSERT_TRUE(c.read(ReadWholeFile(c.path), &expected, &reason)) << reason;
        EXPECT_EQ(ColorsOf(expected), ColorsOf(paletteWindow.WorkingTable()));
    }
}

// An Adobe Color Table holds at most 256 colors: a longer table is refused
// before anything is written, and its edits stay marked.
TEST_F(PaletteFormatsDialogTest, SaveInAFormatTooSmallForTheTableSaysWhy)
{
    ShowPalette();
    std::vector<COLORREF> colors = Distinct(256);
    colors.resize(300, RGB(1, 2, 3));
    ASSERT_EQ(1u, LoadPalette(PaletteFile("long.pal", colors, PaletteFormat::Riff), 1).size());
    palette::Command(ID_PALETTE_INVERT);

    const std::string target = folder.File("small.act");
    std::vector<SeenDialog> seen = palette::Run(
        ID_PALETTE_SAVE, {palette::ChooseFileType(3, ModalAnswerer::TypeFileName(target)), ModalAnswerer::Press(IDOK)});
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ("An Adobe Color Table holds 1 to 256 colors, not 300.", seen[1].text);
    EXPECT_FALSE(FileExists(target));
    seen = palette::Run(ID_PALETTE_RELEASE, {ModalAnswerer::Press(IDCANCEL)});
    ASSERT_EQ(1u, seen.size()) << "still modified: the release asks";
}

}  // namespace
