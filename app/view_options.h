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

#endif
