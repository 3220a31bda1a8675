#include "builder/text_escape.h"

#include <stdint.h>
#include <stdio.h>

namespace {

std::string hexEscape(const char* prefix, unsigned value, int digits)
{
    char buffer[16];
    snprintf(buffer, sizeof buffer, "%s%0*X", prefix, digits, value);
    return buffer;
}

// The escape a character has by name in this style, or none; other control
// characters are written as hex escapes.
const char* namedEscape(unsigned char c, EscapeStyle style)
{
    bool json = style == EscapeStyle::Json;
    switch (c) {
    case '"': return style == EscapeStyle::Message ? nullptr : "\\\"";
    case '\\': return style == EscapeStyle::Message ? nullptr : "\\\\";
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\t': return "\\t";
    case '\0': return json ? nullptr : "\\0";
    case '\b': return json ? "\\b" : nullptr;
    case '\f': return json ? "\\f" : nullptr;
    default: return nullptr;
    }
}

}  // namespace

size_t utf8CharacterAt(const std::string& text, size_t at, uint32_t& value)
{
    uint8_t lead = uint8_t(text[at]);
    size_t length;
    uint32_t minimum;
    if (lead < 0x80) {
        value = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - at < length)
        return 0;
    for (size_t k = 1; k < length; ++k) {
        uint8_t next = uint8_t(text[at + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

std::string escapeText(const std::string& utf8, EscapeStyle style)
{
    bool json = style == EscapeStyle::Json;
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            if (const char* escape = namedEscape(c, style))
                out += escape;
            else if (c < 0x20 || c == 0x7F)
                out += json ? hexEscape("\\u", c, 4) : hexEscape("\\x", c, 2);
            else
                out += char(c);
            ++i;
            continue;
        }
        uint32_t value = 0;
        size_t length = utf8CharacterAt(utf8, i, value);
        if (length == 0) {
            // One byte at a time: the next may start a good character.
            out += json ? std::string(1, char(c)) : hexEscape("\\x", c, 2);
            ++i;
            continue;
        }
        // The C1 controls: some terminals obey them as they obey ESC.
        if (value < 0xA0)
            out += hexEscape("\\u", value, 4);
        else
            out.append(utf8, i, length);
        i += length;
    }
    return out;
}
