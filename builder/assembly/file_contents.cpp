#include "builder/assembly/file_contents.h"

#include "builder/assembly/file_system.h"
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
