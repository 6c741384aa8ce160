#include "cli/rearrange_arguments.h"

#include "cli/table_option.h"

namespace {

// An entry number: decimal, 0 to 255.
bool ParseEntry(const std::string& text, uint32_t* value)
{
    if (text.empty() || text.size() > 3) return false;
    uint32_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + uint32_t(c - '0');
    }
    if (number > 255) return false;
    *value = number;
    return true;
}

// FIRST-LAST, or a single entry when single is allowed.
bool ParseRange(const std::string& text, bool single, uint32_t* first, uint32_t* last)
{
    const std::string::size_type dash = text.find('-');
    if (dash == std::string::npos) {
        if (!single || !ParseEntry(text, first)) return false;
        *last = *first;
        return true;
    }
    return ParseEntry(text.substr(0, dash), first) && ParseEntry(text.substr(dash + 1), last) && *first <= *last;
}

bool Fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

}  // namespace

#define KORIN_REARRANGE_OUTPUT                                                              \
    "Each FILE is a BMP (1, 4 or 8 bits), PNG or GIF file with a color table. Its pixels\n" \
    "are rewritten to follow their entries, so the picture looks as before; PNG tRNS,\n"    \
    "hIST and bKGD and the GIF transparent and background index follow too, and every\n"   \
    "other chunk or block is copied as it is. The frames of an animated PNG are\n"          \
    "rewritten as its picture is. A line on standard output says what moved.\n"             \
    KORIN_LEVEL_HELP KORIN_TABLE_HELP                                                       \
    "With --table N only image N's pixels are rewritten; with --table global, those of\n"  \
    "every image without a table of its own.\n"

#define KORIN_KEEP_INDICES_HELP                                                              \
    "  --keep-indices  move only the table: the pixels keep their indices (so their\n"      \
    "                  colors change), as when the table was in the wrong order\n"

const char kMoveHelp[] =
    "Usage: korin-cli move FILE FROM[-TO] POSITION [--keep-indices] [--table T]\n"
    "                      (-o OUT | --out-dir DIR | --in-place)\n"
    "\n"
    "Moves entry FROM (or entries FROM to TO) so that it lands at POSITION; the\n"
    "entries between close up. Entries are counted from 0.\n" KORIN_KEEP_INDICES_HELP KORIN_REARRANGE_OUTPUT;

const char kSwapEntriesHelp[] =
    "Usage: korin-cli swap-entries FILE A B [--keep-indices] [--table T]\n"
    "                              (-o OUT | --out-dir DIR | --in-place)\n"
    "\n"
    "Exchanges entries A and B (counted from 0).\n" KORIN_KEEP_INDICES_HELP KORIN_REARRANGE_OUTPUT;

const char kSortHelp[] =
    "Usage: korin-cli sort FILE... --by hue|lightness|usage [--range FIRST-LAST]\n"
    "                      [--keep-indices] [--table T] (-o OUT | --out-dir DIR | --in-place)\n"
    "\n"
    "Sorts the table, or entries FIRST to LAST, keeping the order of equal ones:\n"
    "  --by hue        greys first, then red, yellow, green, cyan, blue, magenta\n"
    "  --by lightness  dark to light (OKLab L)\n"
    "  --by usage      the entries most pixels use first\n" KORIN_KEEP_INDICES_HELP KORIN_REARRANGE_OUTPUT;

const char kCompactHelp[] =
    "Usage: korin-cli compact FILE... [--table T] (-o OUT | --out-dir DIR | --in-place)\n"
    "\n"
    "Removes every entry no pixel of any frame uses (an entry the file names as its\n"
    "transparent or background color, or as a plain text's color, stays), keeping\n"
    "the order of the rest. A table keeps at least one entry, a GIF table two.\n" KORIN_REARRANGE_OUTPUT;

const char kMergeDuplicatesHelp[] =
    "Usage: korin-cli merge-duplicates FILE... [--table T] (-o OUT | --out-dir DIR | --in-place)\n"
    "\n"
    "Moves the pixels of each entry whose color (and PNG alpha) an earlier entry has\n"
    "to that first entry; the duplicates stay in the table, unused ('compact' removes\n"
    "them). GIF entries are the same only when every frame shows both or hides both.\n" KORIN_REARRANGE_OUTPUT;

const char kConformHelp[] =
    "Usage: korin-cli conform FILE... --palette PAL [--table T] [--in-format bgr555|vga]\n"
    "                         (-o OUT | --out-dir DIR | --in-place)\n"
    "\n"
    "Makes the palette file PAL (any format 'convert' reads) the table, in its order\n"
    "and count, and gives each pixel the palette color nearest to its own in OKLab\n"
    "(ties to the lower entry). Transparent pixels (PNG alpha 0, a GIF frame's\n"
    "transparent entry) stay so through a palette entry no visible pixel takes; a\n"
    "palette that leaves none is refused. Reports how many entries moved, how many\n"
    "changed color (or alpha) and the largest color error (OKLab distance; 0.01 is\n"
    "about the smallest difference the eye sees).\n" KORIN_IN_FORMAT_HELP KORIN_REARRANGE_OUTPUT;

bool ParseRearrange(const std::string& command, const RearrangeWords& words, RearrangeRequest* request,
                    std::vector<std::string>* inputs, std::string* error)
{
    const std::vector<std::string>& operands = words.operands;
    request->keepIndices = words.keepIndices;
    if (command == "move") {
        if (operands.size() != 3) return Fail(error, "move takes FILE FROM[-TO] POSITION");
        if (!ParseRange(operands[1], true, &request->first, &request->last))
            return Fail(error, "FROM[-TO] is an entry or a range of entries (0 to 255), not '" + operands[1] + "'");
        if (!ParseEntry(operands[2], &request->position))
            return Fail(error, "POSITION is an entry number (0 to 255), not '" + operands[2] + "'");
        inputs->assign(1, operands[0]);
        return true;
    }
    if (command == "swap-entries") {
        if (operands.size() != 3) return Fail(error, "swap-entries takes FILE A B");
        if (!ParseEntry(operands[1], &request->first) || !ParseEntry(operands[2], &request->last))
            return Fail(error, "A and B are entry numbers (0 to 255), not '" + operands[1] + "' '" + operands[2] + "'");
        inputs->assign(1, operands[0]);
        return true;
    }
    if (operands.empty()) return Fail(error, command + " needs a FILE");
    *inputs = operands;
    if (command == "sort") {
        if (!words.byGiven) return Fail(error, "sort needs --by hue, lightness or usage");
        if (words.by == "hue") request->sortKey = SortKey::Hue;
        else if (words.by == "lightness") request->sortKey = SortKey::Lightness;
        else if (words.by == "usage") request->sortKey = SortKey::Usage;
        else return Fail(error, "--by takes hue, lightness or usage, not '" + words.by + "'");
        request->rangeGiven = words.rangeGiven;
        if (words.rangeGiven && !ParseRange(words.range, false, &request->first, &request->last))
            return Fail(error, "--range takes FIRST-LAST (entries 0 to 255, FIRST not after LAST), not '" +
                                   words.range + "'");
        return true;
    }
    if (command == "conform") {
        if (!words.paletteGiven) return Fail(error, "conform needs --palette PAL");
        request->palette = words.palette;
    }
    return true;
}
