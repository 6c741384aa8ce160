// korin-cli's usage (pixels per table entry) and gradient (an even ramp of
// entries), beside the other commands.
#ifndef KORIN_CLI_USAGE_COMMANDS_H
#define KORIN_CLI_USAGE_COMMANDS_H

#include <functional>
#include <string>

#include "cli/arguments.h"
#include "platform/platform.h"

class ColorTable;

// Prints the usage figures of args.inputs[0]; whyNotLoaded names why a BMP
// file did not load, as the other commands say it.
int RunUsage(const Arguments& args, HDC dc, const std::function<std::string(const std::string&)>& whyNotLoaded);

// Writes args.inputs[0] with its ramp filled in, through recolorAll (the
// path apply takes, given the table edit); a range past the file's table is
// refused before anything is written.
int RunGradient(const Arguments& args,
                const std::function<int(const std::function<void(ColorTable&)>& edit)>& recolorAll);

#endif
