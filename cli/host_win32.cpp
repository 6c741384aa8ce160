#include "cli/host.h"

#include <cstdio>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

void UseBinaryStandardOutput()
{
    // The report already ends its lines with CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
}

bool StandardErrorIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

bool FileSizeOnDisk(const std::string& path, uint32_t* size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    *size = data.nFileSizeLow;
    return true;
}

bool IsFolder(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full, length) : path;
}

std::string BaseName(const std::string& path)
{
    // A CP932 trail byte can be 0x5C; step over double-byte characters.
    std::string::size_type start = 0;
    for (std::string::size_type i = 0; i < path.size(); ++i) {
        if (IsDBCSLeadByte(BYTE(path[i]))) {
            ++i;
        } else if (path[i] == '\\' || path[i] == '/' || path[i] == ':') {
            start = i + 1;
        }
    }
    return path.substr(start);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    // A doubled separator is harmless, and a trailing 0x5C may be a trail byte.
    return folder.empty() ? name : folder + "\\" + name;
}

std::string FileIdentity(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "";
    BY_HANDLE_FILE_INFORMATION information;
    bool known = GetFileInformationByHandle(file, &information) != 0;
    CloseHandle(file);
    if (!known) return "";
    return std::to_string(information.dwVolumeSerialNumber) + ":" + std::to_string(information.nFileIndexHigh) +
           ":" + std::to_string(information.nFileIndexLow);
}

bool SameFileName(const std::string& a, const std::string& b)
{
    // The system's own comparison knows which bytes are CP932 trail bytes.
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), int(a.size()), b.data(), int(b.size())) ==
           CSTR_EQUAL;
}

MemoryDeviceContext::MemoryDeviceContext() : dc(CreateCompatibleDC(nullptr)) {}

MemoryDeviceContext::~MemoryDeviceContext()
{
    if (dc) DeleteDC(dc);
}
