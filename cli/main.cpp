// korin-cli: the editor's palette operations on files, in batch.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "korin_version.h"

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("korin-cli " KORIN_VERSION_STRING);
        return kExitSuccess;
    }
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
