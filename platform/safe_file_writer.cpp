#include "platform/safe_file_writer.h"

#include "platform/platform.h"

SafeFileWriter::SafeFileWriter(const char* targetPath)
    : target(targetPath ? targetPath : ""), committed(false), created(false)
{
    if (target.empty()) return;
    temporary = target + TemporarySuffix();
    stream.open(temporary.c_str(), std::ios::binary | std::ios::out | std::ios::trunc);
    created = stream.is_open();
}

SafeFileWriter::~SafeFileWriter()
{
    if (!committed) RemoveTemporary();
}

bool SafeFileWriter::Commit()
{
    if (!stream.is_open()) return false;
    stream.flush();
    bool written = stream.good();
    stream.close();
    if (!written || stream.fail()) {
        RemoveTemporary();
        return false;
    }
    if (!MoveFileExA(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        RemoveTemporary();
        return false;
    }
    committed = true;
    created = false;
    return true;
}

void SafeFileWriter::RemoveTemporary()
{
    if (!created) return;
    if (stream.is_open()) stream.close();
    DeleteFileA(temporary.c_str());
    created = false;
}
