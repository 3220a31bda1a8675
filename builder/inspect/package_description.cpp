#include "builder/inspect/package_description.h"

#include "format/lzma_stream.h"
#include "builder/sha256.h"
#include "builder/windows1252.h"
#include "format/registry_roots.h"

#include <stdio.h>

#include <vector>

namespace {

using Hex = ReportNode::NumberStyle;

const char* registryRootName(uint32_t root)
{
    const RegistryRootNames* names = namesOfRegistryRoot(root);
    return names ? names->longName : nullptr;
}

// Spelled as a manifest spells it.
const char* placementName(uint32_t placement)
{
    const char* name = nameOfCode(kNamedPlacements, placement);
    return name ? name : "unknown";
}

// Collects a record's fields, as its `fields` list names them, into an object:
// an action's or undo entry's through FieldVisitor, a script's directly.
class FieldCollector final : public FieldVisitor {
public:
    explicit FieldCollector(ReportNode& node, const PayloadDigests* digests = nullptr) : node_(node), digests_(digests)
    {
    }

    void text(const char* name, const Bytes& value) override { node_.add(name, describeText(value)); }
    void blob(const char* name, const Bytes& value) override { node_.add(name, describeBlob(value)); }
    // Contents left in the package: described as held ones are, by the
    // digest taken when the package was loaded.
    void payload(const char* name, const Bytes& value, const PayloadRef& ref) override
    {
        const ItemDigest* digest = digests_ ? findDigest(*digests_, ref.item) : nullptr;
        node_.add(name, digest ? describeDigest(*digest) : describeBlob(value));
    }
    void number(const char* name, uint32_t value, NumberForm form) override
    {
        node_.add(name, ReportNode::number(value, form == NumberForm::Decimal ? Hex::Decimal : Hex::Hex));
        if (form == NumberForm::RegistryRoot) {
            const char* rootName = registryRootName(value);
            node_.add("rootName", rootName ? ReportNode::text(rootName) : ReportNode::null());
        }
    }
    void textList(const char* name, const Bytes& value) { node_.add(name, describeTextList(value)); }
    void textPairs(const char* name, const Bytes& value, const char* first, const char* second)
    {
        node_.add(name, describeTextPairs(value, first, second));
    }
    void banner(const char* name, const Bytes& info, const Bytes& bits) { node_.add(name, describeBanner(info, bits)); }

private:
    ReportNode& node_;
    const PayloadDigests* digests_;
};

template <typename Record>
ReportNode describeFields(const Record& record)
{
    ReportNode node = ReportNode::object();
    FieldCollector collector(node);
    Record::fields(record, collector);
    return node;
}

// Splits a list item into its NUL-terminated texts, up to the empty one that
// ends it or the item's end, whichever comes first.
std::vector<std::string> splitTextList(const Bytes& list)
{
    std::vector<std::string> items;
    const char* p = reinterpret_cast<const char*>(list.data());
    size_t length = list.size();
    size_t start = 0;
    while (start < length && p[start] != '\0') {
        size_t end = start;
        while (end < length && p[end] != '\0')
            ++end;
        items.emplace_back(p + start, end - start);
        start = end + 1;
    }
    return items;
}

ReportNode describeActionList(const ActionList& list, const PayloadDigests& digests)
{
    ReportNode node = ReportNode::object();
    node.add("pageFlags", ReportNode::number(list.pageFlags));
    ReportNode& actions = node.add("actions", ReportNode::list());
    for (const Action* action : list.actions)
        actions.append(describeAction(*action, &digests));
    return node;
}

ReportNode maskPair(const uint32_t mask[2])
{
    ReportNode node = ReportNode::object();
    node.add("windows32", ReportNode::number(mask[0], Hex::Hex));
    node.add("windows64", ReportNode::number(mask[1], Hex::Hex));
    return node;
}

// Grouped for reading (the masks of both systems side by side), so not in
// the order of Component::fields.
ReportNode describeComponent(const Component& component, const PayloadDigests& digests)
{
    ReportNode node = ReportNode::object();
    node.add("name", describeText(component.name));
    node.add("description", describeText(component.description));
    node.add("placement", ReportNode::number(component.placement));
    node.add("placementName", ReportNode::text(placementName(component.placement)));
    node.add("offeredMask", maskPair(component.offeredMask));
    node.add("changeableMask", maskPair(component.changeableMask));
    node.add("defaultMask", maskPair(component.defaultMask));
    node.add("pageFlags", ReportNode::number(component.actions.pageFlags));
    ReportNode& actions = node.add("actions", ReportNode::list());
    for (const Action* action : component.actions.actions)
        actions.append(describeAction(*action, &digests));
    return node;
}

ReportNode describeUninstallScript(const UninstallScript& script)
{
    ReportNode node = describeFields(script);
    ReportNode& log = node.add("undoLog", ReportNode::list());
    for (const UndoEntry* entry = script.undoLog.first(); entry; entry = entry->next)
        log.append(describeUndoEntry(*entry));
    return node;
}

ReportNode describeLzmaProperties(const uint8_t properties[5])
{
    ReportNode node = ReportNode::object();
    node.add("propertiesByte", ReportNode::number(properties[0], Hex::Hex));
    LzmaProperties parsed;
    if (parseLzmaProperties(properties, parsed)) {
        node.add("lc", ReportNode::number(parsed.lc));
        node.add("lp", ReportNode::number(parsed.lp));
        node.add("pb", ReportNode::number(parsed.pb));
    }
    node.add("dictionarySize", ReportNode::number(loadU32(properties + 1)));
    return node;
}

ReportNode describeBlock(const BlockFacts& block, const char* content)
{
    ReportNode node = ReportNode::object();
    node.add("content", ReportNode::text(content));
    node.add("offset", ReportNode::number(block.offset));
    node.add("csize", ReportNode::number(block.csize));
    node.add("usize", ReportNode::number(block.usize));
    node.add("lzma", describeLzmaProperties(block.properties));
    node.add("recordStreamLength", ReportNode::number(block.recordStreamLength));
    node.add("poolItems", ReportNode::number(block.poolItems));
    node.add("bytesBehindPool", ReportNode::number(block.bytesBehindPool));
    return node;
}

ReportNode describeContainer(const LoadedPackage& package)
{
    const ContainerFacts& facts = package.container;
    ReportNode node = ReportNode::object();
    node.add("fileSize", ReportNode::number(facts.fileSize));
    node.add("stubSize", ReportNode::number(facts.stubSize));
    node.add("packageLength", ReportNode::number(facts.packageLength));
    node.add("trailerOffset", ReportNode::number(facts.trailerOffset));
    node.add("signed", ReportNode::boolean(facts.certificateOffset != 0));
    node.add("certificateOffset",
             facts.certificateOffset ? ReportNode::number(facts.certificateOffset) : ReportNode::null());
    node.add("bytesBehindTrailer", ReportNode::number(facts.fileSize - facts.trailerOffset - 4));
    if (package.kind == PackageKind::Install)
        node.add("fillerBytes", ReportNode::number(facts.fillerBytes));
    else
        node.add("bodySize", ReportNode::number(facts.packageLength - 4));
    return node;
}

}  // namespace

ReportNode describeText(const Bytes& text)
{
    size_t length = text.size();
    // The stored NUL ends the text; it is not part of what is shown.
    if (length && text.data()[length - 1] == '\0')
        --length;
    return ReportNode::text(windows1252ToUtf8(text.data(), length));
}

ReportNode describeTextList(const Bytes& list)
{
    ReportNode node = ReportNode::list();
    for (const std::string& item : splitTextList(list))
        node.append(ReportNode::text(windows1252ToUtf8(item)));
    return node;
}

ReportNode describeTextPairs(const Bytes& pairs, const char* firstName, const char* secondName)
{
    ReportNode node = ReportNode::list();
    std::vector<std::string> items = splitTextList(pairs);
    // A list whose last first has no second (a table cut short) shows it with
    // an empty one rather than dropping it.
    for (size_t i = 0; i < items.size(); i += 2) {
        ReportNode& pair = node.append(ReportNode::object());
        pair.add(firstName, ReportNode::text(windows1252ToUtf8(items[i])));
        pair.add(secondName, ReportNode::text(i + 1 < items.size() ? windows1252ToUtf8(items[i + 1]) : ""));
    }
    return node;
}

ReportNode describeBlob(const Bytes& blob)
{
    ReportNode node = ReportNode::object();
    node.add("size", ReportNode::number(blob.size()));
    node.add("sha256", ReportNode::text(sha256Hex(blob.data(), blob.size())));
    return node;
}

ReportNode describeDigest(const ItemDigest& digest)
{
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t byte : digest.sha256) {
        hex += kHex[byte >> 4];
        hex += kHex[byte & 15];
    }
    ReportNode node = ReportNode::object();
    node.add("size", ReportNode::number(digest.size));
    node.add("sha256", ReportNode::text(hex));
    return node;
}

ReportNode describeBanner(const Bytes& info, const Bytes& bits)
{
    ReportNode node = ReportNode::object();
    node.add("infoSize", ReportNode::number(info.size()));
    node.add("bitsSize", ReportNode::number(bits.size()));
    constexpr size_t kHeaderSize = 40;
    if (info.size() >= kHeaderSize) {
        const uint8_t* h = info.data();
        int32_t width = int32_t(loadU32(h + 4));
        int32_t height = int32_t(loadU32(h + 8));
        node.add("width", ReportNode::number(uint64_t(width < 0 ? -int64_t(width) : width)));
        node.add("height", ReportNode::number(uint64_t(height < 0 ? -int64_t(height) : height)));
        node.add("topDown", ReportNode::boolean(height < 0));
        node.add("bitsPerPixel", ReportNode::number(loadU16(h + 14)));
        node.add("colours", ReportNode::number(loadU32(h + 32)));
    }
    node.add("complete", ReportNode::boolean(bannerIsComplete(info.data(), info.size(), bits.size())));
    return node;
}

ReportNode describeFileTime(uint64_t fileTime)
{
    if (fileTime == 0)
        return ReportNode::null();
    // 100-nanosecond ticks since 1601-01-01, a proleptic Gregorian date.
    uint64_t ticks = fileTime % 10000000;
    uint64_t seconds = fileTime / 10000000;
    uint64_t days = seconds / 86400;
    uint64_t daySeconds = seconds % 86400;
    // Days since 0000-03-01 (a year starting in March puts the leap day last).
    int64_t z = int64_t(days) + 584694;  // 1601-01-01 is day 584694 of that count
    int64_t era = z / 146097;
    int64_t dayOfEra = z - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    char buffer[48];
    snprintf(buffer, sizeof buffer, "%04lld-%02lld-%02lldT%02u:%02u:%02u.%07uZ", (long long)year, (long long)month,
             (long long)day, unsigned(daySeconds / 3600), unsigned(daySeconds / 60 % 60), unsigned(daySeconds % 60),
             unsigned(ticks));
    return ReportNode::text(buffer);
}

ReportNode describeAction(const Action& action, const PayloadDigests* digests)
{
    ReportNode node = ReportNode::object();
    node.add("kind", ReportNode::text(action.className()));
    node.add("code", ReportNode::number(action.kind()));
    node.add("stage", ReportNode::number(action.stage()));
    FieldCollector collector(node, digests);
    action.describe(collector);
    if (action.kind() == WriteFileAction::kKind) {
        const WriteFileAction& write = static_cast<const WriteFileAction&>(action);
        node.add("modified", describeFileTime(uint64_t(write.timeHigh) << 32 | write.timeLow));
        char version[48];
        snprintf(version, sizeof version, "%u.%u.%u.%u", write.versionHigh >> 16, write.versionHigh & 0xFFFF,
                 write.versionLow >> 16, write.versionLow & 0xFFFF);
        node.add("version", ReportNode::text(version));
    }
    return node;
}

ReportNode describeUndoEntry(const UndoEntry& entry)
{
    ReportNode node = ReportNode::object();
    node.add("kind", ReportNode::text(entry.className()));
    node.add("code", ReportNode::number(entry.kind()));
    node.add("reversal", ReportNode::boolean(entry.isReversal()));
    FieldCollector collector(node);
    entry.describe(collector);
    return node;
}

ReportNode describePackage(const LoadedPackage& package, const std::string& fileName)
{
    ReportNode root = ReportNode::object();
    root.add("file", ReportNode::text(fileName));
    bool install = package.kind == PackageKind::Install;
    root.add("package", ReportNode::text(install ? "install" : "uninstall"));
    root.add("container", describeContainer(package));
    if (install) {
        ReportNode& blocks = root.add("blocks", ReportNode::list());
        blocks.append(describeBlock(package.blocks[0], "installScript"));
        blocks.append(describeBlock(package.blocks[1], "actionScript"));
        root.add("installScript", describeFields(package.installScript));
        const ActionScript& script = package.actionScript;
        ReportNode& actions = root.add("actionScript", ReportNode::object());
        actions.add("mainActions", describeActionList(script.mainActions, package.payloads));
        ReportNode& components = actions.add("components", ReportNode::list());
        for (const Component* component : script.components)
            components.append(describeComponent(*component, package.payloads));
        actions.add("texts", describeFields(static_cast<const ActionScriptTexts&>(script)));
        actions.add("upgradeRules", ReportNode::number(script.upgradeRules));
    } else {
        root.add("uninstallScript", describeUninstallScript(package.uninstallScript));
    }
    return root;
}
