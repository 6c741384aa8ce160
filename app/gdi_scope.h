// Scopes for device contexts and GDI selections: whatever is got is released,
// whatever is selected is selected back, whatever is made is deleted, on
// every path. None of them can be copied.
#ifndef KORIN_APP_GDI_SCOPE_H
#define KORIN_APP_GDI_SCOPE_H

#include <windows.h>

// A window's DC from GetDC, released with ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window(window), dc(GetDC(window)) {}
    ~WindowDC() { ReleaseDC(window, dc); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    operator HDC() const { return dc; }

private:
    HWND window;
    HDC dc;
};

// A memory DC compatible with another (null: the screen), deleted with DeleteDC.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : dc(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC() { DeleteDC(dc); }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    operator HDC() const { return dc; }

private:
    HDC dc;
};

// An object selected into a DC until the scope ends; an owned object (one
// made for this scope) is deleted after it has been selected out.
class SelectedObject {
public:
    enum Ownership { Borrowed, Owned };
    SelectedObject(HDC dc, HGDIOBJ object, Ownership ownership)
        : dc(dc), object(object), owned(ownership == Owned), previous(SelectObject(dc, object))
    {
    }
    ~SelectedObject()
    {
        SelectObject(dc, previous);
        if (owned) DeleteObject(object);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc;
    HGDIOBJ object;
    bool owned;
    HGDIOBJ previous;
};

// A solid brush, deleted when the scope ends.
class SolidBrush {
public:
    explicit SolidBrush(COLORREF color) : brush(CreateSolidBrush(color)) {}
    ~SolidBrush() { DeleteObject(brush); }
    SolidBrush(const SolidBrush&) = delete;
    SolidBrush& operator=(const SolidBrush&) = delete;
    operator HBRUSH() const { return brush; }

private:
    HBRUSH brush;
};

#endif
