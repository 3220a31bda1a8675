// Texts that reach a terminal from outside: names in packages, and the names
// of files in a source folder. Escaped, none of their bytes can move the
// cursor, change colours or retitle the window of whoever reads them, and a
// name that is not UTF-8 shows the bytes it holds.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

enum class EscapeStyle {
    // C-style: \" \\ \n \r \t \0, \xNN for the other control bytes (C0 and
    // DEL) and for every byte that is not part of a UTF-8 character, \uNNNN
    // for the C1 control characters U+0080 to U+009F.
    Text,
    // As Text, but quotes and backslashes stay as they are: for a whole line
    // of the builder's own words with names inside.
    Message,
    // A JSON string's content: \" \\ \n \r \t \b \f and \uNNNN for the other
    // control characters, C1 included. Bytes that are not UTF-8 are kept:
    // JSON has no escape for a byte.
    Json,
};

std::string escapeText(const std::string& utf8, EscapeStyle style);

// The length of the UTF-8 character that starts at `at` (1 for ASCII), with
// its code point in `value`; 0 when the bytes there are no such character
// (a stray continuation byte, a cut sequence, an overlong form, a surrogate
// or a value beyond U+10FFFF).
size_t utf8CharacterAt(const std::string& text, size_t at, uint32_t& value);

// The text report's escapes without the quotes, for a name shown inside a
// line.
inline std::string textEscape(const std::string& utf8)
{
    return escapeText(utf8, EscapeStyle::Text);
}
