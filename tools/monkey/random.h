// The monkey's one source of choices: SplitMix64, so that a seed gives the
// same actions on every machine and in both builds.
#ifndef KORIN_TOOLS_MONKEY_RANDOM_H
#define KORIN_TOOLS_MONKEY_RANDOM_H

#include <cstdint>

class Random {
public:
    explicit Random(uint64_t seed) : state(seed) {}
    uint64_t Next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 to n - 1; n must not be 0.
    uint32_t Below(uint32_t n) { return uint32_t(Next() % n); }
    bool Chance(uint32_t percent) { return Below(100) < percent; }

private:
    uint64_t state;
};

#endif
