#include "platform/native_win32.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool SyncPath(const char* path, int flags)
{
    int fd = open(path, flags);
    if (fd < 0) return false;
    bool synced = fsync(fd) == 0;
    close(fd);
    return synced;
}

std::string FolderOf(const char* path)
{
    std::string folder(path);
    std::string::size_type slash = folder.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return folder.substr(0, slash);
}

}  // namespace

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE, DWORD)
{
    if (bits) *bits = nullptr;
    if (!info || usage != DIB_RGB_COLORS) return nullptr;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER)) return nullptr;
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biPlanes != 1) return nullptr;
    if (!IsSectionBitCount(header.biBitCount) || header.biCompression != BI_RGB) return nullptr;

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

BOOL DeleteFileA(const char* path)
{
    return path && unlink(path) == 0;
}

BOOL MoveFileExA(const char* from, const char* to, DWORD flags)
{
    if (!from || !to) return 0;
    struct stat target;
    if (!(flags & MOVEFILE_REPLACE_EXISTING) && stat(to, &target) == 0) return 0;
    if ((flags & MOVEFILE_WRITE_THROUGH) && !SyncPath(from, O_RDONLY)) return 0;
    if (rename(from, to) != 0) return 0;
    if (flags & MOVEFILE_WRITE_THROUGH) SyncPath(FolderOf(to).c_str(), O_RDONLY | O_DIRECTORY);
    return 1;
}
