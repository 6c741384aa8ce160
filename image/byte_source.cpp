#include "image/byte_source.h"

#include <cstring>

ByteSource::ByteSource(const std::string& bytes) : memory(&bytes), file(nullptr), size(bytes.size()) {}

ByteSource::ByteSource(SourceFile& source) : memory(nullptr), file(&source), size(source.Size()) {}

bool ByteSource::ReadAt(uint64_t offset, void* out, size_t count) const
{
    if (offset > size || count > size - offset) return false;
    if (file) return file->ReadAt(offset, out, count);
    if (count) std::memcpy(out, memory->data() + offset, count);
    return true;
}

void ByteSource::CopyTo(SafeFileWriter& writer, uint64_t offset, uint64_t count) const
{
    if (file) {
        writer.CopyFrom(*file, offset, count);
        return;
    }
    if (offset > size || count > size - offset) {
        writer.Fail();
        return;
    }
    writer.Write(memory->data() + offset, size_t(count));
}
