// The palette window's edit commands at their edges: the one save point of
// the history, a selection left on a cell the table no longer has, and
// clipboard text larger than any paste needs.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/globals.h"
#include "palette/palette_window.h"
#include "resources/resource.h"
#include "tests/win32/support/modal_answerer.h"
#include "tests/win32/support/palette_driver.h"
#include "tests/win32/support/program.h"

namespace {

using palette::DistinctColor;

std::vector<COLORREF> Distinct(uint32_t count)
{
    std::vector<COLORREF> colors;
    for (uint32_t i = 0; i < count; ++i) colors.push_back(DistinctColor(i));
    return colors;
}

std::vector<COLORREF> Shown(uint32_t count)
{
    std::vector<COLORREF> colors;
    for (uint32_t i = 0; i < count; ++i) colors.push_back(palette::SquareColor(i % 12, i / 12));
    return colors;
}

class PaletteEditTest : public palette::PaletteTest {
protected:
    void OpenAndShow(const std::string& name, uint32_t count)
    {
        OpenPicture(WritePicture(name, 4, 2, 8, count, palette::DistinctTable(count)));
        ShowPalette();
    }
};

// Two saves, to one file or to two: undoing the second leaves a table that
// the file written last does not hold, so it reads modified again.
TEST_F(PaletteEditTest, OnlyTheStateSavedLastReadsUnmodified)
{
    ShowPalette();
    for (const char* second : {"a.pal", "b.pal"}) {
        SCOPED_TRACE(second);
        OpenPicture(WritePicture(std::string("picture-") + second + ".bmp", 4, 2, 8, 16, palette::DistinctTable(16)));
        palette::Command(ID_PALETTE_INVERT);
        palette::Run(ID_PALETTE_SAVE, {ModalAnswerer::TypeFileName(folder.File("a.pal"))});
        palette::Command(ID_PALETTE_SWAP_RED_GREEN);
        std::vector<ModalAnswerer::Action> answers = {ModalAnswerer::TypeFileName(folder.File(second))};
        if (FileExists(folder.File(second))) answers.push_back(ModalAnswerer::Press(IDYES));
        palette::Run(ID_PALETTE_SAVE, answers);
        ASSERT_FALSE(paletteWindow.IsModified());

        palette::FocusGrid();
        program::PressKey('Z', true);
        EXPECT_TRUE(paletteWindow.IsModified()) << "the first save's table";
        program::PressKey('Y', true);
        EXPECT_FALSE(paletteWindow.IsModified()) << "the table saved last";
        program::PressKey('Z', true);
        std::vector<SeenDialog> seen = palette::Run(ID_PALETTE_RELEASE, {ModalAnswerer::Press(IDCANCEL)});
        EXPECT_EQ(1u, seen.size()) << "the release asks before dropping it";
        DeleteFileA(folder.File(second).c_str());
    }
}

// A selection kept across a new, shorter table frames a cell with no entry:
// Copy and Paste are greyed and do nothing, by menu or key.
TEST_F(PaletteEditTest, FramedCellWithoutAnEntryCopiesAndPastesNothing)
{
    OpenAndShow("long.bmp", 16);
    palette::Click(2, 1);  // entry 14
    OpenPicture(WritePicture("short.bmp", 4, 2, 8, 8, palette::DistinctTable(8)));
    ASSERT_EQ(palette::Frame::Sunken, palette::FrameOf(2, 1));
    palette::PutOnClipboard("#102030");
    EXPECT_FALSE(palette::ItemEnabled(ID_PALETTE_COPY));
    EXPECT_FALSE(palette::ItemEnabled(ID_PALETTE_PASTE));
    palette::Command(ID_PALETTE_COPY);
    palette::Command(ID_PALETTE_PASTE);
    palette::FocusGrid();
    program::PressKey('C', true);
    program::PressKey('V', true);
    EXPECT_EQ("#102030", palette::ClipboardText()) << "nothing copied";
    EXPECT_EQ(Distinct(8), Shown(8)) << "nothing pasted";
    EXPECT_FALSE(paletteWindow.IsModified());

    palette::Click(3, 0);
    EXPECT_TRUE(palette::ItemEnabled(ID_PALETTE_COPY)) << "a cell with an entry";
}

// A paste reads no further than the largest table could take: a color past
// a line longer than that bound is never reached, by the menu or the paste.
TEST_F(PaletteEditTest, PasteReadsTheClipboardOnlyAsFarAsTheLargestTableNeeds)
{
    OpenAndShow("picture.bmp", 16);
    palette::Click(0, 0);
    const std::string longLine(8u << 20, 'x');
    struct Case {
        std::string text;
        bool pastes;
    };
    for (const Case& c : {Case{"#102030\r\n" + longLine + "\r\n#405060\r\n", true}, Case{longLine + "\r\n#405060", false}}) {
        SCOPED_TRACE(c.pastes ? "a color first" : "the long line first");
        palette::PutOnClipboard(c.text);
        EXPECT_EQ(c.pastes, palette::ItemEnabled(ID_PALETTE_PASTE));
        palette::FocusGrid();
        program::PressKey('V', true);
        std::vector<COLORREF> expected = Distinct(16);
        if (c.pastes) expected[0] = RGB(0x10, 0x20, 0x30);
        EXPECT_EQ(expected, Shown(16));
        palette::Command(ID_PALETTE_UNDO);
    }
}

}  // namespace
