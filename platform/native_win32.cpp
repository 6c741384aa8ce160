#include "platform/native_win32.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/stat.h>

struct NativeDibSection {
    unsigned char* bits;
};

namespace {

bool IsSectionBitCount(WORD bitCount)
{
    switch (bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32:
        return true;
    default:
        return false;
    }
}

}  // namespace

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE, DWORD)
{
    if (bits) *bits = nullptr;
    if (!info || usage != DIB_RGB_COLORS) return nullptr;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER)) return nullptr;
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biPlanes != 1) return nullptr;
    if (!IsSectionBitCount(header.biBitCount)) return nullptr;
    const bool masks = header.biBitCount == 16 || header.biBitCount == 32;
    if (header.biCompression != BI_RGB && !(masks && header.biCompression == BI_BITFIELDS)) return nullptr;

    uint64_t rowBits = uint64_t(uint32_t(header.biWidth)) * header.biBitCount;
    uint64_t stride = (rowBits + 31) / 32 * 4;
    uint64_t rows = header.biHeight < 0 ? uint64_t(-int64_t(header.biHeight)) : uint64_t(header.biHeight);
    uint64_t size = stride * rows;
    if (size > 0xFFFFFFFFu) return nullptr;

    NativeDibSection* section = new (std::nothrow) NativeDibSection;
    if (!section) return nullptr;
    section->bits = static_cast<unsigned char*>(std::calloc(size ? size : 1, 1));
    if (!section->bits) {
        delete section;
        return nullptr;
    }
    if (bits) *bits = section->bits;
    return section;
}

BOOL DeleteObject(HGDIOBJ object)
{
    NativeDibSection* section = static_cast<NativeDibSection*>(object);
    if (!section) return 0;
    std::free(section->bits);
    delete section;
    return 1;
}

DWORD GetFileAttributesA(const char* path)
{
    struct stat info;
    if (!path || stat(path, &info) != 0) return INVALID_FILE_ATTRIBUTES;
    return S_ISDIR(info.st_mode) ? 0x10u : 0x80u;  // FILE_ATTRIBUTE_DIRECTORY : _NORMAL
}
