#include "engine_samples.h"

#include "builder/package/package_writer.h"
#include "format/byte_sink.h"
#include "test_packages.h"

#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>

namespace samples {

namespace {

// Collects "name=value" lines.
class FieldLines final : public FieldVisitor {
public:
    std::string lines;
    void text(const char* name, const Bytes& value) override
    {
        lines += std::string(name) + "=" + stringOf(value) + "\n";
    }
    void blob(const char* name, const Bytes& value) override
    {
        lines += std::string(name) + "=[" + stringOf(value) + "]\n";
    }
    void number(const char* name, uint32_t value, NumberForm) override
    {
        lines += std::string(name) + "=" + std::to_string(value) + "\n";
    }
};

template <typename Record>
Record* filled(unsigned seed)
{
    Record* record = new Record;
    fill(*record, seed);
    return record;
}

int removeEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return remove(path);
}

}  // namespace

Action* filledAction(uint32_t kind, unsigned seed)
{
    switch (kind) {
#define SLIPWAY_FILLED(code, Class, ...)                                                                               \
    case code: return filled<Class>(seed);
        SLIPWAY_ACTION_KINDS(SLIPWAY_FILLED)
#undef SLIPWAY_FILLED
    default: return nullptr;
    }
}

namespace {

// Rollback-only kinds are never stored, so they have no sample.
template <typename Class, bool Stored>
UndoEntry* filledIfStored(unsigned seed)
{
    if constexpr (Stored)
        return filled<Class>(seed);
    else
        return nullptr;
}

}  // namespace

UndoEntry* filledUndoEntry(uint32_t kind, unsigned seed)
{
    switch (kind) {
#define SLIPWAY_FILLED(code, Class, reversal, stored)                                                                  \
    case code: return filledIfStored<Class, stored>(seed);
        SLIPWAY_UNDO_KINDS(SLIPWAY_FILLED)
#undef SLIPWAY_FILLED
    default: return nullptr;
    }
}

void fillEveryKind(ActionScript& script)
{
    script.mainActions.pageFlags = kPageFlagProgramGroup | kPageFlagInstallFolder;
    for (uint32_t kind = 1; kind <= kActionKindCount; ++kind)
        script.mainActions.actions.push(filledAction(kind, kind));

    Component* docs = new Component;
    docs->placement = kPlacementList;
    docs->offeredMask[0] = 0xFF;
    docs->changeableMask[0] = 0xFE;
    docs->defaultMask[0] = 0x01;
    docs->offeredMask[1] = 0xF0;
    docs->changeableMask[1] = 0xE0;
    docs->defaultMask[1] = 0xC0;
    docs->name = text("Documentation");
    docs->description = text("Manuals and examples.");
    docs->actions.pageFlags = kPageFlagInstallFolder;
    docs->actions.actions.push(writeFile("$INSTALLFOLDER$\\docs\\manual.txt", "read me", 0x01DB2C3A4B5C6D7Eull));
    docs->actions.actions.push(writeFile("$INSTALLFOLDER$\\docs\\example.txt", "an example"));
    script.components.push(docs);

    Component* launch = new Component;
    launch->placement = kPlacementFinishPage;
    launch->offeredMask[0] = launch->offeredMask[1] = 0xFF;
    launch->name = text("Start the program");
    launch->description = text("");
    launch->actions.actions.push(filledAction(10, 40));
    script.components.push(launch);

    forEachByteField(static_cast<ActionScriptTexts&>(script),
                     [](const char* name, Bytes& field) { field = text(std::string(name) + " text"); });
    script.uninstallKeyName = literal("SampleProduct\0OldSample\0\0");
    script.uninstallValues = literal("DisplayName\0Sample Product\0Publisher\0Caf\xE9 \x80 Ltd\0\0");
    script.upgradeRules = kUpgradeAllowDowngrade;
}

void fillEveryUndoKind(UninstallScript& script)
{
    forEachByteField(script, [](const char* name, Bytes& field) { field = text(std::string(name) + " value"); });
    script.bannerInfo = literal("\x28\0\0\0info");
    script.bannerBits = bytesOf(std::string(12, '\x33'));
    for (uint32_t kind = 1; kStoredUndoKinds >> kind & 1; ++kind)
        script.undoLog.push(filledUndoEntry(kind, 100 + kind));
}

void clearTexts(ActionScriptTexts& texts)
{
    forEachByteField(texts, [](const char*, Bytes& field) { field = text(""); });
}

std::string fieldsOf(const Action& action)
{
    FieldLines lines;
    action.describe(lines);
    return std::string(action.className()) + "\n" + lines.lines;
}

std::string fieldsOf(const UndoEntry& entry)
{
    FieldLines lines;
    entry.describe(lines);
    return std::string(entry.className()) + "\n" + lines.lines;
}

Bytes serializedActionBlock(const ActionScript& script)
{
    return flattenedWith(script, serializeActionScript);
}

Bytes serializedUninstallBody(const UninstallScript& script)
{
    return flattenedWith(script, writeUninstallScript);
}

Bytes installPackageWith(const ActionScript& script)
{
    CompressionOptions options;
    options.preset = 1;
    options.extreme = false;
    Bytes file;
    if (!buildInstallPackage(sampleStubImage(), sampleInstallScript(), serializedActionBlock(script), options, file))
        file.reset();
    return file;
}

Bytes uninstallPackageWith(const UninstallScript& script)
{
    Bytes file;
    Bytes body = serializedUninstallBody(script);
    if (!assemblePackageFile(sampleStubImage(), kUninstallMagic, {&body}, file))
        file.reset();
    return file;
}

WriteFileAction* writeFile(const std::string& path, const std::string& contents, uint64_t fileTime)
{
    WriteFileAction* action = new WriteFileAction;
    action->path = text(path);
    action->data.assign(contents.data(), contents.size());
    action->timeLow = uint32_t(fileTime);
    action->timeHigh = uint32_t(fileTime >> 32);
    return action;
}

Bytes text(const std::string& value)
{
    Bytes bytes;
    bytes.assign(value.c_str(), value.size() + 1);
    return bytes;
}

std::string stringOf(const Bytes& bytes)
{
    return bytes.isNull() ? std::string() : std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

ScratchFolder::ScratchFolder()
{
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/slipway-engine-XXXXXX";
    if (mkdtemp(&pattern[0]))
        path_ = pattern;
}

ScratchFolder::~ScratchFolder()
{
    if (!path_.empty())
        nftw(path_.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

bool writeBytes(const std::string& path, const Bytes& bytes)
{
    return writeWholeFile(path.c_str(), bytes);
}

}  // namespace samples
