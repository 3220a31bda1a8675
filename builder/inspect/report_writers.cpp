#include "builder/inspect/report_writers.h"

#include "builder/text_escape.h"

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

std::string quoted(const std::string& utf8, bool json)
{
    return "\"" + escapeText(utf8, json ? EscapeStyle::Json : EscapeStyle::Text) + "\"";
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
