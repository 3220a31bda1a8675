// The wizard frame: one modal dialog hosting one page at a time, and the
// operations that pages and their worker threads use on it.
#pragma once

#include "format/bytes.h"
#include "engine/page_link.h"
#include "wizard/page_descriptor.h"

#include <windows.h>

// Frame to page, sent: may the page be left? wParam 0 = cancel or close,
// 1 = Back, 2 = Next. Nonzero answer: not yet.
constexpr UINT WM_QUERY_LEAVE = WM_USER + 17;

enum LeaveReason : WPARAM { kLeaveCancel = 0, kLeaveBack = 1, kLeaveNext = 2 };

// Frame to page, sent when Cancel, Escape or the close box is pressed while
// cancelling is allowed, before the page is left. Nonzero answer: the page
// took the cancel over (a page whose worker is busy asks and stops it
// itself) and the wizard goes on.
constexpr UINT WM_CANCEL_PRESSED = WM_USER + 18;

enum class WizardKind { Install, Uninstall };

// Runs the modal frame dialog with the first page of a sequence.
void runWizard(HINSTANCE instance, WizardKind kind);
INT_PTR CALLBACK wizardFrameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam);

void setBackTarget(HWND page, const PageDescriptor* target);
void setNextTarget(HWND page, const PageDescriptor* target);
// Enables or disables Next without changing where it leads, for a page
// whose choices do not allow going on yet. The button is touched only when
// its state differs.
void setNextEnabled(HWND page, bool enabled);
// Null means the default caption, the one the first page gave Next.
void setNextCaption(HWND page, const char* text);
// A control's text from a package text, set as it is stored.
void setItemText(HWND window, int id, const Bytes& text);
void WINAPI setBusy(HWND page, bool enable, bool keepClosable);
// Allows Cancel (the button, Escape and the close box) or not, leaving Back
// and Next as they are: a busy page whose work may be stopped.
void setCancelEnabled(HWND page, bool enable);
// Ends silent mode and shows the frame.
void leaveSilentMode(HWND page);
// Silent mode: the frame is minimised and stays so until a page shows it
// again with showFrame. Restoring it meanwhile is refused, also the normal
// show that the dialog manager gives a modal dialog once its queue is
// first empty.
void minimiseFrame(HWND page);
void showFrame(HWND page, int showCommand);
// Presses Next on the page's frame by posting the command.
void postNextCommand(HWND page);
// The welcome page fixes the default Next caption before its loading thread
// can change the button's text.
void rememberDefaultNextCaption(HWND page);

HWND frameOf(HWND page);

// A message box over the page, captioned with the wizard's title.
int showFrameMessage(HWND page, const char* text, UINT flags);

// The first page dresses the frame: the program's icon, the caption and the
// banner. The button captions are the page's to set.
void dressFrame(HWND page, const char* caption, const Bytes& bannerInfo, const Bytes& bannerBits);
