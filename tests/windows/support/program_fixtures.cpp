#include "support/program_fixtures.h"

#include "support/test_environment.h"
#include "uiauto/time_limits.h"

#include <stdio.h>

namespace {

// Bound for a program that is not waited for to write its record.
constexpr DWORD kRecordTimeoutMs = timeLimitMs(30000);
constexpr DWORD kPollMs = 50;

bool fileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

std::string recordingProgramPath()
{
    return windowsPath(SLIPWAY_RECORDING_PROGRAM);
}

std::string recordingLibraryPath()
{
    return windowsPath(SLIPWAY_RECORDING_LIBRARY);
}

std::string Record::operator[](const std::string& name) const
{
    auto found = values.find(name);
    return found == values.end() ? "<none>" : found->second;
}

Record readRecord(const std::string& path)
{
    Record record;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return record;
    record.exists = true;
    std::string text;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    fclose(file);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        size_t equals = line.find('=');
        if (equals != std::string::npos)
            record.values[line.substr(0, equals)] = line.substr(equals + 1);
        start = end + 1;
    }
    return record;
}

Record waitForRecord(const std::string& path)
{
    for (DWORD waited = 0; waited < kRecordTimeoutMs && !fileExists(path); waited += kPollMs)
        Sleep(kPollMs);
    return readRecord(path);
}

std::string libraryArgument(const std::string& record, DWORD code, const std::string& text)
{
    return record + "|" + std::to_string(code) + "|" + text;
}

std::string hexBytes(const std::string& text)
{
    std::string out;
    char unit[4];
    for (unsigned char c : text) {
        snprintf(unit, sizeof unit, "%02X", c);
        out += (out.empty() ? "" : " ") + std::string(unit);
    }
    return out;
}

std::string hexUnits(const std::wstring& text)
{
    std::string out;
    char unit[6];
    for (wchar_t c : text) {
        snprintf(unit, sizeof unit, "%04X", unsigned(c) & 0xFFFF);
        out += (out.empty() ? "" : " ") + std::string(unit);
    }
    return out;
}

std::string pointerText(const void* pointer)
{
    char text[32];
    snprintf(text, sizeof text, "%p", pointer);
    return text;
}

const char kRecordingProgramHold[] = "SlipwayRecordingProgramHold";

ProgramHold::ProgramHold(const char* event)
{
    event_ = CreateEventA(nullptr, TRUE, FALSE, event);
}

void ProgramHold::release()
{
    if (!event_)
        return;
    SetEvent(event_);
    CloseHandle(event_);
    event_ = nullptr;
}
