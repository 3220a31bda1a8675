#include "builder/command_line.h"

#include <stdio.h>
#include <string.h>

namespace {

int usageError(const CommandSyntax& syntax, const char* message, const char* detail)
{
    fprintf(stderr, "slipway %s: %s%s\n%s", syntax.command, message, detail, syntax.usage);
    return 2;
}

const CommandOption* findOption(const CommandOption* options, size_t count, const char* argument)
{
    for (size_t i = 0; i < count; ++i)
        if (strcmp(argument, options[i].name) == 0 || (options[i].alias && strcmp(argument, options[i].alias) == 0))
            return &options[i];
    return nullptr;
}

}  // namespace

int parseCommandLine(const CommandSyntax& syntax, const CommandOption* options, size_t count, int argc, char** argv,
                     std::string& file)
{
    bool haveFile = false;
    for (int i = 0; i < argc; ++i) {
        const char* argument = argv[i];
        if (strcmp(argument, "-h") == 0 || strcmp(argument, "--help") == 0) {
            fputs(syntax.usage, stdout);
            return -1;
        }
        if (const CommandOption* option = findOption(options, count, argument)) {
            if (!option->value) {
                *option->flag = true;
                continue;
            }
            if (i + 1 >= argc)
                return usageError(syntax, "missing value after ", argument);
            *option->value = argv[++i];
        } else if (argument[0] == '-' && argument[1] != '\0') {
            return usageError(syntax, "unknown option ", argument);
        } else if (haveFile) {
            fprintf(stderr, "slipway %s: more than one %s: %s\n%s", syntax.command, syntax.fileKind, argument,
                    syntax.usage);
            return 2;
        } else {
            file = argument;
            haveFile = true;
        }
    }
    if (!haveFile) {
        fprintf(stderr, "slipway %s: no %s given\n%s", syntax.command, syntax.fileKind, syntax.usage);
        return 2;
    }
    return 0;
}
