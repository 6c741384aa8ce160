// korin-cli: the editor's palette operations on files, in batch.
#include <cstdio>
#include <string>

#include "cli/arguments.h"
#include "cli/commands.h"

int main(int argc, char** argv)
{
    Arguments args;
    std::string error;
    if (!ParseArguments(argc, argv, &args, &error)) {
        std::fprintf(stderr, "korin-cli: %s\nRun 'korin-cli --help' for usage.\n", error.c_str());
        return kExitUsage;
    }
    if (args.help) {
        std::fputs(HelpText(args.command), stdout);
        return kExitSuccess;
    }
    return RunCommand(args);
}
