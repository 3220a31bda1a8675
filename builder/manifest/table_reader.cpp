#include "builder/manifest/table_reader.h"

#include "builder/assembly/code_page.h"
#include "builder/assembly/path_texts.h"

#include <string.h>

#include <algorithm>

namespace {

// Edits between two names, a swap of neighbours counting as one edit.
size_t editDistance(const std::string& a, const std::string& b)
{
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

// The closest known key when it is close enough to be a slip of the hand.
std::string closestKey(const std::string& key, const std::vector<std::string>& known)
{
    std::string best;
    size_t bestDistance = std::max<size_t>(1, key.size() / 3) + 1;
    for (const std::string& candidate : known) {
        size_t d = editDistance(normalizeName(key), normalizeName(candidate));
        if (d < bestDistance) {
            best = candidate;
            bestDistance = d;
        }
    }
    return best;
}

std::string joined(const std::vector<std::string>& items)
{
    std::string out;
    for (const std::string& item : items)
        out += (out.empty() ? "" : ", ") + item;
    return out;
}

SourcePosition positionOfRegion(const toml::source_region& region)
{
    SourcePosition at;
    at.line = region.begin.line;
    at.column = region.begin.column;
    return at;
}

}  // namespace

SourcePosition positionOf(const toml::node& node)
{
    return positionOfRegion(node.source());
}

SourcePosition positionOf(const toml::key& key)
{
    return positionOfRegion(key.source());
}

std::string describeType(const toml::node& node)
{
    switch (node.type()) {
    case toml::node_type::table: return "a table";
    case toml::node_type::array: return "an array";
    case toml::node_type::string: return "a string";
    case toml::node_type::integer: return "an integer";
    case toml::node_type::floating_point: return "a floating-point number";
    case toml::node_type::boolean: return "a boolean";
    case toml::node_type::date:
    case toml::node_type::time:
    case toml::node_type::date_time: return "a date or time";
    default: return "nothing";
    }
}

bool readText(ManifestContext& context, const toml::node& node, std::string& out, TextRules rules)
{
    SourcePosition at = positionOf(node);
    if (!node.is_string()) {
        context.error(at, "expected a string, found " + describeType(node));
        return false;
    }
    const std::string& utf8 = node.as_string()->get();
    std::string encoded;
    EncodingFailure failure;
    if (!encodeText(utf8, context.codePage, encoded, &failure)) {
        SourcePosition bad = characterPosition(context.source, at, failure.characterIndex);
        if (failure.codePoint == 0)
            context.error(bad, "a package text cannot hold a NUL character");
        else
            context.error(bad, encodingProblem(context.codePage, failure.codePoint,
                                               std::string("; use characters of that code page or declare "
                                                           "another with code_page (") +
                                                   supportedCodePages() + ")"));
        return false;
    }
    if (rules.use == TextUse::Expanded) {
        size_t offset = 0;
        std::string reason;
        if (!textExpands(encoded, offset, reason)) {
            context.error(characterPosition(context.source, at, offset), reason);
            return false;
        }
    }
    if (rules.maxLength && literalLength(encoded) > rules.maxLength) {
        context.error(at, "text too long: " + std::to_string(literalLength(encoded)) + " characters, at most " +
                              std::to_string(rules.maxLength) + " fit where it is used");
        return false;
    }
    out = encoded;
    return true;
}

TableReader::TableReader(ManifestContext& context, const toml::table& table, std::string where)
    : context_(context), table_(table), where_(std::move(where))
{
}

const toml::node* TableReader::node(const char* key)
{
    if (std::find(known_.begin(), known_.end(), key) == known_.end())
        known_.push_back(key);
    return table_.get(key);
}

bool TableReader::wrongType(const toml::node& node, const char* key, const char* expected)
{
    context_.error(positionOf(node), std::string("'") + key + "' in " + where_ + ": expected " + expected + ", found " +
                                         describeType(node));
    return false;
}

bool TableReader::text(const char* key, std::string& out, TextRules rules)
{
    const toml::node* n = node(key);
    if (!n)
        return false;
    if (!n->is_string())
        return wrongType(*n, key, "a string");
    return readText(context_, *n, out, rules);
}

bool TableReader::hostText(const char* key, std::string& out)
{
    const toml::node* n = node(key);
    if (!n)
        return false;
    if (!n->is_string())
        return wrongType(*n, key, "a string");
    out = n->as_string()->get();
    return true;
}

bool TableReader::flag(const char* key, bool& out)
{
    const toml::node* n = node(key);
    if (!n)
        return false;
    if (!n->is_boolean())
        return wrongType(*n, key, "true or false");
    out = n->as_boolean()->get();
    return true;
}

bool TableReader::number(const char* key, int64_t minimum, int64_t maximum, int64_t& out)
{
    const toml::node* n = node(key);
    if (!n)
        return false;
    if (!n->is_integer())
        return wrongType(*n, key, "an integer");
    int64_t value = n->as_integer()->get();
    if (value < minimum || value > maximum) {
        context_.error(positionOf(*n), std::string("'") + key + "' in " + where_ + ": expected an integer from " +
                                           std::to_string(minimum) + " to " + std::to_string(maximum) + ", found " +
                                           std::to_string(value));
        return false;
    }
    out = value;
    return true;
}

bool TableReader::named(const char* key, const NameTable& names, uint32_t& out)
{
    const toml::node* n = node(key);
    if (!n)
        return false;
    bool vowel = strchr("aeiou", names.what[0]) != nullptr;
    std::string expected = std::string(vowel ? "an " : "a ") + names.what + " (" + listNames(names) + ")";
    if (!n->is_string())
        return wrongType(*n, key, expected.c_str());
    if (!lookupName(names, n->as_string()->get(), out)) {
        context_.error(positionOf(*n), "unknown " + std::string(names.what) + " '" + n->as_string()->get() +
                                           "'; expected one of: " + listNames(names));
        return false;
    }
    return true;
}

const toml::table* TableReader::table(const char* key)
{
    const toml::node* n = node(key);
    if (!n)
        return nullptr;
    if (!n->is_table()) {
        wrongType(*n, key, "a table");
        return nullptr;
    }
    return n->as_table();
}

const toml::array* TableReader::array(const char* key)
{
    const toml::node* n = node(key);
    if (!n)
        return nullptr;
    if (!n->is_array()) {
        wrongType(*n, key, "an array");
        return nullptr;
    }
    return n->as_array();
}

void TableReader::require(const char* key, const char* expected)
{
    if (!node(key))
        context_.error(position(), std::string("missing key '") + key + "' in " + where_ + "; expected " + expected);
}

void TableReader::finish()
{
    for (auto&& [key, value] : table_) {
        (void)value;
        std::string name(key.str());
        if (std::find(known_.begin(), known_.end(), name) != known_.end())
            continue;
        std::string message = "unknown key '" + name + "' in " + where_;
        std::string suggestion = closestKey(name, known_);
        if (!suggestion.empty())
            message += "; did you mean '" + suggestion + "'? Expected one of: ";
        else
            message += "; expected one of: ";
        message += joined(known_);
        context_.error(positionOf(key), message);
    }
}
