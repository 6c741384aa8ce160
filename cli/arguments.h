// The tool's command line: which command, on which files, with which options.
#ifndef KORIN_CLI_ARGUMENTS_H
#define KORIN_CLI_ARGUMENTS_H

#include <string>
#include <vector>

#include "cli/map_arguments.h"
#include "cli/rearrange_arguments.h"
#include "image/gif_file.h"
#include "image/new_image_spec.h"
#include "palette/gradient.h"
#include "palette/palette_formats.h"

enum class Command {
    None, Info, Palette, Apply, Invert, Swap, New, Convert, Normalize, Usage, Gradient,
    Move, SwapEntries, Sort, Compact, MergeDuplicates, Conform, Map, Quantize, Snap,
};

// The channel pair a swap exchanges, as the palette window names them.
enum class SwapKind { RedGreen, GreenBlue, BlueRed };

// Where a command that rewrites bitmaps puts its results.
enum class OutputMode { None, File, Folder, InPlace };

// How usage prints its figures.
enum class UsageFormat { Text, Tsv, Json };

struct Arguments {
    Command command = Command::None;
    bool help = false;
    std::vector<std::string> inputs;  // for apply, the bitmaps after SOURCE
    std::string source;               // apply: the palette or bitmap to take the table from
    SwapKind swapKind = SwapKind::RedGreen;
    OutputMode outputMode = OutputMode::None;
    std::string output;  // the file of -o, or the folder of --out-dir
    bool members = false;
    bool hex = false;
    bool raw = false;
    NewImageSpec newImage = {0, 0, 0, 0};
    // palette and convert: --format, else the output's extension decides.
    bool formatGiven = false;
    PaletteFormat format = PaletteFormat::Riff;
    UsageFormat usageFormat = UsageFormat::Text;  // usage: --format tsv|json
    // convert, apply, snap and conform: --in-format, the raw kind of palette
    // files whose bytes fit both.
    RawPaletteChoice rawInput;
    // gradient: the two end entries and the space the steps are even in.
    uint32_t gradientFirst = 0;
    uint32_t gradientLast = 0;
    GradientSpace gradientSpace = GradientSpace::Rgb;
    // move, swap-entries, sort, compact, merge-duplicates and conform.
    RearrangeRequest rearrange;
    // map and quantize.
    MapRequest map;
    // snap: bits per channel of the display the colors are rounded for.
    int snapDepth = 0;
    // convert and the rearranging commands: the deflate level of a PNG's new pixel data.
    int pngLevel = 6;
    // --table: the GIF table the command works on, numbered as GifTables does.
    int gifTable = kDefaultGifTable;
};

// Fills args from the words after the program name. False, with a one-line
// reason in error, when they are not a valid call (exit status 2).
bool ParseArguments(int argc, char** argv, Arguments* args, std::string* error);

// The --help text of a command; Command::None gives the tool's overview.
const char* HelpText(Command command);

#endif
