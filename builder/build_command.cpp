#include "builder/commands.h"

#include <stdio.h>

int runBuildCommand(int, char**)
{
    fputs("slipway build: not available in this build\n", stderr);
    return 1;
}
