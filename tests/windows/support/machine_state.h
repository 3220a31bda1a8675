// What the whole-run tests compare before a run and after it is undone (an
// uninstallation, or a rollback): the files below Program Files with what
// they hold, the Start menu's programs, and every value and key of the
// registry's software keys (the machine's in the installer's 32-bit view,
// and the user's).
#pragma once

#include <string>
#include <vector>

struct MachineState {
    // "path" for a folder, "path size crc time" for a file, sorted.
    std::vector<std::string> programFiles;
    std::vector<std::string> startMenu;
    std::vector<std::string> machineValues;
    std::vector<std::string> userValues;
    // "path\\" for every key.
    std::vector<std::string> machineKeys;
    std::vector<std::string> userKeys;
};

MachineState machineState();

// What is compared: an uninstallation leaves the keys the installation made
// (only their values go); a rollback leaves no key it made either.
enum class KeysCompared { No, Yes };

// A non-fatal failure for each part that differs, listing the lines added
// and those gone.
void expectSameState(const MachineState& before, const MachineState& after, KeysCompared keys = KeysCompared::No);

std::string shellFolder(int csidl);
