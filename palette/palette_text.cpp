#include "palette/palette_text.h"

#include "palette/palette_formats.h"

TextLines::TextLines(std::string_view text) : rest(text), index(0), started(false), done(false)
{
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
    done = rest.empty();
}

bool TextLines::Next(std::string_view* line)
{
    if (done) return false;
    const size_t end = rest.find('\n');
    *line = rest.substr(0, end);
    if (!line->empty() && line->back() == '\r') line->remove_suffix(1);
    if (end == std::string_view::npos || end + 1 == rest.size()) done = true;
    else rest.remove_prefix(end + 1);
    if (started) ++index;
    started = true;
    return true;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view line)
{
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    return line;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string LineLabel(size_t index)
{
    return "line " + std::to_string(index + 1);
}

std::string Quoted(std::string_view line)
{
    std::string shown;
    for (char c : line.substr(0, 24)) shown += (c >= ' ' && c < 0x7F) ? c : '?';
    if (line.size() > 24) shown += "...";
    return "'" + shown + "'";
}

bool ParseHexColor(std::string_view line, ColorEntry* entry)
{
    line = Trim(line);
    if (!line.empty() && line.front() == '#') line.remove_prefix(1);
    if (line.size() != 6) return false;
    int value[6];
    for (int i = 0; i < 6; ++i) {
        value[i] = HexValue(line[i]);
        if (value[i] < 0) return false;
    }
    entry->red = uint8_t(value[0] << 4 | value[1]);
    entry->green = uint8_t(value[2] << 4 | value[3]);
    entry->blue = uint8_t(value[4] << 4 | value[5]);
    entry->flags = 0;
    return true;
}

bool TooMany(size_t count, std::string* reason)
{
    if (count <= kMaxPaletteEntries) return false;
    *reason = "holds more than 65,535 colors";
    return true;
}

bool Install(const std::vector<ColorEntry>& colors, ColorTable* table, std::string* reason)
{
    ColorTable loaded;
    if (!loaded.Reset(uint32_t(colors.size()))) {
        *reason = "needs more memory than is free";
        return false;
    }
    for (size_t i = 0; i < colors.size(); ++i) *loaded.GetEntry(uint32_t(i)) = colors[i];
    if (!table->Assign(loaded)) {
        *reason = "needs more memory than is free";
        return false;
    }
    return true;
}
