// The subcommands of `slipway`. Each takes the arguments after its name and
// returns the process exit code: 0 success, 1 a failure it reported, 2 a
// usage error.
#pragma once

int runBuildCommand(int argc, char** argv);
int runInspectCommand(int argc, char** argv);
int runExtractCommand(int argc, char** argv);
