#include "builder/assembly/installer_builder.h"

#include "builder/assembly/action_lists.h"
#include "builder/assembly/banner.h"
#include "builder/assembly/file_system.h"
#include "builder/assembly/license.h"
#include "builder/assembly/package_limits.h"
#include "builder/assembly/progress_bar.h"
#include "builder/package/package_writer.h"
#include "format/byte_sink.h"

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

// Block 1 flattened: the lists built from the manifest (files read), the
// components, the seventeen texts and the upgrade rules, checked against the pool's limit.
// The script, which holds a copy of every file, ends with this function.
bool writeBlock1(Manifest& manifest, const std::vector<std::vector<PlannedFile>>& mainPlans,
                 const std::vector<std::vector<std::vector<PlannedFile>>>& componentPlans, Bytes& block1,
                 Diagnostics& diagnostics)
{
    size_t before = diagnostics.count();
    ActionScript script;
    static_cast<ActionScriptTexts&>(script) = std::move(manifest.actionTexts);
    script.upgradeRules = manifest.upgradeRules;
    ListOrigins mainOrigins;
    std::vector<ListOrigins> componentOrigins(manifest.components.size());
    std::vector<SourcePosition> componentPlaces;
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
        componentPlaces.push_back(from.position);
        if (!script.components.push(component)) {
            diagnostics.error(manifest.path, from.position, "out of memory");
            return false;
        }
    }
    if (diagnostics.count() != before)
        return false;
    warnSharedDestinations(script, mainOrigins, componentOrigins, manifest.path, diagnostics);
    if (!checkStringPool(script, mainOrigins, componentOrigins, componentPlaces, manifest.path, diagnostics))
        return false;

    {
        ByteSink sink;
        if (!serializeActionScript(script, sink) || !sink.flatten(block1)) {
            diagnostics.error(manifest.path, SourcePosition(), "out of memory while writing block 1");
            return false;
        }
    }
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
                    Bytes& out, Diagnostics& diagnostics, InstallerSummary* summary)
{
    out.reset();
    size_t before = diagnostics.count();
    InstallScript& block0 = manifest.installScript;
    loadBanner(manifest, block0, diagnostics);
    loadLicenseText(manifest, block0, diagnostics);

    // Find every file first: a payload too large is refused before a byte
    // of it is read.
    std::vector<std::vector<PlannedFile>> mainPlans;
    std::vector<std::vector<std::vector<PlannedFile>>> componentPlans(manifest.components.size());
    planFiles(manifest, manifest.mainList, mainPlans, diagnostics);
    for (size_t c = 0; c < manifest.components.size(); ++c)
        planFiles(manifest, manifest.components[c].list, componentPlans[c], diagnostics);
    uint32_t fileCount = 0;
    uint64_t payload = plannedBytes(mainPlans, fileCount);
    for (const auto& plans : componentPlans)
        payload += plannedBytes(plans, fileCount);
    std::string tooLarge = installMemoryProblem(payload, dictionarySizeFor(payload, options), "its files hold");
    if (!tooLarge.empty())
        diagnostics.error(manifest.path, SourcePosition(), tooLarge);
    if (diagnostics.count() != before)
        return false;

    Bytes block1;
    if (!writeBlock1(manifest, mainPlans, componentPlans, block1, diagnostics))
        return false;
    tooLarge = installMemoryProblem(block1.size(), dictionarySizeFor(block1.size(), options), "block 1 decodes to");
    if (!tooLarge.empty()) {
        diagnostics.error(manifest.path, SourcePosition(), tooLarge);
        return false;
    }

    bool built;
    {
        ProgressBar bar(stderr, showProgress && block1.size() >= kProgressThreshold, "compressing");
        CompressionProgress progress{&ProgressBar::report, &bar};
        built = buildInstallPackage(stub, block0, block1, options, out, &progress);
    }
    if (!built) {
        diagnostics.error(manifest.path, SourcePosition(), "compressing the package failed (out of memory?)");
        out.reset();
        return false;
    }
    if (summary) {
        summary->files = fileCount;
        summary->payloadBytes = payload;
        summary->block1Bytes = block1.size();
    }
    return true;
}
