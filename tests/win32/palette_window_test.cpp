// The palette window's commands as a user goes through them: the caption
// while F12 is held, loading and saving tables with the real file dialogs,
// the discard question, invert, swap, restore, release, apply, the panel's
// check mark, and the main window's palette commands and keys.
#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/globals.h"
#include "document/bitmap_document.h"
#include "palette/color_table.h"
#include "palette/palette_window.h"
#include "panel/color_panel.h"
#include "resources/resource.h"
#include "tests/support/picture_files.h"
#include "tests/support/shared_data.h"
#include "tests/win32/support/modal_answerer.h"
#include "tests/win32/support/palette_driver.h"
#include "tests/win32/support/program.h"

namespace {

using palette::DistinctColor;
using palette::DistinctTable;
using palette::EntryShown;

const char kTitle[] = "ﾊﾟﾚｯﾄ一覧";
const char kDiscardQuestion[] = "ﾊﾟﾚｯﾄは変更されています.\r\n続けますか?";

// A RIFF palette file's bytes, written here byte by byte.
std::string RiffBytes(const std::vector<COLORREF>& colors)
{
    auto le32 = [](uint32_t v) {
        return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    };
    uint32_t data = 4 + 4 * uint32_t(colors.size());
    std::string bytes = "RIFF" + le32(4 + 8 + data) + "PAL data" + le32(data);
    bytes += std::string{'\x00', '\x03', char(colors.size()), char(colors.size() >> 8)};
    for (COLORREF color : colors) {
        bytes += std::string{char(GetRValue(color)), char(GetGValue(color)), char(GetBValue(color)), '\0'};
    }
    return bytes;
}

std::vector<COLORREF> Inverted(const std::vector<COLORREF>& colors)
{
    std::vector<COLORREF> result;
    for (COLORREF c : colors) result.push_back(RGB(255 - GetRValue(c), 255 - GetGValue(c), 255 - GetBValue(c)));
    return result;
}

std::vector<COLORREF> Distinct(uint32_t count)
{
    std::vector<COLORREF> colors;
    for (uint32_t i = 0; i < count; ++i) colors.push_back(DistinctColor(i));
    return colors;
}

// What the grid shows for the first count entries, with the view at the top.
std::vector<COLORREF> Shown(uint32_t count)
{
    std::vector<COLORREF> colors;
    for (uint32_t i = 0; i < count && i < 96; ++i) colors.push_back(palette::SquareColor(i % 12, i / 12));
    return colors;
}

bool GridIsEmpty()
{
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 12; ++c) {
            if (!palette::CellIsPlain(c, r, GetSysColor(COLOR_BTNFACE))) return false;
        }
    }
    return true;
}

bool PanelChecked()
{
    HMENU view = GetSubMenu(GetMenu(palette::Window()), 1);
    return (GetMenuState(view, ID_PALETTE_PANEL, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

RECT WindowRect(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

// Notes whether the box has OK and Cancel, then goes on.
ModalAnswerer::Action NoteOkCancel(bool& both, ModalAnswerer::Action then)
{
    return [&both, then](HWND dialog) {
        both = GetDlgItem(dialog, IDOK) && GetDlgItem(dialog, IDCANCEL) && !GetDlgItem(dialog, IDYES);
        return then(dialog);
    };
}

// Notes the file type the dialog opened with, then goes on.
ModalAnswerer::Action NoteFileType(int& index, ModalAnswerer::Action then)
{
    return [&index, then](HWND dialog) {
        HWND types = GetDlgItem(dialog, kFileTypeCombo);
        if (!types) return false;
        index = int(SendMessageA(types, CB_GETCURSEL, 0, 0));
        return then(dialog);
    };
}

class PaletteWindowTest : public palette::PaletteTest {
protected:
    // A 4 × 2 picture with count distinct entries; the top row shows entries
    // 4 to 7 from left to right, the bottom row 0 to 3.
    std::string Picture(const std::string& name, uint32_t count = 16, uint16_t bits = 8)
    {
        BmpBytes bmp = MakeBmp(4, 2, bits, bits == 8 ? count : 0);
        bmp.table = DistinctTable(count);
        bmp.pixels = bits == 8 ? std::string("\x00\x01\x02\x03\x04\x05\x06\x07", 8)
                               : std::string("\x01\x23\x00\x00\x45\x67\x00\x00", 8);
        bmp.FixOffsets();
        pixels = bmp.pixels;
        std::string path = folder.File(name);
        EXPECT_TRUE(WriteWholeFile(path, bmp.Serialize()));
        return path;
    }

    std::string PalFile(const std::string& name, const std::vector<COLORREF>& colors)
    {
        std::string path = folder.File(name);
        EXPECT_TRUE(WriteWholeFile(path, RiffBytes(colors)));
        return path;
    }

    void OpenAndShow(uint32_t count = 16)
    {
        OpenPicture(Picture("picture.bmp", count));
        ShowPalette();
    }

    // Release the table as the user would; returns the texts of the boxes seen.
    std::vector<SeenDialog> Release(int answer)
    {
        return palette::Run(ID_PALETTE_RELEASE, {ModalAnswerer::Press(answer)});
    }

    // True when a release asks nothing, that is the table is not modified.
    // The release empties the grid.
    bool ReleasesWithoutAsking()
    {
        ModalAnswerer answerer;
        palette::Command(ID_PALETTE_RELEASE);
        return answerer.Seen().empty();
    }

    std::string pixels;  // pixel bytes of the last picture written
};

void ExpectOneBox(const std::vector<SeenDialog>& seen, size_t index, const std::string& text)
{
    ASSERT_EQ(index + 1, seen.size());
    EXPECT_EQ("Korin", seen[index].caption);
    EXPECT_EQ(text, seen[index].text);
}

TEST_F(PaletteWindowTest, F12ShowsTheEntryCountWhileHeld)
{
    ShowPalette();
    palette::FocusGrid();
    struct Case {
        uint32_t count;
        const char* caption;
    };
    for (const Case& c : {Case{0, "This palette has 0 Entries."}, Case{256, "This palette has 256 Entries."},
                          Case{5, "This palette has 5 Entries."}}) {
        if (c.count) OpenPicture(Picture("count.bmp", c.count));
        palette::FocusGrid();
        EXPECT_EQ(kTitle, WindowText(palette::Window()));
        PostMessageA(palette::Grid(), WM_KEYDOWN, VK_F12, 1);
        program::Pump();
        EXPECT_EQ(c.caption, WindowText(palette::Window()));
        PostMessageA(palette::Grid(), WM_KEYDOWN, VK_F12, LPARAM(0x40000001));  // held: repeats
        program::Pump();
        EXPECT_EQ(c.caption, WindowText(palette::Window()));
        PostMessageA(palette::Grid(), WM_KEYUP, VK_F1, LPARAM(0xC0000001));
        program::Pump();
        EXPECT_EQ(c.caption, WindowText(palette::Window())) << "another key let go";
        PostMessageA(palette::Grid(), WM_KEYUP, VK_F12, LPARAM(0xC0000001));
        program::Pump();
        EXPECT_EQ(kTitle, WindowText(palette::Window()));
    }
    std::vector<SeenDialog> seen = palette::Run(ID_PALETTE_INFORMATION, {ModalAnswerer::Press(IDOK)});
    ExpectOneBox(seen, 0, "F12ｷｰを押し続けてください.");
}

TEST_F(PaletteWindowTest, InvertTwiceGivesTheColorsBackButStaysModified)
{
    OpenAndShow();
    palette::Command(ID_PALETTE_INVERT);
    EXPECT_EQ(Inverted(Distinct(16)), Shown(16));
    palette::Command(ID_PALETTE_INVERT);
    EXPECT_EQ(Distinct(16), Shown(16));

    bool okCancel = false;
    std::vector<SeenDialog> seen =
        palette::Run(ID_PALETTE_RELEASE, {NoteOkCancel(okCancel, ModalAnswerer::Press(IDCANCEL))});
    ExpectOneBox(seen, 0, kDiscardQuestion);
    EXPECT_TRUE(okCancel);
    EXPECT_EQ(Distinct(16), Shown(16)) << "Cancel keeps the table";
    EXPECT_TRUE(IsWindowEnabled(palette::ScrollBar()));

    seen = Release(IDOK);
    ExpectOneBox(seen, 0, kDiscardQuestion);
    EXPECT_TRUE(GridIsEmpty());
    EXPECT_FALSE(IsWindowEnabled(palette::ScrollBar()));
}

TEST_F(PaletteWindowTest, SwapsExchangeTwoChannelsInEveryEntry)
{
    struct Case {
        int command;
        const char* what;
    };
    for (const Case& c : {Case{ID_PALETTE_SWAP_RED_GREEN, "red and green"},
                          Case{ID_PALETTE_SWAP_GREEN_BLUE, "green and blue"},
                          Case{ID_PALETTE_SWAP_BLUE_RED, "blue and red"}}) {
        SCOPED_TRACE(c.what);
        program::Restart(true);
        OpenAndShow(24);
        std::vector<COLORREF> expected;
        for (COLORREF color : Distinct(24)) {
            BYTE r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
            switch (c.command) {
            case ID_PALETTE_SWAP_RED_GREEN: expected.push_back(RGB(g, r, b)); break;
            case ID_PALETTE_SWAP_GREEN_BLUE: expected.push_back(RGB(r, b, g)); break;
            default: expected.push_back(RGB(b, g, r)); break;
            }
        }
        palette::Command(c.command);
        EXPECT_EQ(expected, Shown(24));
        palette::Command(c.command);
        EXPECT_EQ(Distinct(24), Shown(24)) << "swapping twice gives the colors back";
        std::vector<SeenDialog> seen = Release(IDCANCEL);
        ASSERT_EQ(1u, seen.size()) << "swapping marks the table modified";
    }
}

TEST_F(PaletteWindowTest, RestoreGoesBackToTheTableAsSetAndClearsModified)
{
    OpenAndShow();
    palette::Command(ID_PALETTE_INVERT);
    palette::Command(ID_PALETTE_SWAP_RED_GREEN);
    palette::Command(ID_PALETTE_RESTORE);
    EXPECT_EQ(Distinct(16), Shown(16));
    EXPECT_TRUE(ReleasesWithoutAsking());
    EXPECT_TRUE(GridIsEmpty());
    palette::Command(ID_PALETTE_RESTORE);
    EXPECT_TRUE(GridIsEmpty()) << "after a release there is nothing to go back to";
}

TEST_F(PaletteWindowTest, EditsOfAnEmptyTableChangeNothing)
{
    ShowPalette();
    for (int command : {ID_PALETTE_INVERT, ID_PALETTE_SWAP_RED_GREEN, ID_PALETTE_SWAP_GREEN_BLUE,
                        ID_PALETTE_SWAP_BLUE_RED, ID_PALETTE_RESTORE}) {
        palette::Command(command);
    }
    EXPECT_TRUE(GridIsEmpty());
    EXPECT_TRUE(ReleasesWithoutAsking()) << "nothing was modified";
}

TEST_F(PaletteWindowTest, ReleaseOfAnUnchangedTableAsksNothing)
{
    OpenAndShow(256);
    palette::Scroll(SB_BOTTOM);
    EXPECT_TRUE(ReleasesWithoutAsking());
    EXPECT_TRUE(GridIsEmpty());
    EXPECT_FALSE(IsWindowEnabled(palette::ScrollBar()));
    EXPECT_FALSE(bitmapDocument.Image().IsEmpty()) << "the picture stays";
}

TEST_F(PaletteWindowTest, LoadsTheTableOfAnotherBitmap)
{
    OpenAndShow(16);
    std::string other = Picture("other.bmp", 256);
    palette::Click(0, 0);
    palette::Command(ID_PALETTE_INVERT);

    std::vector<SeenDialog> seen = palette::Run(
        ID_PALETTE_LOAD, {ModalAnswerer::Press(IDOK), ModalAnswerer::TypeFileName(other)});
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(kDiscardQuestion, seen[0].text);

    EXPECT_EQ(Distinct(96), Shown(96));
    int low = -1, high = -1;
    GetScrollRange(palette::ScrollBar(), SB_CTL, &low, &high);
    EXPECT_EQ(21, high);
    EXPECT_TRUE(IsWindowEnabled(palette::ScrollBar()));
    palette::MoveMouse(1, 0);
    EXPECT_EQ(palette::Frame::Raised, palette::FrameOf(1, 0)) << "the selection was dropped";
    EXPECT_EQ(palette::Frame::Flat, palette::FrameOf(0, 0));
    EXPECT_EQ("Korin [picture.bmp]", program::Title()) << "the picture is not touched";
    EXPECT_EQ(16u, bitmapDocument.Image().EntryCount());
    EXPECT_TRUE(ReleasesWithoutAsking()) << "a load clears the modified flag";
}

TEST_F(PaletteWindowTest, LoadsARiffPaletteAndKeepsItsFileTypeForTheNextLoad)
{
    ShowPalette();
    std::vector<COLORREF> first = Inverted(Distinct(20));
    std::vector<COLORREF> second = Distinct(7);
    std::vector<SeenDialog> seen = LoadPalette(PalFile("first.pal", first), 1);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(first, Shown(20));

    int openedWith = -1;
    seen = palette::Run(ID_PALETTE_LOAD,
                        {NoteFileType(openedWith, ModalAnswerer::TypeFileName(PalFile("second.pal", second)))});
    ASSERT_EQ(1u, seen.size()) << "no error: the RIFF type chosen before still holds";
    EXPECT_EQ(1, openedWith);
    EXPECT_EQ(second, Shown(7));
    EXPECT_TRUE(palette::CellIsPlain(7, 0, GetSysColor(COLOR_BTNFACE)));
}

TEST_F(PaletteWindowTest, LoadsARealRiffPaletteFile)
{
    SKIP_WITHOUT_SHARED_DATA(shared);
    std::string path = shared + "/pal/riff/dagronf_arne-v20-16.pal";
    std::string bytes = ReadWholeFile(path);
    if (bytes.empty()) GTEST_SKIP() << "SKIPPED LOUDLY: " << path << " is absent";
    char full[MAX_PATH];
    ASSERT_NE(0u, GetFullPathNameA(path.c_str(), sizeof full, full, nullptr));
    ASSERT_EQ(88u, bytes.size());
    std::vector<COLORREF> expected;
    for (size_t at = 24; at + 4 <= bytes.size(); at += 4) {
        expected.push_back(RGB(BYTE(bytes[at]), BYTE(bytes[at + 1]), BYTE(bytes[at + 2])));
    }
    ASSERT_EQ(16u, expected.size());

    ShowPalette();
    std::vector<SeenDialog> seen = LoadPalette(full, 1);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(expected, Shown(16));
    EXPECT_EQ(RGB(0xBE, 0x26, 0x33), palette::SquareColor(3, 0));
    EXPECT_TRUE(palette::CellIsPlain(4, 1, GetSysColor(COLOR_BTNFACE)));
}

TEST_F(PaletteWindowTest, LoadFailuresSayWhyAndKeepTheTable)
{
    OpenAndShow(16);
    std::string bitmap = Picture("other.bmp", 256);
    std::string riff = PalFile("colors.pal", Distinct(3));
    std::string text = folder.File("text.pal");
    ASSERT_TRUE(WriteWholeFile(text, "JASC-PAL\r\n0100\r\n1\r\n1 2 3\r\n"));
    std::string trueColor = WritePicture("true color.bmp", 4, 2, 24, 0);
    struct Case {
        const char* what;
        std::string path;
        int fileType;
        const char* message;
    };
    for (const Case& c : {
             Case{"RIFF type, bitmap picked", bitmap, 1, "Loading error!"},
             Case{"bitmap type, RIFF file picked", riff, 0, "Loading error!"},
             Case{"RIFF type, not a RIFF file", text, 1, "Loading error!"},
             Case{"bitmap without a color table", trueColor, 0, "This picture has no palette!"},
         }) {
        SCOPED_TRACE(c.what);
        std::vector<SeenDialog> seen = palette::Run(
            ID_PALETTE_LOAD,
            {palette::ChooseFileType(c.fileType, ModalAnswerer::TypeFileName(c.path)), ModalAnswerer::Press(IDOK)});
        ExpectOneBox(seen, 1, c.message);
        EXPECT_EQ(Distinct(16), Shown(16));
        EXPECT_TRUE(palette::CellIsPlain(4, 1, GetSysColor(COLOR_BTNFACE)));
    }
    EXPECT_TRUE(ReleasesWithoutAsking()) << "a failed load marks nothing";
}

TEST_F(PaletteWindowTest, DiscardQuestionComesBeforeTheLoadDialog)
{
    OpenAndShow(16);
    palette::Command(ID_PALETTE_INVERT);
    std::vector<SeenDialog> seen = palette::Run(ID_PALETTE_LOAD, {ModalAnswerer::Press(IDCANCEL)});
    ExpectOneBox(seen, 0, kDiscardQuestion);
    EXPECT_EQ(Inverted(Distinct(16)), Shown(16));

    // Ctrl+O with the grid focused, answered OK, then the dialog cancelled.
    palette::FocusGrid();
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press(IDOK));
    answerer.Then(ModalAnswerer::Press(IDCANCEL));
    program::PressKey('O', true);
    ASSERT_EQ(2u, answerer.Seen().size()) << answerer.Describe();
    EXPECT_EQ(kDiscardQuestion, answerer.Seen()[0].text);
    EXPECT_EQ("", answerer.Seen()[1].text) << "the open dialog";
    EXPECT_EQ(Inverted(Distinct(16)), Shown(16));
    EXPECT_EQ(1u, Release(IDCANCEL).size()) << "still modified";
}

TEST_F(PaletteWindowTest, SavedPaletteReadsBackEqual)
{
    OpenAndShow(256);
    palette::Command(ID_PALETTE_INVERT);
    std::vector<SeenDialog> seen = palette::Run(ID_PALETTE_SAVE, {ModalAnswerer::Press(IDCANCEL)});
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("名前をつけて保存", seen[0].caption);
    EXPECT_EQ(1u, folder.List().size()) << "a cancelled dialog writes nothing";

    std::string path = folder.File("saved.pal");
    seen = palette::Run(ID_PALETTE_SAVE, {ModalAnswerer::TypeFileName(path)});
    ASSERT_EQ(1u, seen.size()) << "no message after a good save";

    ColorTable saved;
    ASSERT_TRUE(saved.LoadRiffPalette(path.c_str()));
    ASSERT_EQ(256u, saved.GetCount());
    std::vector<COLORREF> expected = Inverted(Distinct(256));
    for (uint32_t i = 0; i < 256; ++i) {
        EXPECT_EQ(expected[i], palette::Screen(saved.GetPackedColor(i))) << i;
    }
    EXPECT_EQ(RiffBytes(expected), ReadWholeFile(path));
    EXPECT_TRUE(ReleasesWithoutAsking()) << "saving clears the modified flag";
}

TEST_F(PaletteWindowTest, SavingAnEmptyTableSaysItHasNoEntry)
{
    ShowPalette();
    std::vector<SeenDialog> seen = palette::Run(ID_PALETTE_SAVE, {ModalAnswerer::Press(IDOK)});
    ExpectOneBox(seen, 0, "The current palette has no entry.");
    palette::FocusGrid();
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press(IDOK));
    program::PressKey('S', true);
    ExpectOneBox(answerer.Seen(), 0, "The current palette has no entry.");
}

// Guards against a palette save that wrote nothing passing for a save and unmarking the edits.
TEST_F(PaletteWindowTest, FailedSaveSaysSoAndKeepsTheEditsMarked)
{
    OpenAndShow(16);
    palette::Command(ID_PALETTE_INVERT);
    std::string taken = folder.File("taken.pal");
    ASSERT_TRUE(CreateDirectoryA(taken.c_str(), nullptr));
    // "taken" gets the default extension and names the folder; the dialog
    // asks whether to replace it.
    std::vector<SeenDialog> seen = palette::Run(
        ID_PALETTE_SAVE, {ModalAnswerer::TypeFileName(folder.File("taken")), ModalAnswerer::Press(IDYES),
                          ModalAnswerer::Press(IDOK)});
    ExpectOneBox(seen, 2, "Saving error!");
    EXPECT_TRUE(GetFileAttributesA(taken.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ((std::vector<std::string>{"picture.bmp", "taken.pal"}), folder.List())
        << "no temporary file left behind";
    std::vector<SeenDialog> release = Release(IDCANCEL);
    ExpectOneBox(release, 0, kDiscardQuestion);
}

TEST_F(PaletteWindowTest, ApplyRecolorsThePictureAndKeepsTheEditsMarked)
{
    OpenAndShow(16);
    HWND main = program::MainWindow();
    ASSERT_EQ(DistinctColor(4), program::ClientPixel(main, 0, 0));
    palette::Command(ID_PALETTE_INVERT);
    palette::Command(ID_PALETTE_APPLY);
    EXPECT_EQ("Korin [picture.bmp *]", program::Title());
    std::vector<COLORREF> inverted = Inverted(Distinct(16));
    EXPECT_EQ(inverted[4], program::ClientPixel(main, 0, 0));
    EXPECT_EQ(inverted[7], program::ClientPixel(main, 3, 0));
    EXPECT_EQ(inverted[0], program::ClientPixel(main, 0, 1));
    EXPECT_EQ(inverted, Shown(16));

    // Restore goes to the table as it was before the edits, not the applied one.
    palette::Command(ID_PALETTE_SWAP_BLUE_RED);
    std::vector<SeenDialog> seen = palette::Run(ID_PALETTE_LOAD, {ModalAnswerer::Press(IDCANCEL)});
    ExpectOneBox(seen, 0, kDiscardQuestion);
    palette::Command(ID_PALETTE_RESTORE);
    EXPECT_EQ(Distinct(16), Shown(16));
    EXPECT_EQ(inverted[4], program::ClientPixel(main, 0, 0)) << "the picture keeps the applied table";
}

TEST_F(PaletteWindowTest, ApplyWithoutAFittingPictureFails)
{
    ShowPalette();
    std::string small = PalFile("small.pal", Distinct(16));
    std::string large = PalFile("large.pal", Distinct(256));
    // No picture at all.
    ASSERT_EQ(1u, LoadPalette(small, 1).size());
    std::vector<SeenDialog> seen = palette::Run(ID_PALETTE_APPLY, {ModalAnswerer::Press(IDOK)});
    ExpectOneBox(seen, 0, "Failed.");
    EXPECT_EQ("Korin", program::Title());

    // 256 entries do not fit a 4-bit picture; F5 with the grid focused.
    OpenPicture(Picture("four bits.bmp", 16, 4));
    ASSERT_EQ(1u, LoadPalette(large).size());
    palette::FocusGrid();
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press(IDOK));
    program::PressKey(VK_F5);
    ExpectOneBox(answerer.Seen(), 0, "Failed.");
    EXPECT_EQ("Korin [four bits.bmp]", program::Title());
    EXPECT_EQ(DistinctColor(4), program::ClientPixel(program::MainWindow(), 0, 0));

    // A 2-bit PNG shows as a 4-bit bitmap but its file holds 4 entries: the
    // refusal names that count, for a table the bitmap would take and one it would not.
    const std::string png = folder.File("two bits.png");
    ASSERT_TRUE(WriteWholeFile(png, SmallPngBytes()));
    OpenPicture(png);
    const COLORREF before = program::ClientPixel(program::MainWindow(), 0, 0);
    for (uint32_t count : {8u, 17u}) {
        ASSERT_EQ(1u, LoadPalette(PalFile("long.pal", Distinct(count))).size());
        seen = palette::Run(ID_KEY_F5, {ModalAnswerer::Press(IDOK)});
        ExpectOneBox(seen, 0,
                     "この画像(2ﾋﾞｯﾄのPNG)のﾊﾟﾚｯﾄは4色までです. 反映するﾊﾟﾚｯﾄは" + std::to_string(count) + "色です.");
        EXPECT_EQ("Korin [two bits.png]", program::Title());
        EXPECT_EQ(before, program::ClientPixel(program::MainWindow(), 0, 0));
    }
    // The limit's words do not outlive the refusal.
    palette::Command(ID_PALETTE_RELEASE);
    seen = palette::Run(ID_PALETTE_APPLY, {ModalAnswerer::Press(IDOK)});
    ExpectOneBox(seen, 0, "Failed.");
}

TEST_F(PaletteWindowTest, PanelCheckMarkFollowsOAndTheWindowToggles)
{
    ShowPalette();
    palette::FocusGrid();
    EXPECT_FALSE(PanelChecked());
    program::PressKey('O');
    EXPECT_TRUE(PanelChecked());
    EXPECT_TRUE(colorPanel->IsVisible());

    program::PressKey(VK_F4);
    EXPECT_FALSE(IsWindowVisible(palette::Window()));
    EXPECT_FALSE(colorPanel->IsVisible()) << "the panel goes with the palette window";
    program::Command(ID_PALETTE_DIALOG);
    EXPECT_TRUE(IsWindowVisible(palette::Window()));
    EXPECT_TRUE(colorPanel->IsVisible()) << "and comes back with it";
    EXPECT_TRUE(PanelChecked());

    palette::FocusGrid();
    program::PressKey('O');
    EXPECT_FALSE(PanelChecked());
    EXPECT_FALSE(colorPanel->IsVisible());
    program::Command(ID_PALETTE_DIALOG);
    program::Command(ID_PALETTE_DIALOG);
    EXPECT_TRUE(IsWindowVisible(palette::Window()));
    EXPECT_FALSE(colorPanel->IsVisible()) << "a hidden panel stays hidden";
    EXPECT_TRUE(IsWindowEnabled(palette::Window()));
}

TEST_F(PaletteWindowTest, MainWindowF4PlacesThePaletteAtItsTopRightCorner)
{
    HWND main = program::MainWindow();
    EXPECT_FALSE(IsWindowVisible(palette::Window()));
    program::PressKey(VK_F4);
    ASSERT_TRUE(IsWindowVisible(palette::Window()));
    RECT outer = WindowRect(main);
    RECT placed = WindowRect(palette::Window());
    EXPECT_EQ(outer.right, placed.left);
    EXPECT_EQ(outer.top, placed.top);
    EXPECT_EQ(346, placed.right - placed.left);
    EXPECT_EQ(252, placed.bottom - placed.top);

    SetActiveWindow(main);
    SetFocus(main);
    program::PressKey(VK_F4);
    EXPECT_FALSE(IsWindowVisible(palette::Window()));

    // It follows the main window wherever that is when it opens.
    MoveWindow(main, 30, 40, 300, 250, TRUE);
    program::Command(ID_PALETTE_DIALOG);
    placed = WindowRect(palette::Window());
    EXPECT_EQ(WindowRect(main).right, placed.left);
    EXPECT_EQ(40, placed.top);
}

TEST_F(PaletteWindowTest, CloseBoxCommandAndF4HideThePalette)
{
    struct Case {
        const char* what;
        void (*act)();
    };
    for (const Case& c : {Case{"close command", [] { palette::Command(ID_PALETTE_CLOSE); }},
                          Case{"close box", [] { palette::Command(IDCANCEL); }},
                          Case{"F4", [] { palette::FocusGrid(); program::PressKey(VK_F4); }}}) {
        ShowPalette();
        ASSERT_TRUE(IsWindowVisible(palette::Window()));
        c.act();
        EXPECT_FALSE(IsWindowVisible(palette::Window())) << c.what;
        EXPECT_FALSE(paletteWindow.IsVisible()) << c.what;
    }
}

TEST_F(PaletteWindowTest, ShowPaletteHandsOverThePicturesCurrentTable)
{
    OpenAndShow(16);
    palette::Command(ID_PALETTE_INVERT);
    program::Command(ID_PALETTE_SHOW);
    EXPECT_EQ(Distinct(16), Shown(16)) << "the picture was never applied to";
    EXPECT_EQ(1u, Release(IDCANCEL).size()) << "the table from the document leaves the flag alone";

    palette::Command(ID_PALETTE_INVERT);
    palette::Command(ID_PALETTE_APPLY);
    palette::Command(ID_PALETTE_INVERT);
    program::Command(ID_PALETTE_SHOW);
    EXPECT_EQ(Inverted(Distinct(16)), Shown(16)) << "the applied table";

    // Without a picture there is nothing to hand over.
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press(IDNO));
    program::Command(ID_FILE_CLOSE);
    ASSERT_EQ(1u, answerer.Seen().size()) << answerer.Describe();
    program::Command(ID_PALETTE_SHOW);
    EXPECT_EQ(Inverted(Distinct(16)), Shown(16));
}

TEST_F(PaletteWindowTest, ControlTabMovesBetweenTheWindows)
{
    HWND main = program::MainWindow();
    program::PressKey(VK_TAB, true);
    EXPECT_EQ(main, GetActiveWindow()) << "nothing to move to while the palette is hidden";

    ShowPalette();
    SetActiveWindow(main);
    SetFocus(main);
    program::PressKey(VK_TAB, true);
    EXPECT_EQ(palette::Window(), GetActiveWindow()) << "Ctrl+Tab in the main window";
    palette::FocusGrid();
    program::PressKey(VK_TAB, true);
    EXPECT_EQ(main, GetActiveWindow()) << "Ctrl+Tab in the palette with the panel hidden";

    SetFocus(main);
    program::PressKey(VK_TAB, true, true);
    EXPECT_EQ(palette::Window(), GetActiveWindow()) << "Ctrl+Shift+Tab in the main window";
    palette::FocusGrid();
    program::PressKey(VK_TAB, true, true);
    EXPECT_EQ(main, GetActiveWindow()) << "Ctrl+Shift+Tab in the palette";

    palette::FocusGrid();
    program::PressKey('O');
    ASSERT_TRUE(colorPanel->IsVisible());
    palette::FocusGrid();
    program::PressKey(VK_TAB, true, true);
    EXPECT_EQ(main, GetActiveWindow()) << "Ctrl+Shift+Tab always goes to the main window";
    palette::FocusGrid();
    program::PressKey(VK_TAB, true);
    EXPECT_NE(main, GetActiveWindow()) << "Ctrl+Tab goes to the shown panel";
    if (colorPanel->Hwnd()) {
        EXPECT_EQ(colorPanel->Hwnd(), GetActiveWindow());
    }
}

// ------------------------------------------------ undo, redo and the clipboard

std::string Hex(COLORREF color)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", GetRValue(color), GetGValue(color), GetBValue(color));
    return text;
}

// What the user sees of the table: whether it is modified, the selection as
// the grid frames it, and the first two rows of squares.
std::string Seen()
{
    std::string seen = paletteWindow.IsModified() ? "modified" : "unmodified";
    if (paletteWindow.HasSelection()) {
        int column = paletteWindow.SelectedColumn();
        int row = paletteWindow.SelectedRow() - paletteWindow.TopRow();
        seen += " selected " + std::to_string(column) + "," + std::to_string(row) + " " +
                palette::FrameName(palette::FrameOf(column, row));
    }
    for (int i = 0; i < 24; ++i) seen += " " + Hex(palette::SquareColor(i % 12, i / 12));
    return seen;
}

// After an undo or redo the panel shows the selected entry's color.
void ExpectPanelShowsTheSelection()
{
    if (!paletteWindow.HasSelection()) return;
    COLORREF selected = palette::SquareColor(paletteWindow.SelectedColumn(),
                                             paletteWindow.SelectedRow() - paletteWindow.TopRow());
    HWND preview = GetDlgItem(colorPanel->Hwnd(), IDC_PREVIEW);
    EXPECT_EQ(Hex(selected), Hex(program::ClientPixel(preview, 2, 2)));
    std::string hex = Hex(selected);
    for (char& c : hex) c = char(tolower(c));
    EXPECT_EQ(hex, ItemText(colorPanel->Hwnd(), IDC_HEX_TEXT));
}

TEST_F(PaletteWindowTest, UndoAndRedoWalkThroughEveryKindOfStep)
{
    OpenAndShow(16);
    std::string twenty = PalFile("twenty.pal", Inverted(Distinct(20)));
    std::string saved = folder.File("saved.pal");
    palette::FocusGrid();
    program::PressKey('O');
    ASSERT_TRUE(colorPanel->IsVisible());
    HMENU menu = GetMenu(palette::Window());
    RECT first, last;
    GetMenuItemRect(palette::Window(), menu, 0, &first);
    GetMenuItemRect(palette::Window(), menu, GetMenuItemCount(menu) - 1, &last);
    EXPECT_EQ(first.top, last.top) << "the window's fixed height leaves room for one menu line";
    EXPECT_FALSE(palette::ItemEnabled(ID_PALETTE_UNDO));
    EXPECT_FALSE(palette::ItemEnabled(ID_PALETTE_REDO));

    struct Step {
        const char* what;
        std::function<void()> prepare;
        std::function<void()> act;
    };
    auto nothing = [] {};
    auto command = [](int id) { return [id] { palette::Command(id); }; };
    const Step steps[] = {
        {"Enter", [] { palette::Click(2, 0); }, [] { palette::CommitColor(2, 0, RGB(1, 2, 3)); }},
        {"invert", nothing, command(ID_PALETTE_INVERT)},
        {"swap red and green", nothing, command(ID_PALETTE_SWAP_RED_GREEN)},
        {"swap green and blue", [] { palette::Click(7, 1); }, command(ID_PALETTE_SWAP_GREEN_BLUE)},
        {"swap blue and red",
         [&] { palette::Run(ID_PALETTE_SAVE, {ModalAnswerer::TypeFileName(saved)}); },
         command(ID_PALETTE_SWAP_BLUE_RED)},
        {"paste", [] { palette::Click(5, 0); palette::PutOnClipboard("#405060"); },
         [] { palette::FocusGrid(); program::PressKey('V', true); }},
        {"restore", nothing, command(ID_PALETTE_RESTORE)},
        {"load", nothing, [&] { ASSERT_EQ(1u, LoadPalette(twenty, 1).size()); }},
        {"release", nothing, command(ID_PALETTE_RELEASE)},
    };
    const size_t count = sizeof steps / sizeof steps[0];
    std::vector<std::string> before, after;
    for (size_t i = 0; i < count; ++i) {
        steps[i].prepare();
        before.push_back(Seen());
        steps[i].act();
        after.push_back(Seen());
        EXPECT_NE(before[i], after[i]) << steps[i].what;
    }
    // The save made the state it stored unmodified, however it is reached
    // again, and only that one: the table as the picture gave it no longer is.
    after[3] = before[4];
    EXPECT_EQ("unmodified", before[4].substr(0, 10));
    ASSERT_EQ("unmodified", before[0].substr(0, 10));
    before[0].replace(0, 10, "modified");

    // Back with Ctrl+Z in the grid and in the window itself and with the menu.
    for (size_t i = count; i-- > 0;) {
        SCOPED_TRACE(std::string("undo ") + steps[i].what);
        EXPECT_TRUE(palette::ItemEnabled(ID_PALETTE_UNDO));
        switch (i % 3) {
        case 0: palette::FocusGrid(); program::PressKey('Z', true); break;
        case 1: palette::FocusGrid(); SetFocus(palette::Window()); program::PressKey('Z', true); break;
        default: palette::Command(ID_PALETTE_UNDO); break;
        }
        EXPECT_EQ(before[i], Seen());
        ExpectPanelShowsTheSelection();
        EXPECT_TRUE(palette::ItemEnabled(ID_PALETTE_REDO));
    }
    EXPECT_FALSE(palette::ItemEnabled(ID_PALETTE_UNDO));
    palette::FocusGrid();
    program::PressKey('Z', true);
    EXPECT_EQ(before[0], Seen()) << "nothing more to undo";

    // Forward again with Ctrl+Y, Ctrl+Shift+Z and the menu.
    for (size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(std::string("redo ") + steps[i].what);
        palette::FocusGrid();
        switch (i % 3) {
        case 0: program::PressKey('Y', true); break;
        case 1: program::PressKey('Z', true, true); break;
        default: palette::Command(ID_PALETTE_REDO); break;
        }
        EXPECT_EQ(after[i], Seen());
        ExpectPanelShowsTheSelection();
    }
    EXPECT_FALSE(palette::ItemEnabled(ID_PALETTE_REDO));

    // Undoing the release and the load brings back the table they replaced
    // as the one to restore; a new edit then drops the steps to redo.
    palette::Command(ID_PALETTE_UNDO);
    palette::Command(ID_PALETTE_UNDO);
    palette::Command(ID_PALETTE_INVERT);
    EXPECT_FALSE(palette::ItemEnabled(ID_PALETTE_REDO));
    std::string inverted = Seen();
    palette::FocusGrid();
    program::PressKey('Y', true);
    EXPECT_EQ(inverted, Seen());
    palette::Command(ID_PALETTE_RESTORE);
    EXPECT_EQ(Distinct(16), Shown(16));
}

TEST_F(PaletteWindowTest, HistoryKeepsTheNewestStepsAndANewPictureStartsAnother)
{
    ShowPalette();
    // The largest table a palette file holds.
    std::vector<COLORREF> large;
    for (uint32_t i = 0; i < 0xFFFF; ++i) large.push_back(DistinctColor(i % 256));
    ASSERT_EQ(1u, LoadPalette(PalFile("large.pal", large), 1).size());
    palette::FocusGrid();
    for (int i = 0; i < 120; ++i) palette::CommitColor(0, 0, RGB(i, 0, 0));
    for (int i = 119; i >= 0; --i) {
        ASSERT_EQ(RGB(i, 0, 0), palette::SquareColor(0, 0));
        program::PressKey('Z', true);
    }
    EXPECT_EQ(DistinctColor(0), palette::SquareColor(0, 0)) << "all 120 edits undone";
    program::PressKey('Z', true);
    EXPECT_TRUE(GridIsEmpty()) << "and the load before them";
    int redone = 0;
    while (palette::ItemEnabled(ID_PALETTE_REDO) && redone < 200) {
        palette::Command(ID_PALETTE_REDO);
        ++redone;
    }
    EXPECT_EQ(121, redone);

    // Each invert of 65535 entries is a large step: the oldest steps go.
    const int inverts = 20;
    for (int i = 0; i < inverts; ++i) palette::Command(ID_PALETTE_INVERT);
    int undone = 0;
    while (palette::ItemEnabled(ID_PALETTE_UNDO) && undone < 200) {
        palette::Command(ID_PALETTE_UNDO);
        ++undone;
    }
    EXPECT_LT(undone, inverts);
    EXPECT_GT(undone, 5);
    bool odd = (inverts - undone) % 2 != 0;
    EXPECT_EQ(odd ? RGB(136, 255, 255) : RGB(119, 0, 0), palette::SquareColor(0, 0));
    EXPECT_EQ(odd ? Inverted(Distinct(2))[1] : DistinctColor(1), palette::SquareColor(1, 0));

    // A new picture, and the main window's show palette, start a new history.
    OpenPicture(Picture("next.bmp", 16));
    EXPECT_FALSE(palette::ItemEnabled(ID_PALETTE_UNDO));
    palette::FocusGrid();
    program::PressKey('Z', true);
    EXPECT_EQ(Distinct(16), Shown(16));
    palette::Command(ID_PALETTE_INVERT);
    EXPECT_TRUE(palette::ItemEnabled(ID_PALETTE_UNDO));
    program::Command(ID_PALETTE_SHOW);
    EXPECT_FALSE(palette::ItemEnabled(ID_PALETTE_UNDO));
    EXPECT_EQ(Distinct(16), Shown(16));
}

TEST_F(PaletteWindowTest, ColorsGoToAndComeFromTheClipboardAsText)
{
    OpenAndShow(16);
    palette::FocusGrid();
    palette::Click(5, 0);
    program::PressKey('C', true);
    EXPECT_EQ("#" + Hex(DistinctColor(5)), palette::ClipboardText());
    palette::Click(5, 0);  // no selection: the whole table
    palette::Command(ID_PALETTE_COPY);
    std::string all;
    for (COLORREF color : Distinct(16)) all += "#" + Hex(color) + "\r\n";
    EXPECT_EQ(all, palette::ClipboardText());
    EXPECT_FALSE(palette::ItemEnabled(ID_PALETTE_PASTE)) << "no selection";
    palette::FocusGrid();
    program::PressKey('V', true);
    EXPECT_EQ(Distinct(16), Shown(16));
    EXPECT_FALSE(paletteWindow.IsModified());

    struct Case {
        const char* text;
        int column;
        std::vector<COLORREF> colors;
    };
    for (const Case& c : {
             Case{"#102030", 3, {RGB(0x10, 0x20, 0x30)}},
             Case{"a0B0c0", 3, {RGB(0xA0, 0xB0, 0xC0)}},
             Case{"#f0a", 1, {RGB(0xFF, 0x00, 0xAA)}},
             Case{"rgb(12, 34, 56)", 1, {RGB(12, 34, 56)}},
             Case{"7 8 9", 0, {RGB(7, 8, 9)}},
             // The second byte of 色 is "F": a hex digit only when read alone.
             Case{"色abcde1", 0, {RGB(0xAB, 0xCD, 0xE1)}},
             Case{"#010101\r\n\r\nno color\r\n2, 2, 2\r\n#030303\r\n", 2,
                  {RGB(1, 1, 1), RGB(2, 2, 2), RGB(3, 3, 3)}},
         }) {
        SCOPED_TRACE(c.text);
        // The last row holds entries 12 to 15: a paste ends with the table.
        if (!paletteWindow.HasSelection() || paletteWindow.SelectedColumn() != c.column)
            palette::Click(c.column, 1);
        palette::PutOnClipboard(c.text);
        EXPECT_TRUE(palette::ItemEnabled(ID_PALETTE_PASTE));
        palette::FocusGrid();
        program::PressKey('V', true);
        std::vector<COLORREF> expected = Distinct(16);
        for (size_t i = 0; i < c.colors.size() && 12 + c.column + i < 16; ++i) expected[12 + c.column + i] = c.colors[i];
        EXPECT_EQ(expected, Shown(16));
        EXPECT_TRUE(paletteWindow.IsModified());
        std::string hex = Hex(c.colors[0]);
        for (char& ch : hex) ch = char(tolower(ch));
        EXPECT_EQ(hex, ItemText(colorPanel->Hwnd(), IDC_HEX_TEXT)) << "the panel shows the pasted color";
        palette::Command(ID_PALETTE_UNDO);
        EXPECT_EQ(Distinct(16), Shown(16)) << "one paste, one step";
        EXPECT_FALSE(paletteWindow.IsModified());
    }

    for (const char* text : {"no color here", "", "256, 0, 0", "#12345"}) {
        SCOPED_TRACE(text);
        palette::PutOnClipboard(text);
        EXPECT_FALSE(palette::ItemEnabled(ID_PALETTE_PASTE));
        palette::FocusGrid();
        program::PressKey('V', true);
        palette::Command(ID_PALETTE_PASTE);
        EXPECT_EQ(Distinct(16), Shown(16));
        EXPECT_FALSE(paletteWindow.IsModified());
        EXPECT_FALSE(palette::ItemEnabled(ID_PALETTE_UNDO));
    }
}

// The whole road: a picture opened, its palette edited and applied, the
// picture saved with the new colors and exactly the pixel bytes it had.
TEST_F(PaletteWindowTest, EditedPaletteReachesTheSavedFile)
{
    std::string path = Picture("road.bmp", 16);
    std::string original = ReadWholeFile(path);
    OpenPicture(path);
    HWND main = program::MainWindow();
    SetActiveWindow(main);
    SetFocus(main);
    program::PressKey(VK_F4);
    ASSERT_TRUE(IsWindowVisible(palette::Window()));
    palette::Command(ID_PALETTE_INVERT);
    palette::Command(ID_PALETTE_SWAP_RED_GREEN);
    palette::FocusGrid();
    program::PressKey(VK_F5);
    EXPECT_EQ("Korin [road.bmp *]", program::Title());

    SetActiveWindow(main);
    SetFocus(main);
    ModalAnswerer answerer;
    program::PressKey('S', true);
    EXPECT_TRUE(answerer.Seen().empty()) << answerer.Describe();
    EXPECT_EQ("Korin [road.bmp]", program::Title());

    std::string saved = ReadWholeFile(path);
    ASSERT_EQ(original.size(), saved.size());
    const size_t tableAt = 54, pixelsAt = 54 + 16 * 4;
    EXPECT_EQ(original.substr(0, tableAt), saved.substr(0, tableAt)) << "headers";
    EXPECT_EQ(pixels, saved.substr(pixelsAt)) << "pixel bytes";
    for (uint32_t i = 0; i < 16; ++i) {
        COLORREF c = DistinctColor(i);
        // Inverted, then red and green swapped; RGBQUAD order.
        std::string entry{char(255 - GetBValue(c)), char(255 - GetRValue(c)), char(255 - GetGValue(c)), '\0'};
        EXPECT_EQ(entry, saved.substr(tableAt + 4 * i, 4)) << "entry " << i;
    }
}

}  // namespace
