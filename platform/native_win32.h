// Native stand-ins for the few Win32 types and calls the portable code makes.
// Layouts match the Win32 headers byte for byte; behaviour is what the model
// expects of GDI and KERNEL32, nothing more.
#ifndef KORIN_PLATFORM_NATIVE_WIN32_H
#define KORIN_PLATFORM_NATIVE_WIN32_H

#include <cstdint>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "file headers are read in place and must be little-endian");

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef int BOOL;
typedef void* HANDLE;

struct NativeDeviceContext;
struct NativeDibSection;
typedef NativeDeviceContext* HDC;
typedef NativeDibSection* HBITMAP;
typedef void* HGDIOBJ;

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
};
#pragma pack(pop)

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

static_assert(sizeof(BITMAPFILEHEADER) == 14, "BITMAPFILEHEADER is 14 bytes");
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");
static_assert(sizeof(RGBQUAD) == 4, "RGBQUAD is 4 bytes");

#define BI_RGB 0
#define BI_BITFIELDS 3
#define DIB_RGB_COLORS 0
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)

// A DIB section here is a zero-filled heap block, made only when GDI would make
// one: positive width, non-zero height, one plane, bit count 1, 4, 8, 16, 24
// or 32 with BI_RGB (16 and 32 also with BI_BITFIELDS), and a pixel size that
// fits in 32 bits.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                         HANDLE section, DWORD offset);
BOOL DeleteObject(HGDIOBJ object);

DWORD GetFileAttributesA(const char* path);

#endif
