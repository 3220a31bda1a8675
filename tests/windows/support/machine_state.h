// What the whole-run tests compare before a run and after it is undone (an
// uninstallation, or a rollback): the files below Program Files with what
// they hold, the Start menu's programs, and every value of the registry's
// software keys (the machine's in the installer's 32-bit view, and the
// user's).
#pragma once

#include <string>
#include <vector>

struct MachineState {
    // "path" for a folder, "path size crc time" for a file, sorted.
    std::vector<std::string> programFiles;
    std::vector<std::string> startMenu;
    std::vector<std::string> machineValues;
    std::vector<std::string> userValues;
};

MachineState machineState();

// A non-fatal failure for each part that differs, listing the lines added
// and those gone.
void expectSameState(const MachineState& before, const MachineState& after);

std::string shellFolder(int csidl);
