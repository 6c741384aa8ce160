#include "palette/color_text.h"

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsWordChar(char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || static_cast<unsigned char>(c) >= 0x80;
}

int HexValue(char c)
{
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

uint8_t HexByte(const char* p)
{
    return uint8_t(HexValue(p[0]) * 16 + HexValue(p[1]));
}

// One line, [begin, end): where its word starting at i ends.
size_t WordEnd(const char* line, size_t i, size_t end)
{
    while (i < end && IsWordChar(line[i])) ++i;
    return i;
}

// A decimal channel value as a whole word at i, not part of a fraction.
bool DecimalAt(const char* line, size_t i, size_t end, size_t* next, uint8_t* value)
{
    if (i >= end || !IsDigit(line[i])) return false;
    if (i > 0 && line[i - 1] == '.') return false;
    size_t j = WordEnd(line, i, end);
    if (j - i > 3) return false;
    int v = 0;
    for (size_t k = i; k < j; ++k) {
        if (!IsDigit(line[k])) return false;
        v = v * 10 + (line[k] - '0');
    }
    if (v > 255) return false;
    if (j + 1 < end && line[j] == '.' && IsDigit(line[j + 1])) return false;
    *next = j;
    *value = uint8_t(v);
    return true;
}

// Blanks with at most one comma among them, at least one character.
bool SeparatorAt(const char* line, size_t i, size_t end, size_t* next)
{
    size_t j = i;
    while (j < end && IsBlank(line[j])) ++j;
    if (j < end && line[j] == ',') {
        ++j;
        while (j < end && IsBlank(line[j])) ++j;
    }
    *next = j;
    return j > i;
}

bool DecimalTripleAt(const char* line, size_t i, size_t end, TextColor* color)
{
    uint8_t values[3];
    for (int n = 0; n < 3; ++n) {
        if (n > 0 && !SeparatorAt(line, i, end, &i)) return false;
        if (!DecimalAt(line, i, end, &i, &values[n])) return false;
    }
    *color = {values[0], values[1], values[2]};
    return true;
}

bool FirstColorOfLine(const char* line, size_t end, TextColor* color)
{
    size_t i = 0;
    while (i < end) {
        if (line[i] == '#') {
            size_t digits = 0;
            while (i + 1 + digits < end && IsHexDigit(line[i + 1 + digits])) ++digits;
            size_t after = i + 1 + digits;
            bool bounded = after >= end || !IsWordChar(line[after]);
            const char* p = line + i + 1;
            if (bounded && digits == 6) {
                *color = {HexByte(p), HexByte(p + 2), HexByte(p + 4)};
                return true;
            }
            if (bounded && digits == 3) {
                *color = {uint8_t(HexValue(p[0]) * 17), uint8_t(HexValue(p[1]) * 17),
                          uint8_t(HexValue(p[2]) * 17)};
                return true;
            }
            ++i;
            continue;
        }
        if (!IsWordChar(line[i])) {
            ++i;
            continue;
        }
        size_t wordEnd = WordEnd(line, i, end);
        if (wordEnd - i == 6) {
            bool hex = true;
            for (size_t k = i; k < wordEnd; ++k) hex = hex && IsHexDigit(line[k]);
            if (hex) {
                *color = {HexByte(line + i), HexByte(line + i + 2), HexByte(line + i + 4)};
                return true;
            }
        }
        if (DecimalTripleAt(line, i, end, color)) return true;
        i = wordEnd;
    }
    return false;
}

}  // namespace

std::string ColorAsText(uint8_t red, uint8_t green, uint8_t blue)
{
    const char digits[] = "0123456789ABCDEF";
    std::string text = "#";
    for (uint8_t channel : {red, green, blue}) {
        text += digits[channel >> 4];
        text += digits[channel & 15];
    }
    return text;
}

std::vector<TextColor> ColorsInText(const char* text, size_t length, size_t maxColors)
{
    std::vector<TextColor> colors;
    size_t begin = 0;
    while (begin < length && colors.size() < maxColors) {
        size_t end = begin;
        while (end < length && text[end] != '\n' && text[end] != '\r') ++end;
        TextColor color;
        if (FirstColorOfLine(text + begin, end - begin, &color)) colors.push_back(color);
        begin = end + 1;
    }
    return colors;
}
