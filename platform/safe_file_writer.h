// Writes a file so that the file it replaces survives any failure: the bytes go
// to a temporary file beside the target, which replaces the target in one step
// only once it is complete.
#ifndef KORIN_PLATFORM_SAFE_FILE_WRITER_H
#define KORIN_PLATFORM_SAFE_FILE_WRITER_H

#include <fstream>
#include <string>

class SafeFileWriter {
public:
    explicit SafeFileWriter(const char* targetPath);
    // Removes the temporary file unless Commit succeeded.
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    bool IsOpen() const { return stream.is_open(); }
    std::ostream& Stream() { return stream; }
    // True when every byte reached the temporary file and it replaced the target.
    bool Commit();

    static const char* TemporarySuffix() { return ".korin~"; }

private:
    void RemoveTemporary();

    std::string target;
    std::string temporary;
    std::ofstream stream;
    bool committed;
    bool created;  // the temporary file is ours to remove
};

#endif
