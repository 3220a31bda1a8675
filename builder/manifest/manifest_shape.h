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

// The depth of the text's deepest place, counting each part of a dotted key
// or table header (the first too), each open array and each open inline
// table; strings and comments do not count. `beyond` receives the first place deeper than `limit`
// (unknown when there is none).
unsigned manifestDepth(const std::string& text, unsigned limit, SourcePosition& beyond);

// Offset of the first byte beyond ASCII that stands outside strings and
// comments (a byte order mark at the start aside), or npos. TOML allows
// none there, and the parser's whitespace test, asked about one, reaches
// code it declares unreachable for whole ranges of them (U+00A1 to U+0499,
// U+2C5E to U+2FFF, U+3001 to U+3057, U+FB26 to U+FEFE).
size_t strayCharacterAt(const std::string& text);

// Reports a text that is too large, nested too deep or holding a character
// the parser cannot take, and returns false.
bool checkManifestShape(const std::string& path, const std::string& text, Diagnostics& diagnostics);
