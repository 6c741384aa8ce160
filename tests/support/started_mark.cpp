#include "tests/support/started_mark.h"

#include <cstdio>
#include <cstdlib>

void MarkStarted()
{
    const char* path = std::getenv("KORIN_STARTED_MARK");
    if (!path || !*path) return;
    if (std::FILE* mark = std::fopen(path, "wb")) std::fclose(mark);
}
