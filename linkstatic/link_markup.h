// The link markup of the wizard's texts: an a tag with optional href, id and g
// attributes around the text of a link, as in
//     Read the <a href="https://example.com/notes" id="notes">release notes</a>.
// Portable: the stub, the host tests and the fuzzer share it. The text is
// cleaned in place; each link is described by a LinkInfo.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The character after the one at `text` (at a NUL, `text` itself), so that
// the second byte of a two-byte character is never taken for a "<" or a
// quote. The stub hands in the system's CharNextA; null means single-byte
// text.
#if defined(_WIN32) && !defined(_WIN64)
#define LINK_MARKUP_CALLBACK __stdcall
#else
#define LINK_MARKUP_CALLBACK
#endif
typedef char*(LINK_MARKUP_CALLBACK* NextCharacter)(const char* text);

// One link of a cleaned text. The three attribute texts are owned copies,
// stored behind the record in the same allocation; null when absent.
struct LinkInfo {
    uint32_t start;   // offset of the link text in the cleaned text
    uint32_t length;  // bytes of link text
    uint32_t index;   // number of the link in document order, from 0
    char* href;       // href attribute, as written
    char* id;         // id attribute, as written
    char* tip;        // g attribute: the text of the tip balloon
    LinkInfo* next;   // the link before this one in the text
};

// Removes the link tags from `text` (NUL-terminated, `*length` bytes) in
// place and returns the links, the last one first; *length becomes the
// cleaned length and *count the number of links. A tag that opens a link but
// never closes, or whose attribute value never closes, ends the parsing: it
// and the rest of the text stay as written. Never reads past the NUL.
LinkInfo* parseLinkMarkup(char* text, size_t* length, uint32_t* count, NextCharacter nextCharacter);

// Frees a list that parseLinkMarkup returned.
void releaseLinks(LinkInfo* links);

// The link with the given index, or null.
const LinkInfo* findLink(const LinkInfo* links, uint32_t index);

// The number of links in a text, parsed on a copy; 0 when the copy cannot be
// made.
uint32_t countMarkupLinks(const char* text, NextCharacter nextCharacter);
