// The folder `slipway extract` writes into: creates the folders along a
// relative path and writes files there, never following a link out of it.
#pragma once

#include "format/bytes.h"

#include <stdint.h>

#include <string>
#include <vector>

class OutputFolder {
public:
    // The root as given on the command line; it is created (with its
    // parents) by open().
    explicit OutputFolder(std::string root) : root_(std::move(root)) {}

    bool open(std::string& error);
    // Writes `data` under the root at the UTF-8 names (folders, then the file
    // name) and sets its last-write time from a FILETIME (0 leaves it). A
    // folder or file on the way that is a symbolic link or other reparse
    // point is refused, so nothing is written outside the root, and so is
    // a file that exists already (a hard link would carry the write to
    // another file): only new files are written.
    bool writeFile(const std::vector<std::string>& names, const Bytes& data, uint64_t fileTime, std::string& error);

private:
    std::string root_;
};
