// A long session of real use, watched for leaks: every cycle opens the
// picture, shows the palette and panel, selects a cell, drags a slider, writes
// the color, applies it, saves, switches views and resizes. GDI and USER
// objects, memory and the folder's files must stay flat, and the last saved
// file must hold exactly the colors the cycles wrote.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "app/globals.h"
#include "palette/palette_window.h"
#include "panel/color_panel.h"
#include "resources/resource.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/temp_folder.h"
#include "tests/win32/support/modal_answerer.h"
#include "tests/win32/support/program.h"

namespace {

// About a quarter of a second a cycle under Wine. On a busy machine a cycle
// can take four times that: the cycles stop after five minutes (the test's
// time limit is ten), but never before enough of them for a leak of one
// object a cycle to stand out.
const int kCycles = 1000;
const int kFewestCycles = 120;
const double kCycleSeconds = 300;
const int kEntries = 16;
const int kColumns = 12;

struct Usage {
    DWORD gdiObjects;   // 0 where the system does not report them (Wine)
    DWORD userObjects;
    int gdiHeadroom;    // GDI objects that could still be made
    int windows;        // the thread's windows and their children
    SIZE_T privateBytes;
};

BOOL CALLBACK CountChild(HWND, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    EnumChildWindows(window, CountChild, count);
    return TRUE;
}

int ThreadWindows()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, LPARAM(&count));
    return count;
}

// How many more GDI objects the process can make: a leak eats into it even
// where the object counts are not reported.
int GdiHeadroom()
{
    std::vector<HGDIOBJ> made;
    made.reserve(70000);
    while (made.size() < 70000) {
        HGDIOBJ pen = CreatePen(PS_SOLID, 1, RGB(made.size() & 0xFF, 0, 0));
        if (!pen) break;
        made.push_back(pen);
    }
    for (HGDIOBJ object : made) DeleteObject(object);
    return int(made.size());
}

Usage Measure()
{
    program::Pump();
    Usage usage;
    usage.gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    usage.userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    usage.gdiHeadroom = GdiHeadroom();
    usage.windows = ThreadWindows();
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    usage.privateBytes = counters.PagefileUsage;
    return usage;
}

HWND PanelControl(int id)
{
    return GetDlgItem(colorPanel->Hwnd(), id);
}

void LeftClick(HWND window, int x, int y)
{
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

class Soak : public ::testing::Test {
protected:
    void SetUp() override { program::Restart(true); }
    void TearDown() override { program::Stop(); }

    // One cycle; the slider drag gives entry this red.
    void Cycle(int cycle, uint32_t entry, uint8_t red)
    {
        {
            ModalAnswerer answerer;
            answerer.Then(ModalAnswerer::TypeFileName(path));
            program::Command(ID_FILE_OPEN);
            ASSERT_EQ(1u, answerer.Seen().size()) << "cycle " << cycle << "\n" << answerer.Describe();
        }
        program::PressKey(VK_F4);
        ASSERT_TRUE(paletteWindow.IsVisible()) << cycle;
        if (!colorPanel->IsVisible()) SendMessageA(paletteWindow.Hwnd(), WM_COMMAND, ID_PALETTE_PANEL, 0);
        program::Pump();
        ASSERT_TRUE(colorPanel->IsVisible()) << cycle;

        HWND grid = GetDlgItem(paletteWindow.Hwnd(), IDC_PALETTE_GRID);
        int column = int(entry % kColumns), row = int(entry / kColumns);
        SendMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5 + 22 * column + 10, 5 + 22 * row + 10));
        program::Pump();

        HWND slider = PanelControl(IDC_RED_SLIDER);
        SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(red / 2, 5));
        SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(red / 2 + 40, 5));
        SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(red, 5));
        SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(red, 5));
        LeftClick(PanelControl(IDC_ENTER_BUTTON), 5, 5);
        SendMessageA(paletteWindow.Hwnd(), WM_COMMAND, ID_KEY_F5, 0);
        program::Pump();

        SetActiveWindow(program::MainWindow());
        SetFocus(program::MainWindow());
        {
            ModalAnswerer answerer;  // a save that asks anything is a failure
            program::PressKey('S', true);
            ASSERT_EQ(0u, answerer.Seen().size()) << "cycle " << cycle << "\n" << answerer.Describe();
        }

        const int views[] = {ID_VIEW_SHOW_HEADER, cycle % 2 ? ID_VIEW_HEADER_MEMBERS : ID_VIEW_HEADER_SUMMARY,
                             cycle % 3 ? ID_VIEW_NUMBERS_HEX : ID_VIEW_NUMBERS_DECIMAL, ID_VIEW_SHOW_PICTURE,
                             cycle % 2 ? ID_VIEW_FIT_TO_WINDOW : ID_VIEW_ACTUAL_SIZE,
                             cycle % 4 ? ID_VIEW_BACKGROUND_WHITE : ID_VIEW_BACKGROUND_BLACK};
        for (int view : views) program::Command(view);
        MoveWindow(program::MainWindow(), 100 + cycle % 7 * 10, 100, 360 + cycle % 11 * 20,
                   220 + cycle % 5 * 30, TRUE);
        program::Pump();
        program::PressKey(VK_F4);  // the palette window closes with the same key
        ASSERT_FALSE(paletteWindow.IsVisible()) << cycle;
    }

    TempFolder folder;
    std::string path;
};

TEST_F(Soak, LongSessionLeaksNothingAndSavesExactlyTheEdits)
{
    // Large enough that keeping one picture a cycle would show in memory.
    BmpBytes picture = MakeBmp(160, 120, 8, kEntries);
    path = folder.File("soak.bmp");
    ASSERT_TRUE(WriteWholeFile(path, picture.Serialize()));
    std::string expected = picture.Serialize();

    const int kEarly = 20;
    Usage early = {};
    auto started = std::chrono::steady_clock::now();
    auto spent = [&started] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(); };
    int cycles = 0;
    for (int cycle = 0; cycle < kCycles && (cycle < kFewestCycles || spent() < kCycleSeconds); ++cycle) {
        if (cycle == kEarly) early = Measure();
        uint32_t entry = uint32_t(cycle % kEntries);
        uint8_t red = uint8_t(cycle * 37 % 256);
        Cycle(cycle, entry, red);
        if (HasFatalFailure()) return;
        expected[54 + 4 * entry + 2] = char(red);  // RGBQUAD: blue, green, red
        ASSERT_EQ(std::vector<std::string>{"soak.bmp"}, folder.List()) << "cycle " << cycle;
        cycles = cycle + 1;
    }
    const double seconds = spent();
    Usage late = Measure();

    std::printf("soak: %d cycles in %.1f s (%.1f ms a cycle)\n", cycles, seconds, 1000 * seconds / cycles);
    std::printf("soak: cycle %d -> %d: GDI objects %lu -> %lu, USER objects %lu -> %lu, "
                "GDI headroom %d -> %d, windows %d -> %d, private bytes %lu -> %lu\n",
                kEarly, cycles, early.gdiObjects, late.gdiObjects, early.userObjects, late.userObjects,
                early.gdiHeadroom, late.gdiHeadroom, early.windows, late.windows, (unsigned long)early.privateBytes,
                (unsigned long)late.privateBytes);

    // One object a cycle would be cycles - kEarly of them; a quarter of that
    // leaves room for caches the system fills lazily. GetGuiResources counts
    // on Windows; under Wine it reports 0 and the headroom probe counts.
    const int leakBudget = (cycles - kEarly) / 4;
    EXPECT_LE(int(late.gdiObjects) - int(early.gdiObjects), leakBudget);
    EXPECT_LE(int(late.userObjects) - int(early.userObjects), leakBudget);
    EXPECT_GT(early.gdiHeadroom, 1000) << "the headroom probe made nothing";
    EXPECT_LE(early.gdiHeadroom - late.gdiHeadroom, leakBudget);
    EXPECT_GT(early.windows, 10) << "the palette window and panel with their controls";
    EXPECT_EQ(early.windows, late.windows);
    EXPECT_LE(late.privateBytes, early.privateBytes + 2 * 1024 * 1024) << "memory grew";

    EXPECT_EQ(expected, ReadWholeFile(path)) << "the last save differs from the edits";
}

}  // namespace
