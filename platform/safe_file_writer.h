// Writes a file so that the file it replaces survives any failure and keeps
// what the user set on it. The bytes go to a temporary file beside the file
// the path names (symbolic links are followed, so a link stays a link), which
// takes the old file's place in one step only once it is complete and flushed.
// The new file keeps the old one's permissions and owner (POSIX) or its
// attributes and security (Windows). A read-only file, and a file with other
// hard links (they would go on showing the old content), are refused, never
// replaced.
#ifndef KORIN_PLATFORM_SAFE_FILE_WRITER_H
#define KORIN_PLATFORM_SAFE_FILE_WRITER_H

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#ifdef _WIN32
typedef void* NativeFile;  // a HANDLE
#else
typedef int NativeFile;    // a file descriptor
#endif

// Why a file cannot be replaced.
enum class SaveProblem {
    None,
    ReadOnly,    // the file may not be written
    HardLinked,  // the file has more than one name
    NotAFile,    // a folder or a device stands where the file goes
    InUse,       // another program holds it open and will not let it go (Windows)
};

// A file read by offset, as the source of a writer's CopyFrom.
class SourceFile {
public:
    SourceFile();
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    // False for a folder and for a file that cannot be opened for reading.
    bool Open(const char* path);
    void Close();
    bool IsOpen() const;
    // The file's length in bytes when it was opened.
    uint64_t Size() const { return size; }
    // True when all count bytes at offset were read.
    bool ReadAt(uint64_t offset, void* bytes, size_t count);

private:
    friend class SafeFileWriter;
    NativeFile file;
    uint64_t size;
};

// What a batch of saves flushes together instead of file by file. Natively
// a writer's Commit hands its complete temporary file over; the files handed
// over are flushed together, one flush of their file system, and only then
// each takes its target's place, so each still reaches the disk before it
// does. The folders that hold the new names are flushed once, at the end.
// Windows flushes and replaces each file in Commit, as a single save does.
class FolderFlushes {
public:
    FolderFlushes() {}
    // Removes the temporary files of saves never completed.
    ~FolderFlushes();
    FolderFlushes(const FolderFlushes&) = delete;
    FolderFlushes& operator=(const FolderFlushes&) = delete;

    // Completes the saves handed over, then flushes every folder that took a
    // new file; false, naming the first that failed, when one did not reach
    // the disk.
    bool FlushAll(std::string* failedFolder);
    // The targets of saves handed over that could not be completed (their
    // old files are intact), since the last call.
    std::vector<std::string> TakeFailed()
    {
        std::vector<std::string> taken;
        taken.swap(failed);
        return taken;
    }

private:
    friend class SafeFileWriter;
    struct Handed {
        NativeFile file;
        uint64_t device;  // the file system that holds it
        std::string temporary;
        std::string target;
    };
    void Hand(const Handed& save);
    // Flushes the files handed over and puts each in its target's place.
    void Complete();

    std::vector<Handed> handed;
    std::vector<std::string> failed;
    std::set<std::string> folders;
};

class SafeFileWriter {
public:
    // With flushes, Commit hands the complete file over to them (natively)
    // and flushes.FlushAll() completes the save; without, Commit does.
    explicit SafeFileWriter(const char* targetPath, FolderFlushes* flushes = nullptr);
    // Removes the temporary file unless Commit succeeded.
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    bool IsOpen() const { return open; }
    // A failed write or copy makes Commit fail.
    void Write(const void* bytes, size_t count);
    // Appends count bytes of source from offset on, file to file.
    void CopyFrom(SourceFile& source, uint64_t offset, uint64_t count);
    // Makes Commit fail, for a writer's caller that found its input wanting.
    void Fail() { failed = true; }
    // True when every byte reached the temporary file, it reached the disk and
    // it replaced the target; or, handed over to a batch's flushes, when every
    // byte reached the temporary file.
    bool Commit();

    // What stops the file path names from being replaced; None when nothing
    // does (also for a file that does not exist yet).
    static SaveProblem CheckTarget(const char* path);

private:
    void RemoveTemporary();

    std::string target;     // the file itself, links followed
    std::string temporary;
    FolderFlushes* flushes;
    NativeFile file;
    bool open;
    bool failed;
    bool committed;
};

#endif
