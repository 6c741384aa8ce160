// What the text palette readers share: the file's lines one at a time (no
// list of them is ever built, so a file of empty lines costs nothing), and
// the pieces their messages and colors are made of.
#ifndef KORIN_PALETTE_PALETTE_TEXT_H
#define KORIN_PALETTE_PALETTE_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "palette/color_table.h"

// The lines of a text without their CR LF or LF; a UTF-8 byte order mark
// that some editors put first is not part of the first line.
class TextLines {
public:
    explicit TextLines(std::string_view text);
    // False once every line was given.
    bool Next(std::string_view* line);
    // The 0-based number of the line Next gave last.
    size_t Index() const { return index; }

private:
    std::string_view rest;
    size_t index;
    bool started;
    bool done;
};

bool IsBlank(char c);
std::string_view Trim(std::string_view line);
int HexValue(char c);
// "line 7" for index 6.
std::string LineLabel(size_t index);
// The quoted start of a line for a message, printable bytes only.
std::string Quoted(std::string_view line);
// "#RRGGBB" or "RRGGBB", blanks around it allowed.
bool ParseHexColor(std::string_view line, ColorEntry* entry);
// True, with a reason, past the most entries any reader takes.
bool TooMany(size_t count, std::string* reason);
// Puts colors into table; false, with a reason, when memory runs out.
bool Install(const std::vector<ColorEntry>& colors, ColorTable* table, std::string* reason);

#endif
