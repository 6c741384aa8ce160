#include "platform/safe_file_writer.h"

#include <memory>
#include <new>

#include "platform/platform.h"

namespace {

// Bytes a copy moves at a time.
const size_t kCopyBufferBytes = size_t(1) << 20;
// A single read or write call moves at most this many bytes.
const DWORD kLargestCall = DWORD(1) << 30;
// What a new file takes over from the one it replaces; ReplaceFileA keeps
// the attributes on Windows, but not every implementation of it does.
const DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

std::string FolderOf(const std::string& path)
{
    // A CP932 trail byte can be 0x5C: step over double-byte characters.
    std::string::size_type end = std::string::npos;
    for (std::string::size_type i = 0; i < path.size(); ++i) {
        if (IsDBCSLeadByte(BYTE(path[i]))) {
            ++i;
        } else if (path[i] == '\\' || path[i] == '/') {
            end = i;
        } else if (path[i] == ':' && end == std::string::npos) {
            end = i;  // "C:name" lives in drive C's current folder
        }
    }
    if (end == std::string::npos) return ".";
    if (path[end] == ':') return path.substr(0, end + 1);
    if (end == 0 || (end == 2 && path[1] == ':')) return path.substr(0, end + 1);
    return path.substr(0, end);
}

// The file path names with links followed, as the system finds it; the
// path itself for a file that does not exist yet.
std::string FollowLinks(const char* path)
{
    HANDLE file = CreateFileA(path, FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return path;
    char final[MAX_PATH];
    DWORD length = GetFinalPathNameByHandleA(file, final, MAX_PATH, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(file);
    if (length == 0 || length >= MAX_PATH) return path;
    std::string resolved(final, length);
    if (resolved.compare(0, 8, "\\\\?\\UNC\\") == 0) return "\\\\" + resolved.substr(8);
    if (resolved.compare(0, 4, "\\\\?\\") == 0) return resolved.substr(4);
    return resolved;
}

SaveProblem ProblemOf(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return SaveProblem::None;
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return SaveProblem::NotAFile;
    if (attributes & FILE_ATTRIBUTE_READONLY) return SaveProblem::ReadOnly;
    HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return SaveProblem::None;
    BY_HANDLE_FILE_INFORMATION information;
    bool linked = GetFileInformationByHandle(file, &information) && information.nNumberOfLinks > 1;
    CloseHandle(file);
    return linked ? SaveProblem::HardLinked : SaveProblem::None;
}

// A file another program holds open without letting it be deleted cannot be
// replaced. Asked before ReplaceFileA starts: some of its implementations
// leave a stray file of their own behind when they find out too late.
bool HeldByAnotherProgram(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

bool WriteAll(HANDLE file, const void* bytes, size_t count)
{
    const char* p = static_cast<const char*>(bytes);
    while (count > 0) {
        DWORD chunk = count < kLargestCall ? DWORD(count) : kLargestCall;
        DWORD written = 0;
        if (!WriteFile(file, p, chunk, &written, nullptr) || written == 0) return false;
        p += written;
        count -= written;
    }
    return true;
}

bool ReadAll(HANDLE file, uint64_t offset, void* bytes, size_t count)
{
    LARGE_INTEGER at;
    at.QuadPart = LONGLONG(offset);
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return false;
    char* p = static_cast<char*>(bytes);
    while (count > 0) {
        DWORD chunk = count < kLargestCall ? DWORD(count) : kLargestCall;
        DWORD got = 0;
        if (!ReadFile(file, p, chunk, &got, nullptr) || got == 0) return false;
        p += got;
        count -= got;
    }
    return true;
}

// Whether ReplaceFileA's failure means it cannot do this replace at all (no
// old file, a file system without it, an old file it already removed), so
// that a plain move is the way left; other failures (a file in use, no
// access) stop the save.
bool MoveInstead(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
    case ERROR_CALL_NOT_IMPLEMENTED:
        return true;
    default:
        return false;
    }
}

// The temporary takes the old file's access rights before it holds a byte:
// what the user kept from others is never readable beside it. ReplaceFileA
// carries the rest over (owner, attributes) when it puts the file in place.
void KeepAccessRights(const std::string& temporary, const std::string& target)
{
    DWORD needed = 0;
    GetFileSecurityA(target.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed == 0) return;
    std::unique_ptr<char[]> descriptor(new (std::nothrow) char[needed]);
    if (descriptor &&
        GetFileSecurityA(target.c_str(), DACL_SECURITY_INFORMATION, descriptor.get(), needed, &needed))
        SetFileSecurityA(temporary.c_str(), DACL_SECURITY_INFORMATION, descriptor.get());
}

bool MoveTemporary(const std::string& temporary, const std::string& target)
{
    return MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace

SourceFile::SourceFile() : file(INVALID_HANDLE_VALUE), size(0) {}

SourceFile::~SourceFile()
{
    Close();
}

bool SourceFile::Open(const char* path)
{
    Close();
    if (!path) return false;
    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER length;
    if (!GetFileSizeEx(file, &length)) {
        Close();
        return false;
    }
    size = uint64_t(length.QuadPart);
    return true;
}

void SourceFile::Close()
{
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    size = 0;
}

bool SourceFile::IsOpen() const
{
    return file != INVALID_HANDLE_VALUE;
}

bool SourceFile::ReadAt(uint64_t offset, void* bytes, size_t count)
{
    return IsOpen() && ReadAll(file, offset, bytes, count);
}

// Each save of a batch is flushed and replaced in its Commit: nothing is
// handed over.
FolderFlushes::~FolderFlushes() {}

// Windows has no flush of a folder of its own: every replace is written
// through when it is made, so a batch has nothing left to flush.
bool FolderFlushes::FlushAll(std::string*)
{
    folders.clear();
    return true;
}

SaveProblem SafeFileWriter::CheckTarget(const char* path)
{
    if (!path) return SaveProblem::None;
    const std::string target = FollowLinks(path);
    SaveProblem problem = ProblemOf(target);
    // Found out only when replacing; asked here so that the user can be told.
    if (problem == SaveProblem::None && HeldByAnotherProgram(target)) problem = SaveProblem::InUse;
    return problem;
}

SafeFileWriter::SafeFileWriter(const char* targetPath, FolderFlushes* flushes)
    : flushes(flushes), file(INVALID_HANDLE_VALUE), open(false), failed(false), committed(false)
{
    if (!targetPath || !*targetPath) return;
    target = FollowLinks(targetPath);
    if (ProblemOf(target) != SaveProblem::None) return;
    // A name of the system's making, beside the file: the replace stays
    // within one volume, and a long file name still leaves room (no part of
    // it is kept, so none can be cut inside a character).
    char name[MAX_PATH];
    if (!GetTempFileNameA(FolderOf(target).c_str(), "kor", 0, name)) return;
    temporary = name;
    if (GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES) KeepAccessRights(temporary, target);
    file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    open = file != INVALID_HANDLE_VALUE;
    if (!open) RemoveTemporary();
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
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kCopyBufferBytes]);
    while (buffer && count > 0) {
        size_t chunk = count < kCopyBufferBytes ? size_t(count) : kCopyBufferBytes;
        if (!source.ReadAt(offset, buffer.get(), chunk) || !WriteAll(file, buffer.get(), chunk)) break;
        offset += chunk;
        count -= chunk;
    }
    if (!buffer || count > 0) failed = true;
}

bool SafeFileWriter::Commit()
{
    if (!open || failed || committed) {
        RemoveTemporary();
        return false;
    }
    bool flushed = FlushFileBuffers(file) != 0;
    bool closed = CloseHandle(file) != 0;
    file = INVALID_HANDLE_VALUE;
    if (!flushed || !closed || ProblemOf(target) != SaveProblem::None) {
        RemoveTemporary();
        return false;
    }
    const DWORD old = GetFileAttributesA(target.c_str());
    bool replaced = false;
    if (old == INVALID_FILE_ATTRIBUTES) {
        replaced = MoveTemporary(temporary, target);
    } else if (!HeldByAnotherProgram(target)) {
        // A rewritten file is a changed file: it is marked for the next backup.
        SetFileAttributesA(temporary.c_str(), (old & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE);
        replaced = ReplaceFileA(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                nullptr, nullptr) ||
                   (MoveInstead(GetLastError()) && MoveTemporary(temporary, target));
    }
    if (!replaced) {
        RemoveTemporary();
        return false;
    }
    // The name is free again: another save may take it.
    temporary.clear();
    committed = true;
    return true;
}

void SafeFileWriter::RemoveTemporary()
{
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    if (!temporary.empty()) {
        SetFileAttributesA(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(temporary.c_str());
    }
    temporary.clear();
    open = false;
}
