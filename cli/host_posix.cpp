#include "cli/host.h"

#include <climits>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

void UseBinaryStandardOutput() {}

bool StandardErrorIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

bool FileSizeOnDisk(const std::string& path, uint32_t* size)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return false;
    *size = uint32_t(uint64_t(info.st_size));
    return true;
}

bool IsFolder(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string FullPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

std::string BaseName(const std::string& path)
{
    std::string::size_type slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::string FileIdentity(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return "";
    return std::to_string(uint64_t(info.st_dev)) + ":" + std::to_string(uint64_t(info.st_ino));
}

bool SameFileName(const std::string& a, const std::string& b)
{
    return a == b;
}

MemoryDeviceContext::MemoryDeviceContext() : dc(nullptr) {}

MemoryDeviceContext::~MemoryDeviceContext() {}
