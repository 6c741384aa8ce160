#include "tests/win32/support/program.h"

#include <new>

#include "app/globals.h"
#include "app/main_window.h"
#include "app/settings_store.h"
#include "document/bitmap_document.h"
#include "palette/palette_window.h"
#include "resources/resource.h"
#include "tests/win32/support/modal_answerer.h"

namespace program {

namespace {

HWND mainWindow = nullptr;
HACCEL accelerators = nullptr;

void DropQuitMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

}  // namespace

void Stop()
{
    if (mainWindow && IsWindow(mainWindow)) DestroyWindow(mainWindow);
    mainWindow = nullptr;
    Pump();
    DropQuitMessages();
}

HWND Restart(bool cleanRegistry)
{
    Stop();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    UnregisterClassA(kMainWindowClass, instance);

    paletteWindow.~PaletteWindow();
    bitmapDocument.~BitmapDocument();
    settingsStore.~SettingsStore();
    if (cleanRegistry) RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Brindlemoor\\Korin");
    new (&settingsStore) SettingsStore("Korin");
    new (&bitmapDocument) BitmapDocument;
    new (&paletteWindow) PaletteWindow;
    colorPanel = &paletteWindow.Panel();

    mainWindow = StartUp(instance, SW_SHOW);
    accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    SetActiveWindow(mainWindow);
    SetFocus(mainWindow);
    Pump();
    return mainWindow;
}

HWND MainWindow()
{
    return mainWindow;
}

void Pump()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            mainWindow = nullptr;
            continue;
        }
        DispatchProgramMessage(message, accelerators);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > milliseconds) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Pump();
    }
    return true;
}

void Command(int id)
{
    SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    Pump();
}

void PressKey(UINT virtualKey, bool control, bool shift)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    BYTE saved[256];
    CopyMemory(saved, keys, sizeof keys);
    keys[VK_CONTROL] = control ? 0x80 : 0;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    HWND target = GetFocus();
    if (!target) target = GetActiveWindow();
    PostMessageA(target, WM_KEYDOWN, virtualKey, 1);
    Pump();
    PostMessageA(target, WM_KEYUP, virtualKey, LPARAM(0xC0000001));
    Pump();
    SetKeyboardState(saved);
}

COLORREF ClientPixel(HWND window, int x, int y)
{
    UpdateWindow(window);
    HDC dc = GetDC(window);
    COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
}

std::string Title()
{
    return WindowText(mainWindow);
}

}  // namespace program
