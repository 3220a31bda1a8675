#include "wizard/folder_browser.h"

#include "platform/win32_handles.h"
#include "wizard/file_system_probe.h"
#include "wizard/install_folder_choice.h"
#include "wizard/wizard_frame.h"

#include <shlobj.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(SHBrowseForFolderA, 4);

namespace {

// What the browser's callback works with, alive while the browser is open.
struct BrowseState {
    char installFolder[kFolderPathSize];
    BrowseFolders folders;
    // The browser's own caption, shown again while the selection gives no
    // folder; read at the first callback, before any selection changed it.
    char caption[128];
    bool captionRead;
};

// The new-style browser needs OLE on the thread that shows it, which the
// wizard's main thread does not otherwise use.
class OleSession {
public:
    OleSession() : result_(OleInitialize(nullptr)) {}
    ~OleSession()
    {
        if (SUCCEEDED(result_))
            OleUninitialize();
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;

    bool ready() const { return SUCCEEDED(result_); }

private:
    HRESULT result_;
};

// The file-system path of a shell item; empty when it has none.
void pathOf(LPCITEMIDLIST item, char path[MAX_PATH])
{
    if (!item || !SHGetPathFromIDListA(item, path))
        path[0] = 0;
}

// Shows the folder the product would go to if the user chose `item` now.
// The new-style browser shows no status text, so its caption carries that
// folder too; the status text serves the old-style one. An item without a
// file-system path cannot be chosen.
void showResultFor(HWND browser, const BrowseState& state, LPCITEMIDLIST item)
{
    char path[MAX_PATH];
    pathOf(item, path);
    char result[kFolderPathSize];
    FolderChoice choice = chooseInstallFolder(path, state.folders, result, sizeof result);
    SendMessageA(browser, BFFM_ENABLEOK, 0, choice != FolderChoice::NoFileSystemPath);
    const char* shown = choice == FolderChoice::Unchanged ? state.installFolder
                        : choice == FolderChoice::Chosen  ? result
                                                          : "";
    SendMessageA(browser, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(shown));
    SetWindowTextA(browser, *shown ? shown : state.caption);
}

int CALLBACK browseCallback(HWND browser, UINT message, LPARAM parameter, LPARAM data)
{
    BrowseState& state = *reinterpret_cast<BrowseState*>(data);
    if (!state.captionRead) {
        GetWindowTextA(browser, state.caption, sizeof state.caption);
        state.captionRead = true;
    }
    if (message == BFFM_INITIALIZED && state.folders.startFolder[0])
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(state.folders.startFolder));
    else if (message == BFFM_SELCHANGED)
        showResultFor(browser, state, reinterpret_cast<LPCITEMIDLIST>(parameter));
    return 0;
}

void tellFolderTooLong(HWND page, const char* chosen, const char* subPath)
{
    char message[1024];
    describeTooLongFolder(chosen, subPath, message, sizeof message);
    showFrameMessage(page, message, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

bool browseForFolder(HWND page, int editId, const char* title)
{
    BrowseState state;
    state.captionRead = false;
    GetDlgItemTextA(page, editId, state.installFolder, sizeof state.installFolder);
    FileSystemProbe probe;
    splitInstallFolder(state.installFolder, probe, state.folders);

    OleSession ole;
    char displayName[MAX_PATH];
    BROWSEINFOA browse = {};
    browse.hwndOwner = page;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = title;
    // Only folders of the file system can take the product; without OLE
    // the old-style browser still works.
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | (ole.ready() ? BIF_NEWDIALOGSTYLE : 0);
    browse.lpfn = browseCallback;
    browse.lParam = reinterpret_cast<LPARAM>(&state);
    UniqueItemList chosen(SHBrowseForFolderASlot(&browse));
    if (!chosen)
        return false;

    char path[MAX_PATH];
    pathOf(chosen.get(), path);
    char result[kFolderPathSize];
    switch (chooseInstallFolder(path, state.folders, result, sizeof result)) {
    case FolderChoice::Chosen: SetDlgItemTextA(page, editId, result); return true;
    case FolderChoice::TooLong: tellFolderTooLong(page, path, state.folders.subPath); return false;
    case FolderChoice::Unchanged:
    case FolderChoice::NoFileSystemPath: break;
    }
    return false;
}
