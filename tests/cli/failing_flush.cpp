// Preloaded into korin-cli: fsync and fdatasync fail with EIO for a file
// whose path holds $FAILING_FLUSH_PATTERN, as a disk does that reports a
// write-back error only when the flush comes, after the bytes were taken.
// syncfs fails while such a file is open, as Linux reports any write-back
// error of the file system to syncfs. With $FAILING_FOLDER_FLUSH set, the
// flush of any folder fails. With $SHORT_WRITES set, each write to a regular
// file takes at most 7 bytes, as a write cut short by a signal does. With
// $FAILING_COPY_RANGE set to an
// errno number, copy_file_range fails with it, as on a kernel or file system
// that cannot copy that way. With $INTERRUPTED_CALLS set, every other write,
// pread and copy_file_range on a regular file fails with EINTR, as when a
// signal arrives before the call moved a byte. With $SHORT_READS set, each
// pread of a regular file takes at most 7 bytes.
#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool Failing(int fd)
{
    struct stat info;
    if (std::getenv("FAILING_FOLDER_FLUSH") && fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) return true;
    const char* pattern = std::getenv("FAILING_FLUSH_PATTERN");
    if (!pattern || !*pattern) return false;
    char link[64], path[PATH_MAX];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, path, sizeof path - 1);
    if (length < 0) return false;
    path[length] = '\0';
    return std::strstr(path, pattern) != nullptr;
}

bool AnyFailing()
{
    DIR* folder = opendir("/proc/self/fd");
    if (!folder) return false;
    bool any = false;
    while (const dirent* entry = readdir(folder)) any = any || (entry->d_name[0] != '.' && Failing(std::atoi(entry->d_name)));
    closedir(folder);
    return any;
}

// Each call site keeps its own turn, so that every retry goes through.
bool Interrupted(int fd, bool* turn)
{
    struct stat info;
    if (!std::getenv("INTERRUPTED_CALLS") || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    *turn = !*turn;
    if (*turn) errno = EINTR;
    return *turn;
}

int Flush(const char* name, int fd)
{
    if (std::strcmp(name, "syncfs") == 0 ? AnyFailing() : Failing(fd)) {
        errno = EIO;
        return -1;
    }
    auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, name));
    return real ? real(fd) : -1;
}

}  // namespace

extern "C" {
int fsync(int fd) { return Flush("fsync", fd); }
int fdatasync(int fd) { return Flush("fdatasync", fd); }
int syncfs(int fd) { return Flush("syncfs", fd); }

ssize_t write(int fd, const void* bytes, size_t count)
{
    struct stat info;
    static bool turn = false;
    if (Interrupted(fd, &turn)) return -1;
    if (std::getenv("SHORT_WRITES") && count > 7 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) count = 7;
    using Call = ssize_t (*)(int, const void*, size_t);
    static const auto real = reinterpret_cast<Call>(dlsym(RTLD_NEXT, "write"));
    return real ? real(fd, bytes, count) : -1;
}

ssize_t copy_file_range(int from, off_t* fromAt, int to, off_t* toAt, size_t count, unsigned flags)
{
    if (const char* number = std::getenv("FAILING_COPY_RANGE")) {
        errno = std::atoi(number);
        return -1;
    }
    static bool turn = false;
    if (Interrupted(to, &turn)) return -1;
    using Call = ssize_t (*)(int, off_t*, int, off_t*, size_t, unsigned);
    auto real = reinterpret_cast<Call>(dlsym(RTLD_NEXT, "copy_file_range"));
    return real ? real(from, fromAt, to, toAt, count, flags) : -1;
}

ssize_t pread(int fd, void* bytes, size_t count, off_t offset)
{
    static bool turn = false;
    if (Interrupted(fd, &turn)) return -1;
    struct stat info;
    if (std::getenv("SHORT_READS") && count > 7 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) count = 7;
    using Call = ssize_t (*)(int, void*, size_t, off_t);
    static const auto real = reinterpret_cast<Call>(dlsym(RTLD_NEXT, "pread"));
    return real ? real(fd, bytes, count, offset) : -1;
}

ssize_t pread64(int fd, void* bytes, size_t count, off_t offset)
{
    return pread(fd, bytes, count, offset);
}
}
