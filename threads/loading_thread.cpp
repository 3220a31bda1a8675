#include "threads/worker_threads.h"

#include "format/streamed_action_script.h"
#include "format/decimal_text.h"
#include "state/run_state.h"
#include "engine/page_link.h"

#include <memory>
#include <new>
#include <utility>

namespace {

// What the record stream and the texts of block 1 may take at most: far
// beyond any real package's, well within a 32-bit process.
constexpr uint64_t kScriptMemoryLimit = 512u << 20;

// Reads block 1's records and texts, leaving the files' contents in the
// package for the install thread; null when they cannot be read, decoded
// or parsed. The stream the contents come from goes to the run state.
std::unique_ptr<ActionScript> loadActionScript(FILE* package)
{
    std::unique_ptr<StreamedPool> pool(new (std::nothrow) StreamedPool());
    std::unique_ptr<ActionScript> script(new (std::nothrow) ActionScript());
    if (!pool || !script ||
        loadStreamedActionScript(package, runState.packageBytesLeft, kScriptMemoryLimit, *pool, *script) !=
            BlockResult::Ok)
        return nullptr;
    runState.payload = std::move(pool);
    return script;
}

// One byte per component, selected when its default mask holds here; null
// when the memory cannot be had.
std::unique_ptr<uint8_t[]> defaultSelection(const ActionScript& script)
{
    uint32_t count = script.components.count();
    std::unique_ptr<uint8_t[]> selected(new (std::nothrow) uint8_t[count ? count : 1]());
    if (!selected)
        return nullptr;
    for (uint32_t i = 0; i < count; ++i)
        selected[i] = maskHolds(script.components[i]->defaultMask, runState.isWow64, runState.osClass) ? 1 : 0;
    return selected;
}

// Hands a loaded script and its default selection to the run state, where
// the wizard reads them once this thread lets it move on. A script without
// a selection is dropped, as a damaged one.
void publishActionScript(std::unique_ptr<ActionScript> script)
{
    if (!script)
        return;
    std::unique_ptr<uint8_t[]> selected = defaultSelection(*script);
    if (!selected)
        return;
    runState.componentCount = script->components.count();
    runState.componentSelected = std::move(selected);
    runState.actionScript = std::move(script);
    runState.finishPageText = runState.actionScript->successText.text();
}

void writeNumberPrefix(uint32_t number, char* out)
{
    out += writeDecimal(number, out);
    *out++ = '_';
    *out = 0;
}

// Only packaged files are extracted: every other kind does nothing there.
void extractFiles(const ActionList& list, const char* prefix)
{
    for (Action* action : list.actions)
        if (action->kind() == WriteFileAction::kKind)
            static_cast<WriteFileAction*>(action)->extract(prefix, runState.payload.get());
}

}  // namespace

void extractAll(const ActionScript& script)
{
    char prefix[16];
    writeNumberPrefix(0, prefix);
    extractFiles(script.mainActions, prefix);
    for (uint32_t i = 0; i < script.components.count(); ++i) {
        writeNumberPrefix(i + 1, prefix);
        extractFiles(script.components[i]->actions, prefix);
    }
}

DWORD WINAPI LoadingThread(LPVOID parameter)
{
    RunState& state = heldRunState();
    HWND page = static_cast<HWND>(parameter);
    // Read on the first showing of the welcome page; a later one finds the
    // script already loaded. A package that cannot be read is closed.
    if (!state.actionScript && state.packageFile) {
        publishActionScript(loadActionScript(state.packageFile.get()));
        if (!state.actionScript) {
            state.payload.reset();
            state.packageFile.reset();
        }
        if (state.extractAllFiles && state.actionScript) {
            extractAll(*state.actionScript);
            postLoadingDone(page, LoadingOutcome::Extracted);
            return 0;
        }
    }
    postLoadingDone(page, state.actionScript ? LoadingOutcome::Loaded : LoadingOutcome::Damaged);
    return 0;
}
