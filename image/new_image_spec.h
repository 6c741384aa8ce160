#ifndef KORIN_IMAGE_NEW_IMAGE_SPEC_H
#define KORIN_IMAGE_NEW_IMAGE_SPEC_H

#include <cstdint>

// What a blank bitmap is asked to be; the new-image dialog fills it.
struct NewImageSpec {
    int32_t width;
    int32_t height;
    int32_t bitCount;    // 1, 4, 8 or 24
    int32_t entryCount;  // color-table entries
};

#endif
