// Turns the action lists of a manifest into the lists of block 1: every
// `files` entry becomes one WriteFileAction per file, with the file's
// bytes, time stamp and version, and each list gets its pageFlags.
#pragma once

#include "builder/assembly/pe_version.h"
#include "builder/manifest/diagnostics.h"
#include "builder/manifest/manifest.h"
#include "format/action_script.h"

#include <stdint.h>

#include <vector>

// Where each action of a built list came from, in list order: the manifest
// place that errors about the action point at.
struct ListOrigins {
    std::vector<SourcePosition> actions;
};

// The files of one `files` entry: found, then read once (file_contents.h)
// for their content number and version.
struct PlannedFile {
    std::string hostPath;
    std::string packagePath;  // the WriteFileAction's path text
    uint64_t size = 0;
    uint64_t fileTime = 0;
    uint32_t content = 0;  // the contents' number, which block 1 streams them by
    FileVersion version;
};

// Finds the files of every `files` entry of a list and checks their names
// (encodable, valid on Windows, not written twice). Reports problems and
// returns false; `plans` gets one vector per entry (empty for the others).
bool planFiles(const Manifest& manifest, const ManifestList& list, std::vector<std::vector<PlannedFile>>& plans,
               Diagnostics& diagnostics);

// Builds the list: a WriteFileAction per planned file, naming its contents
// by number, and the other actions moved out of the manifest list. Each
// run of consecutive file writes is put in the order of orderOfWrites
// (write_order.h), the origins with them. pageFlags come from the manifest when it sets
// them, else from the texts of the list's actions.
bool buildActionList(const Manifest& manifest, ManifestList& list, const std::vector<std::vector<PlannedFile>>& plans,
                     ActionList& out, ListOrigins& origins, Diagnostics& diagnostics);

// The pageFlags bits that the texts of a list's actions ask for.
uint32_t derivePageFlags(const ActionList& list);

// Warns, at the later one, about two actions of the script (any lists) that
// write the same file, shortcut or registry value: one overwrites the other.
void warnSharedDestinations(const ActionScript& script, const ListOrigins& mainOrigins,
                            const std::vector<ListOrigins>& componentOrigins, const std::string& manifestPath,
                            Diagnostics& diagnostics);

// Why a name cannot be a file or folder name on Windows; empty when it can.
std::string windowsNameProblem(const std::string& name);
