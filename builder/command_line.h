// The arguments of a subcommand: one file named without an option, options
// that take the next argument, and flags. Each subcommand lists its options;
// the walk, the messages and the exit codes are the same for all of them.
#pragma once

#include <stddef.h>

#include <string>

struct CommandOption {
    const char* name;
    const char* alias;   // a second spelling, or null
    std::string* value;  // takes the next argument; null for a flag
    bool* flag;          // set by a flag
};

struct CommandSyntax {
    const char* command;   // "build", for "slipway build: ..."
    const char* usage;     // printed after every mistake and for --help
    const char* fileKind;  // "manifest", "file": what the one plain argument is
};

// 0 when parsed into `file` and the options; -1 after printing the usage
// for -h or --help; 2 after printing the mistake and the usage.
int parseCommandLine(const CommandSyntax& syntax, const CommandOption* options, size_t count, int argc, char** argv,
                     std::string& file);
