// slipway inspect FILE [--json]: shows every part of a package by the names
// the readers use.
#include "builder/commands.h"
#include "builder/command_line.h"
#include "builder/inspect/loaded_package.h"
#include "builder/inspect/package_description.h"
#include "builder/inspect/report_writers.h"

#include <stdio.h>

#include <memory>
#include <string>

namespace {

const char kUsage[] = "usage: slipway inspect FILE [--json]\n";

}  // namespace

int runInspectCommand(int argc, char** argv)
{
    std::string file;
    bool json = false;
    const CommandOption options[] = {{"--json", nullptr, nullptr, &json}};
    int parsed = parseCommandLine({"inspect", kUsage, "file"}, options, 1, argc, argv, file);
    if (parsed != 0)
        return parsed < 0 ? 0 : parsed;
    const char* path = file.c_str();

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
