// `slipway build MANIFEST [-o OUT] [--stub PATH] [--fast]`: reads the
// manifest, builds the installer and writes it atomically. Every mistake is
// reported with its place; nothing is written while any is left.
#include "builder/commands.h"

#include "builder/command_line.h"

#include "builder/assembly/file_system.h"
#include "builder/assembly/installer_builder.h"
#include "builder/manifest/manifest.h"
#include "builder/text_escape.h"

#include <stdio.h>

#include <string>

#ifndef SLIPWAY_DEFAULT_STUB
#define SLIPWAY_DEFAULT_STUB "slipway-stub.exe"
#endif

namespace {

const char kBuildUsage[] =
    "usage: slipway build MANIFEST [-o OUT] [--stub PATH] [--fast]\n"
    "  -o OUT       the installer to write (default: setup.exe)\n"
    "  --stub PATH  the stub to put the package behind (default: slipway-stub.exe\n"
    "               beside slipway, else the one this slipway was built with)\n"
    "  --fast       compress faster, at some cost in size\n";

struct BuildArguments {
    std::string manifest;
    std::string output = "setup.exe";
    std::string stub;
    bool fast = false;
};

// 0 when parsed, else the exit code (-1 after --help).
int parseArguments(int argc, char** argv, BuildArguments& out)
{
    const CommandOption options[] = {
        {"-o", "--output", &out.output, nullptr},
        {"--stub", nullptr, &out.stub, nullptr},
        {"--fast", nullptr, nullptr, &out.fast},
    };
    return parseCommandLine({"build", kBuildUsage, "manifest"}, options, sizeof options / sizeof options[0], argc, argv,
                            out.manifest);
}

// The stub beside this program wins over the one it was built with, so an
// installed slipway finds its own.
std::string chooseStub(const std::string& given)
{
    if (!given.empty())
        return given;
    std::string folder = programFolder();
    if (!folder.empty()) {
        std::string beside = joinPath(folder, "slipway-stub.exe");
        PathInfo info;
        if (examinePath(beside, info) && info.isFile)
            return beside;
    }
    return SLIPWAY_DEFAULT_STUB;
}

// A path (or a problem naming one) as this command shows it: escaped as the
// diagnostics are.
std::string shown(const std::string& text)
{
    return escapeText(text, EscapeStyle::Message);
}

bool loadStub(const std::string& path, Bytes& stub)
{
    std::string problem;
    if (!readFileBytes(path, stub, problem)) {
        fprintf(stderr, "slipway build: cannot read the stub %s: %s\n", shown(path).c_str(), shown(problem).c_str());
        return false;
    }
    if (stub.size() < 64 || stub.data()[0] != 'M' || stub.data()[1] != 'Z') {
        fprintf(stderr, "slipway build: %s is not a Windows program (no MZ header)\n", shown(path).c_str());
        return false;
    }
    return true;
}

int fail(const Diagnostics& diagnostics)
{
    fputs(diagnostics.warningReport().c_str(), stderr);
    fputs(diagnostics.report().c_str(), stderr);
    fprintf(stderr, "slipway build: %u error%s, nothing written\n", unsigned(diagnostics.count()),
            diagnostics.count() == 1 ? "" : "s");
    return 1;
}

}  // namespace

int runBuildCommand(int argc, char** argv)
{
    BuildArguments arguments;
    int parsed = parseArguments(argc, argv, arguments);
    if (parsed != 0)
        return parsed < 0 ? 0 : parsed;

    Diagnostics diagnostics;
    Manifest manifest;
    if (!readManifest(arguments.manifest, manifest, diagnostics)) {
        checkNamedFiles(manifest, diagnostics);
        return fail(diagnostics);
    }
    Bytes stub;
    if (!loadStub(chooseStub(arguments.stub), stub))
        return 1;
    InstallerSummary summary;
    if (!buildInstaller(manifest, stub, compressionFor(arguments.fast), isTerminal(stderr), arguments.output,
                        diagnostics, &summary))
        return fail(diagnostics);
    fputs(diagnostics.warningReport().c_str(), stderr);
    printf("%s: %u file%s, %llu bytes packed into %llu\n", shown(arguments.output).c_str(), summary.files,
           summary.files == 1 ? "" : "s", (unsigned long long)summary.payloadBytes,
           (unsigned long long)summary.installerBytes);
    return 0;
}
