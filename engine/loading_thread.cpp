#include "engine/worker_threads.h"

#include "app/block_reader.h"
#include "app/byte_cursor.h"
#include "app/run_state.h"
#include "app/startup.h"
#include "resources/resource_ids.h"
#include "wizard/page_sequence.h"
#include "wizard/wizard_frame.h"

#include <new>
#include <stdlib.h>
#include <string.h>

namespace {

// Decodes block 1; null when it cannot be read, decoded or parsed.
ActionScript* loadActionScript()
{
    Bytes block;
    if (readBlock(runState.PackageFile, runState.packageBytesLeft, block) != BlockResult::Ok)
        return nullptr;
    ByteCursor* cursor = new (std::nothrow) ByteCursor;
    ActionScript* script = new (std::nothrow) ActionScript;
    bool ok = cursor && script && cursor->attach(block.data(), block.size()) && readActionScript(*cursor, *script);
    delete cursor;
    if (!ok) {
        delete script;
        return nullptr;
    }
    return script;
}

// One byte per component, selected when its default mask holds here.
bool setDefaultSelection(const ActionScript& script)
{
    uint32_t count = script.components.count();
    uint8_t* selected = static_cast<uint8_t*>(calloc(count ? count : 1, 1));
    if (!selected)
        return false;
    for (uint32_t i = 0; i < count; ++i)
        selected[i] = maskHolds(script.components[i]->defaultMask, runState.isWow64, runState.osClass) ? 1 : 0;
    runState.componentSelected = selected;
    runState.componentCount = count;
    return true;
}

void writeNumberPrefix(uint32_t number, char* out)
{
    char digits[12];
    int n = 0;
    do {
        digits[n++] = char('0' + number % 10);
        number /= 10;
    } while (number);
    while (n)
        *out++ = digits[--n];
    *out++ = '_';
    *out = 0;
}

}  // namespace

void extractAll(const ActionScript& script)
{
    char prefix[16];
    writeNumberPrefix(0, prefix);
    for (Action* action : script.mainActions.actions)
        action->extract(prefix);
    for (uint32_t i = 0; i < script.components.count(); ++i) {
        writeNumberPrefix(i + 1, prefix);
        for (Action* action : script.components[i]->actions.actions)
            action->extract(prefix);
    }
}

DWORD WINAPI LoadingThread(LPVOID parameter)
{
    HWND page = static_cast<HWND>(parameter);
    if (runState.PackageFile) {
        setBusy(page, false, false);
        ActionScript* script = loadActionScript();
        if (script && setDefaultSelection(*script)) {
            runState.actionScript = script;
            runState.activePageFlags = computeActivePageFlags();
            runState.finishPageText = script->successText.text();
        } else {
            delete script;
        }
        fclose(runState.PackageFile);
        runState.PackageFile = nullptr;
        if (runState.extractAllFiles && runState.actionScript)
            extractAll(*runState.actionScript);
        setBusy(page, true, false);
        if (runState.extractAllFiles)
            PostMessageA(frameOf(page), WM_COMMAND, IDCANCEL, 0);
    }
    if (runState.actionScript) {
        setNextTarget(page, nextPage(page, &LicensePage, true));
        if (runState.silentMode)
            postNextCommand(page);
    } else {
        // Nothing can be installed from a damaged action block: say so and
        // end, in silent mode too, rather than leave the welcome page with
        // Next disabled for a user who may not be there. The frame is shown
        // first, since a box owned by a minimised frame is hidden with it.
        leaveSilentMode(page);
        MessageBoxA(frameOf(page), kDamagedPackageMessage, "Error", MB_OK | MB_ICONERROR);
        PostMessageA(frameOf(page), WM_COMMAND, IDCANCEL, 0);
    }
    return 0;
}
