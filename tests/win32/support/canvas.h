// A 32-bit bitmap in a memory DC, filled with one color, for drawing into and
// reading pixels back.
#ifndef KORIN_TESTS_WIN32_CANVAS_H
#define KORIN_TESTS_WIN32_CANVAS_H

#include <windows.h>

class Canvas {
public:
    Canvas(int width, int height, COLORREF fill);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return dc; }
    COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }

private:
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
};

#endif
