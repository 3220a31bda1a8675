#include "builder/manifest/action_reader.h"

#include "builder/assembly/path_texts.h"
#include "builder/manifest/command_lines.h"
#include "format/field_limits.h"

#include <string.h>

namespace {

// The longest text each kind of field may expand to: the stub's buffer for
// it, less the NUL.
constexpr size_t kPathLength = kExpandedPathSize - 1;
constexpr size_t kRegistryNameLength = kRegistryNameSize - 1;
constexpr size_t kRegistryDataLength = kRegistryDataSize - 1;
constexpr size_t kCommandLength = kCommandLineSize - 1;
constexpr size_t kShortcutTextLength = kShortcutTextSize - 1;
constexpr size_t kUndoCaptionLength = kUndoCaptionSize - 1;

void setText(Bytes& field, const std::string& text)
{
    field.assign(text.c_str(), text.size() + 1);
}

// Reads the fields of one action table into the action's own fields.
class ActionFields {
public:
    explicit ActionFields(TableReader& reader) : r_(reader) {}

    void path(const char* key, Bytes& out, bool required)
    {
        text(key, out, required, {TextUse::Expanded, kPathLength});
    }

    void text(const char* key, Bytes& out, bool required, TextRules rules)
    {
        std::string value;
        if (required)
            r_.require(key, "a string");
        r_.text(key, value, rules);
        setText(out, value);
    }

    void registry(RegistryValueFields& value)
    {
        r_.require("root", "a registry root (HKCR, HKCU, HKLM, HKU or HKCC)");
        r_.named("root", kRegistryRootNames, value.root);
        text("key", value.subKey, true, {TextUse::Expanded, kRegistryNameLength});
        text("name", value.valueName, false, {TextUse::Expanded, kRegistryNameLength});
    }

    // A whole `command`, or a `program` path and its `arguments`.
    void program(Bytes& commandLine, Bytes& workingFolder, uint16_t& show)
    {
        const toml::node* command = r_.node("command");
        const toml::node* program = r_.node("program");
        const toml::node* arguments = r_.node("arguments");
        std::string line;
        if (command && program) {
            r_.context().error(positionOf(*program), "'program' in " + r_.where() +
                                                         ": give either 'command' or 'program' (with 'arguments'), "
                                                         "not both");
        } else if (program) {
            std::string path, args;
            if (r_.text("program", path, {TextUse::Expanded, kPathLength})) {
                if (path.empty())
                    r_.context().error(positionOf(*program), "'program' is empty; expected the path of a program");
                else if (path.find('"') != std::string::npos)
                    r_.context().error(positionOf(*program),
                                       "'program' holds a quote; write the path alone, "
                                       "it is quoted where it needs to be");
            }
            r_.text("arguments", args, {TextUse::Expanded, kCommandLength});
            line = commandLineOf(path, args);
            if (literalLength(line) > kCommandLength)
                r_.context().error(positionOf(*program),
                                   "command line too long: " + std::to_string(literalLength(line)) +
                                       " characters, at most " + std::to_string(kCommandLength) +
                                       " fit where it is used");
        } else {
            r_.require("command", "a command line, or 'program' and 'arguments'");
            if (arguments)
                r_.context().error(positionOf(*arguments),
                                   "'arguments' go with 'program'; with 'command', write "
                                   "them into the command line");
            if (r_.text("command", line, {TextUse::Expanded, kCommandLength})) {
                std::string problem = unquotedProgramProblem(line);
                if (!problem.empty())
                    r_.context().error(positionOf(*command), "'command' in " + r_.where() + ": " + problem);
            }
        }
        setText(commandLine, line);
        path("folder", workingFolder, false);
        uint32_t value = kShowUnspecified;
        r_.named("show", kShowCommandNames, value);
        show = uint16_t(value);
    }

    void library(Bytes& library, Bytes& entryName, Bytes& argument)
    {
        r_.require("library", "the full path of a library");
        std::string path;
        if (r_.text("library", path, {TextUse::Expanded, kPathLength}) && !isAbsolutePathText(path))
            r_.context().error(positionOf(*r_.node("library")),
                               "'library' is not a full path; start it with a path variable such as "
                               "$PROGRAMFILESFOLDER$ or with a drive such as C:\\, or Windows searches for the "
                               "library and may load another one of that name");
        setText(library, path);
        std::string entry;
        r_.require("entry", "the name the library exports, without its W or A ending");
        if (r_.text("entry", entry, {TextUse::Expanded, kPathLength}) && entry.empty())
            r_.context().error(positionOf(*r_.node("entry")),
                               "'entry' is empty; expected the name the library exports, without its W or A ending");
        setText(entryName, entry);
        text("argument", argument, false, {TextUse::Expanded, kCommandLength});
    }

    // A caption shown at install is stored as written; one for the
    // uninstaller's step row is expanded into it.
    void caption(Bytes& out, uint8_t rule)
    {
        text("caption", out, false,
             rule == kUninstallStepCaption ? TextRules{TextUse::Expanded, kUndoCaptionLength}
                                           : TextRules{TextUse::Stored, 0});
    }

private:
    TableReader& r_;
};

// Each kind's manifest keys, one overload a kind; readAction calls the one
// of every kind the list in format/record_kinds.h names. A `files` entry
// makes the WriteFileActions instead (readFilesEntry).
void readKind(ActionFields&, TableReader&, WriteFileAction&)
{
}

void readKind(ActionFields& f, TableReader&, CopyFileAction& a)
{
    f.path("source", a.source, true);
    f.path("destination", a.destination, true);
}

void readKind(ActionFields& f, TableReader& r, DeleteFilesAction& a)
{
    f.path("path", a.pathPattern, true);
    bool recurse = false;
    r.flag("recurse", recurse);
    a.recurse = recurse ? 1 : 0;
}

void readKind(ActionFields& f, TableReader&, RemoveOnUninstallAction& a)
{
    f.path("path", a.path, true);
}

void readKind(ActionFields& f, TableReader& r, ShortcutAction& a)
{
    f.path("target", a.target, true);
    f.path("path", a.shortcutPath, true);
    f.text("arguments", a.arguments, false, {TextUse::Expanded, kShortcutTextLength});
    f.text("description", a.description, false, {TextUse::Expanded, kShortcutTextLength});
    f.path("icon", a.iconPath, false);
    bool iconGiven = a.iconPath.size() > 1;
    int64_t index = iconGiven ? 0 : int64_t(kNoIcon);
    if (r.number("icon_index", 0, 0x7FFFFFFF, index) && !iconGiven) {
        r.context().error(positionOf(*r.node("icon_index")),
                          "'icon_index' without 'icon'; expected 'icon' naming the file that holds the icon");
        index = int64_t(kNoIcon);
    }
    a.iconIndex = uint32_t(index);
    if (const toml::node* n = r.node("hot_key")) {
        std::string problem;
        if (!n->is_string())
            r.context().error(positionOf(*n),
                              "'hot_key': expected a key such as \"Ctrl+Alt+H\", found " + describeType(*n));
        else if (!parseHotKey(n->as_string()->get(), a.hotKey, problem))
            r.context().error(positionOf(*n), "'hot_key': " + problem + "; expected a key such as \"Ctrl+Alt+H\"");
    }
}

void readKind(ActionFields& f, TableReader&, SetRegStringAction& a)
{
    f.registry(a);
    f.text("value", a.data, true, {TextUse::Expanded, kRegistryDataLength});
}

void readKind(ActionFields& f, TableReader& r, SetRegDwordAction& a)
{
    f.registry(a);
    r.require("value", "an integer from 0 to 4294967295");
    int64_t value = 0;
    r.number("value", 0, 0xFFFFFFFF, value);
    a.data = uint32_t(value);
}

void readKind(ActionFields& f, TableReader&, DeleteRegValueAction& a)
{
    f.registry(a);
}

// Programs started without waiting.
template <typename Kind>
void readKind(ActionFields& f, TableReader&, StartProgramFields<Kind>& a)
{
    f.program(a.commandLine, a.workingFolder, a.show);
}

// Programs and entry points with a step caption: shown as stored at
// install, or expanded into the uninstaller's step row, as the kind's
// caption rule says.
template <typename Kind>
void readKind(ActionFields& f, TableReader&, CaptionedProgramFields<Kind>& a)
{
    f.caption(a.stepCaption, kActionCaptionRules[Kind::kKind]);
    f.program(a.commandLine, a.workingFolder, a.show);
}

template <typename Kind>
void readKind(ActionFields& f, TableReader&, LibraryCallFields<Kind>& a)
{
    f.caption(a.stepCaption, kActionCaptionRules[Kind::kKind]);
    f.library(a.library, a.entryName, a.argument);
}

std::unique_ptr<Action> readAction(TableReader& r, uint32_t kind)
{
    std::unique_ptr<Action> action = createAction(kind);
    ActionFields f(r);
    switch (kind) {
#define SLIPWAY_READ_KIND(code, Class, ...)                                                                            \
    case code: readKind(f, r, static_cast<Class&>(*action)); break;
        SLIPWAY_ACTION_KINDS(SLIPWAY_READ_KIND)
#undef SLIPWAY_READ_KIND
    default: break;
    }
    return action;
}

std::unique_ptr<FilesEntry> readFilesEntry(TableReader& r)
{
    auto entry = std::make_unique<FilesEntry>();
    r.require("source", "a folder, file or glob such as \"bin/*.dll\", relative to the manifest");
    if (const toml::node* n = r.node("source"))
        entry->sourcePosition = positionOf(*n);
    if (r.hostText("source", entry->source) && entry->source.empty())
        r.context().error(entry->sourcePosition, "'source' is empty; expected a folder, file or glob");
    entry->destination = "$PROGRAMFILESFOLDER$";
    if (r.text("destination", entry->destination, {TextUse::Expanded, kPathLength})) {
        while (!entry->destination.empty() && entry->destination.back() == '\\')
            entry->destination.pop_back();
        if (entry->destination.empty())
            r.context().error(positionOf(*r.node("destination")),
                              "'destination' names no folder; expected one such as \"$PROGRAMFILESFOLDER$\\\\bin\"");
    }
    if (const toml::array* exclude = r.array("exclude")) {
        for (const toml::node& n : *exclude) {
            if (!n.is_string())
                r.context().error(positionOf(n), "'exclude': expected a glob string, found " + describeType(n));
            else
                entry->exclude.push_back(n.as_string()->get());
        }
    }
    return entry;
}

// Each element of an array of tables, with its reader named for messages.
// `readOne` answers false when the table's other keys cannot be judged.
template <typename ReadOne>
void forEachTable(TableReader& owner, const char* key, ReadOne readOne)
{
    const toml::array* entries = owner.array(key);
    if (!entries)
        return;
    size_t index = 0;
    for (const toml::node& n : *entries) {
        ++index;
        if (!n.is_table()) {
            owner.context().error(positionOf(n), std::string("'") + key + "' entry " + std::to_string(index) +
                                                     ": expected a table, found " + describeType(n));
            continue;
        }
        TableReader reader(owner.context(), *n.as_table(),
                           std::string("[[") + key + "]] entry " + std::to_string(index));
        if (readOne(reader))
            reader.finish();
    }
}

}  // namespace

void readActionList(TableReader& owner, ManifestList& out)
{
    forEachTable(owner, "files", [&](TableReader& r) {
        ListEntry entry;
        entry.position = r.position();
        entry.files = readFilesEntry(r);
        out.entries.push_back(std::move(entry));
        return true;
    });
    forEachTable(owner, "actions", [&](TableReader& r) {
        r.require("kind", ("an action kind (" + listNames(kActionKindNames) + ")").c_str());
        uint32_t kind = 0;
        if (!r.named("kind", kActionKindNames, kind))
            return false;  // without a kind no other key can be judged
        if (kind == kRegistryValueByType) {
            r.require("type", ("a registry value type (" + listNames(kRegistryValueTypeNames) + ")").c_str());
            if (!r.named("type", kRegistryValueTypeNames, kind))
                return false;
        } else if (kind == RunAction::kKind) {
            r.named("when", kRunMomentNames, kind);
        } else if (kind == CallLibraryAction::kKind) {
            r.named("when", kCallMomentNames, kind);
        }
        ListEntry entry;
        entry.position = r.position();
        if (kind == WriteFileAction::kKind)
            entry.files = readFilesEntry(r);
        else
            entry.action = readAction(r, kind);
        out.entries.push_back(std::move(entry));
        return true;
    });
}
