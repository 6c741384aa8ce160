// What the tool needs from the system beyond the portable core: the console,
// file sizes and names, and the device context DIB sections are made with.
#ifndef KORIN_CLI_HOST_H
#define KORIN_CLI_HOST_H

#include <cstdint>
#include <string>

#include "platform/platform.h"

// Standard output carries bytes as written (no line-end translation).
void UseBinaryStandardOutput();
bool StandardErrorIsTerminal();

// The file's size on disk, low 32 bits as the editor's report shows it.
bool FileSizeOnDisk(const std::string& path, uint32_t* size);
bool IsFolder(const std::string& path);
// The absolute form of path, as a file dialog would return it; path itself
// when that cannot be had.
std::string FullPath(const std::string& path);
// The last component of path.
std::string BaseName(const std::string& path);
std::string JoinPath(const std::string& folder, const std::string& name);
// What tells an existing file apart from every other, the same whatever the
// path taken to it; empty when the file cannot be found.
std::string FileIdentity(const std::string& path);
// True when two names, in one folder, would be one file: the same bytes, or
// on Windows the same but for case.
bool SameFileName(const std::string& a, const std::string& b);

// A memory device context on the screen, as the editor creates its DIB
// sections with; none natively.
class MemoryDeviceContext {
public:
    MemoryDeviceContext();
    ~MemoryDeviceContext();
    MemoryDeviceContext(const MemoryDeviceContext&) = delete;
    MemoryDeviceContext& operator=(const MemoryDeviceContext&) = delete;
    HDC Get() const { return dc; }

private:
    HDC dc;
};

#endif
