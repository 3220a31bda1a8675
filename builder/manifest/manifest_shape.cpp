#include "builder/manifest/manifest_shape.h"

#include "builder/manifest/source_text.h"

#include <stdint.h>
#include <string.h>

namespace {

// Walks the text once, skipping strings and comments, and keeps the depth.
class DepthScanner {
public:
    DepthScanner(const std::string& text, unsigned limit) : s_(text), limit_(limit) {}

    size_t strayAt() const { return strayAt_; }

    unsigned run(SourcePosition& beyond)
    {
        while (i_ < s_.size()) {
            char c = s_[i_];
            if (c == '\n') {
                newLine();
                continue;
            }
            if (c == '#') {
                while (i_ < s_.size() && s_[i_] != '\n')
                    ++i_;
                continue;
            }
            if (c == '"' || c == '\'') {
                skipString(c);
                continue;
            }
            if ((c & 0x80) && strayAt_ == std::string::npos && !(i_ < 3 && s_.compare(0, 3, "\xEF\xBB\xBF") == 0))
                strayAt_ = i_;
            step(c);
            ++i_;
        }
        beyond = beyondAt_;
        return deepest_;
    }

private:
    // A key runs from the start of a line (or of an inline table's entry) to
    // its '='; a table header from its '[' to its ']'. Only there do dots
    // make levels; in values they are decimal points.
    void step(char c)
    {
        switch (c) {
        case '[':
            // A table header, "[" or "[[": its brackets are no level.
            if (inKey_ && brackets_ == 0 && (atLineStart() || (header_ && s_[i_ - 1] == '[')))
                header_ = true;
            else
                open();
            inKey_ = header_;
            break;
        case ']':
            if (header_) {
                header_ = inKey_ = false;
                keyDots_ = 0;
            } else if (brackets_) {
                --brackets_;
            }
            break;
        case '{':
            open();
            inKey_ = true;
            keyDots_ = 0;
            break;
        case '}':
            if (brackets_)
                --brackets_;
            inKey_ = false;
            break;
        case ',':
            // In an inline table a key follows; in an array a value does.
            inKey_ = brackets_ > 0 && lastOpen() == '{';
            keyDots_ = 0;
            break;
        case '=':
            inKey_ = false;
            keyDots_ = 0;
            break;
        case '.':
            if (inKey_) {
                ++keyDots_;
                note();
            }
            break;
        default: break;
        }
    }

    void open()
    {
        if (brackets_ < sizeof kinds_)
            kinds_[brackets_] = s_[i_];
        ++brackets_;
        note();
    }

    char lastOpen() const { return brackets_ <= sizeof kinds_ ? kinds_[brackets_ - 1] : '['; }

    // A dotted key or header of n parts nests n levels, as MANIFEST.md
    // counts them: the first part counts once a dot shows there is more.
    void note()
    {
        unsigned depth = brackets_ + (keyDots_ ? keyDots_ + 1 : 0);
        if (depth > deepest_)
            deepest_ = depth;
        if (depth > limit_ && !beyondAt_.known()) {
            beyondAt_.line = line_;
            beyondAt_.column = unsigned(i_ - lineStart_) + 1;
        }
    }

    bool atLineStart() const
    {
        for (size_t k = lineStart_; k < i_; ++k)
            if (s_[k] != ' ' && s_[k] != '\t')
                return false;
        return true;
    }

    void newLine()
    {
        ++i_;
        ++line_;
        lineStart_ = i_;
        // Inside an array or inline table a line break continues the value.
        if (brackets_ == 0) {
            inKey_ = true;
            header_ = false;
            keyDots_ = 0;
        }
    }

    // Skips a basic or literal string, single- or multi-line, counting the
    // lines a multi-line one spans.
    void skipString(char quote)
    {
        bool multi = s_.compare(i_, 3, std::string(3, quote)) == 0;
        i_ += multi ? 3 : 1;
        while (i_ < s_.size()) {
            char c = s_[i_];
            if (c == '\\' && quote == '"') {
                i_ += 2;
                continue;
            }
            if (c == '\n') {
                if (!multi)
                    return;  // an unclosed string: the parser reports it
                ++i_;
                ++line_;
                lineStart_ = i_;
                continue;
            }
            if (c == quote && (!multi || s_.compare(i_, 3, std::string(3, quote)) == 0)) {
                i_ += multi ? 3 : 1;
                // A closing run may hold up to two more quotes.
                while (multi && i_ < s_.size() && s_[i_] == quote)
                    ++i_;
                return;
            }
            ++i_;
        }
    }

    const std::string& s_;
    size_t i_ = 0;
    size_t lineStart_ = 0;
    unsigned line_ = 1;
    bool inKey_ = true;
    bool header_ = false;
    unsigned keyDots_ = 0;
    unsigned brackets_ = 0;
    char kinds_[64] = {};
    unsigned limit_;
    unsigned deepest_ = 0;
    SourcePosition beyondAt_;
    size_t strayAt_ = std::string::npos;
};

}  // namespace

size_t strayCharacterAt(const std::string& text)
{
    DepthScanner scanner(text, kMaxManifestDepth);
    SourcePosition ignored;
    scanner.run(ignored);
    return scanner.strayAt();
}

unsigned manifestDepth(const std::string& text, unsigned limit, SourcePosition& beyond)
{
    return DepthScanner(text, limit).run(beyond);
}

bool checkManifestShape(const std::string& path, const std::string& text, Diagnostics& diagnostics)
{
    if (text.size() > kMaxManifestBytes) {
        diagnostics.error(path, SourcePosition(),
                          "the manifest is " + std::to_string(text.size()) +
                              " bytes long; a manifest may have at most " + std::to_string(kMaxManifestBytes) +
                              " bytes (4 MiB)");
        return false;
    }
    size_t stray = strayCharacterAt(text);
    if (stray != std::string::npos) {
        diagnostics.error(path, SourceText(path, text).positionOf(stray),
                          "not valid TOML: a character beyond ASCII outside a string or comment; keys and "
                          "everything between values are ASCII, so put the text in quotes");
        return false;
    }
    SourcePosition at;
    unsigned depth = manifestDepth(text, kMaxManifestDepth, at);
    if (depth > kMaxManifestDepth) {
        diagnostics.error(path, at,
                          "the manifest nests more than " + std::to_string(kMaxManifestDepth) +
                              " levels deep here (dotted key parts, table header parts, arrays and inline tables "
                              "count together); Slipway's keys need at most four");
        return false;
    }
    return true;
}
