// The two limits a package must keep to be installable: the string pool of
// a block, and the memory of the 32-bit process that installs it.
#pragma once

#include "builder/assembly/action_lists.h"
#include "builder/manifest/diagnostics.h"
#include "format/action_script.h"

#include <stdint.h>

#include <string>
#include <vector>

// The installing process holds the decoded block 1 and the copies the
// actions make of it side by side, plus the decoder's dictionary: about
// twice block 1 plus the dictionary. A 32-bit process can count on this
// much for it.
constexpr uint64_t kInstallMemoryLimit = 1536ull << 20;

// Peak memory of installing a block 1 of this decoded size with this
// dictionary (the decoder never allocates more dictionary than the block).
uint64_t installPeakMemory(uint64_t decodedBlock1, uint64_t dictionary);

// Empty when the peak fits; else the message that refuses the package.
// `what` names the size: "its files hold" before the files are read, "block
// 1 decodes to" once it is known.
std::string installMemoryProblem(uint64_t decodedBlock1, uint64_t dictionary, const char* what);

// Counts the distinct strings of block 1 in the order the writer stores
// them. When they exceed the pool's 16384 items, reports the manifest place
// of the action at which the pool overflows and returns false. The report
// says how many files the package has and how many would fit, or, when the
// manifest's other texts leave no room for a single file, how many of those
// texts there are.
bool checkStringPool(const ActionScript& script, const ListOrigins& mainOrigins,
                     const std::vector<ListOrigins>& componentOrigins,
                     const std::vector<SourcePosition>& componentPlaces, const std::string& manifestPath,
                     Diagnostics& diagnostics);
