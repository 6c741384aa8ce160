#include "platform/safe_file_writer.h"

#include <cerrno>
#include <climits>
#include <memory>
#include <new>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The kernel's own limit on links followed in one lookup.
const int kMaxLinkHops = 40;
// Bytes a copy moves at a time where the kernel cannot copy file to file.
const size_t kCopyBufferBytes = size_t(1) << 20;
// A single read, write or copy call moves at most this many bytes.
const size_t kLargestCall = size_t(1) << 30;
// The most files of a batch that wait, open, for one flush together.
const size_t kLargestGroup = 256;

std::string FolderOf(const std::string& path)
{
    std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    std::string::size_type slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The first bytes of name, at most most of them, cut where a UTF-8
// character begins, so that a temporary name is still a valid one.
std::string NameStart(const std::string& name, size_t most)
{
    if (name.size() <= most) return name;
    size_t cut = most;
    while (cut > 0 && (uint8_t(name[cut]) & 0xC0) == 0x80) --cut;
    return name.substr(0, cut);
}

// The file path names once symbolic links are followed. A link to nowhere
// gives the path it points at: the new file is made there, so the link finds it.
bool FollowLinks(const std::string& path, std::string* resolved)
{
    std::string current = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info;
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            *resolved = current;
            return true;
        }
        char link[PATH_MAX];
        ssize_t length = readlink(current.c_str(), link, sizeof link);
        if (length <= 0 || size_t(length) >= sizeof link) return false;
        std::string pointed(link, size_t(length));
        current = pointed[0] == '/' ? pointed : FolderOf(current) + "/" + pointed;
    }
    return false;
}

SaveProblem ProblemOf(const std::string& file)
{
    struct stat info;
    if (stat(file.c_str(), &info) != 0) return SaveProblem::None;
    if (!S_ISREG(info.st_mode)) return SaveProblem::NotAFile;
    // A file nobody may write is read-only even for a process that could
    // override that (root): the user made it so.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(file.c_str(), W_OK) != 0)
        return SaveProblem::ReadOnly;
    if (info.st_nlink > 1) return SaveProblem::HardLinked;
    return SaveProblem::None;
}

bool WriteAll(int file, const void* bytes, size_t count)
{
    const char* p = static_cast<const char*>(bytes);
    while (count > 0) {
        ssize_t written = write(file, p, count < kLargestCall ? count : kLargestCall);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        p += written;
        count -= size_t(written);
    }
    return true;
}

// Copies through a buffer of the process's own; the destination's offset moves on.
bool CopyThroughBuffer(int from, off_t offset, int to, uint64_t count)
{
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kCopyBufferBytes]);
    if (!buffer) return false;
    while (count > 0) {
        size_t chunk = count < kCopyBufferBytes ? size_t(count) : kCopyBufferBytes;
        ssize_t got = pread(from, buffer.get(), chunk, offset);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;  // the source ended before count bytes
        if (!WriteAll(to, buffer.get(), size_t(got))) return false;
        offset += got;
        count -= uint64_t(got);
    }
    return true;
}

bool CopyRange(int from, uint64_t offset, int to, uint64_t count)
{
    off_t at = off_t(offset);
    while (count > 0) {
        // The kernel copies page cache to page cache (or shares the blocks):
        // the bytes never pass through this process.
        ssize_t copied = copy_file_range(from, &at, to, nullptr,
                                         count < kLargestCall ? size_t(count) : kLargestCall, 0);
        if (copied > 0) {
            count -= uint64_t(copied);
            continue;
        }
        if (copied == 0) return false;  // the source ended before count bytes
        if (errno == EINTR) continue;
        // File systems, kernels and file kinds that cannot copy this way.
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)
            return CopyThroughBuffer(from, at, to, count);
        return false;
    }
    return true;
}

bool FlushFolder(const std::string& folder)
{
    int handle = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0) return false;
    bool flushed = fsync(handle) == 0;
    close(handle);
    return flushed;
}

// The new file takes over the old one's owner and group where the process
// may give them, then its permission bits (after the owner: a change of
// owner clears the set-id bits).
void KeepOwnerAndMode(int file, const std::string& old)
{
    struct stat info;
    if (stat(old.c_str(), &info) != 0) return;
    // Where neither may be given away, the file becomes the user's, as any new file would.
    bool ownerKept = fchown(file, info.st_uid, info.st_gid) == 0;
    if (!ownerKept) ownerKept = fchown(file, uid_t(-1), info.st_gid) == 0;
    // A file system without POSIX permissions refuses; the save still stands.
    (void)fchmod(file, info.st_mode & 07777);
}

}  // namespace

SourceFile::SourceFile() : file(-1), size(0) {}

SourceFile::~SourceFile()
{
    Close();
}

bool SourceFile::Open(const char* path)
{
    Close();
    if (!path) return false;
    file = open(path, O_RDONLY | O_CLOEXEC);
    if (file < 0) return false;
    struct stat info;
    if (fstat(file, &info) != 0 || !S_ISREG(info.st_mode)) {
        Close();
        return false;
    }
    size = uint64_t(info.st_size);
    return true;
}

void SourceFile::Close()
{
    if (file >= 0) close(file);
    file = -1;
    size = 0;
}

bool SourceFile::IsOpen() const
{
    return file >= 0;
}

bool SourceFile::ReadAt(uint64_t offset, void* bytes, size_t count)
{
    char* p = static_cast<char*>(bytes);
    while (count > 0) {
        ssize_t got = pread(file, p, count < kLargestCall ? count : kLargestCall, off_t(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        p += got;
        offset += uint64_t(got);
        count -= size_t(got);
    }
    return true;
}

FolderFlushes::~FolderFlushes()
{
    for (const Handed& save : handed) {
        close(save.file);
        unlink(save.temporary.c_str());
    }
}

void FolderFlushes::Hand(const Handed& save)
{
    handed.push_back(save);
    // Each file stays open until its group is flushed: a bound keeps the
    // descriptors few.
    if (handed.size() >= kLargestGroup) Complete();
}

void FolderFlushes::Complete()
{
    // One flush per file system. syncfs reports a write-back error of any of
    // its files since the descriptor given was opened: the group's first. A
    // lone file is flushed by itself: syncfs would also wait for whatever
    // other programs left unwritten there.
    std::set<uint64_t> flushed, refused;
    if (handed.size() > 1) {
        for (const Handed& save : handed) {
            if (flushed.count(save.device) || refused.count(save.device)) continue;
            (syncfs(save.file) == 0 ? flushed : refused).insert(save.device);
        }
    }
    for (const Handed& save : handed) {
        // A file not flushed with its file system is flushed by itself,
        // which also tells whether an error reported there was its own.
        bool durable = flushed.count(save.device) || fsync(save.file) == 0;
        bool closed = close(save.file) == 0;
        if (durable && closed && ProblemOf(save.target) == SaveProblem::None &&
            rename(save.temporary.c_str(), save.target.c_str()) == 0) {
            folders.insert(FolderOf(save.target));
        } else {
            unlink(save.temporary.c_str());
            failed.push_back(save.target);
        }
    }
    handed.clear();
}

bool FolderFlushes::FlushAll(std::string* failedFolder)
{
    Complete();
    bool all = true;
    for (const std::string& folder : folders) {
        if (!FlushFolder(folder) && all) {
            all = false;
            if (failedFolder) *failedFolder = folder;
        }
    }
    folders.clear();
    return all;
}

SaveProblem SafeFileWriter::CheckTarget(const char* path)
{
    std::string file;
    if (!path || !FollowLinks(path, &file)) return SaveProblem::None;
    return ProblemOf(file);
}

SafeFileWriter::SafeFileWriter(const char* targetPath, FolderFlushes* flushes)
    : flushes(flushes), file(-1), open(false), failed(false), committed(false)
{
    if (!targetPath || !*targetPath || !FollowLinks(targetPath, &target)) return;
    if (ProblemOf(target) != SaveProblem::None) return;
    // Beside the file, so that the rename stays within one file system; a
    // short name of its own, so that a long file name still leaves room.
    const std::string stem = FolderOf(target) + "/" + NameStart(NameOf(target), 64) + ".korin~";
    // A new file gets the usual mode, 0666 less the umask. Over an existing
    // one the temporary starts readable by its owner only and takes the old
    // file's owner and mode before it holds a byte: what the user kept from
    // others is never readable beside it.
    struct stat old;
    const bool replacing = stat(target.c_str(), &old) == 0;
    for (unsigned attempt = 0; attempt < 1000 && file < 0; ++attempt) {
        temporary = stem + std::to_string(getpid()) + "-" + std::to_string(attempt);
        file = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, replacing ? 0600 : 0666);
        if (file < 0 && errno != EEXIST) break;
    }
    open = file >= 0;
    if (!open) temporary.clear();
    if (open && replacing) KeepOwnerAndMode(file, target);
}

SafeFileWriter::~SafeFileWriter()
{
    if (!committed) RemoveTemporary();
}

void SafeFileWriter::Write(const void* bytes, size_t count)
{
    if (!open || failed) return;
    if (!WriteAll(file, bytes, count)) failed = true;
}

void SafeFileWriter::CopyFrom(SourceFile& source, uint64_t offset, uint64_t count)
{
    if (!open || failed) return;
    if (!source.IsOpen() || !CopyRange(source.file, offset, file, count)) failed = true;
}

bool SafeFileWriter::Commit()
{
    if (!open || failed || committed) {
        RemoveTemporary();
        return false;
    }
    // Again: writing clears the set-user and set-group id bits.
    KeepOwnerAndMode(file, target);
    struct stat info;
    if (flushes && fstat(file, &info) == 0) {
        flushes->Hand({file, uint64_t(info.st_dev), temporary, target});
        // The file and its name are the batch's now: nothing here may close or remove them.
        file = -1;
        temporary.clear();
        committed = true;
        return true;
    }
    bool flushed = fsync(file) == 0;
    bool closed = close(file) == 0;
    file = -1;
    if (!flushed || !closed || ProblemOf(target) != SaveProblem::None ||
        rename(temporary.c_str(), target.c_str()) != 0) {
        RemoveTemporary();
        return false;
    }
    // The name is free again: another save may take it.
    temporary.clear();
    committed = true;
    FlushFolder(FolderOf(target));
    return true;
}

void SafeFileWriter::RemoveTemporary()
{
    if (file >= 0) close(file);
    file = -1;
    if (!temporary.empty()) unlink(temporary.c_str());
    temporary.clear();
    open = false;
}
