// slipway: turns a manifest and a folder of files into a setup.exe, and takes
// any package apart again.
#include "builder/commands.h"

#include <stdio.h>
#include <string.h>

namespace {

const char kUsage[] =
    "usage: slipway build MANIFEST [-o OUT] [--stub PATH] [--fast]\n"
    "       slipway inspect FILE [--json]\n"
    "       slipway extract FILE -o DIR\n";

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fputs(kUsage, stderr);
        return 2;
    }
    const char* command = argv[1];
    if (strcmp(command, "build") == 0)
        return runBuildCommand(argc - 2, argv + 2);
    if (strcmp(command, "inspect") == 0)
        return runInspectCommand(argc - 2, argv + 2);
    if (strcmp(command, "extract") == 0)
        return runExtractCommand(argc - 2, argv + 2);
    if (strcmp(command, "--help") == 0 || strcmp(command, "-h") == 0 || strcmp(command, "help") == 0) {
        fputs(kUsage, stdout);
        return 0;
    }
    fprintf(stderr, "slipway: unknown command '%s'\n%s", command, kUsage);
    return 2;
}
