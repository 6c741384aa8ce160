// Plain lists of colors, one a line, with no first line of their own: hex
// lists (RRGGBB or #RRGGBB) and Paint.NET palettes (AARRGGBB). What their
// lines hold tells them apart, from each other and from binary files.
#ifndef KORIN_PALETTE_COLOR_LISTS_H
#define KORIN_PALETTE_COLOR_LISTS_H

#include <string>
#include <string_view>

#include "palette/color_table.h"

enum class ColorListKind { None, Hex, PaintNet };

struct ColorListShape {
    // The kind of the first line that is neither blank nor a comment, when
    // that line is a color and the bytes are text: the file means to be such
    // a list, so its faults are worth naming.
    ColorListKind startsAs;
    // The kind most of its lines are, when more of them are colors than not:
    // the one line that is not gets named rather than the whole file refused.
    ColorListKind mostlyOf;
};
ColorListShape MeasureColorList(std::string_view bytes);

// Paint.NET's own header comments, then one FFRRGGBB line for each color.
std::string EncodePaintNetPalette(const ColorTable& table);

#endif
