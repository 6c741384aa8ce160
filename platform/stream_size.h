#ifndef KORIN_PLATFORM_STREAM_SIZE_H
#define KORIN_PLATFORM_STREAM_SIZE_H

#include <cstdint>
#include <istream>

// Bytes left in the stream from where it stands; 0 when that cannot be told.
// Readers check what a header promises against this before allocating.
inline uint64_t BytesRemaining(std::istream& in)
{
    std::streampos here = in.tellg();
    if (here == std::streampos(-1)) return 0;
    in.seekg(0, std::ios::end);
    std::streampos end = in.tellg();
    in.seekg(here);
    if (end == std::streampos(-1) || end < here) return 0;
    return uint64_t(end - here);
}

#endif
