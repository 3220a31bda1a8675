#include "linkstatic/link_markup.h"

#include <stdlib.h>
#include <string.h>

namespace {

bool isBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The position of the next `wanted` byte at or after `p`, skipping the second
// byte of every two-byte character; null at the NUL.
char* findChar(char* p, char wanted, NextCharacter nextCharacter)
{
    for (; *p; p = nextCharacter ? nextCharacter(p) : p + 1) {
        if (*p == wanted)
            return p;
    }
    return nullptr;
}

// The attributes a link keeps, in the order of LinkInfo's fields, five
// bytes apart: "href", "id", "g".
const char kAttributeNames[] = "href\0id\0\0\0g";

bool nameIs(const char* name, size_t length, const char* expected)
{
    for (size_t i = 0; i < length; ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c + ('a' - 'A'));
        if (c != expected[i])
            return false;
    }
    return !expected[length];
}

bool isLetterA(char c)
{
    return (c | 0x20) == 'a';
}

}  // namespace

LinkInfo* parseLinkMarkup(char* text, size_t* length, uint32_t* count, NextCharacter nextCharacter)
{
    LinkInfo* links = nullptr;
    uint32_t found = 0;
    char* end = text + *length;
    char* scan = text;
    while (char* open = findChar(scan, '<', nextCharacter)) {
        scan = open + 1;
        if (!isLetterA(open[1]) || (open[2] != '>' && !isBlank(open[2])))
            continue;
        // Attributes up to the tag's ">": name="value", blanks between; the
        // value of each kept attribute and its length.
        const char* values[3] = {};
        size_t lengths[3] = {};
        char* p = open + 2;
        for (;;) {
            while (isBlank(*p))
                ++p;
            if (*p == '>' || !*p)
                break;
            const char* name = p;
            while (*p && *p != '=' && *p != '>' && !isBlank(*p))
                ++p;
            if (p[0] != '=' || p[1] != '"') {
                scan = p;  // not a link; scanning resumes after the name
                p = nullptr;
                break;
            }
            char* value = p + 2;
            p = findChar(value, '"', nextCharacter);
            if (!p)
                goto done;  // the value never ends
            for (int i = 0; i < 3; ++i) {
                if (nameIs(name, size_t(value - 2 - name), kAttributeNames + 5 * i)) {
                    values[i] = value;
                    lengths[i] = size_t(p - value);
                }
            }
            ++p;
        }
        if (!p)
            continue;
        if (!*p)
            break;  // the tag never ends
        char* linkText = p + 1;
        char* close = linkText;
        while ((close = findChar(close, '<', nextCharacter)) &&
               !(close[1] == '/' && isLetterA(close[2]) && close[3] == '>'))
            ++close;
        if (!close)
            break;  // no closing tag: this link and the rest stay as written
        // One allocation for the record and its three texts.
        LinkInfo* link = static_cast<LinkInfo*>(malloc(sizeof(LinkInfo) + lengths[0] + lengths[1] + lengths[2] + 3));
        if (!link)
            break;
        char* place = reinterpret_cast<char*>(link + 1);
        char** fields[3] = {&link->href, &link->id, &link->tip};
        for (int i = 0; i < 3; ++i) {
            *fields[i] = values[i] ? place : nullptr;
            memcpy(place, values[i] ? values[i] : "", lengths[i]);
            place[lengths[i]] = 0;
            place += lengths[i] + 1;
        }
        size_t linkLength = size_t(close - linkText);
        link->start = uint32_t(open - text);
        link->length = uint32_t(linkLength);
        link->index = found++;
        link->next = links;
        links = link;
        // The link text moves to the "<", the rest of the text (with its NUL)
        // right behind it.
        memmove(open, linkText, linkLength);
        char* rest = close + 4;
        memmove(open + linkLength, rest, size_t(end - rest) + 1);
        end -= (linkText - open) + 4;
        scan = open + linkLength;
    }
done:
    *length = size_t(end - text);
    *count = found;
    return links;
}

void releaseLinks(LinkInfo* links)
{
    while (links) {
        LinkInfo* next = links->next;
        free(links);
        links = next;
    }
}

const LinkInfo* findLink(const LinkInfo* links, uint32_t index)
{
    for (; links; links = links->next) {
        if (links->index == index)
            return links;
    }
    return nullptr;
}

uint32_t countMarkupLinks(const char* text, NextCharacter nextCharacter)
{
    size_t length = strlen(text);
    char* copy = static_cast<char*>(malloc(length + 1));
    if (!copy)
        return 0;
    memcpy(copy, text, length + 1);
    uint32_t count = 0;
    releaseLinks(parseLinkMarkup(copy, &length, &count, nextCharacter));
    free(copy);
    return count;
}
