#include "builder/assembly/file_contents.h"

#include "builder/assembly/file_system.h"
#include "builder/package/block_encoder.h"
#include "format/bytes.h"
#include "format/file_io.h"

#include <errno.h>
#include <string.h>

uint32_t ContentCatalog::numberFor(const SourceContent& content)
{
    std::string key(reinterpret_cast<const char*>(content.digest), sizeof content.digest);
    key.append(reinterpret_cast<const char*>(&content.size), sizeof content.size);
    auto [place, added] = numbers_.emplace(key, uint32_t(contents_.size()));
    if (added)
        contents_.push_back(content);
    return place->second;
}

bool readFileInChunks(const std::string& path, uint8_t* buffer,
                      const std::function<bool(const uint8_t*, size_t)>& consume, SourceContent& out,
                      std::string& problem)
{
    UniqueFile file;
    uint64_t measured = 0;
    if (!openRegularFile(path, file, measured, problem))
        return false;
    Sha256 hash;
    uint64_t total = 0;
    for (;;) {
        size_t got = fread(buffer, 1, kReadChunk, file.get());
        if (got == 0)
            break;
        hash.update(buffer, got);
        total += got;
        if (total > measured)
            break;
        if (consume && !consume(buffer, got)) {
            problem = "stopped";
            return false;
        }
    }
    if (ferror(file.get())) {
        problem = strerror(errno);
        return false;
    }
    if (total != measured) {
        problem = "the file changed size while it was read";
        return false;
    }
    out.hostPath = path;
    out.size = total;
    hash.finish(out.digest);
    return true;
}

namespace {

// The version of a Windows program, read from its header a few bytes at a
// time.
FileVersion versionOf(const std::string& path)
{
    FileVersion version;
    UniqueFile file;
    uint64_t size = 0;
    std::string problem;
    if (!openRegularFile(path, file, size, problem) || !readPeFileVersion(file.get(), size, version))
        return FileVersion();
    return version;
}

}  // namespace

bool catalogPlannedFiles(const Manifest& manifest, const ManifestList& list,
                         std::vector<std::vector<PlannedFile>>& plans, ContentCatalog& catalog, uint8_t* buffer,
                         ProgressBar& bar, uint64_t& done, uint64_t total, Diagnostics& diagnostics)
{
    bool good = true;
    for (size_t i = 0; i < list.entries.size() && i < plans.size(); ++i) {
        for (PlannedFile& plan : plans[i]) {
            SourceContent content;
            std::string problem;
            bool first = true, program = false;
            auto lookAtStart = [&](const uint8_t* bytes, size_t size) {
                if (first)
                    program = size >= 64 && bytes[0] == 'M' && bytes[1] == 'Z';
                first = false;
                return true;
            };
            if (!readFileInChunks(plan.hostPath, buffer, lookAtStart, content, problem)) {
                diagnostics.error(manifest.path, list.entries[i].files->sourcePosition,
                                  "cannot read " + plan.hostPath + ": " + problem);
                good = false;
                continue;
            }
            plan.size = content.size;
            plan.content = catalog.numberFor(content);
            plan.version = program ? versionOf(plan.hostPath) : FileVersion();
            done += content.size;
            bar.update(done, total);
        }
    }
    return good;
}

bool streamContents(BlockEncoder& encoder, const std::vector<uint32_t>& contents, const ContentCatalog& catalog,
                    uint8_t* buffer, std::string& problem)
{
    for (uint32_t number : contents) {
        const SourceContent& expected = catalog[number];
        uint8_t length[4];
        storeU32(length, uint32_t(expected.size));
        if (!encoder.write(length, 4, problem))
            return false;
        SourceContent found;
        std::string why;
        uint64_t fed = 0;
        bool grew = false;
        bool read = readFileInChunks(
            expected.hostPath, buffer,
            [&](const uint8_t* bytes, size_t size) {
                grew = size > expected.size - fed;
                fed += size;
                return !grew && encoder.write(bytes, size, why);
            },
            found, problem);
        if (!why.empty()) {
            problem = why;
            return false;
        }
        if (grew || (read && found.size != expected.size)) {
            problem = expected.hostPath + " changed size while the installer was built (it held " +
                      std::to_string(expected.size) + " bytes when first read); build again";
            return false;
        }
        if (!read) {
            problem = "cannot read " + expected.hostPath + " again: " + problem;
            return false;
        }
        if (memcmp(found.digest, expected.digest, sizeof found.digest) != 0) {
            problem = expected.hostPath + " changed while the installer was built; build again";
            return false;
        }
    }
    return true;
}
