// korin-cli's map and quantize: truecolor pictures onto a palette given or
// made from each picture, written as indexed BMP, PNG or GIF files.
#ifndef KORIN_CLI_MAP_COMMANDS_H
#define KORIN_CLI_MAP_COMMANDS_H

#include <functional>

#include "cli/arguments.h"
#include "cli/rearrange_commands.h"

// Runs map or quantize on every input through forEachInput (the batch the
// other commands run: outputs, flushes, errors and exit status).
int RunMap(const Arguments& args, const std::function<int(const PictureJob& job)>& forEachInput);

#endif
