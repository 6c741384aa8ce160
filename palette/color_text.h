// Colors as text, the way they travel through the clipboard: "#RRGGBB" out,
// and in, the first color a line of text holds in any of the usual notations.
#ifndef KORIN_PALETTE_COLOR_TEXT_H
#define KORIN_PALETTE_COLOR_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TextColor {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

// "#RRGGBB", upper-case hexadecimal.
std::string ColorAsText(uint8_t red, uint8_t green, uint8_t blue);

// The first color of each line of text that holds one, in line order, at most
// maxColors of them. A color is "#RRGGBB", "#RGB", a bare six-digit hex word
// "RRGGBB", or three decimal numbers 0 to 255 apart by blanks or a comma
// ("R, G, B", "R G B"). Bytes that are not ASCII only separate words.
std::vector<TextColor> ColorsInText(const char* text, size_t length, size_t maxColors);

#endif
