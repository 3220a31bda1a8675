#include "builder/inspect/report_writers.h"

#include <inttypes.h>
#include <stdio.h>

namespace {

std::string numberText(const ReportNode& node)
{
    char buffer[32];
    if (node.numberStyle() == ReportNode::NumberStyle::Hex)
        snprintf(buffer, sizeof buffer, "0x%02" PRIX64, node.numberValue());
    else
        snprintf(buffer, sizeof buffer, "%" PRIu64, node.numberValue());
    return buffer;
}

std::string hexEscape(const char* prefix, unsigned value, int digits)
{
    char buffer[16];
    snprintf(buffer, sizeof buffer, "%s%0*X", prefix, digits, value);
    return buffer;
}

// ------------------------------------------------------------------ text

std::string textScalar(const ReportNode& node)
{
    switch (node.kind()) {
    case ReportNode::Kind::Text: return textQuote(node.textValue());
    case ReportNode::Kind::Number: return numberText(node);
    case ReportNode::Kind::Boolean: return node.booleanValue() ? "yes" : "no";
    case ReportNode::Kind::Null: return "none";
    case ReportNode::Kind::Object: return "{}";
    case ReportNode::Kind::List: return "(none)";
    }
    return std::string();
}

bool rendersOnOneLine(const ReportNode& node)
{
    return node.isScalar() || node.children().empty();
}

void renderText(const ReportNode& node, const std::string& indent, std::string& out);

// A list item: a scalar follows its dash; a nested item starts on the dash's
// line and continues indented below it.
void renderTextItem(const ReportNode& item, const std::string& indent, std::string& out)
{
    if (rendersOnOneLine(item)) {
        out += indent + "- " + textScalar(item) + "\n";
        return;
    }
    std::string nested;
    renderText(item, indent + "  ", nested);
    out += indent + "- " + nested.substr(indent.size() + 2);
}

void renderText(const ReportNode& node, const std::string& indent, std::string& out)
{
    for (const auto& child : node.children()) {
        if (node.kind() == ReportNode::Kind::List) {
            renderTextItem(child.second, indent, out);
        } else if (rendersOnOneLine(child.second)) {
            out += indent + child.first + ": " + textScalar(child.second) + "\n";
        } else {
            out += indent + child.first + ":\n";
            renderText(child.second, indent + "  ", out);
        }
    }
}

// ------------------------------------------------------------------ JSON

void renderJson(const ReportNode& node, const std::string& indent, std::string& out)
{
    switch (node.kind()) {
    case ReportNode::Kind::Text: out += jsonQuote(node.textValue()); return;
    case ReportNode::Kind::Number: {
        char buffer[24];
        snprintf(buffer, sizeof buffer, "%" PRIu64, node.numberValue());
        out += buffer;
        return;
    }
    case ReportNode::Kind::Boolean: out += node.booleanValue() ? "true" : "false"; return;
    case ReportNode::Kind::Null: out += "null"; return;
    case ReportNode::Kind::Object:
    case ReportNode::Kind::List: break;
    }
    bool isObject = node.kind() == ReportNode::Kind::Object;
    if (node.children().empty()) {
        out += isObject ? "{}" : "[]";
        return;
    }
    out += isObject ? "{\n" : "[\n";
    std::string inner = indent + "  ";
    bool first = true;
    for (const auto& child : node.children()) {
        if (!first)
            out += ",\n";
        first = false;
        out += inner;
        if (isObject)
            out += jsonQuote(child.first) + ": ";
        renderJson(child.second, inner, out);
    }
    out += "\n" + indent + (isObject ? "}" : "]");
}

// The escape a character has by name in the text report or in JSON, or
// none; other control characters are written as hex escapes.
const char* namedEscape(unsigned char c, bool json)
{
    switch (c) {
    case '"': return "\\\"";
    case '\\': return "\\\\";
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\t': return "\\t";
    case '\0': return json ? nullptr : "\\0";
    case '\b': return json ? "\\b" : nullptr;
    case '\f': return json ? "\\f" : nullptr;
    default: return nullptr;
    }
}

// The text with every control character escaped: C0 ones and DEL as bytes,
// and the C1 ones (U+0080 to U+009F, which Windows-1252 texts can hold and
// some terminals obey) as code points.
std::string escaped(const std::string& utf8, bool json)
{
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        unsigned char next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
        if (const char* escape = namedEscape(c, json)) {
            out += escape;
        } else if (c < 0x20 || c == 0x7F) {
            out += json ? hexEscape("\\u", c, 4) : hexEscape("\\x", c, 2);
        } else if (c == 0xC2 && next >= 0x80 && next < 0xA0) {
            out += hexEscape("\\u", next, 4);
            ++i;
        } else {
            out += char(c);
        }
    }
    return out;
}

std::string quoted(const std::string& utf8, bool json)
{
    return "\"" + escaped(utf8, json) + "\"";
}

}  // namespace

std::string textQuote(const std::string& utf8)
{
    return quoted(utf8, false);
}

std::string jsonQuote(const std::string& utf8)
{
    return quoted(utf8, true);
}

std::string textEscape(const std::string& utf8)
{
    return escaped(utf8, false);
}

std::string renderReportText(const ReportNode& root)
{
    std::string out;
    if (rendersOnOneLine(root))
        return textScalar(root) + "\n";
    if (root.kind() == ReportNode::Kind::List) {
        for (const auto& child : root.children())
            renderTextItem(child.second, "", out);
        return out;
    }
    renderText(root, "", out);
    return out;
}

std::string renderReportJson(const ReportNode& root)
{
    std::string out;
    renderJson(root, "", out);
    return out + "\n";
}
