// Rows decoded ahead on a second thread: every row arrives once, in order,
// with its bytes; a failure on either side stops both and gives its reason.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/rows_ahead.h"

namespace {

const uint32_t kWidth = 1000;  // some 65 rows a block: many blocks in flight
const uint32_t kHeight = 2000;

uint8_t ByteOf(uint32_t y, size_t i)
{
    return uint8_t(y * 7 + i * 13);
}

}  // namespace

TEST(RowsAhead, RowsArriveInOrderAndEitherSideStopsBoth)
{
    struct Case {
        uint32_t walkFailsAt, takerStopsAt;  // kHeight: never
        bool sound;
        const char* reason;
    };
    for (const Case& c : {Case{kHeight, kHeight, true, ""}, Case{1234, kHeight, false, "walk"},
                          Case{0, kHeight, false, "walk"}, Case{kHeight, 777, false, "taker"},
                          Case{kHeight, 0, false, "taker"}}) {
        uint32_t walked = 0;
        const RowWalk walk = [&](const RgbaRow& row, std::string* reason) {
            std::vector<uint8_t> rgba(size_t(kWidth) * 4);
            for (uint32_t y = 0; y < kHeight; ++y) {
                if (y == c.walkFailsAt) {
                    *reason = "walk";
                    return false;
                }
                for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = ByteOf(y, i);
                ++walked;
                if (!row(y, rgba.data(), reason)) return false;
            }
            return true;
        };
        uint32_t taken = 0;
        bool bytesRight = true;
        std::string reason;
        const bool sound = RowsAhead(walk, kWidth)([&](uint32_t y, const uint8_t* rgba, std::string* why) {
            if (y != taken) bytesRight = false;
            for (size_t i = 0; i < size_t(kWidth) * 4; i += 997) bytesRight = bytesRight && rgba[i] == ByteOf(y, i);
            if (y == c.takerStopsAt) {
                *why = "taker";
                return false;
            }
            ++taken;
            return true;
        }, &reason);
        EXPECT_EQ(c.sound, sound) << c.walkFailsAt << " " << c.takerStopsAt;
        EXPECT_EQ(c.reason, reason);
        EXPECT_TRUE(bytesRight);
        EXPECT_EQ(std::min(c.walkFailsAt, c.takerStopsAt), taken);
        // A taker that stopped leaves the walk no more than the blocks in flight ahead.
        if (c.takerStopsAt < kHeight) {
            EXPECT_LT(walked, c.takerStopsAt + 400);
        }
    }
}
