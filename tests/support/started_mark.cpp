#include "tests/support/started_mark.h"

#include <cstdio>
#include <cstdlib>

namespace {

std::FILE* OpenMark()
{
    const char* path = std::getenv("KORIN_STARTED_MARK");
    if (!path || !*path) return nullptr;
    return std::fopen(path, "wb");
}

}  // namespace

void MarkStarted()
{
    if (std::FILE* mark = OpenMark()) std::fclose(mark);
}

void MarkEnded(int status)
{
    if (std::FILE* mark = OpenMark()) {
        std::fprintf(mark, "ended %d\n", status);
        std::fclose(mark);
    }
}
