// Running slipway.exe, the builder cross-built for Windows, as a user would.
#pragma once

#include <windows.h>

#include <string>

struct BuilderRun {
    bool ended = false;
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;  // standard output, line ends as "\n"
};

// slipway.exe as Windows sees its path.
std::string builderPath();
// Runs slipway.exe with the arguments (already quoted) to its end.
BuilderRun runBuilder(const std::string& arguments);
// The example product's manifest, or "" when the tree has none.
std::string helloManifestPath();
// An 8-bit Windows-1252 text as UTF-8, the form `slipway inspect` shows.
std::string utf8FromWindows1252(const std::string& text);
