// How a product's version compares with the version already installed: the
// earlier installation's DisplayVersion against the package's own.
#pragma once

#include <stdint.h>

enum class VersionChange : uint8_t {
    Unknown,    // either version is not a dotted number: nothing is compared
    Upgrade,    // the new version is the higher one
    Reinstall,  // the same version
    Downgrade,  // the installed version is the higher one
};

// Versions are dotted decimal numbers ("1", "2.0", "1.10.3"), at most
// kMostVersionParts parts of 32 bits each, compared part by part with a
// missing part counting as 0 ("2" == "2.0.0", "1.10" > "1.9"). Blanks around
// the whole text are ignored; anything else (a letter, an empty part, a part
// above 4294967295, more parts) makes the version one that is not compared.
constexpr uint32_t kMostVersionParts = 8;

VersionChange versionChange(const char* installedVersion, const char* newVersion);
