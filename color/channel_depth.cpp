#include "color/channel_depth.h"

uint8_t ExpandChannelLevel(uint32_t level, int bits)
{
    uint32_t wide = 0;
    for (int shift = 8 - bits;; shift -= bits) {
        if (shift <= 0) {
            wide |= level >> -shift;
            break;
        }
        wide |= level << shift;
    }
    return uint8_t(wide);
}

uint32_t NearestChannelLevel(uint8_t value, int bits)
{
    const uint32_t top = (1u << bits) - 1;
    const uint32_t scaled = (uint32_t(value) * top + 127) / 255;
    // The nearest widened value is the scaled level or one of its neighbours.
    const uint32_t low = scaled == 0 ? 0 : scaled - 1;
    const uint32_t high = scaled == top ? top : scaled + 1;
    uint32_t best = low;
    int bestDistance = 256;
    for (uint32_t level = low; level <= high; ++level) {
        const int distance = ExpandChannelLevel(level, bits) - int(value);
        const int magnitude = distance < 0 ? -distance : distance;
        if (magnitude < bestDistance) {
            best = level;
            bestDistance = magnitude;
        }
    }
    return best;
}

uint8_t SnapChannel(uint8_t value, int bits)
{
    return ExpandChannelLevel(NearestChannelLevel(value, bits), bits);
}

uint8_t StepChannelLevel(uint8_t value, int bits, bool up)
{
    const uint32_t top = (1u << bits) - 1;
    const uint32_t level = NearestChannelLevel(value, bits);
    const uint8_t near = ExpandChannelLevel(level, bits);
    if (up) {
        if (near > value) return near;
        return ExpandChannelLevel(level == top ? 0 : level + 1, bits);
    }
    if (near < value) return near;
    return ExpandChannelLevel(level == 0 ? top : level - 1, bits);
}
