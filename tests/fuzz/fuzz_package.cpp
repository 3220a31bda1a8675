// A whole package file read as inspect and extract read it: container,
// both blocks or the uninstall script, the description of every record and
// the safe path of every packaged file. The run's memory limits (see
// Tests.cmake) are the check that reading allocates only what the package's
// bytes bear out.
#include "builder/extract/safe_path.h"
#include "builder/inspect/loaded_package.h"
#include "builder/inspect/package_description.h"
#include "builder/inspect/report_writers.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <string>

namespace {

// loadPackage reads a named file: one per process, rewritten for each input.
std::string scratchPath()
{
    char path[] = "/tmp/fuzz_package-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0)
        abort();
    close(fd);
    return path;
}

void walkFiles(const ActionList& list)
{
    for (const Action* action : list.actions)
        if (action->kind() == WriteFileAction::kKind)
            joinNames(safeRelativeNames(static_cast<const WriteFileAction*>(action)->path.text()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = scratchPath();
    FILE* file = fopen(path.c_str(), "wb");
    if (!file || fwrite(data, 1, size, file) != size || fclose(file) != 0)
        abort();
    std::unique_ptr<LoadedPackage> package(new LoadedPackage);
    std::string error;
    if (!loadPackage(path.c_str(), *package, error))
        return 0;
    ReportNode report = describePackage(*package, "setup.exe");
    renderReportText(report);
    renderReportJson(report);
    walkFiles(package->actionScript.mainActions);
    for (const Component* component : package->actionScript.components)
        walkFiles(component->actions);
    return 0;
}
