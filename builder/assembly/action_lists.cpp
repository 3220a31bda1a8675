#include "builder/assembly/action_lists.h"

#include "builder/assembly/code_page.h"
#include "builder/assembly/file_collector.h"
#include "builder/assembly/file_system.h"
#include "builder/assembly/path_texts.h"
#include "builder/assembly/pe_version.h"
#include "builder/assembly/write_order.h"
#include "format/file_names.h"

#include <ctype.h>
#include <string.h>

#include <map>
#include <memory>

namespace {

// The stub expands a file's path into 261 bytes.
constexpr size_t kPathLength = 260;

std::string lowerAscii(std::string text)
{
    for (char& c : text)
        c = char(tolower(uint8_t(c)));
    return text;
}

// Walks the text fields of an action for pageFlags.
class TextFlags : public FieldVisitor {
public:
    uint32_t flags = 0;
    void text(const char*, const Bytes& value) override { flags |= pageFlagsUsedBy(value.text()); }
    void blob(const char*, const Bytes&) override {}
    void number(const char*, uint32_t, NumberForm) override {}
};

void setText(Bytes& field, const std::string& text)
{
    field.assign(text.c_str(), text.size() + 1);
}

// The package path of a collected file, or an error about its name.
bool packagePathOf(const FilesEntry& entry, const std::string& relative, uint32_t codePage, std::string& path,
                   std::string& problem)
{
    path = entry.destination;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t slash = relative.find('/', start);
        std::string name = relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        std::string why = windowsNameProblem(name);
        if (!why.empty()) {
            problem = "the file " + relative + " cannot be installed: its name '" + name + "' " + why;
            return false;
        }
        std::string encoded;
        EncodingFailure failure;
        if (!encodeText(name, codePage, encoded, &failure)) {
            problem = "the file name " + relative + " holds " + describeCharacter(failure.codePoint) +
                      ", which Windows-" + std::to_string(codePage) +
                      " has not; rename the file or declare another code_page";
            return false;
        }
        path += "\\" + escapeDollars(encoded);
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    if (literalLength(path) > kPathLength) {
        problem = "the path of " + relative + " is longer than the " + std::to_string(kPathLength) +
                  " characters a Windows path can have";
        return false;
    }
    return true;
}

}  // namespace

std::string windowsNameProblem(const std::string& name)
{
    if (name.empty())
        return "is empty";
    for (char c : name) {
        if (uint8_t(c) < 32 || c == 0x7F)
            return "holds a control character";
        if (isForbiddenInName(uint8_t(c)))
            return std::string("holds the character '") + c + "', which Windows does not allow in names";
    }
    if (name.back() == ' ' || name.back() == '.')
        return "ends with a blank or a dot, which Windows drops";
    std::string stem = lowerAscii(name.substr(0, name.find('.')));
    static const char* const kDevices[] = {"con", "prn", "aux", "nul"};
    for (const char* device : kDevices) {
        if (stem == device)
            return "is a device name on Windows";
    }
    if (stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) && stem[3] >= '1' &&
        stem[3] <= '9')
        return "is a device name on Windows";
    return std::string();
}

bool planFiles(const Manifest& manifest, const ManifestList& list, std::vector<std::vector<PlannedFile>>& plans,
               Diagnostics& diagnostics)
{
    bool good = true;
    plans.assign(list.entries.size(), {});
    // Windows paths ignore case: two files of a list that differ only in
    // case would overwrite each other.
    std::map<std::string, SourcePosition> written;
    for (size_t i = 0; i < list.entries.size(); ++i) {
        const ListEntry& entry = list.entries[i];
        if (!entry.files)
            continue;
        const FilesEntry& files = *entry.files;
        std::vector<CollectedFile> found;
        std::string problem;
        CollectOptions options;
        options.refuseOutsideLinks = manifest.refuseOutsideLinks;
        std::vector<std::string> warnings;
        bool collected = collectFiles(manifest.folder, files.source, files.exclude, options, found, warnings, problem);
        for (const std::string& warning : warnings)
            diagnostics.warning(manifest.path, files.sourcePosition, "'" + files.source + "': " + warning);
        if (!collected) {
            diagnostics.error(manifest.path, files.sourcePosition, "'" + files.source + "': " + problem);
            good = false;
            continue;
        }
        for (const CollectedFile& file : found) {
            PlannedFile plan;
            plan.hostPath = file.hostPath;
            plan.size = file.size;
            plan.fileTime = file.fileTime;
            if (!packagePathOf(files, file.relative, manifest.codePage, plan.packagePath, problem)) {
                diagnostics.error(manifest.path, files.sourcePosition, problem);
                good = false;
                continue;
            }
            auto [place, added] = written.emplace(lowerAscii(plan.packagePath), files.sourcePosition);
            if (!added) {
                diagnostics.error(manifest.path, files.sourcePosition,
                                  "the file " + file.relative + " would be installed where the entry at line " +
                                      std::to_string(place->second.line) + " already puts one");
                good = false;
                continue;
            }
            plans[i].push_back(std::move(plan));
        }
    }
    return good;
}

bool buildActionList(const Manifest& manifest, ManifestList& list, const std::vector<std::vector<PlannedFile>>& plans,
                     ActionList& out, ListOrigins& origins, Diagnostics& diagnostics)
{
    // The run of file writes not yet put in the list, with their origins.
    std::vector<std::unique_ptr<WriteFileAction>> run;
    std::vector<SourcePosition> runOrigins;
    auto endRun = [&]() {
        std::vector<std::string> paths;
        for (const auto& action : run)
            paths.push_back(action->path.text());
        bool pushed = true;
        for (size_t index : orderOfWrites(paths)) {
            pushed = pushed && out.actions.push(run[index].release());
            origins.actions.push_back(runOrigins[index]);
        }
        run.clear();
        runOrigins.clear();
        return pushed;
    };
    for (size_t i = 0; i < list.entries.size(); ++i) {
        ListEntry& entry = list.entries[i];
        if (entry.action) {
            if (!endRun() || !out.actions.push(entry.action.release())) {
                diagnostics.error(manifest.path, entry.position, "out of memory");
                return false;
            }
            origins.actions.push_back(entry.position);
            continue;
        }
        for (const PlannedFile& plan : plans[i]) {
            auto action = std::make_unique<WriteFileAction>();
            setText(action->path, plan.packagePath);
            action->dataRef.item = plan.content;
            action->dataRef.size = uint32_t(plan.size);
            action->dataRef.sizeKnown = true;
            action->timeLow = uint32_t(plan.fileTime);
            action->timeHigh = uint32_t(plan.fileTime >> 32);
            action->versionHigh = plan.version.high;
            action->versionLow = plan.version.low;
            run.push_back(std::move(action));
            runOrigins.push_back(entry.files->sourcePosition);
        }
    }
    if (!endRun()) {
        diagnostics.error(manifest.path, SourcePosition(), "out of memory");
        return false;
    }
    out.pageFlags = list.pageFlagsGiven ? list.pageFlags : derivePageFlags(out);
    return true;
}

uint32_t derivePageFlags(const ActionList& list)
{
    TextFlags flags;
    for (Action* action : list.actions)
        action->describe(flags);
    return flags.flags;
}

namespace {

std::string lowered(const Bytes& text)
{
    std::string out = text.text();
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

// What an action writes, as a key equal for equal destinations (Windows
// ignores case in paths, keys and value names), and as shown; empty when it
// writes nothing of its own.
std::string destinationOf(const Action& action, std::string& shown)
{
    switch (action.kind()) {
    case WriteFileAction::kKind:
        shown = static_cast<const WriteFileAction&>(action).path.text();
        return "file:" + lowered(static_cast<const WriteFileAction&>(action).path);
    case CopyFileAction::kKind:
        shown = static_cast<const CopyFileAction&>(action).destination.text();
        return "file:" + lowered(static_cast<const CopyFileAction&>(action).destination);
    case ShortcutAction::kKind:
        shown = static_cast<const ShortcutAction&>(action).shortcutPath.text();
        return "file:" + lowered(static_cast<const ShortcutAction&>(action).shortcutPath);
    case SetRegStringAction::kKind:
    case SetRegDwordAction::kKind: {
        const RegistryValueFields& value =
            action.kind() == SetRegStringAction::kKind
                ? static_cast<const RegistryValueFields&>(static_cast<const SetRegStringAction&>(action))
                : static_cast<const RegistryValueFields&>(static_cast<const SetRegDwordAction&>(action));
        shown = std::string("the registry value ") + value.subKey.text() + "\\" + value.valueName.text();
        return "reg:" + std::to_string(value.root) + ":" + lowered(value.subKey) + std::string(1, '\0') +
               lowered(value.valueName);
    }
    default: return std::string();
    }
}

}  // namespace

void warnSharedDestinations(const ActionScript& script, const ListOrigins& mainOrigins,
                            const std::vector<ListOrigins>& componentOrigins, const std::string& manifestPath,
                            Diagnostics& diagnostics)
{
    std::map<std::string, SourcePosition> first;
    auto visit = [&](const ActionList& list, const ListOrigins& origins) {
        for (uint32_t i = 0; i < list.actions.count(); ++i) {
            std::string shown;
            std::string key = destinationOf(*list.actions[i], shown);
            if (key.empty())
                continue;
            SourcePosition at = i < origins.actions.size() ? origins.actions[i] : SourcePosition();
            auto [earlier, added] = first.emplace(key, at);
            if (!added)
                diagnostics.warning(manifestPath, at,
                                    "this writes " + shown + ", which the action at line " +
                                        std::to_string(earlier->second.line) + " writes too; one overwrites the other");
        }
    };
    visit(script.mainActions, mainOrigins);
    for (uint32_t c = 0; c < script.components.count(); ++c)
        visit(script.components[c]->actions, c < componentOrigins.size() ? componentOrigins[c] : ListOrigins());
}
