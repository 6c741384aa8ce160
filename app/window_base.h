// The base of the modeless tool windows: one dialog made from a template, its
// owner, and whether the program last asked for it to be shown.
#ifndef KORIN_APP_WINDOW_BASE_H
#define KORIN_APP_WINDOW_BASE_H

#include <windows.h>

class WindowBase {
public:
    WindowBase();
    virtual ~WindowBase();
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    // Destroys a window held before; true when the new window exists (hidden).
    bool Create(HINSTANCE instance, WORD templateId, HWND ownerWindow, DLGPROC procedure);
    void Destroy();
    // Moves, sizes or both; false with neither flag.
    bool Move(int x, int y, int width, int height, bool move, bool size);
    void Show();
    void Hide();
    bool IsVisible() const { return visible != 0; }
    HWND Owner() const { return owner; }
    HWND Hwnd() const { return hwnd; }

private:
    HWND hwnd;
    HWND owner;
    BYTE visible;
};

#endif
