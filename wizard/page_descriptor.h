// The wizard's pages and the two fixed page sequences.
#pragma once

#include "wizard/page_rules.h"

#include <windows.h>

#include <stdint.h>

struct PageDescriptor {
    HMODULE module;      // null: the program's own module
    uint32_t resourceId;  // dialog template; 0 ends the wizard
    DLGPROC dialogProcedure;
};

extern const PageDescriptor WelcomePage;
extern const PageDescriptor LicensePage;
extern const PageDescriptor PreviousVersionPage;
extern const PageDescriptor RemovePreviousPage;
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
