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

// The first thing wrong with a spec, as the new-image dialog reports it.
enum class NewImageProblem {
    None,
    FullColorWithEntries,  // 24 bits per pixel with an entry count above 0
    InvalidSize,           // width or height 0
    TooManyEntries,        // more entries than 2 to the power bits per pixel
};

// Runs the new-image dialog's checks in its order and returns the first that
// fails. Negative values and entry counts of 0 pass: the blank bitmap's own
// creation refuses what it cannot make.
NewImageProblem CheckNewImageSpec(const NewImageSpec& spec);

#endif
