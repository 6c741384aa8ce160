#ifndef KORIN_APP_VIEW_OPTIONS_H
#define KORIN_APP_VIEW_OPTIONS_H

#include <cstdint>

// How the main window shows the document; stored as the 16-byte "ViewOpt" value.
struct ViewOptions {
    uint8_t fitToWindow;      // 1: stretch the picture over the client area
    uint8_t showHeader;       // 1: the header view covers the client area
    int32_t headerDetail;     // 0: summary, 1: every header member
    int32_t hexNumbers;       // 0: decimal, 1: hexadecimal
    int32_t whiteBackground;  // 0: black, 1: white
};
static_assert(sizeof(ViewOptions) == 16, "ViewOpt is stored as 16 bytes");

// The views beside those of ViewOptions; stored as the 8-byte "ViewZoom" value.
struct ZoomOptions {
    int32_t factor;     // while fitToWindow is 0: 1 actual size, n: n x n, -k: 1/k (image/view_geometry.h)
    uint8_t pixelGrid;  // 1: lines between the pixels from 8 x 8 on
    uint8_t statusBar;  // 1: the status bar under the picture
    uint8_t reserved[2];
};
static_assert(sizeof(ZoomOptions) == 8, "ViewZoom is stored as 8 bytes");

#endif
