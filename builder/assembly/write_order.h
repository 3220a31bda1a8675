// The order of the file writes in block 1. The files' contents follow the
// record stream in the order the installation writes them, so the order of
// the writes is the order the compressor sees the contents in: files of
// one kind side by side compress much better than files in folder order.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

// The order of a run of consecutive file writes, given their package paths
// ("$INSTDIR\bin\tool.exe"): the run's indices sorted by kind of file (the
// extension), then by name, then by path, each without regard to ASCII
// case. The sort is stable, so two writes to one destination keep their
// order; folders are made by the writes themselves, so any order is safe.
std::vector<size_t> orderOfWrites(const std::vector<std::string>& packagePaths);
