// The folder `slipway extract` writes into: creates the folders along a
// relative path and writes files there, never following a link out of it.
#pragma once

#include "format/bytes.h"

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

// Takes a file's next chunk; false when it cannot be written.
using ContentWriter = std::function<bool(const uint8_t* bytes, size_t size)>;
// Hands a file's contents to `write` chunk by chunk, in order. False when
// `write` refused a chunk, or when the contents cannot be had (the reason
// then in `error`).
using ContentSource = std::function<bool(const ContentWriter& write, std::string& error)>;

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
    // The contents come from `source` as they are written, so a file of any
    // size passes through bounded buffers; a file whose contents cannot be
    // had is removed again rather than left cut short.
    bool writeFile(const std::vector<std::string>& names, const ContentSource& source, uint64_t fileTime,
                   std::string& error);
    bool writeFile(const std::vector<std::string>& names, const Bytes& data, uint64_t fileTime, std::string& error);

private:
    std::string root_;
};
