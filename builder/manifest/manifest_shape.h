// The size and nesting of a manifest's text, checked before it is parsed:
// the TOML parser descends once per level of nesting, so a text nested
// thousands of levels deep would exhaust its stack, and no manifest needs
// more than a handful of levels or more than a few MiB.
#pragma once

#include "builder/manifest/diagnostics.h"

#include <stddef.h>

#include <string>

constexpr size_t kMaxManifestBytes = 4u << 20;
// Levels of tables, dotted key parts, arrays and inline tables together;
// Slipway's own keys use at most four.
constexpr unsigned kMaxManifestDepth = 32;

// The depth of the text's deepest place, counting each key part beyond the
// first, each open array and each open inline table; strings and comments
// do not count. `beyond` receives the first place deeper than `limit`
// (unknown when there is none).
unsigned manifestDepth(const std::string& text, unsigned limit, SourcePosition& beyond);

// Offset of the first character from U+FE76 to U+FEFE (Arabic presentation
// forms), or npos. The TOML parser's whitespace table misses that range and
// reaches a place its code declares unreachable on any of them; they fit
// none of the code pages a package can use, so no manifest needs them.
size_t unreadableCharacterAt(const std::string& text);

// Reports a text that is too large, nested too deep or holding a character
// the parser cannot take, and returns false.
bool checkManifestShape(const std::string& path, const std::string& text, Diagnostics& diagnostics);
