// The stub's entry point.
#include "app/startup.h"
#include "app/startup_rules.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // The tail is taken from the full command line by our own rule rather
    // than from the runtime's argument, which differs on quoted names.
    return runStartup(instance, commandLineTail(GetCommandLineA()));
}
