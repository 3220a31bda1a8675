#include "builder/assembly/installer_builder.h"

#include "builder/assembly/action_lists.h"
#include "builder/assembly/banner.h"
#include "builder/assembly/file_contents.h"
#include "builder/assembly/file_system.h"
#include "builder/assembly/license.h"
#include "builder/assembly/package_limits.h"
#include "builder/assembly/progress_bar.h"
#include "builder/package/block_encoder.h"
#include "builder/package/package_writer.h"
#include "format/byte_sink.h"
#include "format/payload_sizes.h"

#include <string.h>

#include <memory>

namespace {

// Below this a build is quick and a progress bar would only flicker.
constexpr uint64_t kProgressThreshold = 8u << 20;

std::string besideManifest(const Manifest& manifest, const std::string& path)
{
    return isAbsolutePath(path) ? path : joinPath(manifest.folder, path);
}

void setText(Bytes& field, const std::string& text)
{
    field.assign(text.c_str(), text.size() + 1);
}

bool loadBanner(const Manifest& manifest, InstallScript& script, Diagnostics& diagnostics)
{
    Banner banner;
    if (!manifest.banner.given()) {
        banner = defaultBanner();
    } else {
        std::string path = besideManifest(manifest, manifest.banner.path);
        Bytes file;
        std::string problem;
        if (!readFileBytes(path, file, problem) || !bannerFromBmp(file, banner, problem)) {
            diagnostics.error(manifest.path, manifest.banner.position,
                              "'banner' " + manifest.banner.path + ": " + problem);
            return false;
        }
    }
    script.bannerInfo = std::move(banner.info);
    script.bannerBits = std::move(banner.bits);
    return true;
}

bool loadLicenseText(const Manifest& manifest, InstallScript& script, Diagnostics& diagnostics)
{
    if (!manifest.license.given()) {
        setText(script.licenseText, "");  // no licence page
        return true;
    }
    std::string text;
    if (!loadLicense(besideManifest(manifest, manifest.license.path), manifest.license.path, manifest.codePage,
                     manifest.path, manifest.license.position, diagnostics, text))
        return false;
    setText(script.licenseText, text);
    return true;
}

uint64_t plannedBytes(const std::vector<std::vector<PlannedFile>>& plans, uint32_t& files)
{
    uint64_t total = 0;
    for (const auto& entry : plans) {
        for (const PlannedFile& file : entry) {
            total += file.size;
            ++files;
        }
    }
    return total;
}

// Refuses, at its entry, every file too large for any block, before a byte
// of the payload is read.
void checkFileSizes(const Manifest& manifest, const ManifestList& list,
                    const std::vector<std::vector<PlannedFile>>& plans, Diagnostics& diagnostics)
{
    for (size_t i = 0; i < plans.size() && i < list.entries.size(); ++i) {
        for (const PlannedFile& file : plans[i]) {
            std::string problem = fileSizeProblem(file.hostPath, file.size);
            if (!problem.empty())
                diagnostics.error(manifest.path, list.entries[i].files->sourcePosition, problem);
        }
    }
}

// Block 1 laid out for streaming: the lists built from the manifest (every
// file write naming its contents by number), the components, the seventeen
// texts and the upgrade rules. `head` gets the record stream and every
// small item; `contents` the content numbers in the order their items
// follow, which is the order the installation writes them.
bool writeBlock1Head(Manifest& manifest, const std::vector<std::vector<PlannedFile>>& mainPlans,
                     const std::vector<std::vector<std::vector<PlannedFile>>>& componentPlans,
                     const ContentCatalog& catalog, Bytes& head, std::vector<uint32_t>& contents,
                     Diagnostics& diagnostics)
{
    size_t before = diagnostics.count();
    ActionScript script;
    static_cast<ActionScriptTexts&>(script) = std::move(manifest.actionTexts);
    script.upgradeRules = manifest.upgradeRules;
    ListOrigins mainOrigins;
    std::vector<ListOrigins> componentOrigins(manifest.components.size());
    buildActionList(manifest, manifest.mainList, mainPlans, script.mainActions, mainOrigins, diagnostics);
    for (size_t c = 0; c < manifest.components.size(); ++c) {
        ManifestComponent& from = manifest.components[c];
        auto* component = new Component;
        component->placement = from.placement;
        for (int bits = 0; bits < 2; ++bits) {
            component->offeredMask[bits] = from.offeredMask[bits];
            component->changeableMask[bits] = from.changeableMask[bits];
            component->defaultMask[bits] = from.defaultMask[bits];
        }
        setText(component->name, from.name);
        setText(component->description, from.description);
        buildActionList(manifest, from.list, componentPlans[c], component->actions, componentOrigins[c], diagnostics);
        if (!script.components.push(component)) {
            diagnostics.error(manifest.path, from.position, "out of memory");
            return false;
        }
    }
    if (diagnostics.count() != before)
        return false;
    warnSharedDestinations(script, mainOrigins, componentOrigins, manifest.path, diagnostics);

    ByteSink sink;
    // The contents' lengths go last among the small items, so the wizard
    // knows them before the stream reaches the contents.
    auto lengthOf = [](void* context, uint32_t number) {
        return uint32_t((*static_cast<const ContentCatalog*>(context))[number].size);
    };
    if (!serializeActionScript(script, sink) ||
        !addPayloadSizeTable(sink, lengthOf, const_cast<ContentCatalog*>(&catalog)) || !sink.flatten(head)) {
        diagnostics.error(manifest.path, SourcePosition(), "out of memory while writing block 1");
        return false;
    }
    contents.clear();
    for (uint32_t i = 0; i < sink.payloadCount(); ++i)
        contents.push_back(sink.payloadAt(i));
    return true;
}

}  // namespace

CompressionOptions compressionFor(bool fast)
{
    CompressionOptions options;
    // The payloads this is for repeat themselves over long distances (many
    // similar files), so the dictionary matters more than the match
    // finder: preset 3 (a hash-chain finder) with the full dictionary is
    // about three times as fast as the strong default and gives up about a
    // tenth in size, which still beats a small dictionary by far.
    if (fast) {
        options.preset = 3;
        options.extreme = false;
    }
    return options;
}

void checkNamedFiles(const Manifest& manifest, Diagnostics& diagnostics)
{
    InstallScript scratch;
    loadBanner(manifest, scratch, diagnostics);
    loadLicenseText(manifest, scratch, diagnostics);
    // Entries without a source were reported by the reader already.
    auto planList = [&](const ManifestList& list) {
        ManifestList sourced;
        for (const ListEntry& entry : list.entries) {
            if (entry.files && !entry.files->source.empty()) {
                ListEntry copy;
                copy.files.reset(new FilesEntry(*entry.files));
                copy.position = entry.position;
                sourced.entries.push_back(std::move(copy));
            }
        }
        std::vector<std::vector<PlannedFile>> plans;
        planFiles(manifest, sourced, plans, diagnostics);
    };
    planList(manifest.mainList);
    for (const ManifestComponent& component : manifest.components)
        planList(component.list);
}

bool buildInstaller(Manifest& manifest, const Bytes& stub, const CompressionOptions& options, bool showProgress,
                    const std::string& outputPath, Diagnostics& diagnostics, InstallerSummary* summary)
{
    size_t before = diagnostics.count();
    InstallScript& block0 = manifest.installScript;
    loadBanner(manifest, block0, diagnostics);
    loadLicenseText(manifest, block0, diagnostics);

    // Find every file first: a file too large for a block is refused before
    // a byte of the payload is read.
    std::vector<std::vector<PlannedFile>> mainPlans;
    std::vector<std::vector<std::vector<PlannedFile>>> componentPlans(manifest.components.size());
    planFiles(manifest, manifest.mainList, mainPlans, diagnostics);
    checkFileSizes(manifest, manifest.mainList, mainPlans, diagnostics);
    for (size_t c = 0; c < manifest.components.size(); ++c) {
        planFiles(manifest, manifest.components[c].list, componentPlans[c], diagnostics);
        checkFileSizes(manifest, manifest.components[c].list, componentPlans[c], diagnostics);
    }
    uint32_t fileCount = 0;
    uint64_t planned = plannedBytes(mainPlans, fileCount);
    for (const auto& plans : componentPlans)
        planned += plannedBytes(plans, fileCount);
    if (diagnostics.count() != before)
        return false;

    // One pass over the payload: contents numbered, equal ones once.
    ContentCatalog catalog;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[kReadChunk]);
    {
        ProgressBar bar(stderr, showProgress && planned >= kProgressThreshold, "reading");
        uint64_t done = 0;
        catalogPlannedFiles(manifest, manifest.mainList, mainPlans, catalog, buffer.get(), bar, done, planned,
                            diagnostics);
        for (size_t c = 0; c < manifest.components.size(); ++c)
            catalogPlannedFiles(manifest, manifest.components[c].list, componentPlans[c], catalog, buffer.get(), bar,
                                done, planned, diagnostics);
    }
    if (diagnostics.count() != before)
        return false;

    Bytes head;
    std::vector<uint32_t> contents;
    if (!writeBlock1Head(manifest, mainPlans, componentPlans, catalog, head, contents, diagnostics))
        return false;
    uint64_t distinct = 0;
    for (uint32_t number : contents)
        distinct += catalog[number].size;
    uint64_t block1Size = head.size() + distinct + kPayloadItemOverhead * contents.size();
    std::string tooLarge = block1SizeProblem(block1Size, distinct, fileCount);
    if (!tooLarge.empty()) {
        diagnostics.error(manifest.path, SourcePosition(), tooLarge);
        return false;
    }

    OutputFile output;
    std::string problem;
    if (!output.open(outputPath, problem)) {
        diagnostics.error(manifest.path, SourcePosition(), "cannot write " + outputPath + ": " + problem);
        return false;
    }
    uint64_t fileSize = 0;
    bool built;
    {
        ProgressBar bar(stderr, showProgress && block1Size >= kProgressThreshold, "compressing");
        CompressionProgress progress{&ProgressBar::report, &bar};
        auto feed = [&](BlockEncoder& encoder, std::string& why) {
            return encoder.write(head.data(), head.size(), why) &&
                   streamContents(encoder, contents, catalog, buffer.get(), why);
        };
        built = writeInstallPackage(output.file(), stub, block0, block1Size, feed, options, &progress,
                                    packageLengthProblem, fileSize, problem);
    }
    if (!built || !output.commit(problem)) {
        diagnostics.error(manifest.path, SourcePosition(), problem);
        return false;
    }
    if (summary) {
        summary->files = fileCount;
        summary->contents = uint32_t(contents.size());
        summary->payloadBytes = planned;
        summary->block1Bytes = block1Size;
        summary->installerBytes = fileSize;
        summary->encoderMemory = encoderMemoryFor(block1Size, options);
    }
    return true;
}
