#include "builder/extract/package_extraction.h"

#include "builder/extract/output_folder.h"
#include "builder/extract/safe_path.h"
#include "builder/inspect/report_writers.h"
#include "builder/text_escape.h"
#include "builder/windows1252.h"

#include <inttypes.h>

namespace {

bool writeChunk(void* context, const uint8_t* bytes, size_t size)
{
    return (*static_cast<const ContentWriter*>(context))(bytes, size);
}

// A file's contents: held by the action, or copied out of the package's
// block by the pool, chunk by chunk. `size` is what was handed over.
ContentSource contentsOf(const WriteFileAction& file, StreamedPool* pool, uint64_t& size)
{
    return [&file, pool, &size](const ContentWriter& write, std::string& error) {
        size = 0;
        if (!file.dataRef.streamed()) {
            size = file.data.size();
            return write(file.data.data(), file.data.size());
        }
        uint32_t length = 0;
        bool refused = false;
        BlockResult result =
            pool ? pool->copyItem(file.dataRef.item, writeChunk, const_cast<ContentWriter*>(&write), length, refused)
                 : BlockResult::BadStream;
        if (refused)
            return false;
        if (result != BlockResult::Ok) {
            error = result == BlockResult::OutOfMemory ? "there is not enough memory to decode its contents"
                                                       : "its contents do not decode from the package";
            return false;
        }
        size = length;
        return true;
    };
}

void extractList(const ActionList& list, StreamedPool* pool, OutputFolder& output, const std::string& folder,
                 FILE* report, FILE* errors, ExtractionResult& result)
{
    for (const Action* action : list.actions) {
        if (action->kind() != WriteFileAction::kKind)
            continue;
        const WriteFileAction& file = static_cast<const WriteFileAction&>(*action);
        std::string packagePath = file.path.text();
        std::vector<std::string> names = safeRelativeNames(packagePath);
        std::string relative = joinNames(names);
        std::string shownPath = windows1252ToUtf8(packagePath);
        std::string error;
        uint64_t fileTime = uint64_t(file.timeHigh) << 32 | file.timeLow;
        // Names come from the package: shown with their control characters
        // escaped, as inspect shows them, so a package cannot drive the
        // terminal or forge lines of the report.
        std::string shownRelative = textEscape(relative);
        uint64_t size = 0;
        if (!output.writeFile(names, contentsOf(file, pool, size), fileTime, error)) {
            fprintf(errors, "slipway extract: %s/%s: %s\n", folder.c_str(), shownRelative.c_str(), error.c_str());
            ++result.failures;
            continue;
        }
        ++result.filesWritten;
        result.bytesWritten += size;
        fprintf(report, "%s/%s (%" PRIu64 " bytes)", folder.c_str(), shownRelative.c_str(), size);
        // A name that had to change is shown as the package has it.
        std::string plain = shownPath;
        for (char& c : plain)
            if (c == '\\')
                c = '/';
        if (plain != relative)
            fprintf(report, " from %s", textQuote(shownPath).c_str());
        fputc('\n', report);
    }
}

}  // namespace

ExtractionResult extractPackagedFiles(const ActionScript& script, StreamedPool* pool, const std::string& folder,
                                      FILE* report, FILE* errors)
{
    ExtractionResult result;
    OutputFolder output(folder);
    std::string error;
    if (!output.open(error)) {
        fprintf(errors, "slipway extract: %s: %s\n", folder.c_str(), error.c_str());
        ++result.failures;
        return result;
    }
    extractList(script.mainActions, pool, output, folder, report, errors, result);
    for (const Component* component : script.components)
        extractList(component->actions, pool, output, folder, report, errors, result);
    return result;
}
