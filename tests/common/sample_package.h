// The sample install package that the host tests, the Windows-side tests and
// the fuzz seeds all build: one definition, so the two sides test the same
// bytes. Portable: no Win32 include and no test framework.
#pragma once

#include "format/bytes.h"
#include "format/install_script.h"

#include <string>
#include <vector>

struct InfoSwitch {
    std::string key;
    std::string text;
};

// The four info switches of a typical package.
std::vector<InfoSwitch> sampleInfoSwitches();

// The info-switch item: key and text pairs, each NUL-terminated, ended by an
// empty key.
Bytes infoSwitchTable(const std::vector<InfoSwitch>& switches);

// Every text of the script set, a small valid 8-bit banner, and the given
// info-switch table.
InstallScript sampleInstallScript(const std::vector<InfoSwitch>& switches = sampleInfoSwitches());

// Decoded block 1 with no page flags, no actions and no components, and its
// seventeen texts empty.
Bytes emptyActionBlock();

// A whole install package file: the stub image, then the script and the
// action block, compressed with the given preset. Null when writing failed.
Bytes buildPackageOver(const Bytes& stubImage, const InstallScript& script, const Bytes& actionBlock, int preset);
