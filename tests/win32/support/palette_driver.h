// The palette window and its grid as a user meets them: commands from its
// menu, keys with the grid focused, the mouse at computed cell positions, and
// the grid's pixels read back from the screen.
#ifndef KORIN_TESTS_WIN32_PALETTE_DRIVER_H
#define KORIN_TESTS_WIN32_PALETTE_DRIVER_H

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "palette/color_table.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/temp_folder.h"
#include "tests/win32/support/modal_answerer.h"

namespace palette {

HWND Window();
HWND Grid();
HWND ScrollBar();

// A command of the palette window's menu, as choosing the item sends it.
void Command(int id);
// A palette command with the dialogs it opens answered in turn; expects every
// answer used and returns what was seen.
std::vector<SeenDialog> Run(int id, const std::vector<ModalAnswerer::Action>& answers);
// Makes the palette window active with the keyboard focus on its grid.
void FocusGrid();
// Scrolls as the scroll bar does.
void Scroll(int code, int position = 0);

// The screen color of a packed table color.
COLORREF Screen(uint32_t packedColor);
COLORREF GridPixel(int x, int y);
// The color in the middle of the square of a visible cell.
COLORREF SquareColor(int column, int row);
// True when the whole square, its 2-pixel ring and the frame of the cell are
// one color: what an empty cell shows.
bool CellIsPlain(int column, int row, COLORREF color);

enum class Frame { Flat, Raised, Sunken, Other };
const char* FrameName(Frame frame);
Frame FrameOf(int column, int row);

void MoveMouse(int column, int row);
void Click(int column, int row);

// Writes color into the entry of a visible cell as the color panel's Enter
// button does, selecting the cell first unless it is selected.
void CommitColor(int column, int row, COLORREF color);

// Whether an item of the palette window's menu is enabled once its menu opens.
bool ItemEnabled(int id);

// The clipboard's CF_TEXT, put there or read back directly.
void PutOnClipboard(const std::string& text);
std::string ClipboardText();

// The row-label column of the palette window as shown, one pixel a value.
std::vector<COLORREF> LabelPixels();

// Picks a file type in an open or save dialog as a click in its list does,
// then goes on with the next action.
ModalAnswerer::Action ChooseFileType(int index, ModalAnswerer::Action then);

// A table (RGBQUAD bytes) of count entries, count at most 256, in which no
// two entries look alike and none looks like a button color: the entry
// behind a square can be told from its color.
std::string DistinctTable(uint32_t count);
COLORREF DistinctColor(uint32_t entry);
// The entry of a distinct table shown in a visible cell; -1 for the button
// face, -2 for anything else.
int EntryShown(int column, int row);

class PaletteTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A BMP file in the test's folder; table holds RGBQUAD bytes ("" keeps
    // the pattern MakeBmp gives).
    std::string WritePicture(const std::string& name, int width, int height, uint16_t bits,
                             uint32_t entries, const std::string& table = "");
    // File > Open through the real dialog.
    void OpenPicture(const std::string& path);
    // F4 in the main window.
    void ShowPalette();
    // Loads path into the palette through its own open dialog, with the file
    // type chosen first when fileType is 0 or more.
    std::vector<SeenDialog> LoadPalette(const std::string& path, int fileType = -1);

    TempFolder folder;
};

}  // namespace palette

#endif
