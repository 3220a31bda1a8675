// The wizard's pages and the two fixed page sequences.
#pragma once

#include "wizard/page_rules.h"

#include <windows.h>

#include <stdint.h>

// What becomes of a page in silent mode once it is made.
enum class WhenSilent : uint8_t {
    // It moves on by itself when its work is done (the welcome page's
    // loading thread, the removal and progress pages' workers), or not at
    // all (a page ending the wizard).
    Stays,
    // The frame presses Next for it.
    PressesNext,
};

struct PageDescriptor {
    HMODULE module;       // null: the program's own module
    uint32_t resourceId;  // dialog template; 0 ends the wizard
    DLGPROC dialogProcedure;
    WhenSilent whenSilent;
};

extern const PageDescriptor WelcomePage;
extern const PageDescriptor LicensePage;
extern const PageDescriptor PreviousVersionPage;
extern const PageDescriptor ComponentPage;
extern const PageDescriptor FolderPage;
extern const PageDescriptor ProgressPage;
extern const PageDescriptor FinishPage;
extern const PageDescriptor EndOfWizard;

extern const PageDescriptor UninstallWelcomePage;
extern const PageDescriptor UninstallProgressPage;
extern const PageDescriptor UninstallFinishPage;

// The descriptor of a page of the install sequence.
const PageDescriptor* installPageDescriptor(InstallPage page);
