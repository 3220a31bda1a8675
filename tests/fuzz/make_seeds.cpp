// Writes the seed corpora of the fuzz targets with the real package writer:
//   make_fuzz_seeds CORPUS_DIR
// puts a handful of small files under CORPUS_DIR/<target>/ for each target.
#include "format/install_script.h"
#include "format/package_container.h"
#include "builder/package/package_writer.h"
#include "format/byte_sink.h"
#include "engine_samples.h"
#include "test_packages.h"

#include <stdio.h>
#include <string.h>
#include <string>
#include <sys/stat.h>

namespace {

constexpr size_t kMaxSeedSize = 4096;

bool failed = false;

void writeSeed(const std::string& corpus, const char* target, const char* name, const std::string& bytes)
{
    std::string folder = corpus + "/" + target;
    mkdir(corpus.c_str(), 0755);
    mkdir(folder.c_str(), 0755);
    std::string path = folder + "/" + name;
    if (bytes.empty() || bytes.size() >= kMaxSeedSize || !writeWholeFile(path.c_str(), bytesOf(bytes))) {
        fprintf(stderr, "make_fuzz_seeds: cannot write %s (%zu bytes)\n", path.c_str(), bytes.size());
        failed = true;
        return;
    }
    printf("%s: %zu bytes\n", path.c_str(), bytes.size());
}

void put32(std::string& s, size_t offset, uint32_t v)
{
    storeU32(reinterpret_cast<uint8_t*>(&s[offset]), v);
}

InstallScript rtfScript()
{
    InstallScript s = sampleInstallScript();
    setText(s.licenseText, "{\\rtf1\\ansi Licence text}");
    static const char kSwitches[] = "-k\0first\0-k\0second\0";
    s.infoSwitches = bytesOf(std::string(kSwitches, sizeof kSwitches));
    return s;
}

// A 16 x 4 banner of 8 bits with a full 256-colour table.
InstallScript paletteScript()
{
    InstallScript s = sampleInstallScript();
    std::string info(40 + 256 * 4, '\x20');
    memset(&info[0], 0, 40);
    put32(info, 0, 40);
    put32(info, 4, 16);
    put32(info, 8, 4);
    info[12] = 1;
    info[14] = 8;
    s.bannerInfo = bytesOf(info);
    s.bannerBits = bytesOf(std::string(64, '\x03'));
    setText(s.licenseText, "Plain licence text.");
    return s;
}

InstallScript emptyTableScript()
{
    InstallScript s = sampleInstallScript();
    s.infoSwitches = bytesOf(std::string(1, '\0'));
    setText(s.defaultFolder, "");
    return s;
}

std::string package(const InstallScript& script)
{
    return asString(buildSamplePackage(script));
}

// An uninstall package over the sample stub with a small cursor-readable body.
std::string uninstallPackage()
{
    ByteSink sink;
    sink.appendU32(1);
    sink.addText("Uninstall Sample Product");
    sink.addText("C:\\Program Files\\Sample Product\\uninstall.exe");
    Bytes body, file;
    sink.flatten(body);
    assemblePackageFile(sampleStubImage(), kUninstallMagic, {&body}, file);
    return asString(file);
}

// A package whose security directory names a table right behind its
// trailer, followed by a few bytes standing for the certificate.
std::string signedLookingPackage()
{
    std::string file = package(sampleInstallScript());
    put32(file, 0x80 + 0x98, uint32_t(file.size()));
    put32(file, 0x80 + 0x9C, 16);
    return file + std::string(16, '\x30');
}

// Cursor seeds: operations (readString is op 3, readU32 op 0, readBytes of
// n bytes op 1 + 4n, stringRef op 2) followed by the block.
std::string cursorSeed(const std::string& operations, const std::string& block)
{
    return std::string(1, char(operations.size())) + operations + block;
}

// Block 1 with unknown kind codes among the actions, a component, the
// seventeen texts and the upgrade rules.
std::string actionBlockWithUnknownKinds()
{
    ByteSink sink;
    sink.appendU32(kPageFlagProgramGroup);
    for (uint32_t kind : {0u, 15u, uint32_t(RemoveOnUninstallAction::kKind)}) {
        sink.appendU32(1);
        sink.appendU32(kind);
    }
    sink.addText("$INSTALLFOLDER$\\app.log");
    sink.appendU32(0);
    sink.appendU32(1);  // one component
    for (uint32_t value : {1u, 0xFFu, 0xFEu, 0x01u, 0xFFu, 0xFEu, 0x01u})
        sink.appendU32(value);
    sink.addText("Shortcuts");
    sink.addText("");
    sink.appendU32(kPageFlagProgramGroup);
    sink.appendU32(0);
    sink.appendU32(0);  // no more components
    ActionScriptTexts texts;
    forEachByteField(texts, [&](const char* name, Bytes&) { sink.addText(name); });
    sink.appendU32(kUpgradeAllowDowngrade);
    Bytes block;
    sink.flatten(block);
    return asString(block);
}

std::string everyKindActionBlock()
{
    ActionScript script;
    samples::fillEveryKind(script);
    return asString(samples::serializedActionBlock(script));
}

// An uninstall body: the eighteen fields, then the given undo entries.
std::string uninstallBody(bool withEntries)
{
    UninstallScript script;
    samples::fillEveryUndoKind(script);
    if (!withEntries)
        script.undoLog.clear();
    return asString(samples::serializedUninstallBody(script));
}

std::string uninstallBodyWithUnknownKinds()
{
    ByteSink sink;
    UninstallScript fields;
    forEachByteField(fields, [&](const char* name, Bytes&) { sink.addText(name); });
    for (uint32_t kind : {0u, 7u, uint32_t(DeleteFileUndo::kKind)}) {
        sink.appendU32(1);
        sink.appendU32(kind);
    }
    sink.addText("C:\\Program Files\\Sample\\app.exe");
    sink.appendU32(1);
    sink.appendU32(0);
    Bytes body;
    sink.flatten(body);
    return asString(body);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_fuzz_seeds CORPUS_DIR\n");
        return 2;
    }
    std::string corpus = argv[1];

    writeSeed(corpus, "fuzz_container", "install-package", package(sampleInstallScript()));
    writeSeed(corpus, "fuzz_container", "install-rtf-licence", package(rtfScript()));
    writeSeed(corpus, "fuzz_container", "install-palette-banner", package(paletteScript()));
    writeSeed(corpus, "fuzz_container", "install-signed-looking", signedLookingPackage());
    writeSeed(corpus, "fuzz_container", "uninstall-package", uninstallPackage());

    writeSeed(corpus, "fuzz_install_script", "block0", asString(flattenedBlock0(sampleInstallScript())));
    writeSeed(corpus, "fuzz_install_script", "block0-rtf-duplicate-keys", asString(flattenedBlock0(rtfScript())));
    writeSeed(corpus, "fuzz_install_script", "block0-palette-banner", asString(flattenedBlock0(paletteScript())));
    writeSeed(corpus, "fuzz_install_script", "block0-empty-table", asString(flattenedBlock0(emptyTableScript())));

    std::string readAll(20, '\x03');
    writeSeed(corpus, "fuzz_byte_cursor", "block0-strings",
              cursorSeed(readAll, asString(flattenedBlock0(sampleInstallScript()))));
    std::string mixed = std::string("\x00\x00\x00", 3) + "\x02\x03\x02" + char(1 + 4 * 8) + "\x03";
    writeSeed(corpus, "fuzz_byte_cursor", "action-block-mixed", cursorSeed(mixed, asString(emptyActionBlock())));
    writeSeed(corpus, "fuzz_byte_cursor", "empty-stream",
              cursorSeed(std::string(2, '\x03'), std::string("\0\0\0\0\x02\0\0\0a\0", 10)));
    writeSeed(corpus, "fuzz_byte_cursor", "reverse-indices",
              cursorSeed(std::string(3, '\x03'), std::string("\x0c\0\0\0\x02\0\0\0\x01\0\0\0\0\0\0\0"
                                                             "\x02\0\0\0a\0\x02\0\0\0b\0\x02\0\0\0c\0",
                                                             34)));

    writeSeed(corpus, "fuzz_action_script", "every-kind", everyKindActionBlock());
    writeSeed(corpus, "fuzz_action_script", "no-actions", asString(emptyActionBlock()));
    writeSeed(corpus, "fuzz_action_script", "unknown-kinds", actionBlockWithUnknownKinds());

    writeSeed(corpus, "fuzz_uninstall_package", "every-undo-kind", uninstallBody(true));
    writeSeed(corpus, "fuzz_uninstall_package", "no-entries", uninstallBody(false));
    writeSeed(corpus, "fuzz_uninstall_package", "unknown-kinds", uninstallBodyWithUnknownKinds());

    // The whole package read behind inspect and extract: real packages, one
    // with every action kind, and two whose records name one item
    // thousands of times (refused by the memory bound).
    writeSeed(corpus, "fuzz_package", "install-package", package(sampleInstallScript()));
    writeSeed(corpus, "fuzz_package", "uninstall-package", uninstallPackage());
    ActionScript everyKind;
    samples::fillEveryKind(everyKind);
    writeSeed(corpus, "fuzz_package", "every-kind", asString(samples::installPackageWith(everyKind)));
    writeSeed(corpus, "fuzz_package", "fanned-out-file", asString(fannedOutPackage(1, 32768, 65536)));
    writeSeed(corpus, "fuzz_package", "fanned-out-path", asString(fannedOutPackage(4, 100000, 1024)));
    return failed ? 1 : 0;
}
