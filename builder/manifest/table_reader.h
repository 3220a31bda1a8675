// Typed, checked access to the tables of a manifest. Every key a reader asks
// for, present or not, becomes a known key of its table; finish() reports
// the others as unknown, so a misspelt key is an error and not a silently
// ignored line. Wrong types and bad values are reported where they stand.
#pragma once

#include "builder/manifest/diagnostics.h"
#include "builder/manifest/readable_names.h"
#include "builder/manifest/source_text.h"
#include "builder/manifest/toml.h"

#include <stdint.h>

#include <string>
#include <vector>

// What every reader of one manifest shares.
struct ManifestContext {
    const SourceText& source;
    Diagnostics& diagnostics;
    uint32_t codePage;

    void error(SourcePosition at, std::string message) { diagnostics.error(source.path(), at, std::move(message)); }
};

SourcePosition positionOf(const toml::node& node);
SourcePosition positionOf(const toml::key& key);
// "a string", "an integer", ...: what a node is, for "found ..." messages.
std::string describeType(const toml::node& node);

enum class TextUse {
    Stored,    // shown or used exactly as written
    Expanded,  // path variables are expanded where the text is used
};

struct TextRules {
    TextUse use = TextUse::Expanded;
    size_t maxLength = 0;  // characters left after expansion at most; 0: no limit
};

// A string node as a package text: converted to the manifest's code page and,
// for an expanded text, checked against the expander's rules. Errors point
// at the offending character.
bool readText(ManifestContext& context, const toml::node& node, std::string& out, TextRules rules = {});

class TableReader {
public:
    // `where` names the table in messages, e.g. "[product]".
    TableReader(ManifestContext& context, const toml::table& table, std::string where);

    ManifestContext& context() { return context_; }
    const std::string& where() const { return where_; }
    SourcePosition position() const { return positionOf(table_); }

    // The node of a key, or null; the key becomes known either way.
    const toml::node* node(const char* key);
    bool has(const char* key) { return node(key) != nullptr; }

    // Each returns true when the key is present and good. A missing key
    // leaves `out` untouched (the caller's default) and reports nothing; a
    // present key of the wrong type or value is reported.
    bool text(const char* key, std::string& out, TextRules rules = {});
    // A string kept in UTF-8, as written: paths of files on this machine.
    bool hostText(const char* key, std::string& out);
    bool flag(const char* key, bool& out);
    bool number(const char* key, int64_t minimum, int64_t maximum, int64_t& out);
    bool named(const char* key, const NameTable& names, uint32_t& out);
    const toml::table* table(const char* key);
    const toml::array* array(const char* key);

    // Reports a required key that is missing; `expected` says what it holds.
    void require(const char* key, const char* expected);
    // Reports every key of the table that no one asked for.
    void finish();

private:
    bool wrongType(const toml::node& node, const char* key, const char* expected);

    ManifestContext& context_;
    const toml::table& table_;
    std::string where_;
    std::vector<std::string> known_;
};
