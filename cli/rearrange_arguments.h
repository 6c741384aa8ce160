// The words of move, swap-entries, sort, compact, merge-duplicates and
// conform, and their help, beside the other commands' in arguments.cpp.
#ifndef KORIN_CLI_REARRANGE_ARGUMENTS_H
#define KORIN_CLI_REARRANGE_ARGUMENTS_H

#include <cstdint>
#include <string>
#include <vector>

#include "palette/rearrange.h"

struct RearrangeRequest {
    uint32_t first = 0, last = 0;  // move: FROM-TO; swap-entries: A and B; sort: --range
    uint32_t position = 0;         // move: POSITION
    bool rangeGiven = false;       // sort: --range, else the whole table
    SortKey sortKey = SortKey::Hue;
    std::string palette;           // conform: --palette
    bool keepIndices = false;
};

// What the command line gave a rearranging command.
struct RearrangeWords {
    std::vector<std::string> operands;
    bool keepIndices = false;
    bool byGiven = false, rangeGiven = false, paletteGiven = false;
    std::string by, range, palette;
};

// Checks words for command (its name as typed) and fills request and the
// input files. False with a one-line reason.
bool ParseRearrange(const std::string& command, const RearrangeWords& words, RearrangeRequest* request,
                    std::vector<std::string>* inputs, std::string* error);

// The line of --level in the help of each command that writes a PNG's pixels again.
#define KORIN_LEVEL_HELP \
    "  --level N  deflate level of a PNG's new pixel data: 1 (fastest) to 9 (smallest); 6 by default\n"

// The line of --in-format in the help of each command that reads palette files.
#define KORIN_IN_FORMAT_HELP                                                                \
    "  --in-format K  read a palette file of raw colors whose bytes fit both kinds as K,\n" \
    "                 bgr555 or vga (without it such a file is refused)\n"

extern const char kMoveHelp[];
extern const char kSwapEntriesHelp[];
extern const char kSortHelp[];
extern const char kCompactHelp[];
extern const char kMergeDuplicatesHelp[];
extern const char kConformHelp[];

#endif
