// Whole installer runs as a user makes them: the installers the build makes
// from tests/windows/packages, the wizard's frame and pages as they look,
// the buttons a user presses, and what a run leaves on disk and in the
// registry, removed again before and after each test.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

// --------------------------------------------------------------- test installers

// The installer the build made from tests/windows/packages/NAME.
std::string testInstallerPath(const std::string& name);
// A folder of the copy of tests/windows/packages/NAME that it was built
// from (its payload, with the files' own time stamps).
std::string testPackageFolder(const std::string& name, const std::string& sub);
// The 32-bit Program Files folder, which the installers install into.
std::string programFilesFolder();
// The path below the Uninstall key where an entry of that name lives.
std::string uninstallKeyPath(const std::string& name);

// ---------------------------------------------------------------- frame and pages

struct ButtonView {
    std::string text;
    bool enabled = false;
    bool visible = false;
};

// The frame as the user sees it: its caption and its three buttons.
struct FrameView {
    std::string caption;
    ButtonView back, next, cancel;
};
FrameView viewFrame(HWND frame);

enum class PageKind { None, Text, License, Components, Folders, Progress, Finish };
const char* pageKindName(PageKind kind);
PageKind pageKind(HWND page);

// The page's main text: the text of a welcome, earlier-installation or
// finish page, the licence of the licence page. Line ends read as "\n".
std::string pageText(HWND page);
// The hint line at the bottom of every page.
std::string hintLine(HWND page);

// Waits until a page other than `previous` shows and it is of the kind;
// null when another kind shows or none does in time.
HWND waitForPage(HWND frame, PageKind kind, HWND previous = nullptr);
// Waits until the page on show is of the kind, whatever pages come before
// it (an unattended run goes through them by itself); null when it does not
// come in time.
HWND waitUntilPageKind(HWND frame, PageKind kind);
// Waits until the frame's Next button is enabled (the page is ready).
bool waitForNextEnabled(HWND frame);
// Presses one of the frame's buttons (a user cannot press a disabled one)
// and waits for the page that follows, which must be of the kind.
HWND pressAndWaitForPage(HWND frame, int buttonId, PageKind kind);

// The Escape key and the close box: WM_COMMAND IDCANCEL and WM_SYSCOMMAND
// SC_CLOSE, which reach the frame even while its Cancel button is
// disabled. Sent, so the frame has handled them when these return.
bool sendEscape(HWND frame);
bool sendCloseBox(HWND frame);

// A message box of the process; null when none comes in time.
HWND waitForPrompt(DWORD processId);

// Whether the process still runs.
bool isRunning(HANDLE process);

// Saves a screenshot of the frame (or of any window) as NAME.bmp in the
// tests' output folder, for people to look at.
void saveScreenshot(HWND window, const std::string& name);

// ------------------------------------------------------------------ held events

// A named event that programs of the tests wait for while it exists and is
// not set (the recording program's and the fake uninstaller's hold).
class EventHold {
public:
    explicit EventHold(const char* name);
    ~EventHold() { release(); }
    EventHold(const EventHold&) = delete;
    EventHold& operator=(const EventHold&) = delete;
    bool held() const { return event_ != nullptr; }
    void release();

private:
    HANDLE event_ = nullptr;
};

// The event the wizard_run package's helper step (the recording program)
// waits for.
extern const char kHelperHold[];
// The event the fake uninstaller's temporary copy waits for.
extern const char kFakeUninstallerHold[];
// The fake uninstaller the tests register as an earlier product's.
std::string fakeUninstallerPath();

// ------------------------------------------------------------- files on disk

// Every file and folder below a folder, relative to it, folders with a
// trailing backslash, sorted.
std::vector<std::string> treeEntries(const std::string& folder);
// The files only.
std::vector<std::string> treeFiles(const std::string& folder);
// Every file below `source` is at the same place below `folder`, with the
// same contents and the same last-write time (failures are reported).
void expectSameFiles(const std::string& source, const std::string& folder);
// The size of every file below a folder, added up.
uint64_t treeSize(const std::string& folder);
// Removes a folder and everything in it. Only folders below Program Files
// or the temporary folder whose name starts with "Slipway" are touched.
void removeInstalledTree(const std::string& folder);

// ------------------------------------------------------------- installations

// What an installation of a test package leaves behind: its folder and its
// entry under the Uninstall key (in the 32-bit view, where the 32-bit
// installer writes it). Both are removed when it is made and when it goes,
// so no test sees what another left.
class InstalledProduct {
public:
    InstalledProduct(const std::string& folderName, const std::vector<std::string>& uninstallKeys);
    ~InstalledProduct() { remove(); }
    InstalledProduct(const InstalledProduct&) = delete;
    InstalledProduct& operator=(const InstalledProduct&) = delete;

    // The install folder below Program Files.
    const std::string& folder() const { return folder_; }
    std::string at(const std::string& relative) const { return folder_ + "\\" + relative; }
    // Another folder to remove with it (an earlier installation's, say).
    void alsoRemove(const std::string& folder) { extraFolders_.push_back(folder); }
    void remove();

private:
    std::string folder_;
    std::vector<std::string> keys_;
    std::vector<std::string> extraFolders_;
};

// Runs the uninstaller registered under the Uninstall key's entry of that
// name (32-bit view) as the system's list of programs does, its command
// unquoted as registered, with a tail ("/passive"), and waits until it and
// its temporary copy have ended. False when none is registered or it could
// not be started.
bool runRegisteredUninstaller(const std::string& keyName, const std::string& tail);

// Writes an earlier product's entry under the Uninstall key (32-bit view).
bool registerEarlierProduct(const std::string& keyName, const std::string& uninstallString);

// Today's date as the uninstall entry's "InstallDate" has it.
std::string todayAsInstallDate();
