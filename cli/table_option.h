// --table: which of a GIF file's color tables a command reads or edits.
#ifndef KORIN_CLI_TABLE_OPTION_H
#define KORIN_CLI_TABLE_OPTION_H

#include <string>

// The value of --table: "global" (-1) or an image number from 1, as the
// header report numbers them (the image's index from 0, as GifTables
// numbers it); false for any other word.
bool ParseTableOption(const std::string& word, int* table);

// Why path cannot take table: it holds one table (a BMP or PNG file, a
// palette file). Empty when no table was asked for (kDefaultGifTable), for
// a GIF file, whose reader checks the table, and for a file that cannot be
// opened, which the command names as it always does.
std::string TableOptionRefusal(int table, const std::string& path);

// The lines of --table in the help of each command that takes it.
#define KORIN_TABLE_HELP                                                              \
    "  --table global|N  of a GIF file, the table to work on: the global one, or the\n" \
    "                    local table of image N (from 1, as 'info' numbers them)\n"

#endif
