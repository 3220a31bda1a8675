// slipway extract FILE -o DIR: writes every packaged file of an install
// package under DIR, path variables kept as folder names.
#include "builder/commands.h"
#include "builder/extract/package_extraction.h"
#include "builder/inspect/loaded_package.h"

#include <inttypes.h>
#include <stdio.h>
#include <string.h>

#include <memory>
#include <string>

namespace {

const char kUsage[] = "usage: slipway extract FILE -o DIR\n";

}  // namespace

int runExtractCommand(int argc, char** argv)
{
    const char* path = nullptr;
    const char* folder = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (strcmp(argv[i], "-o") == 0 || strcmp(argv[i], "--output") == 0) {
            if (i + 1 >= argc) {
                fprintf(stderr, "slipway extract: %s needs a folder\n%s", argv[i], kUsage);
                return 2;
            }
            folder = argv[++i];
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            fprintf(stderr, "slipway extract: unknown option '%s'\n%s", argv[i], kUsage);
            return 2;
        } else if (path) {
            fprintf(stderr, "slipway extract: more than one file given\n%s", kUsage);
            return 2;
        } else {
            path = argv[i];
        }
    }
    if (!path || !folder) {
        fputs(kUsage, stderr);
        return 2;
    }

    std::unique_ptr<LoadedPackage> package(new LoadedPackage);
    std::string error;
    if (!loadPackage(path, *package, error)) {
        fprintf(stderr, "slipway extract: %s: %s\n", path, error.c_str());
        return 1;
    }
    if (package->kind != PackageKind::Install) {
        fprintf(stderr, "slipway extract: %s: an uninstall package holds no files\n", path);
        return 1;
    }
    ExtractionResult result = extractPackagedFiles(package->actionScript, folder, stdout, stderr);
    printf("%" PRIu32 " files, %" PRIu64 " bytes written to %s\n", result.filesWritten, result.bytesWritten, folder);
    if (result.failures) {
        fprintf(stderr, "slipway extract: %" PRIu32 " files could not be written\n", result.failures);
        return 1;
    }
    return 0;
}
