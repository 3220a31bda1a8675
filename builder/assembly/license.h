// The licence page's text: an RTF file as it is, or a UTF-8 text file in the
// package's code page with Windows line ends.
#pragma once

#include "builder/manifest/diagnostics.h"

#include <stdint.h>

#include <string>

// `path` is where the file is read; `shownPath` names it in messages.
// Problems are reported against the licence file itself (an unencodable
// character at its line and column) or, when the file cannot be used at
// all, against the manifest place that names it.
bool loadLicense(const std::string& path, const std::string& shownPath, uint32_t codePage,
                 const std::string& manifestPath, SourcePosition reference, Diagnostics& diagnostics, std::string& out);

// The text conversion alone: UTF-8 (a byte-order mark dropped) to the code
// page, every line end as CR LF. False with the failing character's index.
bool licenseTextFromUtf8(const std::string& utf8, uint32_t codePage, std::string& out, size_t& badIndex,
                         uint32_t& badCodePoint);
