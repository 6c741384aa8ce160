// Times a running korin.exe from outside, as a user meets its speed: File >
// Open of a picture until it is painted, one drag step of a color-panel
// slider (also with the live picture on), Apply of the palette until the
// picture is repainted, and a zoom step and a page scroll of the view. Prints
// each sample and the median in milliseconds. bench/editor_speed.sh starts
// Korin and calls it in the same Wine prefix and desktop.
//
// Korin paints synchronously (UpdateWindow) inside each of these commands, so
// a command is done once Korin's thread answers again; the screen is then read
// back to make sure the new picture is there.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace {

const DWORD kTimeoutMs = 60000;
// The file dialog's file name combo box.
const int kFileNameCombo = 0x47C;
// The static that holds a message box's text.
const int kMessageBoxText = 0xFFFF;

int Fail(const char* what)
{
    std::fprintf(stderr, "speed_driver: %s\n", what);
    return 1;
}

double Now()
{
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return double(count.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

template <class Check>
bool WaitFor(Check check, DWORD timeoutMs = kTimeoutMs)
{
    DWORD start = GetTickCount();
    while (!check()) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(1);
    }
    return true;
}

// True once the window's thread takes messages again.
bool WaitIdle(HWND window)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &result) != 0;
}

HWND MainWindow()
{
    HWND window = FindWindowA("Korin", nullptr);
    return window && IsWindowVisible(window) ? window : nullptr;
}

struct Search {
    HWND owner;
    int childId;  // 0: a visible dialog (#32770) of the owner
    HWND found;
};

BOOL CALLBACK CheckWindow(HWND window, LPARAM param)
{
    Search* search = reinterpret_cast<Search*>(param);
    if (GetWindow(window, GW_OWNER) != search->owner) return TRUE;
    if (search->childId) {
        if (!GetDlgItem(window, search->childId)) return TRUE;
    } else {
        char className[16] = "";
        GetClassNameA(window, className, sizeof className);
        if (std::strcmp(className, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    }
    search->found = window;
    return FALSE;
}

// An owned window of owner: the one holding control childId, or with
// childId 0 the visible modal dialog or message box.
HWND Owned(HWND owner, int childId)
{
    Search search = {owner, childId, nullptr};
    if (owner) EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

COLORREF ScreenPixel(POINT at)
{
    HDC screen = GetDC(nullptr);
    COLORREF color = GetPixel(screen, at.x, at.y);
    ReleaseDC(nullptr, screen);
    return color;
}

// The screen point of the picture's top-left pixel.
POINT PictureOrigin(HWND main)
{
    POINT origin = {0, 0};
    ClientToScreen(main, &origin);
    return origin;
}

double Median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    size_t n = samples.size();
    return n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

void Report(const char* what, const std::vector<double>& samples)
{
    std::printf("%s: median %.1f ms, slowest %.1f ms, over %zu; samples", what, Median(samples),
                *std::max_element(samples.begin(), samples.end()), samples.size());
    for (double ms : samples) std::printf(" %.1f", ms);
    std::printf("\n");
    std::fflush(stdout);
}

// Answers the question about unsaved changes with No, if one is asked.
void DeclineToSave(HWND main)
{
    HWND box = nullptr;
    // The message box by its text: the shown palette window is a dialog of main too.
    if (WaitFor([&] { return (box = Owned(main, kMessageBoxText)) != nullptr && IsWindowVisible(box); }, 500)) {
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
        WaitFor([&] { return !IsWindow(box); });
    }
}

// File > Open of path, from pressing OK in the dialog until the picture's
// top-left pixel shows color. The picture is closed before each run, so the
// screen shows the background there until the new one is painted.
int TimeOpen(const char* path, COLORREF color, int runs)
{
    HWND main = MainWindow();
    if (!main) return Fail("Korin is not running");
    std::vector<double> samples;
    for (int run = 0; run < runs; ++run) {
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(ID_FILE_CLOSE, 0), 0);
        DeclineToSave(main);
        if (!WaitIdle(main) || ScreenPixel(PictureOrigin(main)) == color)
            return Fail("the picture did not go away on File > Close");
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(ID_FILE_OPEN, 0), 0);
        HWND dialog = nullptr;
        if (!WaitFor([&] { return (dialog = Owned(main, 0)) != nullptr && GetDlgItem(dialog, kFileNameCombo); }) ||
            !WaitIdle(dialog))
            return Fail("the open dialog did not appear");
        SetWindowTextA(GetDlgItem(dialog, kFileNameCombo), path);
        const double start = Now();
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        if (!WaitFor([&] { return !IsWindow(dialog); }))
            return Fail("the open dialog did not close");
        if (!WaitFor([&] { return WaitIdle(main) && ScreenPixel(PictureOrigin(main)) == color; }))
            return Fail("the opened picture was not painted within 60 s (did loading fail?)");
        samples.push_back(Now() - start);
    }
    Report("open until painted", samples);
    return 0;
}

// Shows the palette window and its color panel and selects the first entry.
int ShowPanel(HWND main, HWND* palette, HWND* panel)
{
    *palette = Owned(main, IDC_PALETTE_GRID);
    if (!*palette) return Fail("the palette window is not there");
    if (!IsWindowVisible(*palette)) SendMessageA(main, WM_COMMAND, MAKEWPARAM(ID_PALETTE_DIALOG, 0), 0);
    *panel = Owned(*palette, IDC_RED_SLIDER);
    if (!*panel) return Fail("the color panel is not there");
    if (!IsWindowVisible(*panel)) SendMessageA(*palette, WM_COMMAND, MAKEWPARAM(ID_PALETTE_PANEL, 0), 0);
    HWND grid = GetDlgItem(*palette, IDC_PALETTE_GRID);
    SendMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageA(grid, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    if (!IsWindowVisible(*palette) || !IsWindowVisible(*panel)) return Fail("the panel could not be shown");
    return 0;
}

// One step of a drag on the red slider: the pointer moves, the slider and
// the two other gradients, the marker and the preview are repainted.
int TimeDrag(int steps)
{
    HWND main = MainWindow(), palette = nullptr, panel = nullptr;
    if (!main) return Fail("Korin is not running");
    if (int failed = ShowPanel(main, &palette, &panel)) return failed;
    HWND slider = GetDlgItem(panel, IDC_RED_SLIDER);
    RECT client;
    GetClientRect(slider, &client);
    const int y = client.bottom / 2;
    SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, y));
    std::vector<double> samples;
    for (int step = 0; step < steps; ++step) {
        const int x = 2 + (step * 37) % (client.right - 4);
        const double start = Now();
        SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
        samples.push_back(Now() - start);
    }
    SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(2, y));
    Report("slider drag step", samples);
    return 0;
}

// Palette > Apply of the whole table (inverted first, so that the picture
// changes) until the picture's top-left pixel shows the new color.
int TimeApply(int runs)
{
    HWND main = MainWindow(), palette = nullptr, panel = nullptr;
    if (!main) return Fail("Korin is not running");
    if (int failed = ShowPanel(main, &palette, &panel)) return failed;
    std::vector<double> samples;
    for (int run = 0; run < runs; ++run) {
        const COLORREF before = ScreenPixel(PictureOrigin(main));
        const COLORREF after = RGB(255 - GetRValue(before), 255 - GetGValue(before), 255 - GetBValue(before));
        SendMessageA(palette, WM_COMMAND, MAKEWPARAM(ID_PALETTE_INVERT, 0), 0);
        const double start = Now();
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(palette, WM_COMMAND, MAKEWPARAM(ID_PALETTE_APPLY, 0), 0, SMTO_NORMAL, kTimeoutMs,
                                 &result) ||
            !WaitFor([&] { return ScreenPixel(PictureOrigin(main)) == after; }))
            return Fail("the applied table did not show within 60 s");
        samples.push_back(Now() - start);
    }
    Report("apply until repainted", samples);
    return 0;
}

// A drag step with the palette window's live picture on: the picture is
// repainted with the panel's color inside the step.
int TimeLiveDrag(int steps)
{
    HWND main = MainWindow(), palette = nullptr, panel = nullptr;
    if (!main) return Fail("Korin is not running");
    if (int failed = ShowPanel(main, &palette, &panel)) return failed;
    auto liveOn = [&] {
        return (GetMenuState(GetMenu(palette), ID_PALETTE_LIVE_PICTURE, MF_BYCOMMAND) & MF_CHECKED) != 0;
    };
    if (!liveOn()) SendMessageA(palette, WM_COMMAND, MAKEWPARAM(ID_PALETTE_LIVE_PICTURE, 0), 0);
    if (!liveOn()) return Fail("the live picture did not come on");
    HWND slider = GetDlgItem(panel, IDC_RED_SLIDER);
    RECT client;
    GetClientRect(slider, &client);
    const int y = client.bottom / 2;
    SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, y));
    std::vector<double> samples;
    for (int step = 0; step < steps; ++step) {
        const int x = 2 + (step * 37) % (client.right - 4);
        const double start = Now();
        SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
        samples.push_back(Now() - start);
    }
    SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(2, y));
    SendMessageA(palette, WM_COMMAND, MAKEWPARAM(ID_PALETTE_LIVE_PICTURE, 0), 0);
    Report("slider drag step, live picture", samples);
    return 0;
}

// A command of the main window sent runs times, alternating with its
// counterpart; each repaints inside the command.
int TimeCommands(const char* what, int command, int counterpart, int runs)
{
    HWND main = MainWindow();
    if (!main) return Fail("Korin is not running");
    std::vector<double> samples;
    for (int run = 0; run < runs; ++run) {
        const double start = Now();
        SendMessageA(main, WM_COMMAND, MAKEWPARAM(run % 2 ? counterpart : command, 0), 0);
        samples.push_back(Now() - start);
    }
    Report(what, samples);
    return 0;
}

// A page of the vertical scroll bar down, then up again, in turn.
int TimeScroll(int runs)
{
    HWND main = MainWindow();
    if (!main) return Fail("Korin is not running");
    std::vector<double> samples;
    for (int run = 0; run < runs; ++run) {
        const double start = Now();
        SendMessageA(main, WM_VSCROLL, (run / 4) % 2 ? SB_PAGEUP : SB_PAGEDOWN, 0);
        samples.push_back(Now() - start);
    }
    Report("page scroll", samples);
    return 0;
}

int PlaceMain(int width, int height)
{
    HWND main = MainWindow();
    if (!main) return Fail("Korin is not running");
    MoveWindow(main, 0, 0, width, height, TRUE);
    return WaitIdle(main) ? 0 : Fail("Korin did not answer after the move");
}

int WaitMain()
{
    HWND main = nullptr;
    if (!WaitFor([&] { return (main = MainWindow()) != nullptr; }) || !WaitIdle(main))
        return Fail("the Korin main window did not appear within 60 s");
    return 0;
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: speed_driver wait-main | open WINDOWS-PATH RRGGBB RUNS | drag STEPS | apply RUNS |\n"
                 "       live STEPS | zoom RUNS | scroll RUNS | place WIDTH HEIGHT | command ID\n"
                 "  RRGGBB: the color of the picture's top-left pixel once it is shown\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return Usage();
    const std::string verb = argv[1];
    if (verb == "wait-main" && argc == 2) return WaitMain();
    if (verb == "open" && argc == 5) {
        unsigned long rgb = std::strtoul(argv[3], nullptr, 16);
        return TimeOpen(argv[2], RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF), std::atoi(argv[4]));
    }
    if (verb == "drag" && argc == 3) return TimeDrag(std::atoi(argv[2]));
    if (verb == "apply" && argc == 3) return TimeApply(std::atoi(argv[2]));
    if (verb == "live" && argc == 3) return TimeLiveDrag(std::atoi(argv[2]));
    if (verb == "zoom" && argc == 3) return TimeCommands("zoom step", ID_VIEW_ZOOM_IN, ID_VIEW_ZOOM_OUT, std::atoi(argv[2]));
    if (verb == "scroll" && argc == 3) return TimeScroll(std::atoi(argv[2]));
    if (verb == "place" && argc == 4) return PlaceMain(std::atoi(argv[2]), std::atoi(argv[3]));
    if (verb == "command" && argc == 3) {
        HWND main = MainWindow();
        if (!main) return Fail("Korin is not running");
        SendMessageA(main, WM_COMMAND, MAKEWPARAM(std::atoi(argv[2]), 0), 0);
        return 0;
    }
    return Usage();
}
