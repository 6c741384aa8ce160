#include "palette/color_lists.h"

#include <cstdio>
#include <vector>

#include "palette/palette_formats.h"
#include "palette/palette_text.h"

namespace {

enum class LineKind { Blank, Comment, HexColor, PaintNetColor, Other };

bool IsAlphanumeric(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// What follows a '#' when it is a color with a typo ("#12345g") rather than
// a comment ("# sweetie 16"): one word of six to eight letters and digits,
// mostly hex digits.
bool MeantAsColor(std::string_view word)
{
    if (word.size() < 6 || word.size() > 8) return false;
    size_t hexDigits = 0;
    for (char c : word) {
        if (!IsAlphanumeric(c)) return false;
        if (HexValue(c) >= 0) ++hexDigits;
    }
    return 2 * hexDigits > word.size();
}

// AARRGGBB; the alpha is not kept.
bool ParsePaintNetColor(std::string_view line, ColorEntry* entry)
{
    if (line.size() != 8) return false;
    for (char c : line)
        if (HexValue(c) < 0) return false;
    return ParseHexColor(line.substr(2), entry);
}

bool IsControl(char c)
{
    return uint8_t(c) < 0x20 && c != '\t' && c != '\r' && c != '\n';
}

LineKind Classify(std::string_view line, ColorEntry* entry)
{
    // Not even a comment holds control bytes: what does is binary.
    for (char c : line)
        if (IsControl(c) || c == '\r') return LineKind::Other;
    line = Trim(line);
    if (line.empty()) return LineKind::Blank;
    if (line.front() == ';') return LineKind::Comment;
    if (ParseHexColor(line, entry)) return LineKind::HexColor;
    if (line.front() == '#') return MeantAsColor(line.substr(1)) ? LineKind::Other : LineKind::Comment;
    if (ParsePaintNetColor(line, entry)) return LineKind::PaintNetColor;
    return LineKind::Other;
}

// A binary file is never a list, even one whose first bytes spell a color.
bool IsText(std::string_view bytes)
{
    for (char c : bytes)
        if (IsControl(c)) return false;
    return true;
}

bool ReadList(const std::string& bytes, LineKind wanted, const char* shape, ColorTable* table,
              std::string* reason)
{
    TextLines lines(bytes);
    std::string_view line;
    std::vector<ColorEntry> colors;
    while (lines.Next(&line)) {
        ColorEntry entry;
        const LineKind kind = Classify(line, &entry);
        if (kind == LineKind::Blank || kind == LineKind::Comment) continue;
        if (kind != wanted) {
            *reason = LineLabel(lines.Index()) + " is not " + shape + ": " + Quoted(line);
            return false;
        }
        colors.push_back(entry);
        if (TooMany(colors.size(), reason)) return false;
    }
    if (colors.empty()) {
        *reason = "holds no colors";
        return false;
    }
    return Install(colors, table, reason);
}

ColorListKind ListKindOf(LineKind kind)
{
    if (kind == LineKind::HexColor) return ColorListKind::Hex;
    if (kind == LineKind::PaintNetColor) return ColorListKind::PaintNet;
    return ColorListKind::None;
}

}  // namespace

bool ReadHexPalette(const std::string& bytes, ColorTable* table, std::string* reason)
{
    return ReadList(bytes, LineKind::HexColor, "six hex digits (RRGGBB)", table, reason);
}

bool ReadPaintNetPalette(const std::string& bytes, ColorTable* table, std::string* reason)
{
    return ReadList(bytes, LineKind::PaintNetColor, "eight hex digits (AARRGGBB)", table, reason);
}

ColorListShape MeasureColorList(std::string_view bytes)
{
    ColorListShape shape = {ColorListKind::None, ColorListKind::None};
    if (!IsText(bytes)) return shape;
    size_t hex = 0, paintNet = 0, other = 0;
    bool first = true;
    TextLines lines(bytes);
    std::string_view line;
    while (lines.Next(&line)) {
        ColorEntry entry;
        const LineKind kind = Classify(line, &entry);
        if (kind == LineKind::Blank || kind == LineKind::Comment) continue;
        if (first) shape.startsAs = ListKindOf(kind);
        first = false;
        if (kind == LineKind::HexColor) ++hex;
        else if (kind == LineKind::PaintNetColor) ++paintNet;
        else ++other;
    }
    if (hex + paintNet > other) shape.mostlyOf = hex >= paintNet ? ColorListKind::Hex : ColorListKind::PaintNet;
    return shape;
}

std::string EncodePaintNetPalette(const ColorTable& table)
{
    std::string out =
        "; paint.net Palette File\r\n"
        "; Lines that start with a semicolon are comments\r\n"
        "; Colors are written as 8-digit hexadecimal numbers: aarrggbb\r\n"
        "; For example, this would specify green: FF00FF00\r\n"
        "; The palette must contain exactly 96 colors\r\n"
        "; If fewer than 96 colors are listed, the remainder will be filled with white (FFFFFFFF)\r\n";
    for (uint32_t i = 0; i < table.GetCount(); ++i) {
        const ColorEntry* e = table.GetEntry(i);
        char line[16];
        std::snprintf(line, sizeof line, "FF%02X%02X%02X\r\n", e->red, e->green, e->blue);
        out += line;
    }
    return out;
}
