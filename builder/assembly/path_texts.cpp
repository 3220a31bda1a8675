#include "builder/assembly/path_texts.h"

#include "format/path_variables.h"

#include <string.h>

namespace {

// The names the stub expands, for messages about a name it does not know.
const char* const kPathVariableNames[] = {
    "PROGRAMFILESFOLDER",
    "PROGRAMSFOLDER",
    "COMMONPROGRAMSFOLDER",
    "PROGRAMFILES",
    "PROGRAMFILESCOMMON",
    "SYSTEM",
    "WINDOWS",
    "APPDATA",
    "LOCALAPPDATA",
    "COMMONAPPDATA",
    "STARTUP",
    "COMMONSTARTUP",
    "PROGRAMS",
    "COMMONPROGRAMS",
    "STARTMENU",
    "COMMONSTARTMENU",
    "DESKTOPDIRECTORY",
    "COMMONDESKTOPDIRECTORY",
};

// Walks the tokens of a text as the expander does: "$$" is a literal
// dollar sign, any other dollar sign opens a token that the next one ends.
template <typename OnLiteral, typename OnToken>
void walkTokens(const std::string& text, OnLiteral onLiteral, OnToken onToken)
{
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '$') {
            onLiteral(text[i]);
            ++i;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '$') {
            onLiteral('$');
            i += 2;
            continue;
        }
        size_t close = text.find('$', i + 1);
        if (close == std::string::npos) {
            onToken(std::string(), false);
            return;
        }
        onToken(text.substr(i + 1, close - i - 1), true);
        i = close + 1;
    }
}

}  // namespace

uint32_t pageFlagsUsedBy(const std::string& text)
{
    uint32_t flags = 0;
    walkTokens(
        text, [](char) {},
        [&](const std::string& name, bool closed) {
            if (!closed)
                return;
            if (name == "PROGRAMSFOLDER" || name == "COMMONPROGRAMSFOLDER")
                flags |= 1;
            else if (name == "PROGRAMFILESFOLDER")
                flags |= 2;
        });
    return flags;
}

size_t literalLength(const std::string& text)
{
    size_t length = 0;
    walkTokens(
        text, [&](char) { ++length; }, [](const std::string&, bool) {});
    return length;
}

std::string escapeDollars(const std::string& text)
{
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '$')
            out += '$';
    }
    return out;
}

bool unescapeDollars(const std::string& text, std::string& out)
{
    out.clear();
    bool plain = true;
    walkTokens(
        text, [&](char c) { out += c; }, [&](const std::string&, bool) { plain = false; });
    return plain;
}

bool textExpands(const std::string& text, size_t& errorOffset, std::string& reason)
{
    size_t offset = 0;
    const char* why = nullptr;
    if (checkPathVariables(text.c_str(), &offset, &why))
        return true;
    errorOffset = offset;
    size_t close = text.find('$', offset + 1);
    if (close == std::string::npos) {
        reason = why ? why : "a \"$\" without its closing \"$\"";
        return false;
    }
    reason = "unknown path variable " + text.substr(offset, close - offset + 1) + "; expected one of ";
    for (size_t i = 0; i < sizeof kPathVariableNames / sizeof kPathVariableNames[0]; ++i)
        reason += std::string(i ? ", $" : "$") + kPathVariableNames[i] + "$";
    reason += ", a registry look-up such as $HKLM:Software\\Vendor\\Value:fallback$, or $$ for a dollar sign";
    return false;
}
