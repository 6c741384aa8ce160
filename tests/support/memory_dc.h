// The device context the document hands the image: a memory DC on the screen
// in the win32 build, none natively.
#ifndef KORIN_TESTS_MEMORY_DC_H
#define KORIN_TESTS_MEMORY_DC_H

#include "platform/platform.h"

class MemoryDC {
public:
#ifdef _WIN32
    MemoryDC() : dc(CreateCompatibleDC(nullptr)) {}
    ~MemoryDC() { DeleteDC(dc); }
#else
    MemoryDC() : dc(nullptr) {}
#endif
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    operator HDC() const { return dc; }

private:
    HDC dc;
};

#endif
