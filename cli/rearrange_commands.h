// korin-cli's move, swap-entries, sort, compact, merge-duplicates and
// conform: a table rearranged with the picture kept, on BMP, PNG and GIF files.
#ifndef KORIN_CLI_REARRANGE_COMMANDS_H
#define KORIN_CLI_REARRANGE_COMMANDS_H

#include <functional>
#include <string>

#include "cli/arguments.h"

class FolderFlushes;

// Writes one input to output; false with the file to blame and why.
typedef std::function<bool(const std::string& input, const std::string& output, FolderFlushes* flushes,
                           std::string* failedFile, std::string* reason)>
    PictureJob;

// Runs args' command on every input through forEachInput (the batch the
// other commands run: outputs, flushes, errors and exit status).
int RunRearrange(const Arguments& args, const std::function<int(const PictureJob& job)>& forEachInput);

#endif
