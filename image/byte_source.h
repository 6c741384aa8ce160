// The bytes of an image file being read: held in memory (the editor keeps the
// file it opened, so that saving it back never depends on the file on disk
// staying as it was) or read from the file by offset (korin-cli streams files
// far larger than memory should hold). Readers check every offset and length
// against Size() before they use it.
#ifndef KORIN_IMAGE_BYTE_SOURCE_H
#define KORIN_IMAGE_BYTE_SOURCE_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/safe_file_writer.h"

class ByteSource {
public:
    // The bytes must outlive the source.
    explicit ByteSource(const std::string& bytes);
    // The file must be open and outlive the source.
    explicit ByteSource(SourceFile& file);

    uint64_t Size() const { return size; }
    // The bytes themselves when they are held in memory, else null.
    const uint8_t* Data() const { return memory ? reinterpret_cast<const uint8_t*>(memory->data()) : nullptr; }
    // True when all count bytes at offset were read.
    bool ReadAt(uint64_t offset, void* out, size_t count) const;
    // Appends count bytes from offset on to writer, file to file where it can;
    // a range past the end makes the writer fail.
    void CopyTo(SafeFileWriter& writer, uint64_t offset, uint64_t count) const;

private:
    const std::string* memory;
    SourceFile* file;
    uint64_t size;
};

#endif
