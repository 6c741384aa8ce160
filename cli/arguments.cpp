#include "cli/arguments.h"

#include <cstdint>
#include <cstring>

#include "cli/table_option.h"
#include "color/channel_depth.h"

namespace {

enum OptionBit : unsigned {
    kOut = 1 << 0,
    kOutDir = 1 << 1,
    kInPlace = 1 << 2,
    kMembers = 1 << 3,
    kHex = 1 << 4,
    kRaw = 1 << 5,
    kSize = 1 << 6,
    kBits = 1 << 7,
    kEntries = 1 << 8,
    kFormat = 1 << 9,
    kSpace = 1 << 10,
    kKeepIndices = 1 << 11,
    kBy = 1 << 12,
    kRange = 1 << 13,
    kPalette = 1 << 14,
    kDither = 1 << 15,
    kAlphaThreshold = 1 << 16,
    kTransparent = 1 << 17,
    kColors = 1 << 18,
    kKeep = 1 << 19,
    kUnsorted = 1 << 20,
    kLevel = 1 << 21,
    kDepth = 1 << 22,
    kTable = 1 << 23,
    kInFormat = 1 << 24,
};
const unsigned kOutputOptions = kOut | kOutDir | kInPlace;

struct OptionInfo {
    const char* name;
    OptionBit bit;
    bool takesValue;
};

const OptionInfo kOptions[] = {
    {"-o", kOut, true},          {"--out", kOut, true},         {"--out-dir", kOutDir, true},
    {"--in-place", kInPlace, false}, {"--members", kMembers, false}, {"--hex", kHex, false},
    {"--raw", kRaw, false},      {"--size", kSize, true},       {"--bits", kBits, true},
    {"--entries", kEntries, true}, {"--format", kFormat, true},
    {"--space", kSpace, true},   {"--keep-indices", kKeepIndices, false}, {"--by", kBy, true},
    {"--range", kRange, true},   {"--palette", kPalette, true},
    {"--dither", kDither, true}, {"--alpha-threshold", kAlphaThreshold, true},
    {"--transparent", kTransparent, true}, {"--colors", kColors, true},
    {"--keep", kKeep, true},     {"--unsorted", kUnsorted, false},
    {"--level", kLevel, true},   {"--depth", kDepth, true},    {"--table", kTable, true},
    {"--in-format", kInFormat, true},
};

const char kToolHelp[] =
    "Usage: korin-cli COMMAND [ARGS...]\n"
    "\n"
    "Palette work on Windows BMP files and indexed PNG and GIF files, by the same\n"
    "rules as the Korin editor. A file's kind is told by its content, not its name.\n"
    "\n"
    "Commands:\n"
    "  info FILE.bmp [--members] [--hex] [--raw]   print the header report\n"
    "  palette FILE.bmp -o OUT [--format F]        save the color table as a palette file\n"
    "  apply SOURCE FILE.bmp... OUTPUT             write SOURCE's color table into bitmaps\n"
    "  invert FILE.bmp... OUTPUT                   invert every color of the table\n"
    "  swap rg|gb|br FILE.bmp... OUTPUT            swap two channels in every entry\n"
    "  snap FILE... --depth 3|4|5|6 OUTPUT         round every color to what N bits per channel show\n"
    "  new --size WxH --bits 1|4|8|24 [--entries N] -o OUT.bmp   make a blank bitmap\n"
    "  convert IN OUT [--format F]                 rewrite a palette file in another format,\n"
    "                                              or a picture as OUT.bmp or OUT.png\n"
    "  normalize FILE.bmp... OUTPUT                convert BMP files from other tools into\n"
    "                                              the form the editor opens\n"
    "  usage FILE [--format tsv|json]              count the pixels of each table entry\n"
    "  gradient FILE FIRST LAST [--space rgb|oklab] OUTPUT\n"
    "                                              fill entries FIRST..LAST with an even ramp\n"
    "  move FILE FROM[-TO] POSITION OUTPUT         move entries, the picture kept\n"
    "  swap-entries FILE A B OUTPUT                exchange two entries, the picture kept\n"
    "  sort FILE... --by hue|lightness|usage OUTPUT  sort the table, the picture kept\n"
    "  compact FILE... OUTPUT                      remove the entries no pixel uses\n"
    "  merge-duplicates FILE... OUTPUT             move pixels to the first of equal entries\n"
    "  conform FILE... --palette PAL OUTPUT        take PAL as the table, each pixel its nearest color\n"
    "  map IN... --palette P [--dither D] OUTPUT   put a truecolor picture onto the palette P\n"
    "  quantize IN... --colors N [--dither D] OUTPUT  make an N-color palette and map onto it\n"
    "\n"
    "Palette formats (F): riff, jasc, gpl, act, hex, pdn, bgr555, vga, ase.\n"
    "\n"
    "OUTPUT is exactly one of:\n"
    "  -o, --out FILE  write the result to FILE (one input only)\n"
    "  --out-dir DIR   write each result to DIR under its input's name\n"
    "  --in-place      replace each input\n"
    "\n"
    "A command that reads or edits a table takes --table global|N for a GIF file:\n"
    "its global table or image N's local one (N from 1). Without it, the global\n"
    "table is taken, or the first image's own when there is none.\n"
    "\n"
    "Files are replaced only once fully written. Exit status: 0 when every file\n"
    "succeeded, 1 when any failed (the others are still done), 2 for bad usage.\n"
    "Run 'korin-cli COMMAND --help' for a command's details, 'korin-cli --version'\n"
    "for the version.\n";

const char kInfoHelp[] =
    "Usage: korin-cli info FILE.bmp [--members] [--hex] [--raw]\n"
    "\n"
    "Prints the header report of FILE.bmp as the editor's header view shows it.\n"
    "  --members  list every header member instead of the summary\n"
    "  --hex      write the members' values in hexadecimal (with --members)\n"
    "  --raw      print the report's Shift-JIS (CP932) bytes instead of UTF-8\n"
    "For a PNG or GIF file the report lists its chunks or blocks and its tables.\n";

// How OUT's format is chosen, shared by palette and convert.
#define KORIN_FORMAT_HELP                                                              \
    "  --format F  riff     RIFF palette (.pal)\n"                                   \
    "              jasc     JASC-PAL text palette (.pal)\n"                          \
    "              gpl      GIMP palette (.gpl)\n"                                   \
    "              act      Adobe Color Table (.act), 1 to 256 colors\n"             \
    "              hex      hex list, one RRGGBB a line (.hex, .txt)\n"              \
    "              pdn      Paint.NET palette (.txt), 1 to 96 colors\n"               \
    "              bgr555   15-bit BGR words of console tools, 1 to 256 colors\n"    \
    "              vga      6-bit VGA DAC triplets, 1 to 256 colors\n"               \
    "              ase      Adobe Swatch Exchange (.ase), RGB colors named #RRGGBB\n" \
    "Without --format, OUT's extension decides: .gpl, .act, .hex and .ase as above,\n" \
    ".txt a hex list, .pal and any other name a RIFF palette; bgr555 and vga only\n" \
    "by --format. bgr555 and vga round each color to their 5 or 6 bits.\n"

const char kPaletteHelp[] =
    "Usage: korin-cli palette FILE.bmp -o OUT [--format riff|jasc|gpl|act|hex|pdn]\n"
    "                         [--table T]\n"
    "\n"
    "Saves the color table of FILE.bmp as a palette file.\n" KORIN_FORMAT_HELP KORIN_TABLE_HELP;

const char kConvertHelp[] =
    "Usage: korin-cli convert IN OUT [--format riff|jasc|gpl|act|hex|pdn] [--level N]\n"
    "                         [--table T] [--in-format bgr555|vga]\n"
    "\n"
    "Reads IN, a palette file in any of the formats below (told apart by its\n"
    "content, not its name) or a BMP, PNG or GIF file with a color table, and\n"
    "writes its colors to OUT.\n" KORIN_FORMAT_HELP
    "Without --format, an OUT named .bmp or .png takes the picture of IN (a BMP,\n"
    "or an indexed PNG or GIF) with the same pixel indices and table; with --table,\n"
    "a GIF's first image drawn with that table.\n" KORIN_LEVEL_HELP KORIN_TABLE_HELP KORIN_IN_FORMAT_HELP;

const char kNormalizeHelp[] =
    "Usage: korin-cli normalize FILE.bmp... (-o OUT.bmp | --out-dir DIR | --in-place)\n"
    "\n"
    "Rewrites BMP files that the editor refuses because of their header or\n"
    "compression in the form it opens (40-byte header, uncompressed, bottom-up):\n"
    "V2, V3, V4 and V5 headers, OS/2 12-byte headers, RLE8 and RLE4 pixel data.\n"
    "Pixel indices and the color table stay the same; pixels a run-length file\n"
    "leaves out become index 0. Bit-field, JPEG and PNG files are refused.\n";

// What the table commands keep of a PNG or GIF file.
#define KORIN_INDEXED_HELP                                                               \
    "A PNG or GIF file keeps every byte but its table's (PNG: PLTE, tRNS, hIST; GIF:\n"   \
    "the one --table names, else the global table, or the first image's own when\n"    \
    "there is none): pixel data and every other chunk or block are copied as they are.\n" \
    KORIN_TABLE_HELP

const char kApplyHelp[] =
    "Usage: korin-cli apply SOURCE FILE.bmp... [--table T] [--in-format bgr555|vga]\n"
    "                       (-o OUT.bmp | --out-dir DIR | --in-place)\n"
    "\n"
    "Writes the color table of SOURCE into each bitmap; pixel bytes stay unchanged.\n"
    "SOURCE is a palette file (RIFF, JASC-PAL, GIMP, Adobe Color Table, Paint.NET or\n"
    "hex list) or a BMP file with a color table, told apart by its content. A longer\n"
    "table grows the bitmap's table (up to 2^bits entries);\n"
    "a shorter one leaves the remaining entries black. --table picks each FILE's\n"
    "table, not SOURCE's.\n" KORIN_IN_FORMAT_HELP KORIN_INDEXED_HELP;

const char kInvertHelp[] =
    "Usage: korin-cli invert FILE.bmp... [--table T] (-o OUT.bmp | --out-dir DIR | --in-place)\n"
    "\n"
    "Replaces every channel of every color-table entry by 255 minus its value.\n" KORIN_INDEXED_HELP;

const char kSwapHelp[] =
    "Usage: korin-cli swap rg|gb|br FILE.bmp... [--table T]\n"
    "                      (-o OUT.bmp | --out-dir DIR | --in-place)\n"
    "\n"
    "Exchanges two channels in every color-table entry:\n"
    "  rg  red and green\n"
    "  gb  green and blue\n"
    "  br  blue and red\n" KORIN_INDEXED_HELP;

const char kSnapHelp[] =
    "Usage: korin-cli snap FILE... --depth 3|4|5|6 [--table T] [--in-format bgr555|vga]\n"
    "                      (-o OUT | --out-dir DIR | --in-place)\n"
    "\n"
    "Rounds every channel of every color-table entry to the nearest value a display\n"
    "with DEPTH bits per channel shows, widened back to 8 bits by repeating its\n"
    "bits (5 bits: 0, 8, 16, ... 255), as consoles and old graphics cards show them.\n"
    "FILE is a BMP, PNG or GIF file or a palette file in any format this program\n"
    "reads; a palette file is written back in its own format.\n" KORIN_IN_FORMAT_HELP KORIN_INDEXED_HELP;

const char kNewHelp[] =
    "Usage: korin-cli new --size WxH --bits 1|4|8|24 [--entries N] -o OUT.bmp\n"
    "\n"
    "Makes a blank (black) bitmap with the new-image dialog's checks. The entry\n"
    "count defaults to what the dialog's color mode sets: 2, 16, 256, or 0 for 24 bits.\n";

const char kUsageHelp[] =
    "Usage: korin-cli usage FILE [--format tsv|json] [--table T]\n"
    "\n"
    "Counts the pixels that use each color-table entry of FILE (a BMP file the\n"
    "editor opens, or an indexed PNG or GIF file) and names the unused entries.\n"
    "Every frame of an animation is counted; a line at the end then says how many.\n"
    "  --format tsv   tab-separated: index, #RRGGBB, pixels; then '# unused' lines\n"
    "  --format json  one JSON object\n"
    "Without --format, a table to read.\n" KORIN_TABLE_HELP
    "With --table, the images drawn with it are counted, and a line names them.\n";

const char kGradientHelp[] =
    "Usage: korin-cli gradient FILE FIRST LAST [--space rgb|oklab] [--table T]\n"
    "                          (-o OUT | --out-dir DIR | --in-place)\n"
    "\n"
    "Fills the color-table entries between FIRST and LAST (counted from 0) with an\n"
    "even ramp from entry FIRST's color to entry LAST's; those two stay as they are.\n"
    "The range holds three entries or more and lies within the table. FILE is a BMP,\n"
    "PNG or GIF file; only its table changes.\n"
    "  --space rgb    even steps of the red, green and blue values (the default)\n"
    "  --space oklab  even steps in OKLab, which look even to the eye\n" KORIN_TABLE_HELP;

struct CommandInfo {
    const char* name;
    Command command;
    unsigned options;
    const char* help;
};

const CommandInfo kCommands[] = {
    {"info", Command::Info, kMembers | kHex | kRaw, kInfoHelp},
    {"palette", Command::Palette, kOut | kFormat | kTable, kPaletteHelp},
    {"apply", Command::Apply, kOutputOptions | kTable | kInFormat, kApplyHelp},
    {"invert", Command::Invert, kOutputOptions | kTable, kInvertHelp},
    {"swap", Command::Swap, kOutputOptions | kTable, kSwapHelp},
    {"new", Command::New, kOut | kSize | kBits | kEntries, kNewHelp},
    {"convert", Command::Convert, kFormat | kLevel | kTable | kInFormat, kConvertHelp},
    {"normalize", Command::Normalize, kOutputOptions, kNormalizeHelp},
    {"usage", Command::Usage, kFormat | kTable, kUsageHelp},
    {"gradient", Command::Gradient, kOutputOptions | kSpace | kTable, kGradientHelp},
    {"move", Command::Move, kOutputOptions | kKeepIndices | kLevel | kTable, kMoveHelp},
    {"swap-entries", Command::SwapEntries, kOutputOptions | kKeepIndices | kLevel | kTable, kSwapEntriesHelp},
    {"sort", Command::Sort, kOutputOptions | kKeepIndices | kBy | kRange | kLevel | kTable, kSortHelp},
    {"compact", Command::Compact, kOutputOptions | kLevel | kTable, kCompactHelp},
    {"merge-duplicates", Command::MergeDuplicates, kOutputOptions | kLevel | kTable, kMergeDuplicatesHelp},
    {"conform", Command::Conform, kOutputOptions | kPalette | kLevel | kTable | kInFormat, kConformHelp},
    {"map", Command::Map, kOutputOptions | kPalette | kDither | kAlphaThreshold | kTransparent, kMapHelp},
    {"quantize", Command::Quantize,
     kOutputOptions | kColors | kKeep | kUnsorted | kDither | kAlphaThreshold | kTransparent, kQuantizeHelp},
    {"snap", Command::Snap, kOutputOptions | kDepth | kTable | kInFormat, kSnapHelp},
};

const CommandInfo* FindCommand(const std::string& name)
{
    for (const CommandInfo& info : kCommands)
        if (name == info.name) return &info;
    return nullptr;
}

const OptionInfo* FindOption(const std::string& name)
{
    for (const OptionInfo& info : kOptions)
        if (name == info.name) return &info;
    return nullptr;
}

const char* HelpCommandName(Command command)
{
    for (const CommandInfo& info : kCommands)
        if (info.command == command) return info.name;
    return "";
}

bool IsHelpWord(const std::string& word)
{
    return word == "--help" || word == "-h";
}

// A decimal count that fits in a signed 32-bit field, as the dialog stores it.
bool ParseCount(const std::string& text, int32_t* value)
{
    if (text.empty() || text.size() > 10) return false;
    int64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    if (number > INT32_MAX) return false;
    *value = int32_t(number);
    return true;
}

bool ParseSize(const std::string& text, int32_t* width, int32_t* height)
{
    std::string::size_type x = text.find_first_of("xX");
    return x != std::string::npos && ParseCount(text.substr(0, x), width) &&
           ParseCount(text.substr(x + 1), height);
}

// Entries the new-image dialog's color mode sets for a bit count.
int32_t DefaultEntries(int32_t bitCount)
{
    return bitCount == 24 ? 0 : int32_t(1) << bitCount;
}

struct Collected {
    unsigned seen = 0;
    std::string out, outDir, size, bits, entries, format, space, by, range, palette, level;
    std::string dither, threshold, transparent, colors, keep, depth, table, inFormat;
    std::vector<std::string> operands;
};

bool CheckOutput(const Collected& c, size_t inputCount, Arguments* args, std::string* error)
{
    unsigned given = c.seen & kOutputOptions;
    if (given == 0 || (given & (given - 1)) != 0) {
        *error = "give exactly one of -o FILE, --out-dir DIR and --in-place";
        return false;
    }
    if (given == kOut) {
        if (inputCount != 1) {
            *error = "-o takes a single input file; use --out-dir or --in-place for several";
            return false;
        }
        args->outputMode = OutputMode::File;
        args->output = c.out;
    } else if (given == kOutDir) {
        args->outputMode = OutputMode::Folder;
        args->output = c.outDir;
    } else {
        args->outputMode = OutputMode::InPlace;
    }
    return true;
}

bool CheckNew(const Collected& c, Arguments* args, std::string* error)
{
    if (!c.operands.empty()) {
        *error = "new takes no file operands; name the output with -o";
        return false;
    }
    if (!(c.seen & kSize) || !(c.seen & kBits) || !(c.seen & kOut)) {
        *error = "new needs --size WxH, --bits and -o OUT.bmp";
        return false;
    }
    NewImageSpec& spec = args->newImage;
    if (!ParseSize(c.size, &spec.width, &spec.height)) {
        *error = "--size takes WIDTHxHEIGHT in pixels, for example 100x100";
        return false;
    }
    if (!ParseCount(c.bits, &spec.bitCount) ||
        (spec.bitCount != 1 && spec.bitCount != 4 && spec.bitCount != 8 && spec.bitCount != 24)) {
        *error = "--bits takes 1, 4, 8 or 24";
        return false;
    }
    spec.entryCount = DefaultEntries(spec.bitCount);
    if ((c.seen & kEntries) && !ParseCount(c.entries, &spec.entryCount)) {
        *error = "--entries takes a count of color-table entries";
        return false;
    }
    args->output = c.out;
    args->outputMode = OutputMode::File;
    return true;
}

bool CheckFormat(const Collected& c, Arguments* args, std::string* error)
{
    if (!(c.seen & kFormat)) return true;
    if (!PaletteFormatFromWord(c.format, &args->format)) {
        *error = "--format takes riff, jasc, gpl, act, hex or pdn, or bgr555, vga or ase, not '" + c.format + "'";
        return false;
    }
    args->formatGiven = true;
    return true;
}

// Only the raw kinds need naming: every other format is told by its content.
bool CheckInFormat(const Collected& c, Arguments* args, std::string* error)
{
    if (!(c.seen & kInFormat)) return true;
    PaletteFormat kind = PaletteFormat::Riff;
    const bool raw = PaletteFormatFromWord(c.inFormat, &kind) &&
                     (kind == PaletteFormat::Bgr555 || kind == PaletteFormat::Vga);
    if (!raw) {
        *error = "--in-format takes bgr555 or vga (other formats are told by content), not '" + c.inFormat + "'";
        return false;
    }
    args->rawInput.named = true;
    args->rawInput.kind = kind;
    return true;
}

bool ParseSwapKind(const std::string& word, SwapKind* kind)
{
    if (word == "rg") *kind = SwapKind::RedGreen;
    else if (word == "gb") *kind = SwapKind::GreenBlue;
    else if (word == "br") *kind = SwapKind::BlueRed;
    else return false;
    return true;
}

bool CheckUsage(const Collected& c, Arguments* args, std::string* error)
{
    args->inputs = c.operands;
    if (!(c.seen & kFormat)) return true;
    if (c.format == "tsv") args->usageFormat = UsageFormat::Tsv;
    else if (c.format == "json") args->usageFormat = UsageFormat::Json;
    else {
        *error = "--format of usage takes tsv or json, not '" + c.format + "'";
        return false;
    }
    return true;
}

bool CheckGradient(const Collected& c, Arguments* args, std::string* error)
{
    int32_t first = 0, last = 0;
    if (!ParseCount(c.operands[1], &first) || !ParseCount(c.operands[2], &last)) {
        *error = "FIRST and LAST are entry numbers counted from 0, not '" + c.operands[1] + "' '" +
                 c.operands[2] + "'";
        return false;
    }
    if (last <= first || last - first < 2) {
        *error = "the range " + c.operands[1] + ".." + c.operands[2] +
                 " is shorter than three entries; give FIRST before LAST, at least two apart";
        return false;
    }
    args->gradientFirst = uint32_t(first);
    args->gradientLast = uint32_t(last);
    if (c.space == "oklab") {
        args->gradientSpace = GradientSpace::Oklab;
    } else if ((c.seen & kSpace) && c.space != "rgb") {
        *error = "--space takes rgb or oklab, not '" + c.space + "'";
        return false;
    }
    args->inputs.assign(1, c.operands[0]);
    return CheckOutput(c, 1, args, error);
}

bool CheckSnap(const Collected& c, Arguments* args, std::string* error)
{
    if (!(c.seen & kDepth)) {
        *error = "snap needs --depth 3, 4, 5 or 6";
        return false;
    }
    if (c.depth.size() != 1 || !IsSnapDepth(c.depth[0] - '0')) {
        *error = "--depth takes 3, 4, 5 or 6 bits per channel, not '" + c.depth + "'";
        return false;
    }
    args->snapDepth = c.depth[0] - '0';
    args->inputs = c.operands;
    return CheckOutput(c, args->inputs.size(), args, error);
}

// The operands and options each command needs, once every word is read.
bool CheckCommand(const Collected& c, Arguments* args, std::string* error)
{
    const std::vector<std::string>& words = c.operands;
    switch (args->command) {
    case Command::Info:
        if (words.size() != 1) break;
        args->inputs = words;
        args->members = c.seen & kMembers;
        args->hex = c.seen & kHex;
        args->raw = c.seen & kRaw;
        return true;
    case Command::Palette:
        if (words.size() != 1) break;
        if (!(c.seen & kOut)) {
            *error = "palette needs -o OUT";
            return false;
        }
        args->inputs = words;
        args->outputMode = OutputMode::File;
        args->output = c.out;
        return CheckFormat(c, args, error);
    case Command::Convert:
        if (words.size() != 2) break;
        args->inputs.assign(1, words[0]);
        args->outputMode = OutputMode::File;
        args->output = words[1];
        return CheckFormat(c, args, error);
    case Command::Normalize:
        if (words.empty()) break;
        args->inputs = words;
        return CheckOutput(c, args->inputs.size(), args, error);
    case Command::Apply:
        if (words.size() < 2) break;
        args->source = words[0];
        args->inputs.assign(words.begin() + 1, words.end());
        return CheckOutput(c, args->inputs.size(), args, error);
    case Command::Invert:
        if (words.empty()) break;
        args->inputs = words;
        return CheckOutput(c, args->inputs.size(), args, error);
    case Command::Swap:
        if (words.size() < 2) break;
        if (!ParseSwapKind(words[0], &args->swapKind)) {
            *error = "swap takes rg, gb or br, not '" + words[0] + "'";
            return false;
        }
        args->inputs.assign(words.begin() + 1, words.end());
        return CheckOutput(c, args->inputs.size(), args, error);
    case Command::New:
        return CheckNew(c, args, error);
    case Command::Snap:
        if (words.empty()) break;
        return CheckSnap(c, args, error);
    case Command::Usage:
        if (words.size() != 1) break;
        return CheckUsage(c, args, error);
    case Command::Gradient:
        if (words.size() != 3) break;
        return CheckGradient(c, args, error);
    case Command::Move:
    case Command::SwapEntries:
    case Command::Sort:
    case Command::Compact:
    case Command::MergeDuplicates:
    case Command::Conform: {
        const RearrangeWords given = {words, (c.seen & kKeepIndices) != 0, (c.seen & kBy) != 0, (c.seen & kRange) != 0,
                                      (c.seen & kPalette) != 0, c.by, c.range, c.palette};
        return ParseRearrange(HelpCommandName(args->command), given, &args->rearrange, &args->inputs, error) &&
               CheckOutput(c, args->inputs.size(), args, error);
    }
    case Command::Map:
    case Command::Quantize: {
        const MapWords given = {words,          (c.seen & kPalette) != 0,     (c.seen & kColors) != 0,
                                (c.seen & kKeep) != 0, (c.seen & kDither) != 0, (c.seen & kAlphaThreshold) != 0,
                                (c.seen & kTransparent) != 0, (c.seen & kUnsorted) != 0, c.palette, c.colors,
                                c.keep,         c.dither,                     c.threshold, c.transparent};
        return ParseMap(HelpCommandName(args->command), given, &args->map, &args->inputs, error) &&
               CheckOutput(c, args->inputs.size(), args, error);
    }
    case Command::None:
        break;
    }
    *error = "wrong number of file operands";
    return false;
}

}  // namespace

bool ParseArguments(int argc, char** argv, Arguments* args, std::string* error)
{
    *args = Arguments();
    if (argc < 2) {
        *error = "no command given";
        return false;
    }
    if (IsHelpWord(argv[1])) {
        args->help = true;
        return true;
    }
    const CommandInfo* command = FindCommand(argv[1]);
    if (!command) {
        *error = std::string("unknown command '") + argv[1] + "'";
        return false;
    }
    args->command = command->command;

    Collected c;
    bool operandsOnly = false;
    for (int i = 2; i < argc; ++i) {
        std::string word = argv[i];
        if (!operandsOnly && word == "--") {
            operandsOnly = true;
            continue;
        }
        if (operandsOnly || word.size() < 2 || word[0] != '-') {
            c.operands.push_back(word);
            continue;
        }
        if (IsHelpWord(word)) {
            args->help = true;
            return true;
        }
        std::string name = word;
        std::string value;
        bool hasValue = false;
        std::string::size_type equals = word.find('=');
        if (word.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            name = word.substr(0, equals);
            value = word.substr(equals + 1);
            hasValue = true;
        }
        const OptionInfo* option = FindOption(name);
        if (!option) {
            *error = "unknown option '" + name + "'";
            return false;
        }
        if (!(command->options & option->bit)) {
            *error = name + " does not apply to " + command->name;
            return false;
        }
        if (c.seen & option->bit) {
            *error = name + " is given twice";
            return false;
        }
        if (option->takesValue && !hasValue) {
            if (i + 1 >= argc) {
                *error = name + " needs a value";
                return false;
            }
            value = argv[++i];
        } else if (!option->takesValue && hasValue) {
            *error = name + " takes no value";
            return false;
        }
        c.seen |= option->bit;
        switch (option->bit) {
        case kOut: c.out = value; break;
        case kOutDir: c.outDir = value; break;
        case kSize: c.size = value; break;
        case kBits: c.bits = value; break;
        case kEntries: c.entries = value; break;
        case kFormat: c.format = value; break;
        case kSpace: c.space = value; break;
        case kBy: c.by = value; break;
        case kRange: c.range = value; break;
        case kPalette: c.palette = value; break;
        case kDither: c.dither = value; break;
        case kAlphaThreshold: c.threshold = value; break;
        case kTransparent: c.transparent = value; break;
        case kColors: c.colors = value; break;
        case kKeep: c.keep = value; break;
        case kLevel: c.level = value; break;
        case kDepth: c.depth = value; break;
        case kTable: c.table = value; break;
        case kInFormat: c.inFormat = value; break;
        default: break;
        }
    }
    if (c.seen & kLevel) {
        if (c.level.size() != 1 || c.level[0] < '1' || c.level[0] > '9') {
            *error = "--level takes 1 (fastest) to 9 (smallest), not '" + c.level + "'";
            return false;
        }
        args->pngLevel = c.level[0] - '0';
    }
    if ((c.seen & kTable) && !ParseTableOption(c.table, &args->gifTable)) {
        *error = "--table takes global or an image number from 1, not '" + c.table + "'";
        return false;
    }
    return CheckInFormat(c, args, error) && CheckCommand(c, args, error);
}

const char* HelpText(Command command)
{
    for (const CommandInfo& info : kCommands)
        if (info.command == command) return info.help;
    return kToolHelp;
}
