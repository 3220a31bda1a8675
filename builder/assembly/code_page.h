// Package texts are 8-bit strings of one Windows code page, which the
// manifest declares; manifests are UTF-8. These tables turn one into the
// other without a conversion library, which the Windows build of the
// builder would not have either.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

constexpr uint32_t kDefaultCodePage = 1252;

// Windows-1250 (Central European), 1251 (Cyrillic) and 1252 (Western).
bool isSupportedCodePage(uint32_t codePage);
// "1250, 1251, 1252", for messages.
const char* supportedCodePages();

struct EncodingFailure {
    size_t characterIndex = 0;  // counted in characters of the UTF-8 text
    uint32_t codePoint = 0;     // the character, or 0xFFFFFFFF for a malformed byte
};

// Converts a UTF-8 text. False, with the first character the page cannot
// hold, for a character outside the page, a NUL (a package text ends at its
// first NUL) or bytes that are not UTF-8.
bool encodeText(const std::string& utf8, uint32_t codePage, std::string& out, EncodingFailure* failure);

// "U+20AC '€'" for messages; a control character or a malformed byte is
// shown by its number only.
std::string describeCharacter(uint32_t codePoint);

// Why a character cannot be stored, for messages: "Windows-1252 has no
// character U+2603 '☃'", or for bytes that are not UTF-8 "the bytes here
// are not UTF-8 (save the file as UTF-8)". `advice` follows only the first.
std::string encodingProblem(uint32_t codePage, uint32_t codePoint, const std::string& advice = std::string());
