// Starting child processes, reading their output and waiting for them to end.
#include "ui_automation.h"

#include "internal.h"
#include "time_limits.h"

#include <tlhelp32.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace uiauto {

using detail::ScopedHandle;

namespace {

// After the child has ended, how long its output pipe may stay open. Only a
// grandchild that inherited the pipe keeps it open that long; its output is not
// the child's.
const DWORD kOutputDrainMs = timeLimitMs(2000);

// How long an ended-by-force child is given to be gone before the handles close.
const DWORD kTerminateWaitMs = timeLimitMs(5000);

std::string lastErrorText(const char* what)
{
    return std::string(what) + " failed (error " + std::to_string(GetLastError()) + ")";
}

bool stillRunning(HANDLE process)
{
    return WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

ScopedHandle openNulDevice(DWORD access)
{
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return ScopedHandle(
        CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0, nullptr));
}

// An inheritable copy of one of this process's standard handles, or the NUL device
// when there is none to copy (a GUI process under Wine may lack them).
ScopedHandle inheritableStdHandle(DWORD which, DWORD nulAccess)
{
    HANDLE own = GetStdHandle(which);
    HANDLE copy = nullptr;
    if (own != nullptr && own != INVALID_HANDLE_VALUE &&
        DuplicateHandle(GetCurrentProcess(), own, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
        return ScopedHandle(copy);
    return openNulDevice(nulAccess);
}

}  // namespace

// Reads a child's output pipe on its own thread, so a child that writes more than
// the pipe holds never blocks while the test is busy driving its windows.
class OutputCapture {
public:
    explicit OutputCapture(HANDLE readEnd) : pipe_(readEnd), reader_([this] { run(); }) {}

    ~OutputCapture() { stopReader(); }

    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    // Lets the reader take everything up to the end of the pipe, then stops it.
    void finish()
    {
        detail::pollUntil(kOutputDrainMs, [this] { return done_.load(); });
        stopReader();
    }

    std::string text() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_;
    }

private:
    void stopReader()
    {
        stop_ = true;
        if (reader_.joinable())
            reader_.join();
    }

    // Polls with PeekNamedPipe rather than blocking in ReadFile, so a stop request
    // is honoured even while a grandchild holds the pipe open.
    void run()
    {
        char buffer[4096];
        for (;;) {
            DWORD available = 0;
            if (!PeekNamedPipe(pipe_.get(), nullptr, 0, nullptr, &available, nullptr))
                break;
            if (available == 0) {
                if (stop_)
                    break;
                Sleep(10);
                continue;
            }
            DWORD got = 0;
            const DWORD want = available < sizeof(buffer) ? available : sizeof(buffer);
            if (!ReadFile(pipe_.get(), buffer, want, &got, nullptr) || got == 0)
                break;
            std::lock_guard<std::mutex> lock(mutex_);
            text_.append(buffer, got);
        }
        done_ = true;
    }

    ScopedHandle pipe_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    mutable std::mutex mutex_;
    std::string text_;
    std::thread reader_;  // last: starts after every member it uses exists
};

RunningProcess::RunningProcess() = default;

RunningProcess::~RunningProcess()
{
    release();
}

RunningProcess::RunningProcess(RunningProcess&& other) noexcept
{
    *this = std::move(other);
}

RunningProcess& RunningProcess::operator=(RunningProcess&& other) noexcept
{
    if (this == &other)
        return *this;
    release();
    process_ = other.process_;
    thread_ = other.thread_;
    processId_ = other.processId_;
    terminateOnDestroy_ = other.terminateOnDestroy_;
    capture_ = std::move(other.capture_);
    error_ = std::move(other.error_);
    other.process_ = nullptr;
    other.thread_ = nullptr;
    other.processId_ = 0;
    return *this;
}

void RunningProcess::release()
{
    if (process_ != nullptr && terminateOnDestroy_ && stillRunning(process_)) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, kTerminateWaitMs);
    }
    capture_.reset();
    if (thread_ != nullptr)
        CloseHandle(thread_);
    if (process_ != nullptr)
        CloseHandle(process_);
    thread_ = nullptr;
    process_ = nullptr;
    processId_ = 0;
}

bool RunningProcess::start(const std::string& commandLine, const ProcessOptions& options)
{
    if (started()) {
        error_ = "the process was already started";
        return false;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (options.showCommand >= 0) {
        startup.dwFlags |= STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(options.showCommand);
    }

    ScopedHandle readEnd, writeEnd, input, errors;
    if (options.captureOutput) {
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE read = nullptr, write = nullptr;
        if (!CreatePipe(&read, &write, &inheritable, 0)) {
            error_ = lastErrorText("CreatePipe");
            return false;
        }
        readEnd.reset(read);
        writeEnd.reset(write);
        // Only the child's end is inherited, or the pipe would never report its end.
        SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
        input = openNulDevice(GENERIC_READ);
        if (!options.mergeStderr)
            errors = inheritableStdHandle(STD_ERROR_HANDLE, GENERIC_WRITE);
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdInput = input.get();
        startup.hStdOutput = writeEnd.get();
        startup.hStdError = options.mergeStderr ? writeEnd.get() : errors.get();
    }

    // CreateProcessW may write into the command line, so it gets its own copy.
    std::wstring mutableCommandLine = detail::toWide(commandLine);
    mutableCommandLine.push_back(L'\0');
    const std::wstring directory = detail::toWide(options.workingDirectory);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, &mutableCommandLine[0], nullptr, nullptr, options.captureOutput ? TRUE : FALSE, 0,
                        nullptr, options.workingDirectory != nullptr ? directory.c_str() : nullptr, &startup, &info)) {
        error_ = lastErrorText("CreateProcess");
        return false;
    }
    process_ = info.hProcess;
    thread_ = info.hThread;
    processId_ = info.dwProcessId;
    terminateOnDestroy_ = options.terminateOnDestroy;
    error_.clear();
    if (options.captureOutput)
        capture_.reset(new OutputCapture(readEnd.release()));
    return true;  // writeEnd closes here: from now on only the child holds it
}

bool RunningProcess::wait(DWORD timeoutMs, DWORD* exitCode)
{
    if (!started())
        return false;
    if (!waitForProcessExit(process_, timeoutMs, exitCode))
        return false;
    if (capture_)
        capture_->finish();
    return true;
}

bool RunningProcess::terminate(UINT exitCode)
{
    if (!started())
        return false;
    if (!TerminateProcess(process_, exitCode))
        return !stillRunning(process_);
    return WaitForSingleObject(process_, kTerminateWaitMs) == WAIT_OBJECT_0;
}

std::string RunningProcess::output() const
{
    return capture_ ? capture_->text() : std::string();
}

bool waitForProcessExit(HANDLE process, DWORD timeoutMs, DWORD* exitCode)
{
    if (process == nullptr || WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (exitCode != nullptr && !GetExitCodeProcess(process, exitCode))
        return false;
    return true;
}

bool waitForProcessExit(DWORD processId, DWORD timeoutMs, DWORD* exitCode)
{
    ScopedHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process.valid())
        return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
    return waitForProcessExit(process.get(), timeoutMs, exitCode);
}

std::vector<DWORD> processIdsByExeName(const char* exeName)
{
    std::vector<DWORD> ids;
    const std::wstring wanted = detail::toWide(exeName);
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid())
        return ids;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        const wchar_t* name = entry.szExeFile;
        for (const wchar_t* c = entry.szExeFile; *c != L'\0'; ++c)
            if (*c == L'\\' || *c == L'/')
                name = c + 1;
        if (lstrcmpiW(name, wanted.c_str()) == 0)
            ids.push_back(entry.th32ProcessID);
    }
    return ids;
}

std::string quoteArgument(const std::string& argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes are literal unless a quote follows them; then each one doubles.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, '\\');  // they precede the closing quote
    quoted.push_back('"');
    return quoted;
}

}  // namespace uiauto
