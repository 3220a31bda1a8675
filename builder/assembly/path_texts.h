// What the builder needs to know about the path variables in a package text
// without expanding it: which wizard fields a text relies on, how long it is
// at least, and how to put a literal dollar sign into it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

// pageFlags bits a text asks for: $PROGRAMSFOLDER$ and
// $COMMONPROGRAMSFOLDER$ need the Start-menu group (bit 0),
// $PROGRAMFILESFOLDER$ the install folder (bit 1).
uint32_t pageFlagsUsedBy(const std::string& text);

// The characters a text keeps whatever its variables expand to: everything
// outside tokens, "$$" counting as one dollar sign.
size_t literalLength(const std::string& text);

// A text that is expanded shows a dollar sign only as "$$".
std::string escapeDollars(const std::string& text);
// The text as shown when it holds no variable; false when it holds one
// (or an unterminated token): used where a text is shown unexpanded.
bool unescapeDollars(const std::string& text, std::string& out);

// The expander's own check (unknown name, unterminated token), with the
// byte offset of the offending dollar sign and the reason.
bool textExpands(const std::string& text, size_t& errorOffset, std::string& reason);
