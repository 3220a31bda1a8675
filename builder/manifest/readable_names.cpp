#include "builder/manifest/readable_names.h"

#include "format/action.h"
#include "format/action_script.h"
#include "format/os_classes.h"
#include "format/registry_roots.h"

#include <ctype.h>
#include <algorithm>
#include <array>
#include <stdlib.h>
#include <utility>

namespace {

#define SLIPWAY_MANIFEST_NAME(code, Class, name, ...) {name, code},
const NamedValue kActionKinds[] = {
    SLIPWAY_ACTION_KINDS(SLIPWAY_MANIFEST_NAME){"set_registry_value", kRegistryValueByType},
};
#undef SLIPWAY_MANIFEST_NAME

// Every short name, then every long one: the order messages list them in.
template <size_t... I>
constexpr std::array<NamedValue, 2 * sizeof...(I)> registryRootNamesOf(std::index_sequence<I...>)
{
    return {{{kNamedRegistryRoots[I].shortName, kNamedRegistryRoots[I].root}...,
             {kNamedRegistryRoots[I].longName, kNamedRegistryRoots[I].root}...}};
}

constexpr auto kRegistryRoots = registryRootNamesOf(std::make_index_sequence<kNamedRegistryRootCount>());

// The value type decides the action kind: a text or a 32-bit number.
const NamedValue kRegistryValueTypes[] = {
    {"string", SetRegStringAction::kKind},
    {"dword", SetRegDwordAction::kKind},
    {"REG_SZ", SetRegStringAction::kKind},
    {"REG_DWORD", SetRegDwordAction::kKind},
};

// When a program runs: its action kind for each moment.
const NamedValue kRunMoments[] = {
    {"install", RunAction::kKind},
    {"install_and_wait", RunAndWaitAction::kKind},
    {"finish_page", RunAtFinishAction::kKind},
    {"uninstall", RunOnUninstallAction::kKind},
};

// Library entry points are always waited for: at install or at uninstall.
const NamedValue kCallMoments[] = {
    {"install", CallLibraryAction::kKind},
    {"uninstall", CallLibraryOnUninstallAction::kKind},
};

const NamedValue kOutsideLinkPolicies[] = {
    {"warn", 0},
    {"refuse", 1},
};

const NamedValue kShowCommands[] = {
    {"hidden", 0},
    {"normal", 1},
    {"minimized", 2},
    {"maximized", 3},
    {"normal_no_activate", 4},
    {"show", 5},
    {"minimize", 6},
    {"minimized_no_activate", 7},
    {"show_no_activate", 8},
    {"restore", 9},
    {"default", 10},
};

template <size_t N>
constexpr NameTable tableOf(const NamedValue (&entries)[N], const char* what)
{
    return NameTable{entries, N, what};
}

template <size_t N>
constexpr NameTable tableOf(const std::array<NamedValue, N>& entries, const char* what)
{
    return NameTable{entries.data(), N, what};
}

}  // namespace

const NameTable kActionKindNames = tableOf(kActionKinds, "action kind");
const NameTable kRegistryRootNames = tableOf(kRegistryRoots, "registry root");
const NameTable kRegistryValueTypeNames = tableOf(kRegistryValueTypes, "registry value type");
const NameTable kRunMomentNames = tableOf(kRunMoments, "moment to run a program");
const NameTable kCallMomentNames = tableOf(kCallMoments, "moment to call a library");
const NameTable kPlacementNames = tableOf(kNamedPlacements, "placement");
const NameTable kOutsideLinkNames = tableOf(kOutsideLinkPolicies, "way to treat links out of a source folder");
const NameTable kWindowsVersionNames = tableOf(kNamedOsClasses, "Windows version class");
const NameTable kShowCommandNames = tableOf(kShowCommands, "show command");
const NameTable kPageFlagNames = tableOf(kNamedPageFlags, "page flag");

std::string normalizeName(const std::string& name)
{
    std::string out;
    for (char c : name)
        out += c == ' ' || c == '-' ? '_' : char(tolower(uint8_t(c)));
    return out;
}

bool lookupName(const NameTable& table, const std::string& name, uint32_t& value)
{
    std::string wanted = normalizeName(name);
    for (size_t i = 0; i < table.count; ++i) {
        if (normalizeName(table.entries[i].name) == wanted) {
            value = table.entries[i].value;
            return true;
        }
    }
    return false;
}

std::string listNames(const NameTable& table)
{
    std::string out;
    for (size_t i = 0; i < table.count; ++i) {
        if (i)
            out += ", ";
        out += table.entries[i].name;
    }
    return out;
}

namespace {

// The keys that have a name rather than a character, by virtual-key code.
const NamedValue kNamedKeys[] = {
    {"space", 0x20}, {"page_up", 0x21}, {"page_down", 0x22}, {"end", 0x23},    {"home", 0x24},   {"left", 0x25},
    {"up", 0x26},    {"right", 0x27},   {"down", 0x28},      {"insert", 0x2D}, {"delete", 0x2E},
};

std::string withoutUnderscores(std::string name)
{
    name.erase(std::remove(name.begin(), name.end(), '_'), name.end());
    return name;
}

// One part of a hot key, blanks around it dropped ("Ctrl + X").
std::string keyPart(const std::string& text, size_t start, size_t end)
{
    while (start < end && text[start] == ' ')
        ++start;
    while (end > start && text[end - 1] == ' ')
        --end;
    return normalizeName(text.substr(start, end - start));
}

bool allDigits(const std::string& text, size_t from)
{
    return from < text.size() && text.find_first_not_of("0123456789", from) == std::string::npos;
}

// The virtual-key code of a normalized key name, 0 when it is none.
uint32_t virtualKeyOf(const std::string& part)
{
    if (part.size() == 1 && (isalpha(uint8_t(part[0])) || isdigit(uint8_t(part[0]))))
        return uint32_t(toupper(uint8_t(part[0])));  // VK_A..VK_Z and VK_0..VK_9 are the characters
    if (part[0] == 'f' && allDigits(part, 1)) {
        int n = atoi(part.c_str() + 1);
        return n >= 1 && n <= 24 && part.size() <= 3 ? 0x70 + uint32_t(n - 1) : 0;  // VK_F1
    }
    if (part.compare(0, 3, "num") == 0 && part.size() == 4 && isdigit(uint8_t(part[3])))
        return 0x60 + uint32_t(part[3] - '0');  // VK_NUMPAD0
    // "PageUp", "page up" and "page-up" are one name.
    for (const NamedValue& named : kNamedKeys) {
        if (withoutUnderscores(part) == withoutUnderscores(named.name))
            return named.value;
    }
    return 0;
}

}  // namespace

bool parseHotKey(const std::string& text, uint16_t& hotKey, std::string& problem)
{
    // HOTKEYF_SHIFT, HOTKEYF_CONTROL, HOTKEYF_ALT, HOTKEYF_EXT.
    const NamedValue modifiers[] = {{"shift", 1}, {"ctrl", 2}, {"control", 2}, {"alt", 4}, {"ext", 8}};
    const uint32_t kControl = 2, kAlt = 4;
    uint32_t flags = 0;
    size_t start = 0;
    size_t plus;
    while ((plus = text.find('+', start)) != std::string::npos) {
        std::string part = keyPart(text, start, plus);
        uint32_t flag = 0;
        for (const NamedValue& m : modifiers) {
            if (part == m.name)
                flag = m.value;
        }
        if (!flag) {
            problem = "'" + part + "' is not a modifier (Ctrl, Alt, Shift, Ext)";
            return false;
        }
        flags |= flag;
        start = plus + 1;
    }
    std::string part = keyPart(text, start, text.size());
    uint32_t key = part.empty() ? 0 : virtualKeyOf(part);
    if (!key) {
        problem = part.empty() ? "the key is missing"
                               : "'" + part +
                                     "' is not a key (a letter, a digit, F1 to F24, Num0 to Num9, Space, "
                                     "PageUp, PageDown, End, Home, Left, Up, Right, Down, Insert, Delete)";
        return false;
    }
    bool typed = key == 0x20 || (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z');
    if (typed && !(flags & (kControl | kAlt))) {
        problem = "'" + text + "' would take a typed key from every program; add Ctrl or Alt";
        return false;
    }
    hotKey = uint16_t(flags << 8 | key);
    return true;
}
