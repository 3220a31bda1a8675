// Package texts are 8-bit strings of a Windows code page; the builder's output
// (reports, file names) is UTF-8 or UTF-16. Windows-1252 is the code page the
// builder writes by default, so it is the one used to show package texts.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

// Every byte becomes one character. The five bytes Windows-1252 leaves
// undefined (81, 8D, 8F, 90, 9D) become the C1 controls of the same value, as
// Windows itself maps them, so no byte is ever lost.
std::string windows1252ToUtf8(const uint8_t* bytes, size_t length);
std::string windows1252ToUtf8(const std::string& bytes);
std::wstring windows1252ToWide(const std::string& bytes);
