// The files a `files` entry names: a file, a folder (every file below it) or
// a glob ("bin/*.dll", "docs/**/*.txt", "payload/**"), in a fixed order so
// that the same inputs always give the same package.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

struct CollectedFile {
    std::string hostPath;  // where it is read from
    std::string relative;  // below the entry's destination, '/'-separated, UTF-8
    uint64_t size = 0;
    uint64_t fileTime = 0;  // last write time as a FILETIME
};

// True when `text` holds a wildcard: '*' or '?'.
bool hasWildcard(const std::string& text);

// Matches a '/'-separated relative path against a glob: '*' and '?' within
// one name, "**" as a whole name for any number of folders (none included).
bool globMatches(const std::string& pattern, const std::string& path);

struct CollectOptions {
    // A link below a source folder that leads out of it is refused (true)
    // or packaged with a warning (false).
    bool refuseOutsideLinks = false;
};

// Collects what `source` names, relative to `baseFolder` unless absolute.
// A folder gives every file below it with its path below the folder; a
// single file gives itself under its own name; a glob gives the matching
// files with their paths below the glob's first folder that has no
// wildcard. `exclude` globs are matched against those paths, and a glob
// without '/' against every file name. Sorted by path, byte by byte. False
// with a problem when the source names nothing or a folder cannot be read.
// Each real folder is walked once, however many links lead to it; FIFOs,
// devices, sockets and broken links (and links to them) are skipped, with a
// line in `warnings`. Links that leave the source folder are packaged, each
// with a line in `warnings`, or refused as `options` say: then the walk goes
// on and ends false with a problem that names every refused link.
bool collectFiles(const std::string& baseFolder, const std::string& source, const std::vector<std::string>& exclude,
                  const CollectOptions& options, std::vector<CollectedFile>& out, std::vector<std::string>& warnings,
                  std::string& problem);
