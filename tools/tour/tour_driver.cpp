// Drives a running korin.exe from outside, the way a user would: menu
// commands are posted to its main window, its modal dialogs are found and
// answered, and the screen is captured to a BMP file. scripts/run.sh calls it
// once per step, in the same Wine prefix and desktop as Korin.
//
// Every wait polls with a time limit; a failure prints what was expected and
// exits with 1, so the calling script can stop with a clear message.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace {

const DWORD kTimeoutMs = 30000;
const DWORD kPollMs = 50;
// The file dialog's file name combo box.
const int kFileNameCombo = 0x47C;
// The static that holds a message box's text.
const int kMessageBoxText = 0xFFFF;
// The new-image dialog's caption in Korin's two languages.
const char kNewImageCaption[] = "画像の大きさ";
const char kNewImageCaptionEnglish[] = "New Picture";
// The end of the question about unsaved changes ("save the changes to X?"),
// and the start of the English one.
const char kSaveQuestionEnd[] = "への変更を保存しますか?";
const char kSaveQuestionEnglish[] = "Save changes to ";

// Korin's texts are code page 932; the terminal reads UTF-8.
std::string ForTerminal(const std::string& text)
{
    int wide = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (wide <= 0)
        return text;
    std::wstring buffer(size_t(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &buffer[0], wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, buffer.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return text;
    std::string out(size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, buffer.c_str(), -1, &out[0], bytes, nullptr, nullptr);
    out.resize(size_t(bytes - 1));
    return out;
}

int Fail(const char* format, const std::string& detail = "")
{
    std::string message = "tour_driver: ";
    message += format;
    std::fprintf(stderr, (message + "\n").c_str(), ForTerminal(detail).c_str());
    return 1;
}

std::string TextOf(HWND window)
{
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

HWND MainWindow()
{
    HWND window = FindWindowA("Korin", nullptr);
    return window && IsWindowVisible(window) ? window : nullptr;
}

// Calls check every kPollMs until it returns true or the time is up.
template <class Check>
bool WaitFor(Check check, DWORD timeoutMs = kTimeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (check())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(kPollMs);
    }
}

// True once the window's thread has handled everything queued before this
// call: a sent message is answered only between other messages, also inside
// a modal loop.
bool WaitIdle(HWND window)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &result) != 0;
}

struct DialogSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK CheckDialog(HWND window, LPARAM param)
{
    DialogSearch* search = reinterpret_cast<DialogSearch*>(param);
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") == 0 && IsWindowVisible(window)
        && GetWindow(window, GW_OWNER) == search->owner) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The visible modal dialog (or message box) owned by the main window.
HWND OwnedDialog(HWND owner)
{
    DialogSearch search = {owner, nullptr};
    EnumWindows(CheckDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A message box that appeared instead of the expected result.
int FailOnMessageBox(HWND dialog, const char* step)
{
    std::string text = TextOf(GetDlgItem(dialog, kMessageBoxText));
    return Fail((std::string(step) + ": Korin showed a message box: %s").c_str(), text);
}

int WaitMain()
{
    HWND main = nullptr;
    if (!WaitFor([&] { return (main = MainWindow()) != nullptr; }))
        return Fail("the Korin main window did not appear within 30 s");
    if (!WaitIdle(main))
        return Fail("the Korin main window does not answer");
    // The desktop paints its background once it is up; until then the
    // screen is black and window frames may be missing.
    int right = GetSystemMetrics(SM_CXSCREEN) - 1, bottom = GetSystemMetrics(SM_CYSCREEN) - 1;
    COLORREF desktop = GetSysColor(COLOR_DESKTOP);
    bool painted = WaitFor([&] {
        HDC screen = GetDC(nullptr);
        COLORREF corner = GetPixel(screen, right, bottom);
        ReleaseDC(nullptr, screen);
        return corner == desktop;
    });
    if (!painted)
        return Fail("the desktop was not painted within 30 s (is Wine's virtual desktop on?)");
    return 0;
}

bool Command(HWND main, int id)
{
    return PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, 0), 0) && WaitIdle(main);
}

// Posts the command that opens a modal dialog and waits until the dialog is
// shown and has finished setting itself up.
int StartDialog(int commandId, const char* what, HWND* dialog)
{
    HWND main = MainWindow();
    if (!main)
        return Fail("Korin is not running");
    if (OwnedDialog(main))
        return Fail("a dialog is already open before %s", what);
    if (!PostMessageA(main, WM_COMMAND, MAKEWPARAM(commandId, 0), 0))
        return Fail("could not post the %s command", what);
    if (!WaitFor([&] { return (*dialog = OwnedDialog(main)) != nullptr; }))
        return Fail("the %s dialog did not appear within 30 s", what);
    if (!WaitIdle(*dialog))
        return Fail("the %s dialog does not answer", what);
    return 0;
}

bool IsSaveQuestion(HWND dialog)
{
    std::string text = TextOf(GetDlgItem(dialog, kMessageBoxText));
    size_t end = sizeof kSaveQuestionEnd - 1;
    if (text.compare(0, sizeof kSaveQuestionEnglish - 1, kSaveQuestionEnglish) == 0) return true;
    return text.size() >= end && text.compare(text.size() - end, end, kSaveQuestionEnd) == 0;
}

void Click(HWND dialog, int buttonId)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
}

// Presses a dialog's button and waits until the dialog has gone. The tour's
// pictures are never worth keeping: a question about unsaved changes that
// follows is answered No. Any other message box means the step failed.
int Press(HWND dialog, int buttonId, const char* what)
{
    HWND main = MainWindow();
    Click(dialog, buttonId);
    if (!WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }))
        return Fail("the %s dialog did not close within 30 s", what);
    if (!main || !WaitIdle(main))
        return Fail("Korin does not answer after the %s dialog", what);
    // A message box is shown a moment after its modal loop starts.
    HWND next = nullptr;
    WaitFor([&] { next = OwnedDialog(main); return next && next != dialog; }, 600);
    if (next && next != dialog && IsSaveQuestion(next)) {
        std::printf("tour_driver: answering No to: %s\n", ForTerminal(TextOf(GetDlgItem(next, kMessageBoxText))).c_str());
        std::fflush(stdout);
        return Press(next, IDNO, "save question");
    }
    if (next && next != dialog)
        return FailOnMessageBox(next, what);
    return 0;
}

int StartNew()
{
    HWND dialog = nullptr;
    if (int failed = StartDialog(ID_FILE_NEW, "new-image", &dialog))
        return failed;
    std::string caption = TextOf(dialog);
    if (caption != kNewImageCaption && caption != kNewImageCaptionEnglish)
        return Fail("the new-image dialog has the wrong caption: %s", caption.c_str());
    return 0;
}

int FinishNew()
{
    HWND main = MainWindow();
    HWND dialog = main ? OwnedDialog(main) : nullptr;
    if (!dialog || (TextOf(dialog) != kNewImageCaption && TextOf(dialog) != kNewImageCaptionEnglish))
        return Fail("the new-image dialog is not open");
    return Press(dialog, IDOK, "new-image");
}

int StartOpen()
{
    HWND dialog = nullptr;
    if (int failed = StartDialog(ID_FILE_OPEN, "open", &dialog))
        return failed;
    if (!GetDlgItem(dialog, kFileNameCombo))
        return Fail("the open dialog has no file name box");
    return 0;
}

// Types a Windows path into the open dialog and presses its OK button; then
// the title must name the file.
int FinishOpen(const char* path)
{
    HWND main = MainWindow();
    HWND dialog = main ? OwnedDialog(main) : nullptr;
    HWND combo = dialog ? GetDlgItem(dialog, kFileNameCombo) : nullptr;
    if (!combo)
        return Fail("the open dialog is not open");
    if (!SetWindowTextA(combo, path))
        return Fail("could not type the file name into the open dialog");
    if (int failed = Press(dialog, IDOK, "open"))
        return failed;
    const char* name = std::strrchr(path, '\\');
    name = name ? name + 1 : path;
    std::string title;
    if (!WaitFor([&] { title = TextOf(main); return title.find(name) != std::string::npos; }))
        return Fail("after opening, the title does not name the file: %s", title.c_str());
    return 0;
}

int PostCommand(const char* idText)
{
    HWND main = MainWindow();
    if (!main)
        return Fail("Korin is not running");
    if (!Command(main, std::atoi(idText)))
        return Fail("Korin did not take command %s", idText);
    return 0;
}

struct PaletteSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK CheckPalette(HWND window, LPARAM param)
{
    PaletteSearch* search = reinterpret_cast<PaletteSearch*>(param);
    if (GetWindow(window, GW_OWNER) == search->owner && GetDlgItem(window, IDC_PALETTE_GRID)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The palette window: the tool window of the main window that holds the grid.
HWND PaletteWindow()
{
    PaletteSearch search = {MainWindow(), nullptr};
    if (search.owner) EnumWindows(CheckPalette, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int PostPaletteCommand(const char* idText)
{
    HWND palette = PaletteWindow();
    if (!palette)
        return Fail("the palette window is not there");
    if (!Command(palette, std::atoi(idText)))
        return Fail("the palette window did not take command %s", idText);
    return 0;
}

// Clicks the cell in the given column and row of the palette grid.
int ClickCell(const char* columnText, const char* rowText)
{
    HWND palette = PaletteWindow();
    HWND grid = palette ? GetDlgItem(palette, IDC_PALETTE_GRID) : nullptr;
    if (!grid || !IsWindowVisible(grid))
        return Fail("the palette grid is not shown");
    const int pitch = 22, innerMargin = 5;
    int x = innerMargin + pitch * std::atoi(columnText) + pitch / 2;
    int y = innerMargin + pitch * std::atoi(rowText) + pitch / 2;
    PostMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(grid, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    if (!WaitIdle(palette))
        return Fail("the palette window does not answer");
    return 0;
}

int PrintRect()
{
    HWND main = MainWindow();
    RECT r;
    if (!main || !GetWindowRect(main, &r))
        return Fail("Korin is not running");
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
}

int MoveMain(char** args)
{
    HWND main = MainWindow();
    if (!main)
        return Fail("Korin is not running");
    int x = std::atoi(args[0]), y = std::atoi(args[1]);
    int width = std::atoi(args[2]), height = std::atoi(args[3]);
    if (!SetWindowPos(main, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE)
        || !WaitIdle(main))
        return Fail("could not move the Korin window");
    return 0;
}

// Asks Korin to close and waits until its window is gone; a question in
// between (unsaved changes) is a failure: the tour changes nothing.
int Close()
{
    HWND main = MainWindow();
    if (!main)
        return Fail("Korin is not running");
    PostMessageA(main, WM_CLOSE, 0, 0);
    HWND dialog = nullptr;
    if (!WaitFor([&] { return !IsWindow(main) || (dialog = OwnedDialog(main)) != nullptr; }))
        return Fail("Korin did not close within 30 s");
    if (dialog)
        return FailOnMessageBox(dialog, "close");
    return 0;
}

bool WriteBmp(const char* path, const BITMAPINFOHEADER& header, const void* bits)
{
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    FILE* out = std::fopen(path, "wb");
    if (!out)
        return false;
    bool ok = std::fwrite(&file, sizeof file, 1, out) == 1
        && std::fwrite(&header, sizeof header, 1, out) == 1
        && std::fwrite(bits, header.biSizeImage, 1, out) == 1;
    return std::fclose(out) == 0 && ok;
}

// Copies the whole screen (the virtual desktop with its window frames) into
// bits laid out as a bottom-up 24-bit DIB.
bool Capture(const BITMAPINFOHEADER& header, std::vector<unsigned char>& out)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    BITMAPINFOHEADER info = header;
    HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&info),
                                      DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, header.biWidth, header.biHeight, screen, 0, 0,
                    SRCCOPY | CAPTUREBLT) != 0;
        SelectObject(memory, old);
        GdiFlush();
        if (ok) {
            const unsigned char* p = static_cast<const unsigned char*>(bits);
            out.assign(p, p + header.biSizeImage);
        }
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

size_t PixelsChanged(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b)
{
    size_t changed = 0;
    for (size_t i = 0; i + 2 < a.size() && i + 2 < b.size(); i += 3)
        changed += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
    return changed;
}

// Writes the screen once it has stopped changing: frames and the desktop are
// painted a moment after the windows answer. A blinking caret is the only
// change allowed.
int Shot(const char* path)
{
    const size_t kCaretPixels = 64;
    const int kStableRounds = 2;
    if (HWND main = MainWindow())
        WaitIdle(main);
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = DWORD((width * 3 + 3) / 4 * 4 * height);
    std::vector<unsigned char> last, now;
    if (!Capture(header, last))
        return Fail("could not capture the screen for %s", path);
    int stable = 0;
    DWORD start = GetTickCount();
    while (stable < kStableRounds) {
        if (GetTickCount() - start >= 10000) {
            std::fprintf(stderr, "tour_driver: the screen kept changing for 10 s; %s is taken as it is\n", path);
            break;
        }
        Sleep(250);
        if (!Capture(header, now))
            return Fail("could not capture the screen for %s", path);
        stable = PixelsChanged(last, now) <= kCaretPixels ? stable + 1 : 0;
        last.swap(now);
    }
    if (!WriteBmp(path, header, last.data()))
        return Fail("could not write %s", path);
    return 0;
}

int Usage()
{
    std::fprintf(stderr,
        "usage: tour_driver wait-main | command ID | start-new | finish-new\n"
        "       | start-open | finish-open WINDOWS-PATH | rect | move X Y W H\n"
        "       | shot FILE.bmp | close | palette-command ID | click-cell COLUMN ROW\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    std::string verb = argv[1];
    int extra = argc - 2;
    if (verb == "wait-main" && extra == 0) return WaitMain();
    if (verb == "command" && extra == 1) return PostCommand(argv[2]);
    if (verb == "start-new" && extra == 0) return StartNew();
    if (verb == "finish-new" && extra == 0) return FinishNew();
    if (verb == "start-open" && extra == 0) return StartOpen();
    if (verb == "finish-open" && extra == 1) return FinishOpen(argv[2]);
    if (verb == "rect" && extra == 0) return PrintRect();
    if (verb == "move" && extra == 4) return MoveMain(argv + 2);
    if (verb == "shot" && extra == 1) return Shot(argv[2]);
    if (verb == "close" && extra == 0) return Close();
    if (verb == "palette-command" && extra == 1) return PostPaletteCommand(argv[2]);
    if (verb == "click-cell" && extra == 2) return ClickCell(argv[2], argv[3]);
    return Usage();
}
