// Mistakes found while reading a manifest and the files it names, each with
// the place it was found: a user fixes them all in one pass, and nothing is
// written while any is left.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// A place in a text file: line and column count from 1, columns in
// characters (not bytes). Line 0 means the file as a whole.
struct SourcePosition {
    uint32_t line = 0;
    uint32_t column = 0;
    bool known() const { return line != 0; }
};

inline bool operator<(const SourcePosition& a, const SourcePosition& b)
{
    return a.line != b.line ? a.line < b.line : a.column < b.column;
}

struct Diagnostic {
    std::string file;
    SourcePosition position;
    std::string message;
};

class Diagnostics {
public:
    void error(const std::string& file, SourcePosition at, std::string message);
    // Something the user should know that does not stop the build.
    void warning(const std::string& file, SourcePosition at, std::string message);
    bool empty() const { return errors_.empty(); }
    size_t count() const { return errors_.size(); }
    const std::vector<Diagnostic>& all() const { return errors_; }
    // One "file:line:column: error: message" line per mistake, grouped by
    // file and in the order of the positions within a file. Control
    // characters and bytes that are not UTF-8 are escaped (EscapeStyle::
    // Message), so each mistake is one line that is safe on a terminal.
    std::string report() const;
    // The same for the warnings: "file:line:column: warning: ...".
    std::string warningReport() const;
    const std::vector<Diagnostic>& warnings() const { return warnings_; }

private:
    std::vector<Diagnostic> errors_;
    std::vector<Diagnostic> warnings_;
};

// "file:line:column" or just "file" when the position is unknown.
std::string formatPlace(const std::string& file, SourcePosition at);
