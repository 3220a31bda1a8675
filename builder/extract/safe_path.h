// Turns a packaged file's path (8-bit text with path variables) into a path
// relative to the extraction folder that cannot leave it.
#pragma once

#include <string>
#include <vector>

// The path's folder and file names as UTF-8, in order. Both slashes separate
// names; empty and "." names vanish; a leading separator, drive or server
// name gives no root, so the result is always relative. Within a name, a
// colon and every other character a Windows file name cannot hold becomes
// '_', so do a name made only of dots or blanks (".." among them) and a
// trailing dot or blank; a device name (CON, NUL, COM1, ...) gets a leading
// '_', also with blanks before its extension ("NUL .txt") and with the
// superscript digits Windows counts as port numbers ("COM\xB9"). Path
// variables stay as they are: "$PROGRAMFILESFOLDER$" is a folder name. A
// path with no name at all gives the single name "_".
std::vector<std::string> safeRelativeNames(const std::string& packagePath);

// The names joined with '/'.
std::string joinNames(const std::vector<std::string>& names);
