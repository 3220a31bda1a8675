// The recording program and library that the program and library steps are
// tested with (tests/windows/fixtures), and what they record.
#pragma once

#include <windows.h>

#include <map>
#include <string>

// Their Windows paths in the build.
std::string recordingProgramPath();
std::string recordingLibraryPath();

// The "name=value" lines of a record file.
struct Record {
    bool exists = false;
    std::map<std::string, std::string> values;
    // The value of a name, "<none>" when the record has no such line.
    std::string operator[](const std::string& name) const;
};

Record readRecord(const std::string& path);
// For a program that is not waited for: polls until its record is there,
// bounded (a missing record then reads as not existing).
Record waitForRecord(const std::string& path);

// The recording library's argument: "RECORD|CODE|TEXT".
std::string libraryArgument(const std::string& record, DWORD code, const std::string& text);
// How the library records an argument: bytes as "41 E9", UTF-16 code units
// as "0041 00E9".
std::string hexBytes(const std::string& text);
std::string hexUnits(const std::wstring& text);
// A handle as the library records it (printf's %p).
std::string pointerText(const void* pointer);

// The event a recording program started with a bare "hold" waits for.
extern const char kRecordingProgramHold[];

// While it lives, a recording program started with "hold" (for this event)
// or "hold:EVENT" waits before it records and ends, so a test can look at
// what runs meanwhile.
class ProgramHold {
public:
    explicit ProgramHold(const char* event = kRecordingProgramHold);
    ~ProgramHold() { release(); }
    ProgramHold(const ProgramHold&) = delete;
    ProgramHold& operator=(const ProgramHold&) = delete;
    bool held() const { return event_ != nullptr; }
    // Lets the waiting programs go on.
    void release();

private:
    HANDLE event_ = nullptr;
};
