#include "format/unattended_rules.h"

#include "format/decimal_text.h"
#include "format/file_names.h"
#include "format/stub_texts.h"

#include <string.h>

uint32_t exitCodeFor(const RunFacts& facts)
{
    switch (facts.outcome) {
    case RunOutcome::Succeeded: return facts.restartNeeded && !facts.restarting ? kExitRestartNeeded : kExitSuccess;
    case RunOutcome::Unfinished:
    case RunOutcome::Cancelled: return kExitCancelled;
    case RunOutcome::DamagedPackage: return kExitDamagedPackage;
    case RunOutcome::ElevationFailed: return kExitElevationFailed;
    case RunOutcome::DowngradeRefused: return kExitOtherVersionInstalled;
    case RunOutcome::Failed:
    case RunOutcome::UnusableFolder: break;
    }
    return kExitFailed;
}

bool isRunExitCode(uint32_t code)
{
    static_assert(kExitSuccess == 0 && kExitElevationFailed == 1, "the two lowest codes are taken together");
    return code <= kExitElevationFailed || code == kExitCancelled || code == kExitFailed ||
           code == kExitDamagedPackage || code == kExitOtherVersionInstalled || code == kExitRestartNeeded;
}

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool endsStandAlone(char c)
{
    return c == 0 || isBlank(c) || c == '"';
}

bool startsSwitch(const char* tail, const char* p)
{
    return (*p == '/' || *p == '-') && (p == tail || isBlank(p[-1]) || p[-1] == '"');
}

const char* const kValuedSwitches[] = {"dir=", "log="};
const char kPackagePathSwitch[] = "-ip ";

// Where the value of "/NAME=VALUE" starts and ends, `start` being just past
// the '=': in double quotes, up to the next blank, or, when a quote stands
// before the switch, up to the closing quote.
struct ValueBounds {
    const char* begin;
    const char* end;
};

ValueBounds valueBounds(const char* tail, const char* slash, const char* start)
{
    bool quotedWhole = slash > tail && slash[-1] == '"';
    bool quoted = !quotedWhole && *start == '"';
    if (quoted)
        ++start;
    const char* end = start;
    while (*end && ((quoted || quotedWhole) ? *end != '"' : !isBlank(*end)))
        ++end;
    return {start, end};
}

// When a switch that carries a value stands at `p`, where the scan goes on
// behind its value; else null. The package path of "-ip " runs to the end of
// the tail, so nothing behind it is ever a switch.
const char* skipValueAt(const char* tail, const char* p)
{
    if (strncmp(p, kPackagePathSwitch, sizeof kPackagePathSwitch - 1) == 0)
        return p + strlen(p);
    if (!startsSwitch(tail, p))
        return nullptr;
    for (const char* name : kValuedSwitches) {
        size_t length = strlen(name);
        if (strncmp(p + 1, name, length) == 0)
            return valueBounds(tail, p, p + 1 + length).end;
    }
    return nullptr;
}

// The next place the scan looks at: behind a value, or the next character.
const char* nextScanPosition(const char* tail, const char* p)
{
    const char* behind = skipValueAt(tail, p);
    return behind ? behind : p + 1;
}

}  // namespace

// Both searches walk the tail from the left and step over the values of
// /dir=, /log= and -ip, so that a folder or file name such as
// "C:\my-quiet-apps" never turns a mode on; everywhere else a substring
// match still counts, as callers have always relied on.
const char* findOutsideValues(const char* tail, const char* text)
{
    size_t length = strlen(text);
    for (const char* p = tail; *p; p = nextScanPosition(tail, p)) {
        if (strncmp(p, text, length) == 0)
            return p;
    }
    return nullptr;
}

bool findFlagOutsideValues(const char* tail, const char* name)
{
    size_t length = strlen(name);
    for (const char* p = tail; *p; p = nextScanPosition(tail, p)) {
        if ((*p == '/' || *p == '-') && strncmp(p + 1, name, length) == 0)
            return true;
    }
    return false;
}

const char* findSwitch(const char* tail, const char* name)
{
    size_t length = strlen(name);
    bool valued = length && name[length - 1] == '=';
    for (const char* p = tail; *p; p = nextScanPosition(tail, p)) {
        if (startsSwitch(tail, p) && strncmp(p + 1, name, length) == 0 && (valued || endsStandAlone(p[1 + length])))
            return p + 1 + length;
    }
    return nullptr;
}

SwitchValue findSwitchValue(const char* tail, const char* name, char* value, size_t size)
{
    const char* start = findSwitch(tail, name);
    if (!start)
        return SwitchValue::Absent;
    ValueBounds bounds = valueBounds(tail, start - strlen(name) - 1, start);
    size_t length = size_t(bounds.end - bounds.begin);
    if (length >= size)
        return SwitchValue::TooLong;
    memcpy(value, bounds.begin, length);
    value[length] = 0;
    return SwitchValue::Taken;
}

namespace {

// Length of the part that names the volume: "C:\" or the "\\" of a
// network path; 0 when the path starts with neither.
size_t volumeLength(const char* path)
{
    if (((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') && path[1] == ':' && path[2] == '\\')
        return 3;
    return path[0] == '\\' && path[1] == '\\' && path[2] && path[2] != '\\' ? 2 : 0;
}

}  // namespace

FolderProblem checkInstallFolder(const char* value, char* folder, size_t size)
{
    size_t volume = volumeLength(value);
    if (!volume)
        return FolderProblem::NotFullPath;
    size_t length = strlen(value);
    if (length > volume && value[length - 1] == '\\')
        --length;
    for (size_t i = volume; i < length; ++i) {
        char c = value[i];
        if (static_cast<unsigned char>(c) < ' ' || strchr(kForbiddenNameMarks + 1, c) ||
            (c == '\\' && value[i - 1] == '\\'))
            return FolderProblem::BadCharacter;
    }
    if (length > kLongestInstallFolder || length >= size)
        return FolderProblem::TooLong;
    memcpy(folder, value, length);
    folder[length] = 0;
    return FolderProblem::None;
}

const char* folderProblemText(FolderProblem problem)
{
    switch (problem) {
    case FolderProblem::NotFullPath: return kFolderNotFullPath;
    case FolderProblem::TooLong: return kFolderTooLong;
    case FolderProblem::BadCharacter: return kFolderBadCharacter;
    case FolderProblem::IsAFile: return kFolderIsAFile;
    case FolderProblem::None: break;
    }
    return "";
}

namespace {

// Appends to out[used] while there is room for the NUL.
struct TextOut {
    char* out;
    size_t size;
    size_t used;

    void put(char c)
    {
        if (used + 1 < size)
            out[used++] = c;
    }
    void put(const char* text)
    {
        while (*text)
            put(*text++);
    }
};

void putNumber(TextOut& text, uint32_t number)
{
    char digits[10];
    size_t count = writeDecimal(number, digits);
    for (size_t i = 0; i < count; ++i)
        text.put(digits[i]);
}

void formatInto(TextOut& text, const char* format, va_list args)
{
    for (const char* p = format; *p; ++p) {
        if (*p != '%' || (p[1] != 's' && p[1] != 'u' && p[1] != '%')) {
            text.put(*p);
            continue;
        }
        ++p;
        if (*p == 's') {
            const char* s = va_arg(args, const char*);
            text.put(s ? s : "(none)");
        } else if (*p == 'u') {
            putNumber(text, va_arg(args, uint32_t));
        } else {
            text.put('%');
        }
    }
}

}  // namespace

size_t formatTextOf(char* out, size_t size, const char* format, ...)
{
    if (size == 0)
        return 0;
    TextOut text{out, size, 0};
    va_list args;
    va_start(args, format);
    formatInto(text, format, args);
    va_end(args);
    out[text.used] = 0;
    return text.used;
}

size_t formatLogLine(char* out, size_t size, unsigned hour, unsigned minute, unsigned second, const char* format,
                     va_list args)
{
    // Room for the line end is kept back while the text is written.
    if (size < 3)
        return formatTextOf(out, size, "");
    TextOut text{out, size - 2, 0};
    const unsigned clock[] = {hour, minute, second};
    for (int i = 0; i < 3; ++i) {
        text.put(char('0' + clock[i] / 10 % 10));
        text.put(char('0' + clock[i] % 10));
        text.put(i == 2 ? ' ' : ':');
    }
    formatInto(text, format, args);
    out[text.used++] = '\r';
    out[text.used++] = '\n';
    out[text.used] = 0;
    return text.used;
}
