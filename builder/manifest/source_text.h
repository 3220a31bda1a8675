// A manifest's text as read from disk, for pointing at places inside it:
// toml++ reports where a value starts, and an error about one character of a
// long string should point at that character, not at the opening quote.
#pragma once

#include "builder/manifest/diagnostics.h"

#include <stddef.h>

#include <string>
#include <vector>

class SourceText {
public:
    SourceText(std::string path, std::string text);

    const std::string& path() const { return path_; }
    const std::string& text() const { return text_; }

    // Byte offset of a position, or npos when the text has no such place.
    size_t offsetOf(SourcePosition at) const;
    SourcePosition positionOf(size_t offset) const;

private:
    std::string path_;
    std::string text_;
    std::vector<size_t> lineStarts_;
};

// Where the character with index `index` (counting decoded characters, as
// the string's value holds them) of the string literal that starts at
// `literalStart` stands in the text. Basic and literal strings, single- and
// multi-line, with every escape are understood. Falls back to the literal's
// start when the place cannot be found.
SourcePosition characterPosition(const SourceText& source, SourcePosition literalStart, size_t index);
