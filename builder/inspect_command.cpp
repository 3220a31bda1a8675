#include "builder/commands.h"

#include <stdio.h>

int runInspectCommand(int, char**)
{
    fputs("slipway inspect: not available in this build\n", stderr);
    return 1;
}
