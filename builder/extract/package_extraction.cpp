#include "builder/extract/package_extraction.h"

#include "builder/extract/output_folder.h"
#include "builder/extract/safe_path.h"
#include "builder/inspect/report_writers.h"
#include "builder/text_escape.h"
#include "builder/windows1252.h"

#include <inttypes.h>

namespace {

void extractList(const ActionList& list, OutputFolder& output, const std::string& folder, FILE* report, FILE* errors,
                 ExtractionResult& result)
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
        if (!output.writeFile(names, file.data, fileTime, error)) {
            fprintf(errors, "slipway extract: %s/%s: %s\n", folder.c_str(), shownRelative.c_str(), error.c_str());
            ++result.failures;
            continue;
        }
        ++result.filesWritten;
        result.bytesWritten += file.data.size();
        fprintf(report, "%s/%s (%" PRIu64 " bytes)", folder.c_str(), shownRelative.c_str(), uint64_t(file.data.size()));
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

ExtractionResult extractPackagedFiles(const ActionScript& script, const std::string& folder, FILE* report, FILE* errors)
{
    ExtractionResult result;
    OutputFolder output(folder);
    std::string error;
    if (!output.open(error)) {
        fprintf(errors, "slipway extract: %s: %s\n", folder.c_str(), error.c_str());
        ++result.failures;
        return result;
    }
    extractList(script.mainActions, output, folder, report, errors, result);
    for (const Component* component : script.components)
        extractList(component->actions, output, folder, report, errors, result);
    return result;
}
