// Running the stub (or a package made from it) as a user would, and the
// checks that several tests make on such a run.
#pragma once

#include "uiauto/ui_automation.h"
#include "uiauto/time_limits.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

// Bounds for a Wine process to show its first window or to end. Generous:
// the first process of a session may wait for the prefix's services.
constexpr DWORD kWindowTimeoutMs = timeLimitMs(30000);
constexpr DWORD kExitTimeoutMs = timeLimitMs(30000);

// The command line of a program file and a tail; the tail follows after one
// blank exactly as given (trailing blanks included).
std::string commandLineOf(const std::string& program, const std::string& tail);

// Starts the program with the tail; standard output is captured when asked.
::testing::AssertionResult startProgram(uiauto::RunningProcess& process, const std::string& program,
                                        const std::string& tail, bool captureOutput = false);

// A run that should end by itself without showing anything.
struct QuietRun {
    bool ended = false;
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
    // A visible top-level window of the process was seen while it ran.
    bool showedWindow = false;
};

// Runs the program to its end with its output captured, watching the whole
// time for a visible window of it. A run that has not ended within the bound
// is ended and reported as not ended.
QuietRun runQuietly(const std::string& program, const std::string& tail);

// The visible wizard frame (dialog 101) of the process, or null.
HWND waitForFrame(const uiauto::RunningProcess& process);

// Waits until the wizard has loaded its package: the loading thread enables
// the frame's Next button once the action script is read, and Cancel once it
// is no longer busy.
::testing::AssertionResult waitUntilLoaded(HWND frame);

// Once the wizard has loaded, presses the frame's Cancel button and expects
// the process to end with 1602, cancelled by the user.
::testing::AssertionResult cancelFrame(uiauto::RunningProcess& process, HWND frame);

// Expects the damaged-package message box of the process: its exact text and
// caption, an icon and only an OK button. Saves a screenshot when a path is
// given, answers OK and expects the process to end with 1620.
::testing::AssertionResult answerDamagedPackageMessage(uiauto::RunningProcess& process,
                                                       const std::string& screenshotPath = "");

// Wine's own reported Windows version for one program file name, set under
// HKCU\Software\Wine\AppDefaults\<name> and removed again on destruction.
class AppDefaultsVersion {
public:
    AppDefaultsVersion(const std::string& exeName, const char* version);
    ~AppDefaultsVersion();
    AppDefaultsVersion(const AppDefaultsVersion&) = delete;
    AppDefaultsVersion& operator=(const AppDefaultsVersion&) = delete;

    bool ok() const { return ok_; }

private:
    std::string keyPath_;
    bool ok_ = false;
};
