// An even ramp of colors between two entries of a table.
#ifndef KORIN_PALETTE_GRADIENT_H
#define KORIN_PALETTE_GRADIENT_H

#include <cstdint>

#include "color/oklab.h"

class ColorTable;

// Where the steps are even: in the 8-bit red, green and blue values, or in
// OKLab, whose equal steps look equal.
enum class GradientSpace { Rgb, Oklab };

// Fills the entries between first and last with an even ramp from entry
// first's color to entry last's; those two stay exactly as they are, and
// every entry keeps its flags. False, the table unchanged, unless
// first < last < GetCount() and the range holds three entries or more.
bool FillGradient(ColorTable& table, uint32_t first, uint32_t last, GradientSpace space);

#endif
