// The contents of the packaged files, learnt in one streaming pass before
// anything is compressed: each file hashed in bounded chunks, equal
// contents given one number (block 1 stores them once), and the version
// of every Windows program read from its header. The compressor reads the
// files again, by number, and checks that they are what this pass saw.
#pragma once

#include "builder/assembly/action_lists.h"
#include "builder/assembly/pe_version.h"
#include "builder/assembly/progress_bar.h"
#include "builder/manifest/diagnostics.h"
#include "builder/manifest/manifest.h"
#include "builder/sha256.h"

#include <stdint.h>

class BlockEncoder;

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

// Files are read this much at a time, whatever their size.
constexpr size_t kReadChunk = 1u << 20;

struct SourceContent {
    std::string hostPath;  // the first file found with these contents
    uint64_t size = 0;
    uint8_t digest[Sha256::kDigestSize] = {};
};

class ContentCatalog {
public:
    // The number of these contents: the one given before for the same
    // digest and size, else the next.
    uint32_t numberFor(const SourceContent& content);
    uint32_t count() const { return uint32_t(contents_.size()); }
    const SourceContent& operator[](uint32_t number) const { return contents_[number]; }

private:
    std::vector<SourceContent> contents_;
    std::unordered_map<std::string, uint32_t> numbers_;  // digest and size -> number
};

// Reads a file in chunks of kReadChunk through `buffer` (that many bytes),
// handing each to `consume` (which may be empty), and learns its size and
// digest. False with a problem when it cannot be read, is no regular file,
// changes size while it is read, or `consume` says stop.
bool readFileInChunks(const std::string& path, uint8_t* buffer,
                      const std::function<bool(const uint8_t*, size_t)>& consume, SourceContent& out,
                      std::string& problem);

// Learns the contents of every planned file of a list: sets each
// PlannedFile's content number and version. Reports what cannot be read
// at the entry's place. `bar` is told the bytes read so far after each
// file; `done` carries that count from list to list.
bool catalogPlannedFiles(const Manifest& manifest, const ManifestList& list,
                         std::vector<std::vector<PlannedFile>>& plans, ContentCatalog& catalog, uint8_t* buffer,
                         ProgressBar& bar, uint64_t& done, uint64_t total, Diagnostics& diagnostics);

// Hands the contents to the encoder in this order, each behind its u32
// length, read again from its file in chunks and checked against what
// the first reading saw: a file that changed size or contents since stops
// the build with a problem that names it.
bool streamContents(BlockEncoder& encoder, const std::vector<uint32_t>& contents, const ContentCatalog& catalog,
                    uint8_t* buffer, std::string& problem);
