#include "uninstall/uninstaller_writer.h"

#include "format/package_container.h"
#include "format/pe_image.h"
#include "platform/run_log.h"
#include "state/run_state.h"
#include "platform/win32_handles.h"
#include "format/byte_sink.h"
#include "format/field_limits.h"
#include "format/path_variables.h"
#include "uninstall/path_variables_win32.h"
#include "uninstall/uninstall_entry.h"

#include <new>
#include <string.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(GetLocalTime, 4);

namespace {

bool copyExpanded(Bytes& field, const Bytes& source, ExpandFn expand)
{
    field = expandToNewString(source.text(), expand);
    return !field.isNull();
}

// Writes all bytes or fails; the counter adds what was written.
bool writeAll(HANDLE file, const void* bytes, DWORD count, uint32_t& bytesInstalled)
{
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes, count, &written, nullptr);
    bytesInstalled += written;
    return ok && written == count;
}

bool writeUninstallerFile(const char* path, const UninstallScript& script, uint32_t& bytesInstalled)
{
    UniqueHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    ByteSink sink;
    Bytes body;
    Bytes image;
    PackageFrame frame;
    bool ok = writeUninstallScript(script, sink) && sink.flatten(body) &&
              framePackage(kUninstallMagic, runState.stubImage.size(), body.size(), frame) &&
              image.assign(runState.stubImage.data(), runState.stubImage.size());
    // An uninstall package has no filler. A signed installer's certificate
    // entry would point into the uninstall package, and its checksum would
    // be the installer's.
    const BytePiece tail[] = {{frame.magic, 4}, {body.data(), body.size()}, {frame.trailer, 4}};
    if (ok)
        sealImageFor(image.data(), image.size(), tail, 3);
    ok = ok && writeAll(file.get(), image.data(), DWORD(image.size()), bytesInstalled) &&
         writeAll(file.get(), frame.magic, 4, bytesInstalled) &&
         writeAll(file.get(), body.data(), DWORD(body.size()), bytesInstalled) &&
         writeAll(file.get(), frame.trailer, 4, bytesInstalled);
    file.reset();
    if (!ok)
        DeleteFileA(path);
    return ok;
}

void setString(HKEY key, const char* name, const char* value)
{
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), DWORD(strlen(value) + 1));
}

void registerUninstaller(const ActionScript& actions, uint32_t bytesInstalled)
{
    char keyName[kRegistryNameSize];
    expandPathVariables(actions.uninstallKeyName.text(), keyName, sizeof keyName);
    UniqueRegKey entry;
    bool created = createUninstallEntry(keyName, entry);
    runLog("Registering under %s: %s", keyName, created ? "done" : "failed");
    if (!created)
        return;

    char text[2048];
    expandPathVariables(actions.uninstallerPath.text(), text, 261);
    setString(entry.get(), "UninstallString", text);
    setQuietUninstallValues(entry.get(), text);
    DWORD size = bytesInstalled / 1024;
    RegSetValueExA(entry.get(), "EstimatedSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&size), sizeof size);
    SYSTEMTIME now;
    GetLocalTimeSlot(&now);
    formatInstallDate(now.wYear, now.wMonth, now.wDay, text);
    setString(entry.get(), "InstallDate", text);
    if (runState.installScript && *runState.installScript->defaultFolder.text()) {
        size_t length = strlen(runState.installFolder);
        memcpy(text, runState.installFolder, length);
        text[length] = '\\';
        text[length + 1] = 0;
        setString(entry.get(), "InstallLocation", text);
    }
    // The folder the package was run from, with its backslash; multi-byte
    // aware, as a DBCS trail byte may equal a backslash.
    const char* lastBackslash = nullptr;
    for (const char* p = runState.packagePath; *p; p = CharNextA(p))
        if (*p == '\\')
            lastBackslash = p;
    if (lastBackslash) {
        size_t length = size_t(lastBackslash - runState.packagePath) + 1;
        memcpy(text, runState.packagePath, length);
        text[length] = 0;
        setString(entry.get(), "InstallSource", text);
    }
    // The package's own pairs last, so they may replace any value above.
    for (TextList pairs(actions.uninstallValues); !pairs.atEnd();) {
        const char* name = pairs.take();
        const char* value = pairs.take();
        if (!value)
            break;
        expandPathVariables(value, text, sizeof text);
        setString(entry.get(), name, text);
    }
}

}  // namespace

void formatInstallDate(unsigned year, unsigned month, unsigned day, char out[9])
{
    unsigned values[3] = {year % 10000, month % 100, day % 100};
    int widths[3] = {4, 2, 2};
    char* p = out;
    for (int i = 0; i < 3; ++i) {
        unsigned v = values[i];
        for (int w = widths[i] - 1; w >= 0; --w) {
            p[w] = char('0' + v % 10);
            v /= 10;
        }
        p += widths[i];
    }
    *p = 0;
}

std::unique_ptr<UninstallScript> buildUninstallScript(const InstallScript& install, const ActionScript& actions,
                                                      ExpandFn expand)
{
    std::unique_ptr<UninstallScript> script(new (std::nothrow) UninstallScript);
    if (!script)
        return nullptr;
    bool ok = copyExpanded(script->title, actions.uninstallTitle, expand) &&
              script->bannerInfo.assign(install.bannerInfo.data(), install.bannerInfo.size()) &&
              script->bannerBits.assign(install.bannerBits.data(), install.bannerBits.size()) &&
              copyExpanded(script->backText, install.backText, expand) &&
              copyExpanded(script->nextText, install.nextText, expand) &&
              copyExpanded(script->removeText, install.removeText, expand) &&
              copyExpanded(script->finishText, install.finishText, expand) &&
              copyExpanded(script->cancelText, install.cancelText, expand) &&
              copyExpanded(script->welcomeText, actions.uninstallWelcomeText, expand) &&
              copyExpanded(script->hintText, install.hintText, expand) &&
              copyExpanded(script->removeFilesStepCaption, actions.removeFilesStepCaption, expand) &&
              copyExpanded(script->progressHint, actions.progressHint, expand) &&
              copyExpanded(script->readyToRemoveHint, actions.readyToRemoveHint, expand) &&
              copyExpanded(script->successText, actions.uninstallSuccessText, expand) &&
              copyExpanded(script->failureText, actions.uninstallFailureText, expand) &&
              copyExpanded(script->finishHint, actions.finishHint, expand) &&
              copyExpanded(script->uninstallKeyName, actions.uninstallKeyName, expand) &&
              copyExpanded(script->uninstallerPath, actions.uninstallerPath, expand);
    if (!ok)
        return nullptr;
    return script;
}

void writeUninstaller(const UninstallScript& script, const ActionScript& actions, uint32_t& bytesInstalled)
{
    char path[261];
    if (!expandPathVariables(actions.uninstallerPath.text(), path, sizeof path) || !path[0])
        return;
    bool written = writeUninstallerFile(path, script, bytesInstalled);
    runLog("Writing %s: error %u", path, written ? 0 : GetLastError());
    if (!written)
        return;
    registerUninstaller(actions, bytesInstalled);
}
