#include "format/product_version.h"

namespace {

struct VersionParts {
    uint32_t part[kMostVersionParts];
    uint32_t count;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Digits by hand: the stub imports no number parser of the runtime.
bool parseVersion(const char* text, VersionParts& out)
{
    out.count = 0;
    if (!text)
        return false;
    while (isBlank(*text))
        ++text;
    for (;;) {
        if (!isDigit(*text) || out.count == kMostVersionParts)
            return false;
        uint32_t value = 0;
        for (; isDigit(*text); ++text) {
            uint32_t digit = uint32_t(*text - '0');
            if (value > (0xFFFFFFFFu - digit) / 10)
                return false;
            value = value * 10 + digit;
        }
        out.part[out.count++] = value;
        if (*text != '.')
            break;
        ++text;
    }
    while (isBlank(*text))
        ++text;
    return *text == 0;
}

}  // namespace

VersionChange versionChange(const char* installedVersion, const char* newVersion)
{
    VersionParts installed, next;
    if (!parseVersion(installedVersion, installed) || !parseVersion(newVersion, next))
        return VersionChange::Unknown;
    for (uint32_t i = 0; i < kMostVersionParts; ++i) {
        uint32_t was = i < installed.count ? installed.part[i] : 0;
        uint32_t now = i < next.count ? next.part[i] : 0;
        if (was != now)
            return was < now ? VersionChange::Upgrade : VersionChange::Downgrade;
    }
    return VersionChange::Reinstall;
}
