#include "wizard/wizard_frame.h"

#include "state/run_state.h"
#include "engine/ask_retry.h"
#include "format/startup_rules.h"
#include "resources/resource_ids.h"
#include "wizard/banner.h"
#include "platform/import_slots.h"

#include <string.h>

#include <atomic>

SLIPWAY_IMPORT_SLOT(CreateDialogParamA, 20);
SLIPWAY_IMPORT_SLOT(DestroyWindow, 4);
SLIPWAY_IMPORT_SLOT(DialogBoxParamA, 20);
SLIPWAY_IMPORT_SLOT(EndDialog, 8);
SLIPWAY_IMPORT_SLOT(LoadIconA, 8);
SLIPWAY_IMPORT_SLOT(SetFocus, 4);

namespace {

// One wizard exists per process, so its state is process-wide.
struct FrameState {
    HWND currentPage = nullptr;
    const PageDescriptor* backTarget = nullptr;
    const PageDescriptor* nextTarget = nullptr;
    bool savedBackEnabled = false;
    bool savedNextEnabled = false;
    HCURSOR savedCursor = nullptr;
    char defaultNextCaption[128] = {};
    // True while a page is being left: commands that arrive meanwhile (from a
    // prompt's message loop, say) are refused rather than run under it.
    bool leaving = false;
};

FrameState frameState;

// A worker sets these (setBusy, showFrame) while this thread may read them
// on a close or a restore that no message of the worker comes before:
// atomics. The rest of FrameState changes hands with the messages a worker
// sends or posts after changing it.
std::atomic<bool> cancelAllowed(false);
// Silent mode before the progress page: the frame refuses to be restored.
std::atomic<bool> keepMinimised(false);

void enableControl(HWND frame, int id, bool enable)
{
    EnableWindow(GetDlgItem(frame, id), enable ? TRUE : FALSE);
}

// Asks the page whether it may be left, waiting while it says not yet.
void leavePage(HWND frame, HWND page, LeaveReason reason)
{
    setBackTarget(page, nullptr);
    setNextTarget(page, nullptr);
    if (SendMessageA(page, WM_QUERY_LEAVE, reason, 0) == 0)
        return;
    setBusy(page, false, false);
    do {
        Sleep(100);
    } while (SendMessageA(page, WM_QUERY_LEAVE, kLeaveCancel, 0) != 0);
    setBusy(page, true, false);
    (void)frame;
}

void showPage(HWND frame, const PageDescriptor* descriptor)
{
    if (!descriptor || descriptor->resourceId == 0) {
        frameState.currentPage = nullptr;
        EndDialogSlot(frame, 0);
        return;
    }
    HWND next = GetDlgItem(frame, IDC_NEXT);
    if (frameState.defaultNextCaption[0])
        SetWindowTextA(next, frameState.defaultNextCaption);
    SetFocusSlot(frame);
    HMODULE module = descriptor->module ? descriptor->module : GetModuleHandleA(nullptr);
    frameState.currentPage = CreateDialogParamASlot(module, MAKEINTRESOURCEA(LOWORD(descriptor->resourceId)), frame,
                                                    descriptor->dialogProcedure, 0);
    if (!frameState.defaultNextCaption[0])
        GetWindowTextA(next, frameState.defaultNextCaption, sizeof frameState.defaultNextCaption);
    // A page that needs nobody in silent mode is left at once. Posted once
    // its WM_INITDIALOG has set Next's target, as the pages did at its end.
    if (descriptor->whenSilent == WhenSilent::PressesNext && runState.silentMode) {
        PostMessageA(frame, WM_COMMAND, IDC_NEXT, 0);
    }
}

void navigate(HWND frame, const PageDescriptor* target, LeaveReason reason)
{
    // Read before leaving: leaving clears both targets. A command without a
    // target (nothing produces one) is ignored.
    if (!target || frameState.leaving || !frameState.currentPage)
        return;
    frameState.leaving = true;
    HWND page = frameState.currentPage;
    leavePage(frame, page, reason);
    DestroyWindowSlot(page);
    frameState.currentPage = nullptr;
    frameState.leaving = false;
    showPage(frame, target);
}

void cancelWizard(HWND frame)
{
    if (!cancelAllowed || frameState.leaving)
        return;
    if (frameState.currentPage && SendMessageA(frameState.currentPage, WM_CANCEL_PRESSED, 0, 0))
        return;
    frameState.leaving = true;
    if (HWND page = frameState.currentPage) {
        leavePage(frame, page, kLeaveCancel);
        DestroyWindowSlot(page);
    }
    frameState.currentPage = nullptr;
    frameState.leaving = false;
    EndDialogSlot(frame, 0);
}

}  // namespace

HWND frameOf(HWND page)
{
    return GetParent(page);
}

int showFrameMessage(HWND page, const char* text, UINT flags)
{
    char caption[256];
    GetWindowTextA(frameOf(page), caption, sizeof caption);
    return MessageBoxA(page, text, caption, flags);
}

void dressFrame(HWND page, const char* caption, const Bytes& bannerInfo, const Bytes& bannerBits)
{
    HWND frame = frameOf(page);
    HICON icon = LoadIconASlot(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_SLIPWAY));
    SendMessageA(frame, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SetWindowTextA(frame, caption);
    showBanner(frame, bannerInfo, bannerBits);
}

void setBackTarget(HWND page, const PageDescriptor* target)
{
    frameState.backTarget = target;
    frameState.savedBackEnabled = target != nullptr;
    enableControl(frameOf(page), IDC_BACK, target != nullptr);
}

void setNextTarget(HWND page, const PageDescriptor* target)
{
    frameState.nextTarget = target;
    frameState.savedNextEnabled = target != nullptr;
    enableControl(frameOf(page), IDC_NEXT, target != nullptr);
}

// What IsWindowEnabled answers, read from the style: one import less.
static bool isEnabled(HWND window)
{
    return (GetWindowLongA(window, GWL_STYLE) & WS_DISABLED) == 0;
}

void setNextEnabled(HWND page, bool enabled)
{
    HWND next = GetDlgItem(frameOf(page), IDC_NEXT);
    frameState.savedNextEnabled = enabled;
    if (isEnabled(next) != enabled)
        EnableWindow(next, enabled);
}

void setItemText(HWND window, int id, const Bytes& text)
{
    SetDlgItemTextA(window, id, text.text());
}

void setNextCaption(HWND page, const char* text)
{
    if (!text)
        text = frameState.defaultNextCaption;
    HWND next = GetDlgItem(frameOf(page), IDC_NEXT);
    char current[256];
    GetWindowTextA(next, current, sizeof current);
    if (strcmp(current, text) != 0)
        SetWindowTextA(next, text);
}

void WINAPI setBusy(HWND page, bool enable, bool keepClosable)
{
    HWND frame = frameOf(page);
    cancelAllowed = enable;
    enableControl(frame, IDCANCEL, enable);
    if (enable) {
        if (frameState.savedCursor) {
            SetCursor(frameState.savedCursor);
            frameState.savedCursor = nullptr;
        }
        enableControl(frame, IDC_BACK, frameState.savedBackEnabled);
        enableControl(frame, IDC_NEXT, frameState.savedNextEnabled);
        return;
    }
    if (!keepClosable) {
        frameState.savedCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    } else if (frameState.savedCursor) {
        SetCursor(frameState.savedCursor);
        frameState.savedCursor = nullptr;
    }
    frameState.savedBackEnabled = isEnabled(GetDlgItem(frame, IDC_BACK));
    frameState.savedNextEnabled = isEnabled(GetDlgItem(frame, IDC_NEXT));
    enableControl(frame, IDC_BACK, false);
    enableControl(frame, IDC_NEXT, false);
    if (keepClosable)
        cancelAllowed = true;
}

void setCancelEnabled(HWND page, bool enable)
{
    cancelAllowed = enable;
    enableControl(frameOf(page), IDCANCEL, enable);
}

void leaveSilentMode(HWND page)
{
    if (!runState.silentMode.exchange(0))
        return;
    showFrame(page, SW_SHOWNORMAL);
}

void minimiseFrame(HWND page)
{
    keepMinimised = true;
    ShowWindow(frameOf(page), SW_MINIMIZE);
}

void showFrame(HWND page, int showCommand)
{
    keepMinimised = false;
    ShowWindow(frameOf(page), showCommand);
}

void postNextCommand(HWND page)
{
    PostMessageA(frameOf(page), WM_COMMAND, IDC_NEXT, 0);
}

void rememberDefaultNextCaption(HWND page)
{
    if (!frameState.defaultNextCaption[0])
        GetWindowTextA(GetDlgItem(frameOf(page), IDC_NEXT), frameState.defaultNextCaption,
                       sizeof frameState.defaultNextCaption);
}

INT_PTR CALLBACK wizardFrameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        frameState = FrameState();
        cancelAllowed = true;
        keepMinimised = false;
        SendMessageA(frame, WM_CHANGEUISTATE, UIS_INITIALIZE, 0);
        showPage(frame, reinterpret_cast<const PageDescriptor*>(lParam));
        return FALSE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            SendMessageA(frame, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
        return FALSE;
    case WM_COMMAND:
        if (wParam == IDC_BACK) {
            navigate(frame, frameState.backTarget, kLeaveBack);
            return TRUE;
        }
        if (wParam == IDC_NEXT) {
            navigate(frame, frameState.nextTarget, kLeaveNext);
            return TRUE;
        }
        if (wParam == IDCANCEL) {
            cancelWizard(frame);
            return TRUE;
        }
        return FALSE;
    case WM_RETRY_PROMPT:
        // A worker's question, shown here so that the box and the wizard
        // it covers share this thread.
        answerRetryPrompt(*reinterpret_cast<RetryPrompt*>(lParam));
        return TRUE;
    case WM_QUERYOPEN:
        if (!keepMinimised)
            return FALSE;
        SetWindowLongPtrA(frame, DWLP_MSGRESULT, FALSE);
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            cancelWizard(frame);
            SetWindowLongPtrA(frame, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

void runWizard(HINSTANCE instance, WizardKind kind)
{
    const PageDescriptor* first = kind == WizardKind::Install ? &WelcomePage : &UninstallWelcomePage;
    DialogBoxParamASlot(instance, MAKEINTRESOURCEA(IDD_FRAME), nullptr, wizardFrameProcedure,
                        reinterpret_cast<LPARAM>(first));
}
