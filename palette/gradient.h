// An even ramp of colors between two entries of a table, in RGB or in OKLab.
#ifndef KORIN_PALETTE_GRADIENT_H
#define KORIN_PALETTE_GRADIENT_H

#include <cstdint>

#include "palette/color_table.h"

enum class GradientSpace { Rgb, Oklab };

// Recolors the entries between first and last so that first to last run
// evenly from the one's color to the other's; the two ends and every flags
// byte stay. False, with nothing changed, unless first < last < the count.
bool FillGradient(ColorTable& table, uint32_t first, uint32_t last, GradientSpace space);

#endif
