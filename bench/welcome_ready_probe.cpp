// Measures how long an installer's wizard takes from its window appearing
// until the welcome page's Next button is enabled, for bench/welcome-ready.sh.
//
//   welcome_ready_probe.exe [--timeout-ms N] INSTALLER [ARGUMENTS...]
//
// Starts INSTALLER, waits for a visible top-level window of its process that
// has the frame's Next button (control 1001), then polls that button every
// millisecond until it is enabled. Prints, in milliseconds from the start of
// the process:
//   window_ms=T1
//   next_enabled_ms=T2
//   ready_after_window_ms=T2-T1
// then closes the wizard: Cancel (control 2) on the frame, Yes or OK on a
// confirmation box if one comes, and ends the process if it is still there
// after that. Exit status 0 when both times were seen, 1 otherwise.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

const int kNextButton = 1001;

struct Clock {
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    Clock()
    {
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
    }
    double elapsedMs() const
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return double(now.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
    }
};

struct WindowSearch {
    DWORD processId;
    HWND exclude;
    bool needNext;
    HWND found;
};

BOOL CALLBACK findProcessWindow(HWND window, LPARAM param)
{
    WindowSearch& search = *reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.processId || window == search.exclude || !IsWindowVisible(window))
        return TRUE;
    if (search.needNext && !GetDlgItem(window, kNextButton))
        return TRUE;
    search.found = window;
    return FALSE;
}

HWND processWindow(DWORD processId, HWND exclude, bool needNext)
{
    WindowSearch search{processId, exclude, needNext, nullptr};
    EnumWindows(findProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string quoted(const char* argument)
{
    std::string out = "\"";
    for (const char* p = argument; *p; ++p) {
        if (*p == '"')
            out += '\\';
        out += *p;
    }
    return out + "\"";
}

bool stillRunning(HANDLE process)
{
    return WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

// Cancel, then the confirmation box's Yes (or OK), then, failing both, the
// process is ended.
void closeWizard(HANDLE process, DWORD processId, HWND frame, DWORD timeoutMs)
{
    if (frame && IsWindow(frame))
        PostMessageA(frame, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(GetDlgItem(frame, IDCANCEL)));
    for (DWORD waited = 0; waited < timeoutMs && stillRunning(process); waited += 20) {
        HWND box = processWindow(processId, frame, false);
        if (box) {
            int answer = GetDlgItem(box, IDYES) ? IDYES : IDOK;
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), LPARAM(GetDlgItem(box, answer)));
        }
        Sleep(20);
    }
    if (stillRunning(process)) {
        fprintf(stderr, "welcome_ready_probe: the wizard did not close; ending it\n");
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    DWORD timeoutMs = 60000;
    int first = 1;
    if (argc > 2 && strcmp(argv[1], "--timeout-ms") == 0) {
        timeoutMs = DWORD(strtoul(argv[2], nullptr, 10));
        first = 3;
    }
    if (first >= argc) {
        fprintf(stderr, "usage: welcome_ready_probe.exe [--timeout-ms N] INSTALLER [ARGUMENTS...]\n");
        return 2;
    }
    std::string commandLine = quoted(argv[first]);
    for (int i = first + 1; i < argc; ++i)
        commandLine += " " + quoted(argv[i]);

    // Sleep(1) sleeps about a millisecond only with the finer timer period.
    timeBeginPeriod(1);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    Clock clock;
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        fprintf(stderr, "welcome_ready_probe: cannot start %s (error %lu)\n", argv[first], GetLastError());
        return 1;
    }
    CloseHandle(started.hThread);
    HANDLE process = started.hProcess;

    HWND frame = nullptr;
    double windowMs = -1;
    while (clock.elapsedMs() < timeoutMs && stillRunning(process)) {
        frame = processWindow(started.dwProcessId, nullptr, true);
        if (frame) {
            windowMs = clock.elapsedMs();
            break;
        }
        Sleep(1);
    }
    double readyMs = -1;
    if (frame) {
        HWND next = GetDlgItem(frame, kNextButton);
        while (clock.elapsedMs() < timeoutMs && IsWindow(next)) {
            if (IsWindowEnabled(next)) {
                readyMs = clock.elapsedMs();
                break;
            }
            Sleep(1);
        }
    }
    if (windowMs >= 0)
        printf("window_ms=%.1f\n", windowMs);
    if (readyMs >= 0)
        printf("next_enabled_ms=%.1f\nready_after_window_ms=%.1f\n", readyMs, readyMs - windowMs);
    if (windowMs < 0)
        fprintf(stderr, "welcome_ready_probe: no wizard window within %lu ms\n", timeoutMs);
    else if (readyMs < 0)
        fprintf(stderr, "welcome_ready_probe: Next was not enabled within %lu ms\n", timeoutMs);
    fflush(stdout);
    closeWizard(process, started.dwProcessId, frame, timeoutMs < 10000 ? timeoutMs : 10000);
    timeEndPeriod(1);
    CloseHandle(process);
    return windowMs >= 0 && readyMs >= 0 ? 0 : 1;
}
