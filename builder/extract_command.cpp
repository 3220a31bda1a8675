#include "builder/commands.h"

#include <stdio.h>

int runExtractCommand(int, char**)
{
    fputs("slipway extract: not available in this build\n", stderr);
    return 1;
}
