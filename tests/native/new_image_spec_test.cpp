// The new-image checks: which problem is reported first, and where each
// limit lies.
#include <gtest/gtest.h>

#include <climits>

#include "image/new_image_spec.h"

namespace {

struct Case {
    const char* what;
    NewImageSpec spec;  // width, height, bitCount, entryCount
    NewImageProblem expected;
};

TEST(NewImageSpecCheck, ReportsTheFirstProblemInOrder)
{
    using P = NewImageProblem;
    const Case cases[] = {
        {"start-up values", {100, 100, 8, 256}, P::None},
        {"full color with 1 entry beats width 0", {0, 100, 24, 1}, P::FullColorWithEntries},
        {"full color with 1 entry beats everything", {0, 0, 24, 1}, P::FullColorWithEntries},
        {"full color with many entries", {100, 100, 24, 1 << 24}, P::FullColorWithEntries},
        {"full color with 0 entries", {100, 100, 24, 0}, P::None},
        {"width 0 beats too many entries", {0, 100, 4, 17}, P::InvalidSize},
        {"width 0, 256 colors, 256 entries", {0, 100, 8, 256}, P::InvalidSize},
        {"height 0", {100, 0, 8, 256}, P::InvalidSize},
        {"both 0", {0, 0, 1, 2}, P::InvalidSize},
        {"16 colors, 17 entries", {100, 100, 4, 17}, P::TooManyEntries},
        {"16 colors, 16 entries", {100, 100, 4, 16}, P::None},
        {"2 colors, 2 entries", {100, 100, 1, 2}, P::None},
        {"2 colors, 3 entries", {100, 100, 1, 3}, P::TooManyEntries},
        {"256 colors, 256 entries", {100, 100, 8, 256}, P::None},
        {"256 colors, 257 entries", {100, 100, 8, 257}, P::TooManyEntries},
        {"256 colors, 0 entries", {100, 100, 8, 0}, P::None},
        {"25 bits, capped at full color", {100, 100, 25, (1 << 24) + 1}, P::TooManyEntries},
        {"32 bits, capped at full color", {100, 100, 32, (1 << 24) + 1}, P::TooManyEntries},
        {"2 colors, 0 entries", {100, 100, 1, 0}, P::None},
        {"1 x 1 pixel", {1, 1, 1, 1}, P::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.expected, CheckNewImageSpec(c.spec));
    }
}

// A typed number above INT_MAX arrives as a negative value; the comparisons
// are signed, so these pass here and are left to the blank bitmap's creation.
TEST(NewImageSpecCheck, ComparesSigned)
{
    using P = NewImageProblem;
    const Case cases[] = {
        {"full color, negative entries", {100, 100, 24, -1}, P::None},
        {"full color, INT_MIN entries", {100, 100, 24, INT_MIN}, P::None},
        {"256 colors, negative entries", {100, 100, 8, -5}, P::None},
        {"negative width", {-1, 100, 8, 256}, P::None},
        {"negative height", {100, INT_MIN, 8, 256}, P::None},
        {"width INT_MAX", {INT_MAX, 1, 8, 256}, P::None},
        {"16 colors, INT_MAX entries", {100, 100, 4, INT_MAX}, P::TooManyEntries},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.expected, CheckNewImageSpec(c.spec));
    }
}

}  // namespace
