// The tool's commands, each on the portable core the editor uses.
#ifndef KORIN_CLI_COMMANDS_H
#define KORIN_CLI_COMMANDS_H

#include "cli/arguments.h"

// Exit status of the tool's run.
enum ExitStatus { kExitSuccess = 0, kExitFailure = 1, kExitUsage = 2 };

// Runs a parsed command; errors go to standard error, naming the file.
int RunCommand(const Arguments& args);

#endif
