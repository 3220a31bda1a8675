// The uninstall package: the uninstall wizard's texts and banner, the names of
// its registry entry and file, and the undo log recorded while installing.
#pragma once

#include "app/bytes.h"
#include "engine/undo_entry.h"

struct UninstallScript {
    Bytes title;
    Bytes bannerInfo;
    Bytes bannerBits;
    Bytes backText;
    Bytes nextText;
    Bytes removeText;
    Bytes finishText;
    Bytes cancelText;
    Bytes welcomeText;
    Bytes hintText;
    Bytes removeFilesStepCaption;
    Bytes progressHint;
    Bytes readyToRemoveHint;
    Bytes successText;
    Bytes failureText;
    Bytes finishHint;
    Bytes uninstallKeyName;
    Bytes uninstallerPath;
    UndoLog undoLog;  // newest first

    uint32_t bannerInfoSize() const { return uint32_t(bannerInfo.size()); }
    uint32_t bannerBitsSize() const { return uint32_t(bannerBits.size()); }
};

constexpr int kUninstallScriptFieldCount = 18;
Bytes* uninstallScriptField(UninstallScript& script, int index);
const Bytes* uninstallScriptField(const UninstallScript& script, int index);
extern const char* const kUninstallScriptFieldNames[kUninstallScriptFieldCount];

// The eighteen fields, each entry as marker 1 and its record, then 0.
bool writeUninstallScript(const UninstallScript& script, ByteSink& sink);

// Reads a cursor attached to the package body (behind the magic). False when
// the package is damaged: any read out of the body's bounds (an index past
// the pool, a length past the data, a stream longer than the body). An
// unknown entry kind is skipped without fields, as writers never produce one.
bool readUninstallScript(ByteCursor& cursor, UninstallScript& out);
