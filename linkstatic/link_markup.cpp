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
char* findChar(char* p, char wanted, LeadByteTest isLeadByte)
{
    for (; *p; ++p) {
        if (*p == wanted)
            return p;
        if (isLeadByte && isLeadByte(static_cast<unsigned char>(*p)) && p[1])
            ++p;
    }
    return nullptr;
}

// A name followed by "=" and a quoted value inside a tag.
struct Attribute {
    const char* value = nullptr;
    size_t length = 0;
};

bool nameIs(const char* name, size_t length, const char* expected)
{
    size_t i = 0;
    for (; i < length && expected[i]; ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != expected[i])
            return false;
    }
    return i == length && !expected[i];
}

char* storeText(char* place, const Attribute& attribute)
{
    if (attribute.value)
        memcpy(place, attribute.value, attribute.length);
    place[attribute.length] = 0;
    return place + attribute.length + 1;
}

// One allocation for the record and its three texts.
LinkInfo* makeLink(const Attribute& href, const Attribute& id, const Attribute& tip)
{
    size_t size = sizeof(LinkInfo) + href.length + id.length + tip.length + 3;
    LinkInfo* link = static_cast<LinkInfo*>(malloc(size));
    if (!link)
        return nullptr;
    char* place = reinterpret_cast<char*>(link + 1);
    link->href = href.value ? place : nullptr;
    place = storeText(place, href);
    link->id = id.value ? place : nullptr;
    place = storeText(place, id);
    link->tip = tip.value ? place : nullptr;
    storeText(place, tip);
    return link;
}

bool opensLinkTag(const char* p)
{
    return p[0] == '<' && (p[1] == 'a' || p[1] == 'A') && (p[2] == '>' || isBlank(p[2]));
}

bool isClosingTag(const char* p)
{
    return p[1] == '/' && (p[2] == 'a' || p[2] == 'A') && p[3] == '>';
}

}  // namespace

LinkInfo* parseLinkMarkup(char* text, size_t* length, uint32_t* count, LeadByteTest isLeadByte)
{
    LinkInfo* links = nullptr;
    uint32_t found = 0;
    char* end = text + *length;
    char* scan = text;
    while (char* open = findChar(scan, '<', isLeadByte)) {
        scan = open + 1;
        if (!opensLinkTag(open))
            continue;
        // Attributes up to the tag's ">": name="value", blanks between.
        Attribute href, id, tip;
        char* p = open + 2;
        bool abandoned = false;
        for (;;) {
            while (isBlank(*p))
                ++p;
            if (*p == '>')
                break;
            if (!*p)
                goto done;  // the tag never ends
            const char* name = p;
            while (*p && *p != '=' && *p != '>' && !isBlank(*p))
                ++p;
            size_t nameLength = size_t(p - name);
            if (p[0] != '=' || p[1] != '"') {
                abandoned = true;  // not a link; scanning resumes after the name
                scan = p;
                break;
            }
            char* value = p + 2;
            char* quote = findChar(value, '"', isLeadByte);
            if (!quote)
                goto done;  // the value never ends
            Attribute attribute;
            attribute.value = value;
            attribute.length = size_t(quote - value);
            if (nameIs(name, nameLength, "href"))
                href = attribute;
            else if (nameIs(name, nameLength, "id"))
                id = attribute;
            else if (nameIs(name, nameLength, "g"))
                tip = attribute;
            p = quote + 1;
        }
        if (abandoned)
            continue;
        char* linkText = p + 1;
        char* close = linkText;
        while ((close = findChar(close, '<', isLeadByte)) && !isClosingTag(close))
            ++close;
        if (!close)
            goto done;  // no closing tag: this link and the rest stay as written
        LinkInfo* link = makeLink(href, id, tip);
        if (!link)
            goto done;
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

uint32_t countMarkupLinks(const char* text, LeadByteTest isLeadByte)
{
    size_t length = strlen(text);
    char* copy = static_cast<char*>(malloc(length + 1));
    if (!copy)
        return 0;
    memcpy(copy, text, length + 1);
    uint32_t count = 0;
    releaseLinks(parseLinkMarkup(copy, &length, &count, isLeadByte));
    free(copy);
    return count;
}
