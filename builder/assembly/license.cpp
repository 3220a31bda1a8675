#include "builder/assembly/license.h"

#include "builder/assembly/code_page.h"
#include "builder/assembly/file_system.h"
#include "builder/manifest/source_text.h"

#include <ctype.h>
#include <string.h>

namespace {

std::string lowerExtension(const std::string& path)
{
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    std::string extension = path.substr(dot);
    for (char& c : extension)
        c = char(tolower(uint8_t(c)));
    return extension;
}

// Byte offset of the character with this index in a UTF-8 text.
size_t offsetOfCharacter(const std::string& text, size_t index)
{
    size_t offset = 0;
    for (size_t seen = 0; offset < text.size(); ++offset) {
        if ((uint8_t(text[offset]) & 0xC0) == 0x80)
            continue;
        if (seen++ == index)
            return offset;
    }
    return offset;
}

}  // namespace

bool licenseTextFromUtf8(const std::string& utf8, uint32_t codePage, std::string& out, size_t& badIndex,
                         uint32_t& badCodePoint)
{
    // A byte-order mark is a UTF-8 signature, not part of the text.
    bool mark = utf8.compare(0, 3, "\xEF\xBB\xBF") == 0;
    std::string encoded;
    EncodingFailure failure;
    if (!encodeText(mark ? utf8.substr(3) : utf8, codePage, encoded, &failure)) {
        badIndex = failure.characterIndex + (mark ? 1 : 0);
        badCodePoint = failure.codePoint;
        return false;
    }
    out.clear();
    for (size_t i = 0; i < encoded.size(); ++i) {
        char c = encoded[i];
        if (c == '\n' && (i == 0 || encoded[i - 1] != '\r'))
            out += '\r';
        out += c;
    }
    return true;
}

bool loadLicense(const std::string& path, const std::string& shownPath, uint32_t codePage,
                 const std::string& manifestPath, SourcePosition reference, Diagnostics& diagnostics, std::string& out)
{
    std::string extension = lowerExtension(path);
    if (extension != ".rtf" && extension != ".txt") {
        diagnostics.error(manifestPath, reference, "'license': expected a .rtf or .txt file, found " + shownPath);
        return false;
    }
    Bytes bytes;
    std::string problem;
    if (!readFileBytes(path, bytes, problem)) {
        diagnostics.error(manifestPath, reference, "cannot read the licence " + shownPath + ": " + problem);
        return false;
    }
    std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.empty()) {
        diagnostics.error(manifestPath, reference,
                          "the licence " + shownPath + " is empty; leave 'license' out for a wizard without one");
        return false;
    }
    if (extension == ".rtf") {
        // The wizard streams a licence as RTF only when it starts this way.
        if (text.compare(0, 5, "{\\rtf") != 0) {
            diagnostics.error(shownPath, SourcePosition{1, 1}, "an RTF licence must start with {\\rtf");
            return false;
        }
        size_t nul = text.find('\0');
        if (nul != std::string::npos) {
            diagnostics.error(shownPath, SourceText(shownPath, text).positionOf(nul),
                              "a licence cannot hold a NUL byte");
            return false;
        }
        out = text;
        return true;
    }
    size_t badIndex = 0;
    uint32_t badCodePoint = 0;
    if (!licenseTextFromUtf8(text, codePage, out, badIndex, badCodePoint)) {
        SourcePosition at = SourceText(shownPath, text).positionOf(offsetOfCharacter(text, badIndex));
        diagnostics.error(shownPath, at,
                          badCodePoint == 0 ? std::string("a licence cannot hold a NUL character")
                                            : encodingProblem(codePage, badCodePoint,
                                                              "; write the licence in characters of that code "
                                                              "page, or as RTF"));
        return false;
    }
    return true;
}
