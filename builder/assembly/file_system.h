// The little the builder asks of the file system, in UTF-8 paths, the same
// on Linux and in the Windows build of the builder.
#pragma once

#include "format/bytes.h"
#include "format/unique_resource.h"

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

struct PathInfo {
    bool exists = false;
    bool isFolder = false;
    bool isFile = false;  // a regular file
    bool isLink = false;  // the path itself is a symbolic link (or junction)
    // What a path that is neither folder nor regular file is ("a FIFO (named
    // pipe)", "a device", "a socket"); null for folders and files.
    const char* specialKind = nullptr;
    // Which real file or folder the path leads to: the same two numbers for
    // every path to it (device and inode, or volume and file index).
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    // Last write time as a Windows FILETIME: 100 ns units since 1601-01-01 UTC.
    uint64_t fileTime = 0;
};

// Follows symbolic links. False (exists stays false) when the path cannot be
// examined.
bool examinePath(const std::string& path, PathInfo& out);

// The absolute path with every link resolved; false when it cannot be had.
bool resolvedPath(const std::string& path, std::string& out);

// The names in a folder (no "." or ".."), in byte order.
bool listFolder(const std::string& path, std::vector<std::string>& names, std::string& problem);

// Opens a regular file for reading and measures it. What the path leads
// to is checked on the open handle, so a file replaced by a FIFO or device
// after it was examined is refused, not read (or waited on).
bool openRegularFile(const std::string& path, UniqueFile& out, uint64_t& size, std::string& problem);

// Reads a regular file whole. What the path leads to is checked on the open
// handle, so a file replaced by a FIFO or device after it was examined is
// refused, not read (or waited on).
bool readFileBytes(const std::string& path, Bytes& out, std::string& problem);

// Writes a temporary file beside `path` and renames it over `path`, so the
// output is either the whole new file or what was there before.
bool writeFileAtomically(const std::string& path, const Bytes& bytes, std::string& problem);

// A file written beside its final path and renamed over it on commit, so a
// reader sees either the whole new file or what was there before. Until
// commit() the temporary file can be written, read back and changed at
// any place; dropped uncommitted, it is removed.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool open(const std::string& path, std::string& problem);
    FILE* file() const { return file_; }
    // Flushes, closes and renames; false (the temporary file removed) on
    // any failure.
    bool commit(std::string& problem);

private:
    void discard();

    FILE* file_ = nullptr;
    std::string path_;
    std::string temporary_;
};

bool isTerminal(FILE* stream);

// The folder of the running program, or empty when it cannot be found.
std::string programFolder();

std::string joinPath(const std::string& folder, const std::string& name);
bool isAbsolutePath(const std::string& path);
