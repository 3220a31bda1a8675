// The Windows version classes: one bit each, the masks a component is
// offered, changeable and chosen by default under, and the names a manifest
// gives them.
#pragma once

#include "format/named_codes.h"

#include <stdint.h>

enum OsClass : uint32_t {
    OsWin95 = 1,
    OsWin98 = 2,
    OsWinMe = 4,
    OsWinNt4 = 8,
    OsWin2000 = 16,
    OsWinXp = 32,
    OsWinVista = 64,
    OsWin7 = 128,
};

constexpr uint32_t kOsClassesWin9x = OsWin95 | OsWin98 | OsWinMe;
constexpr uint32_t kOsClassesNt = OsWinNt4 | OsWin2000 | OsWinXp | OsWinVista | OsWin7;
constexpr uint32_t kOsClassesAll = kOsClassesWin9x | kOsClassesNt;

// The eight classes, then the groups, each as a mask of class bits.
inline constexpr NamedCode kNamedOsClasses[] = {
    {"win95", OsWin95},     {"win98", OsWin98}, {"winme", OsWinMe},         {"nt4", OsWinNt4},
    {"win2000", OsWin2000}, {"xp", OsWinXp},    {"vista", OsWinVista},      {"win7", OsWin7},
    {"all", kOsClassesAll}, {"none", 0},        {"win9x", kOsClassesWin9x}, {"nt", kOsClassesNt},
};
