// The names a manifest uses where the package holds numbers: action kinds,
// registry roots, component placements, Windows version classes, show
// commands, page flags and hot keys. Names are matched without regard to
// case, and a blank or a hyphen counts as an underscore, so "Folder page",
// "folder-page" and "folder_page" are one name.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "format/named_codes.h"

using NamedValue = NamedCode;

struct NameTable {
    const NamedValue* entries;
    size_t count;
    const char* what;  // "registry root", for messages
};

std::string normalizeName(const std::string& name);
bool lookupName(const NameTable& table, const std::string& name, uint32_t& value);
// The accepted names, comma separated, for "expected one of ...".
std::string listNames(const NameTable& table);

// The kind names of the action lists, as format/record_kinds.h lists them;
// "set_registry_value" stands for kind 6 or 7 as its value type says.
extern const NameTable kActionKindNames;
constexpr uint32_t kRegistryValueByType = 0x100;
// HKCR, HKCU, HKLM, HKU, HKCC (and their long forms): the predefined key
// handles a package may write below.
extern const NameTable kRegistryRootNames;
// string, dword (or REG_SZ, REG_DWORD): the action kind, 6 or 7.
extern const NameTable kRegistryValueTypeNames;
// The moments of kind "run": install (9), install_and_wait (11),
// finish_page (10), uninstall (12).
extern const NameTable kRunMomentNames;
// The moments of kind "call_library": install (13), uninstall (14).
extern const NameTable kCallMomentNames;
// list, folder_page, finish_page.
extern const NameTable kPlacementNames;
// What a link out of a source folder gets: warn (0), refuse (1).
extern const NameTable kOutsideLinkNames;
// The eight version classes (win95 ... win7) and the groups all, none,
// win9x and nt, each as a mask of class bits.
extern const NameTable kWindowsVersionNames;
// The SW_ show commands.
extern const NameTable kShowCommandNames;
// program_group (bit 0), install_folder (bit 1).
extern const NameTable kPageFlagNames;

// "Ctrl+Alt+H", "Shift+F5": modifiers Ctrl, Alt, Shift, Ext and one key
// (a letter, a digit, F1 to F24, Num0 to Num9 or one of the named keys
// Space, PageUp, PageDown, End, Home, Left, Up, Right, Down, Insert, Delete)
// in the shell's hot-key encoding: virtual key in the low byte, modifier
// flags in the high byte. A letter, digit or Space needs Ctrl or Alt: alone
// or with Shift it would take a typed character from every program. False
// with a reason when the text is no such key.
bool parseHotKey(const std::string& text, uint16_t& hotKey, std::string& problem);
