// Shortcuts on Windows, through the shell's link object.
#include "format/action.h"
#include "format/stub_texts.h"
#include "engine/com_ptr.h"
#include "engine/file_routines.h"
#include "engine/shortcut.h"
#include "engine/ask_retry.h"
#include "format/field_limits.h"
#include "format/undo_entry.h"

#include <windows.h>
#include <shlobj.h>
#include <new>

namespace {

const CLSID kShellLinkClass = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kShellLinkA = {0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// Change notifications for an ANSI path: after creating or deleting, flush
// without waiting (0x2000: the headers' SHCNF_FLUSHNOWAIT now also carries
// SHCNF_FLUSH, which would wait); after updating, flush and wait.
const UINT kNotifyNoWait = SHCNF_PATHA | 0x2000;
const UINT kNotifyAndWait = SHCNF_PATHA | SHCNF_FLUSH;

struct LinkObject {
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> file;

    bool create()
    {
        return SUCCEEDED(CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, kShellLinkA, link.put())) &&
               SUCCEEDED(link->QueryInterface(kPersistFile, file.put()));
    }
};

// The shortcut path as UTF-16, at most 260 characters and the terminator.
bool widePath(const char* path, WCHAR (&wide)[261])
{
    return MultiByteToWideChar(CP_ACP, 0, path, -1, wide, 261) > 0;
}

}  // namespace

bool clearShortcutHotkey(const char* path)
{
    LinkObject shortcut;
    WCHAR wide[261];
    if (!shortcut.create() || !widePath(path, wide) || FAILED(shortcut.file->Load(wide, STGM_READ)))
        return false;
    WORD hotKey = 0;
    if (FAILED(shortcut.link->GetHotkey(&hotKey)))
        return false;
    if (hotKey == 0)
        return true;
    if (FAILED(shortcut.link->SetHotkey(0)) || FAILED(shortcut.file->Save(wide, TRUE)))
        return false;
    SHChangeNotify(SHCNE_UPDATEITEM, kNotifyAndWait, path, nullptr);
    return true;
}

bool ShortcutAction::execute(ExecutionContext& context)
{
    ExpandFn expand = context.expand;
    char targetPath[kExpandedPathSize], linkPath[kExpandedPathSize], iconFile[kExpandedPathSize];
    char args[kShortcutTextSize], text[kShortcutTextSize];
    // A field that did not expand whole would make a shortcut to, or at,
    // some other path: the step fails instead.
    if (!expand(target.text(), targetPath, sizeof targetPath) ||
        !expand(shortcutPath.text(), linkPath, sizeof linkPath) || !expand(arguments.text(), args, sizeof args) ||
        !expand(description.text(), text, sizeof text) || !expand(iconPath.text(), iconFile, sizeof iconFile))
        return false;

    bool saved = false;
    {
        LinkObject shortcut;
        if (!shortcut.create())
            return false;
        bool ok = !FAILED(shortcut.link->SetPath(targetPath));
        if (ok && args[0])
            ok = !FAILED(shortcut.link->SetArguments(args));
        if (ok) {
            if (text[0])
                shortcut.link->SetDescription(text);
            if (iconFile[0] && iconIndex != kNoIcon)
                shortcut.link->SetIconLocation(iconFile, int(iconIndex));
            if (hotKey)
                shortcut.link->SetHotkey(hotKey);
            createFoldersOnPath(linkPath, context.undoLog);
            clearShortcutHotkey(linkPath);
            WCHAR wide[261];
            saved = widePath(linkPath, wide) && SUCCEEDED(shortcut.file->Save(wide, TRUE));
        }
    }
    if (!saved)
        return false;
    SHChangeNotify(SHCNE_CREATE, kNotifyNoWait, linkPath, nullptr);
    context.bytesInstalled += fileSize(linkPath);
    DeleteShortcutUndo* undo = context.undoLog->pushNew<DeleteShortcutUndo>();
    if (!undo || !undo->path.assignText(linkPath)) {
        context.undoLog->dropNewest(undo);
        return false;
    }
    return true;
}

uint32_t DeleteShortcutUndo::undo(ExecutionContext& context)
{
    for (;;) {
        clearShortcutHotkey(path.text());
        if (deleteFile(path.text())) {
            SHChangeNotify(SHCNE_DELETE, kNotifyNoWait, path.text(), nullptr);
            return kUndoContinue;
        }
        int answer = askRetry(context.page, kCannotDeleteFile, kErrorTitle, path.text());
        if (answer == IDIGNORE)
            return kUndoContinue;
        if (answer == IDABORT)
            return kUndoFailed;
    }
}
