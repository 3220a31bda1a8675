#include "builder/manifest/manifest.h"

#include "builder/assembly/code_page.h"
#include "builder/assembly/file_system.h"
#include "builder/assembly/path_texts.h"
#include "builder/manifest/action_reader.h"
#include "builder/manifest/manifest_shape.h"
#include "builder/manifest/readable_names.h"
#include "builder/manifest/table_reader.h"
#include "builder/manifest/text_fields.h"
#include "format/field_limits.h"
#include "format/file_names.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

namespace {

// The uninstaller's path and the uninstall entry are expanded into these.
constexpr size_t kPathLength = 260;
constexpr size_t kKeyNameLength = kRegistryNameSize - 1;
constexpr size_t kValueLength = 2047;

struct Pair {
    std::string name;
    std::string value;
};

std::string folderOf(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

// A folder name made from the product's name: forbidden characters and
// backslashes left out, no trailing blanks or dots (Windows drops them).
std::string folderNameFrom(const std::string& name)
{
    std::string out;
    for (char c : name) {
        if (!isForbiddenInName(uint8_t(c)))
            out += c;
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    while (!out.empty() && out.front() == ' ')
        out.erase(out.begin());
    return out.empty() ? "Product" : out;
}

std::string joinList(const std::vector<std::string>& names)
{
    std::string out;
    for (const std::string& name : names)
        out.append(name.c_str(), name.size() + 1);
    out += '\0';
    return out;
}

std::string joinPairs(const std::vector<Pair>& pairs)
{
    std::string out;
    for (const Pair& p : pairs) {
        out.append(p.name.c_str(), p.name.size() + 1);
        out.append(p.value.c_str(), p.value.size() + 1);
    }
    out += '\0';
    return out;
}

void setText(Bytes& field, const std::string& text)
{
    field.assign(text.c_str(), text.size() + 1);
}

void setRaw(Bytes& field, const std::string& bytes)
{
    field.assign(bytes.data(), bytes.size());
}

bool equalIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (tolower(uint8_t(a[i])) != tolower(uint8_t(b[i])))
            return false;
    }
    return true;
}

class ManifestReader {
public:
    ManifestReader(ManifestContext& context, Manifest& manifest) : c_(context), m_(manifest) {}

    void read(const toml::table& root)
    {
        TableReader top(c_, root, "the manifest's top level");
        readCodePage(top);
        uint32_t outsideLinks = 0;
        top.named("outside_links", kOutsideLinkNames, outsideLinks);
        m_.refuseOutsideLinks = outsideLinks == 1;
        readProduct(top);
        readInstall(top);
        readWizard(top);
        readTexts(top);
        readUninstall(top);
        readInfoSwitches(top);
        readActionList(top, m_.mainList);
        readComponents(top);
        top.finish();
    }

private:
    void readCodePage(TableReader& top)
    {
        const toml::node* n = top.node("code_page");
        m_.codePage = kDefaultCodePage;
        if (!n)
            return;
        int64_t page = -1;
        if (n->is_integer()) {
            page = n->as_integer()->get();
        } else if (n->is_string()) {
            std::string name = normalizeName(n->as_string()->get());
            for (const char* prefix : {"windows_", "cp"}) {
                if (name.compare(0, strlen(prefix), prefix) == 0)
                    name = name.substr(strlen(prefix));
            }
            if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos && name.size() < 6)
                page = atoi(name.c_str());
        }
        if (page < 0 || !isSupportedCodePage(uint32_t(page))) {
            c_.error(positionOf(*n), "'code_page': expected one of the code pages " +
                                         std::string(supportedCodePages()) + " (or \"windows-1252\"), found " +
                                         (n->is_string()    ? "\"" + n->as_string()->get() + "\""
                                          : n->is_integer() ? std::to_string(n->as_integer()->get())
                                                            : describeType(*n)));
            return;
        }
        m_.codePage = uint32_t(page);
        c_.codePage = m_.codePage;
    }

    void readProduct(TableReader& top)
    {
        const toml::table* table = top.table("product");
        if (!table) {
            if (!top.has("product"))
                c_.error(top.position(),
                         "missing table [product]; expected name, version and publisher of the product");
            return;
        }
        TableReader r(c_, *table, "[product]");
        const TextRules stored{TextUse::Stored, 0};
        const char* expected = "a string";
        r.require("name", expected);
        r.require("version", expected);
        r.require("publisher", expected);
        if (r.text("name", product_.name, stored) && product_.name.empty())
            c_.error(positionOf(*r.node("name")), "'name' in [product] is empty; expected the product's name");
        r.text("version", product_.version, stored);
        r.text("publisher", product_.publisher, stored);
        if (r.text("program", program_, stored)) {
            if (program_.empty() || program_[0] == '\\' || program_.find(':') != std::string::npos)
                c_.error(positionOf(*r.node("program")),
                         "'program' in [product]: expected the main program's path inside the install folder, "
                         "such as \"bin\\\\hello.exe\"");
        }
        r.text("url", url_, stored);
        r.finish();
    }

    // A folder or group name that the stub uses as stored: no variables,
    // no drive, no characters Windows refuses in names.
    void checkFolderName(const toml::node& n, const std::string& name, const char* key)
    {
        for (size_t i = 0; i < name.size(); ++i) {
            if (name[i] != '\\' && isForbiddenInName(uint8_t(name[i]))) {
                c_.error(characterPosition(c_.source, positionOf(n), i),
                         std::string("'") + key + "' cannot hold the character '" + std::string(1, name[i]) +
                             "'; expected a folder name such as \"Vendor\\\\Product\"");
                return;
            }
        }
        if (name.empty() || name.front() == '\\' || name.back() == '\\')
            c_.error(positionOf(n), std::string("'") + key +
                                        "': expected a folder name such as \"Vendor\\\\Product\", without a "
                                        "leading or trailing backslash");
    }

    void readInstall(TableReader& top)
    {
        std::string folder = folderNameFrom(product_.name);
        std::string group = folder;
        const toml::table* table = top.table("install");
        if (table) {
            TableReader r(c_, *table, "[install]");
            const TextRules stored{TextUse::Stored, kPathLength};
            if (r.text("folder", folder, stored))
                checkFolderName(*r.node("folder"), folder, "folder");
            if (r.text("program_group", group, stored))
                checkFolderName(*r.node("program_group"), group, "program_group");
            readPageFlags(r, m_.mainList);
            bool allowDowngrade = false;
            if (r.flag("allow_downgrade", allowDowngrade) && allowDowngrade)
                m_.upgradeRules |= kUpgradeAllowDowngrade;
            r.finish();
        }
        setText(m_.installScript.defaultFolder, folder);
        setText(m_.installScript.defaultProgramGroup, group);
    }

    void readWizard(TableReader& top)
    {
        const toml::table* table = top.table("wizard");
        if (!table)
            return;
        TableReader r(c_, *table, "[wizard]");
        readFileReference(r, "banner", m_.banner);
        readFileReference(r, "license", m_.license);
        r.finish();
    }

    void readFileReference(TableReader& r, const char* key, FileReference& out)
    {
        if (r.hostText(key, out.path)) {
            out.position = positionOf(*r.node(key));
            if (out.path.empty())
                c_.error(out.position, std::string("'") + key + "' is empty; expected a file name");
        }
    }

    void readTexts(TableReader& top)
    {
        const toml::table* table = top.table("texts");
        TableReader* r = nullptr;
        TableReader reader(c_, table ? *table : emptyTable_, "[texts]");
        if (table)
            r = &reader;
        for (size_t i = 0; i < kTextFieldCount; ++i) {
            const TextField& field = kTextFields[i];
            std::string text = defaultText(field, product_);
            if (r)
                r->text(field.key, text, {TextUse::Expanded, field.maxLength});
            setText(textOf(field, m_.installScript, m_.actionTexts), text);
        }
        if (r)
            r->finish();
    }

    void readUninstall(TableReader& top)
    {
        std::string key = escapeDollars(folderNameFrom(product_.name));
        std::vector<std::string> keys;
        std::string uninstaller = "$PROGRAMFILESFOLDER$\\uninstall.exe";
        std::vector<Pair> values;
        const toml::table* table = top.table("uninstall");
        TableReader reader(c_, table ? *table : emptyTable_, "[uninstall]");
        const toml::table* valueTable = nullptr;
        if (table) {
            if (reader.text("key", key, {TextUse::Expanded, kKeyNameLength}))
                checkKeyName(*reader.node("key"), key);
            if (const toml::array* earlier = reader.array("earlier_keys")) {
                for (const toml::node& n : *earlier) {
                    std::string name;
                    if (readText(c_, n, name, {TextUse::Expanded, kKeyNameLength}))
                        checkKeyName(n, name), keys.push_back(name);
                }
            }
            reader.text("uninstaller", uninstaller, {TextUse::Expanded, kPathLength});
            valueTable = reader.table("values");
            reader.finish();
        }
        keys.insert(keys.begin(), key);
        uninstallKey_ = key;

        auto add = [&](const char* name, const std::string& value) { values.push_back(Pair{name, value}); };
        add("DisplayName", escapeDollars(product_.name));
        add("DisplayVersion", escapeDollars(product_.version));
        add("Publisher", escapeDollars(product_.publisher));
        if (!program_.empty())
            add("DisplayIcon", "$PROGRAMFILESFOLDER$\\" + escapeDollars(program_));
        else if (!uninstaller.empty())
            add("DisplayIcon", uninstaller);
        if (!url_.empty())
            add("URLInfoAbout", escapeDollars(url_));
        if (valueTable)
            mergePairs(*valueTable, "[uninstall.values]", values, {TextUse::Expanded, kValueLength}, true);

        setText(m_.actionTexts.uninstallerPath, uninstaller);
        setRaw(m_.actionTexts.uninstallKeyName, joinList(keys));
        setRaw(m_.actionTexts.uninstallValues, joinPairs(values));
    }

    // A key name of the Uninstall key: one name, not a path below it.
    void checkKeyName(const toml::node& n, const std::string& name)
    {
        size_t slash = name.find('\\');
        if (slash != std::string::npos)
            c_.error(characterPosition(c_.source, positionOf(n), slash),
                     "an uninstall key is one name below the Uninstall key and cannot hold a backslash");
        else if (name.empty())
            c_.error(positionOf(n), "an uninstall key name cannot be empty");
    }

    void readInfoSwitches(TableReader& top)
    {
        std::vector<Pair> switches;
        switches.push_back(Pair{"-version", product_.version});
        switches.push_back(Pair{"-subject", product_.name});
        std::string plainKey;
        if (unescapeDollars(uninstallKey_, plainKey))
            switches.push_back(Pair{"-uninstallregistrykeyname", plainKey});
        if (!program_.empty()) {
            size_t slash = program_.find_last_of('\\');
            switches.push_back(
                Pair{"-frontendfilename", slash == std::string::npos ? program_ : program_.substr(slash + 1)});
        }
        if (const toml::table* table = top.table("info_switches"))
            mergePairs(*table, "[info_switches]", switches, {TextUse::Stored, 0}, false);
        setRaw(m_.installScript.infoSwitches, joinPairs(switches));
    }

    // Merges a table of name = text (or name = false, which drops a
    // default) over `pairs`, in the order the table is written: a name set
    // again replaces its default in place, a new name is added at the end.
    void mergePairs(const toml::table& table, const char* where, std::vector<Pair>& pairs, TextRules rules,
                    bool namesIgnoreCase)
    {
        std::vector<std::pair<const toml::key*, const toml::node*>> entries;
        for (auto&& [key, node] : table)
            entries.emplace_back(&key, &node);
        std::sort(entries.begin(), entries.end(),
                  [](const auto& a, const auto& b) { return positionOf(*a.first) < positionOf(*b.first); });
        for (auto& [key, node] : entries) {
            std::string name;
            EncodingFailure failure;
            if (!encodeText(std::string(key->str()), c_.codePage, name, &failure)) {
                c_.error(characterPosition(c_.source, positionOf(*key), failure.characterIndex),
                         encodingProblem(c_.codePage, failure.codePoint));
                continue;
            }
            if (name.empty()) {
                c_.error(positionOf(*key),
                         std::string("an empty name in ") + where + " would end the list; expected a name");
                continue;
            }
            auto same = [&](const Pair& p) {
                return namesIgnoreCase ? equalIgnoringCase(p.name, name) : p.name == name;
            };
            auto existing = std::find_if(pairs.begin(), pairs.end(), same);
            if (node->is_boolean()) {
                if (node->as_boolean()->get())
                    c_.error(positionOf(*node), "'" + std::string(key->str()) + "' in " + where +
                                                    ": expected a string, or false to leave the entry out");
                else if (existing != pairs.end())
                    pairs.erase(existing);
                continue;
            }
            std::string value;
            if (!node->is_string()) {
                c_.error(positionOf(*node), "'" + std::string(key->str()) + "' in " + where +
                                                ": expected a string, or false to leave the entry out, found " +
                                                describeType(*node));
                continue;
            }
            if (!readText(c_, *node, value, rules))
                continue;
            if (existing != pairs.end())
                existing->value = value;
            else
                pairs.push_back(Pair{name, value});
        }
    }

    void readPageFlags(TableReader& r, ManifestList& list)
    {
        const toml::node* n = r.node("page_flags");
        if (!n)
            return;
        std::string expected = "an array of page flags (" + listNames(kPageFlagNames) + ")";
        if (!n->is_array()) {
            c_.error(positionOf(*n), "'page_flags': expected " + expected + ", found " + describeType(*n));
            return;
        }
        uint32_t flags = 0;
        for (const toml::node& item : *n->as_array()) {
            uint32_t flag = 0;
            if (!item.is_string() || !lookupName(kPageFlagNames, item.as_string()->get(), flag)) {
                c_.error(positionOf(item),
                         "'page_flags': expected one of " + listNames(kPageFlagNames) + ", found " +
                             (item.is_string() ? "'" + item.as_string()->get() + "'" : describeType(item)));
                continue;
            }
            flags |= flag;
        }
        list.pageFlagsGiven = true;
        list.pageFlags = flags;
    }

    // A mask: a version class or group, an array of them, or true (all)
    // and false (none).
    bool readMask(TableReader& r, const char* key, uint32_t& mask)
    {
        const toml::node* n = r.node(key);
        if (!n)
            return false;
        std::string expected =
            "a Windows version class or an array of them (" + listNames(kWindowsVersionNames) + "), or true or false";
        if (n->is_boolean()) {
            mask = n->as_boolean()->get() ? kOsClassesAll : 0;
            return true;
        }
        uint32_t result = 0;
        bool good = true;
        auto one = [&](const toml::node& item) {
            uint32_t bits = 0;
            if (!item.is_string()) {
                c_.error(positionOf(item),
                         std::string("'") + key + "': expected " + expected + ", found " + describeType(item));
                good = false;
            } else if (!lookupName(kWindowsVersionNames, item.as_string()->get(), bits)) {
                c_.error(positionOf(item), std::string("'") + key + "': unknown Windows version class '" +
                                               item.as_string()->get() +
                                               "'; expected one of: " + listNames(kWindowsVersionNames));
                good = false;
            }
            result |= bits;
        };
        if (n->is_array()) {
            for (const toml::node& item : *n->as_array())
                one(item);
        } else {
            one(*n);
        }
        if (good)
            mask = result;
        return good;
    }

    void readComponents(TableReader& top)
    {
        const toml::array* array = top.array("components");
        if (!array)
            return;
        size_t index = 0;
        for (const toml::node& n : *array) {
            ++index;
            if (!n.is_table()) {
                c_.error(positionOf(n), "'components' entry " + std::to_string(index) + ": expected a table, found " +
                                            describeType(n));
                continue;
            }
            TableReader r(c_, *n.as_table(), "[[components]] entry " + std::to_string(index));
            ManifestComponent component;
            component.position = r.position();
            r.require("name", "the component's name as the wizard lists it");
            if (r.text("name", component.name, {TextUse::Stored, 0}) && component.name.empty())
                c_.error(positionOf(*r.node("name")), "a component's name cannot be empty");
            r.text("description", component.description);
            r.named("placement", kPlacementNames, component.placement);
            struct MaskKeys {
                const char* key;
                const char* key64;
                uint32_t* mask;
            } masks[] = {{"offered", "offered_64", component.offeredMask},
                         {"changeable", "changeable_64", component.changeableMask},
                         {"selected", "selected_64", component.defaultMask}};
            for (MaskKeys& m : masks) {
                if (readMask(r, m.key, m.mask[0]))
                    m.mask[1] = m.mask[0];
                readMask(r, m.key64, m.mask[1]);
            }
            readPageFlags(r, component.list);
            readActionList(r, component.list);
            r.finish();
            m_.components.push_back(std::move(component));
        }
    }

    ManifestContext& c_;
    Manifest& m_;
    ProductFacts product_;
    std::string program_;
    std::string url_;
    std::string uninstallKey_;
    toml::table emptyTable_;
};

}  // namespace

bool readManifestText(const std::string& path, const std::string& text, Manifest& out, Diagnostics& diagnostics)
{
    size_t before = diagnostics.count();
    out.path = path;
    out.folder = folderOf(path);
    if (!checkManifestShape(path, text, diagnostics))
        return false;
    SourceText source(path, text);
    toml::parse_result parsed = toml::parse(std::string_view(text), std::string_view(path));
    if (!parsed) {
        const toml::parse_error& error = parsed.error();
        SourcePosition at;
        at.line = error.source().begin.line;
        at.column = error.source().begin.column;
        diagnostics.error(path, at, "not valid TOML: " + std::string(error.description()));
        return false;
    }
    ManifestContext context{source, diagnostics, kDefaultCodePage};
    ManifestReader(context, out).read(parsed.table());
    return diagnostics.count() == before;
}

bool readManifest(const std::string& path, Manifest& out, Diagnostics& diagnostics)
{
    Bytes bytes;
    std::string problem;
    if (!readFileBytes(path, bytes, problem)) {
        diagnostics.error(path, SourcePosition(), "cannot read the manifest: " + problem);
        return false;
    }
    return readManifestText(path, std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()), out,
                            diagnostics);
}
