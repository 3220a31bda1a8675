// The uninstall package: the uninstall wizard's texts and banner, the names of
// its registry entry and file, and the undo log recorded while installing.
#pragma once

#include "format/bytes.h"
#include "format/wizard_texts.h"
#include "format/undo_entry.h"

#include <memory>
#include <string.h>

struct UninstallScript : WizardFrameTexts {
    // Every member starts as zero bytes: one fill rather than a store per
    // member, and none at all where the script comes from zeroed memory.
    UninstallScript() { memset(static_cast<void*>(this), 0, sizeof(*this)); }

    Bytes removeFilesStepCaption;
    Bytes progressHint;
    Bytes readyToRemoveHint;
    Bytes successText;
    Bytes failureText;
    Bytes finishHint;
    Bytes uninstallKeyName;
    Bytes uninstallerPath;
    UndoLog undoLog;  // newest first

    // The eighteen items ahead of the undo log, in stream order.
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.text("title", s.title);
        v.banner("banner", s.bannerInfo, s.bannerBits);
        v.text("backText", s.backText);
        v.text("nextText", s.nextText);
        v.text("removeText", s.removeText);
        v.text("finishText", s.finishText);
        v.text("cancelText", s.cancelText);
        v.text("welcomeText", s.welcomeText);
        v.text("hintText", s.hintText);
        v.text("removeFilesStepCaption", s.removeFilesStepCaption);
        v.text("progressHint", s.progressHint);
        v.text("readyToRemoveHint", s.readyToRemoveHint);
        v.text("successText", s.successText);
        v.text("failureText", s.failureText);
        v.text("finishHint", s.finishHint);
        v.text("uninstallKeyName", s.uninstallKeyName);
        v.text("uninstallerPath", s.uninstallerPath);
    }
};

// The eighteen items, then each entry as marker 1 and its record, then 0.
bool writeUninstallScript(const UninstallScript& script, ByteSink& sink);

// Reads a cursor attached to the package body (behind the magic). False when
// the package is damaged: any read out of the body's bounds (an index past
// the pool, a length past the data, a stream longer than the body). An
// unknown entry kind is skipped without fields, as writers never produce one.
bool readUninstallScript(ByteCursor& cursor, UninstallScript& out);

// An uninstall package's body read whole into a new script; null when it is
// damaged or memory ran out.
std::unique_ptr<UninstallScript> readUninstallPackage(const Bytes& body);
