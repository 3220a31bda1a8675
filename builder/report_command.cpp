// slipway inspect FILE [--json]: shows every part of a package by the names
// the readers use.
#include "builder/commands.h"
#include "builder/inspect/loaded_package.h"
#include "builder/inspect/package_description.h"
#include "builder/inspect/report_writers.h"

#include <stdio.h>
#include <string.h>

#include <memory>
#include <string>

namespace {

const char kUsage[] = "usage: slipway inspect FILE [--json]\n";

}  // namespace

int runInspectCommand(int argc, char** argv)
{
    const char* path = nullptr;
    bool json = false;
    for (int i = 0; i < argc; ++i) {
        if (strcmp(argv[i], "--json") == 0) {
            json = true;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            fprintf(stderr, "slipway inspect: unknown option '%s'\n%s", argv[i], kUsage);
            return 2;
        } else if (path) {
            fprintf(stderr, "slipway inspect: more than one file given\n%s", kUsage);
            return 2;
        } else {
            path = argv[i];
        }
    }
    if (!path) {
        fputs(kUsage, stderr);
        return 2;
    }

    std::unique_ptr<LoadedPackage> package(new LoadedPackage);
    std::string error;
    if (!loadPackage(path, *package, error)) {
        fprintf(stderr, "slipway inspect: %s: %s\n", path, error.c_str());
        return 1;
    }
    ReportNode report = describePackage(*package, path);
    std::string text = json ? renderReportJson(report) : renderReportText(report);
    if (fwrite(text.data(), 1, text.size(), stdout) != text.size() || fflush(stdout) != 0) {
        fprintf(stderr, "slipway inspect: cannot write the report\n");
        return 1;
    }
    return 0;
}
