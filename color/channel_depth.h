// The channel values of displays with fewer than 8 bits per channel (3 to 6):
// each of their 2^bits levels shows as the 8-bit value made by repeating the
// level's bits, which is also how their palette files are widened on reading.
#ifndef KORIN_COLOR_CHANNEL_DEPTH_H
#define KORIN_COLOR_CHANNEL_DEPTH_H

#include <cstdint>

const int kMinSnapBits = 3;
const int kMaxSnapBits = 6;

inline bool IsSnapDepth(int bits)
{
    return bits >= kMinSnapBits && bits <= kMaxSnapBits;
}

// Level (0 to 2^bits - 1) widened to 8 bits by bit replication.
uint8_t ExpandChannelLevel(uint32_t level, int bits);
// The level whose widened value lies nearest value; of two equally near,
// the lower. Replication is not linear, so a plain scaling can miss by one.
uint32_t NearestChannelLevel(uint8_t value, int bits);
// value as such a display shows it: ExpandChannelLevel(NearestChannelLevel()).
uint8_t SnapChannel(uint8_t value, int bits);
// The widened value next above value (up) or below it, going round past
// 255 or 0 as an 8-bit step does; from a value between two levels, the
// level on that side.
uint8_t StepChannelLevel(uint8_t value, int bits, bool up);

#endif
