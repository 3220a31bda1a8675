// slipway extract FILE -o DIR: writes every packaged file of an install
// package under DIR, path variables kept as folder names.
#include "builder/commands.h"
#include "builder/command_line.h"
#include "builder/extract/package_extraction.h"
#include "builder/inspect/loaded_package.h"

#include <inttypes.h>
#include <stdio.h>

#include <memory>
#include <string>

namespace {

const char kUsage[] = "usage: slipway extract FILE -o DIR\n";

}  // namespace

int runExtractCommand(int argc, char** argv)
{
    std::string file;
    std::string output;
    const CommandOption options[] = {{"-o", "--output", &output, nullptr}};
    int parsed = parseCommandLine({"extract", kUsage, "file"}, options, 1, argc, argv, file);
    if (parsed != 0)
        return parsed < 0 ? 0 : parsed;
    if (output.empty()) {
        fprintf(stderr, "slipway extract: no output folder given (-o DIR)\n%s", kUsage);
        return 2;
    }
    const char* path = file.c_str();
    const char* folder = output.c_str();

    std::unique_ptr<LoadedPackage> package(new LoadedPackage);
    std::string error;
    if (!loadPackage(path, *package, error, PackageUse::Extract)) {
        fprintf(stderr, "slipway extract: %s: %s\n", path, error.c_str());
        return 1;
    }
    if (package->kind != PackageKind::Install) {
        fprintf(stderr, "slipway extract: %s: an uninstall package holds no files\n", path);
        return 1;
    }
    ExtractionResult result = extractPackagedFiles(package->actionScript, package->pool.get(), folder, stdout, stderr);
    printf("%" PRIu32 " files, %" PRIu64 " bytes written to %s\n", result.filesWritten, result.bytesWritten, folder);
    if (result.failures) {
        fprintf(stderr, "slipway extract: %" PRIu32 " files could not be written\n", result.failures);
        return 1;
    }
    return 0;
}
