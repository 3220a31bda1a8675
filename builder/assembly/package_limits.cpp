#include "builder/assembly/package_limits.h"

#include "format/byte_cursor.h"

#include <stdio.h>

#include <string_view>
#include <unordered_set>

namespace {

// The most distinct strings a block held for the readers of old.
constexpr uint32_t kMaxPoolItems = 16384;

std::string mebibytes(uint64_t bytes)
{
    char text[32];
    snprintf(text, sizeof text, "%.1f MiB", double(bytes) / (1024.0 * 1024.0));
    return text;
}

// Collects the distinct items of a block's pool, as the ByteSink would
// store them: equal byte runs once.
class PoolCounter : public FieldVisitor {
public:
    std::unordered_set<std::string_view> all;
    std::unordered_set<std::string_view> others;  // everything but packaged files
    bool inFile = false;

    void add(const Bytes& value)
    {
        std::string_view item(reinterpret_cast<const char*>(value.data()), value.size());
        all.insert(item);
        if (!inFile)
            others.insert(item);
    }
    void text(const char*, const Bytes& value) override { add(value); }
    void blob(const char*, const Bytes& value) override { add(value); }
    void number(const char*, uint32_t, NumberForm) override {}
};

}  // namespace

uint64_t installPeakMemory(uint64_t decodedBlock1, uint64_t dictionary)
{
    return 2 * decodedBlock1 + (dictionary < decodedBlock1 ? dictionary : decodedBlock1);
}

std::string installMemoryProblem(uint64_t decodedBlock1, uint64_t dictionary, const char* what)
{
    uint64_t peak = installPeakMemory(decodedBlock1, dictionary);
    if (peak <= kInstallMemoryLimit)
        return std::string();
    return std::string("the package is too large to install: ") + what + " " + mebibytes(decodedBlock1) +
           ", and installing holds about twice that plus the dictionary (" + mebibytes(peak) + "), more than the " +
           mebibytes(kInstallMemoryLimit) +
           " a 32-bit installer can count on; split the product into several installers";
}

bool checkStringPool(const ActionScript& script, const ListOrigins& mainOrigins,
                     const std::vector<ListOrigins>& componentOrigins,
                     const std::vector<SourcePosition>& componentPlaces, const std::string& manifestPath,
                     Diagnostics& diagnostics)
{
    PoolCounter counter;
    SourcePosition overflow;
    bool overflowed = false;
    uint32_t files = 0;
    auto note = [&](SourcePosition at) {
        if (!overflowed && counter.all.size() > kMaxPoolItems) {
            overflowed = true;
            overflow = at;
        }
    };
    auto countList = [&](const ActionList& list, const ListOrigins& origins) {
        for (uint32_t i = 0; i < list.actions.count(); ++i) {
            Action* action = list.actions[i];
            counter.inFile = action->kind() == WriteFileAction::kKind;
            files += counter.inFile ? 1 : 0;
            action->describe(counter);
            counter.inFile = false;
            note(i < origins.actions.size() ? origins.actions[i] : SourcePosition());
        }
    };
    countList(script.mainActions, mainOrigins);
    for (uint32_t c = 0; c < script.components.count(); ++c) {
        const Component& component = *script.components[c];
        counter.add(component.name);
        counter.add(component.description);
        note(c < componentPlaces.size() ? componentPlaces[c] : SourcePosition());
        countList(component.actions, c < componentOrigins.size() ? componentOrigins[c] : ListOrigins());
    }
    forEachByteField(static_cast<const ActionScriptTexts&>(script), [&](const char*, const Bytes& text) {
        counter.add(text);
        note(SourcePosition());
    });
    if (!overflowed)
        return true;
    size_t others = counter.others.size();
    size_t fit = others < kMaxPoolItems ? (kMaxPoolItems - others) / 2 : 0;
    if (fit == 0) {
        // The manifest's own texts leave no room for a single file: they
        // are what overflows, so the message names them and their number.
        std::string filesToo =
            files == 0 ? std::string() : ", before its " + std::to_string(files) + " files take two each";
        diagnostics.error(manifestPath, overflow,
                          "too many texts for one package: a package block holds at most " +
                              std::to_string(kMaxPoolItems) +
                              " distinct strings, and the texts of this manifest other than its files (component "
                              "names and descriptions, paths, registry keys and values, wizard texts) make " +
                              std::to_string(others) + " by themselves" + filesToo +
                              ". Split the product into several installers or give it fewer components and actions");
        return false;
    }
    diagnostics.error(manifestPath, overflow,
                      "too many files for one package: block 1 would hold " + std::to_string(counter.all.size()) +
                          " distinct strings, and a package block holds at most " + std::to_string(kMaxPoolItems) +
                          " (each packaged file takes two: its path and its contents). Beside the " +
                          std::to_string(others) + " other texts of this manifest about " + std::to_string(fit) +
                          " files fit; it has " + std::to_string(files) +
                          ". Split the product into several installers or pack files into archives");
    return false;
}
