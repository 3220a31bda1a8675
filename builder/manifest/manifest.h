// A manifest as read: every package text already in the package's code
// page and checked, defaults filled in, readable names turned into numbers.
// What needs the file system (the files of `files` entries, the banner, the
// licence) is named here and loaded when the package is built.
#pragma once

#include "format/install_script.h"
#include "builder/manifest/diagnostics.h"
#include "format/action.h"
#include "format/action_script.h"
#include "format/os_classes.h"

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

// A `files` entry: every file it matches becomes one WriteFileAction.
struct FilesEntry {
    std::string source;                // folder, file or glob, UTF-8 as written, relative to the manifest
    std::string destination;           // package text: the folder the files go to
    std::vector<std::string> exclude;  // globs, relative to the source's folder
    SourcePosition sourcePosition;
};

// One entry of an action list, in the order written: a files entry or one
// action made from its table.
struct ListEntry {
    SourcePosition position;
    std::unique_ptr<FilesEntry> files;
    std::unique_ptr<Action> action;
};

struct ManifestList {
    std::vector<ListEntry> entries;
    bool pageFlagsGiven = false;  // otherwise derived from the list's texts
    uint32_t pageFlags = 0;
};

struct ManifestComponent {
    SourcePosition position;
    uint32_t placement = kPlacementList;
    uint32_t offeredMask[2] = {kOsClassesAll, kOsClassesAll};
    uint32_t changeableMask[2] = {kOsClassesAll, kOsClassesAll};
    uint32_t defaultMask[2] = {kOsClassesAll, kOsClassesAll};
    std::string name;
    std::string description;
    ManifestList list;
};

// A file the manifest names, kept with the place that names it.
struct FileReference {
    std::string path;  // UTF-8, relative to the manifest's folder or absolute; empty: not given
    SourcePosition position;
    bool given() const { return !path.empty(); }
};

struct Manifest {
    std::string path;    // as given, for messages
    std::string folder;  // where relative paths start
    uint32_t codePage = 1252;
    // outside_links = "refuse": links in a source folder that lead out of it
    // stop the build instead of being packaged with a warning.
    bool refuseOutsideLinks = false;
    // Block 0 with every text set; the banner and the licence text are
    // filled in from `banner` and `license` when the package is built.
    InstallScript installScript;
    // The seventeen texts of block 1.
    ActionScriptTexts actionTexts;
    // Block 1's upgrade rules: allow_downgrade = true sets kUpgradeAllowDowngrade.
    uint32_t upgradeRules = 0;
    FileReference banner;
    FileReference license;
    ManifestList mainList;
    std::vector<ManifestComponent> components;
};

// Reads a manifest file. False when anything was reported.
bool readManifest(const std::string& path, Manifest& out, Diagnostics& diagnostics);
// The same over a text already in memory; `path` names it in messages and
// gives the folder that relative paths start from.
bool readManifestText(const std::string& path, const std::string& text, Manifest& out, Diagnostics& diagnostics);
