#include "builder/manifest/source_text.h"

#include <string.h>

namespace {

bool isContinuationByte(char c)
{
    return (uint8_t(c) & 0xC0) == 0x80;
}

// Bytes of the UTF-8 character starting at `offset` (1 for a stray byte).
size_t characterLength(const std::string& text, size_t offset)
{
    size_t length = 1;
    while (offset + length < text.size() && isContinuationByte(text[offset + length]))
        ++length;
    return length;
}

bool startsWith(const std::string& text, size_t offset, const char* prefix)
{
    size_t n = strlen(prefix);
    return offset + n <= text.size() && text.compare(offset, n, prefix) == 0;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Walks a string literal character by character: start() gives the source
// offset at which each decoded character begins.
class LiteralWalker {
public:
    LiteralWalker(const std::string& text, size_t offset) : text_(text), at_(offset) {}

    // Offset of the source of decoded character `index`, or npos.
    size_t find(size_t index)
    {
        bool multiLine;
        char quote;
        if (!open(quote, multiLine))
            return std::string::npos;
        size_t count = 0;
        while (at_ < text_.size()) {
            if (closes(quote, multiLine))
                return std::string::npos;
            size_t start = at_;
            bool produced = true;
            if (!step(quote, multiLine, produced))
                return std::string::npos;
            if (!produced)  // a line-ending backslash
                continue;
            if (count == index)
                return start;
            ++count;
        }
        return std::string::npos;
    }

private:
    bool open(char& quote, bool& multiLine)
    {
        if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\''))
            return false;
        quote = text_[at_];
        multiLine = startsWith(text_, at_, quote == '"' ? "\"\"\"" : "'''");
        at_ += multiLine ? 3 : 1;
        // A newline right behind the opening delimiter is not part of the value.
        if (multiLine) {
            if (startsWith(text_, at_, "\r\n"))
                at_ += 2;
            else if (startsWith(text_, at_, "\n"))
                at_ += 1;
        }
        return true;
    }

    // True at the closing delimiter. A multi-line string may end with one
    // or two quotes of its own before the closing three: those are stepped
    // over one at a time until exactly three are left.
    bool closes(char quote, bool multiLine) const
    {
        if (text_[at_] != quote)
            return false;
        if (!multiLine)
            return true;
        size_t run = 0;
        while (at_ + run < text_.size() && text_[at_ + run] == quote)
            ++run;
        return run == 3;
    }

    // Moves over the source of one decoded character, or over a
    // line-ending backslash and what it eats, which decodes to nothing
    // (`produced` false). False on a malformed literal.
    bool step(char quote, bool multiLine, bool& produced)
    {
        if (startsWith(text_, at_, "\r\n")) {
            at_ += 2;  // read as one line feed
            return multiLine;
        }
        if (text_[at_] != '\\' || quote == '\'') {
            at_ += characterLength(text_, at_);
            return true;
        }
        char escape = at_ + 1 < text_.size() ? text_[at_ + 1] : 0;
        switch (escape) {
        case 'u':
        case 'U': {
            size_t digits = escape == 'u' ? 4 : 8;
            for (size_t i = 0; i < digits; ++i) {
                if (at_ + 2 + i >= text_.size() || !isHexDigit(text_[at_ + 2 + i]))
                    return false;
            }
            at_ += 2 + digits;
            return true;
        }
        case 'b':
        case 't':
        case 'n':
        case 'f':
        case 'r':
        case 'e':
        case '"':
        case '\\': at_ += 2; return true;
        default: break;
        }
        if (!multiLine)
            return false;
        // A backslash ending a line eats every blank and newline behind it.
        size_t p = at_ + 1;
        while (p < text_.size() && (text_[p] == ' ' || text_[p] == '\t'))
            ++p;
        if (p >= text_.size() || (text_[p] != '\n' && text_[p] != '\r'))
            return false;
        while (p < text_.size() && (text_[p] == ' ' || text_[p] == '\t' || text_[p] == '\n' || text_[p] == '\r'))
            ++p;
        at_ = p;
        produced = false;
        return true;
    }

    const std::string& text_;
    size_t at_;
};

}  // namespace

SourceText::SourceText(std::string path, std::string text) : path_(std::move(path)), text_(std::move(text))
{
    lineStarts_.push_back(0);
    for (size_t i = 0; i < text_.size(); ++i) {
        if (text_[i] == '\n')
            lineStarts_.push_back(i + 1);
    }
}

size_t SourceText::offsetOf(SourcePosition at) const
{
    if (at.line == 0 || at.line > lineStarts_.size() || at.column == 0)
        return std::string::npos;
    size_t offset = lineStarts_[at.line - 1];
    for (uint32_t column = 1; column < at.column; ++column) {
        if (offset >= text_.size() || text_[offset] == '\n')
            return std::string::npos;
        offset += characterLength(text_, offset);
    }
    return offset;
}

SourcePosition SourceText::positionOf(size_t offset) const
{
    SourcePosition at;
    size_t line = 0;
    while (line + 1 < lineStarts_.size() && lineStarts_[line + 1] <= offset)
        ++line;
    at.line = uint32_t(line + 1);
    at.column = 1;
    for (size_t i = lineStarts_[line]; i < offset && i < text_.size(); ++i) {
        if (!isContinuationByte(text_[i]))
            ++at.column;
    }
    return at;
}

SourcePosition characterPosition(const SourceText& source, SourcePosition literalStart, size_t index)
{
    size_t offset = source.offsetOf(literalStart);
    if (offset == std::string::npos)
        return literalStart;
    size_t found = LiteralWalker(source.text(), offset).find(index);
    return found == std::string::npos ? literalStart : source.positionOf(found);
}
