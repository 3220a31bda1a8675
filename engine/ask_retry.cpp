#include "engine/ask_retry.h"

#include "format/stub_texts.h"
#include "platform/run_log.h"
#include "platform/system_services.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(FormatMessageA, 28);

namespace {

// The neutral language: the system's own choice of language for its text.
constexpr DWORD kSystemLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);

// Appends formatted text at `length`, cut at the end of the buffer, and
// returns the new length. The runtime's bounded formatter leaves a text that
// fills its space unterminated, so the last byte is always set here.
size_t appendFormattedList(char* buffer, size_t size, size_t length, const char* format, va_list args)
{
    if (length + 1 >= size)
        return length;
    _vsnprintf(buffer + length, size - length - 1, format, args);
    buffer[size - 1] = 0;
    return length + strlen(buffer + length);
}

size_t appendFormatted(char* buffer, size_t size, size_t length, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    length = appendFormattedList(buffer, size, length, format, args);
    va_end(args);
    return length;
}

bool isTrailingFiller(char c)
{
    return c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == '.';
}

// Appends the system's text for `error` without its closing full stop and
// line break, or "Error code %d" when the system has no text that fits.
size_t appendSystemText(char* buffer, size_t size, size_t length, DWORD error)
{
    size_t end = length;
    if (length + 1 < size) {
        DWORD added = FormatMessageASlot(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                                         kSystemLanguage, buffer + length, DWORD(size - length), nullptr);
        if (added > 0 && added < size - length)
            end = length + added;
    }
    while (end > length && isTrailingFiller(buffer[end - 1]))
        --end;
    buffer[end] = 0;
    if (end == length)
        return appendFormatted(buffer, size, length, kErrorCode, int(error));
    return end;
}

}  // namespace

int askRetry(HWND owner, const char* format, const char* title, ...)
{
    // Taken first: everything below may change it.
    DWORD error = GetLastError();

    char message[kRetryMessageSize];
    message[0] = 0;
    va_list args;
    va_start(args, title);
    size_t length = appendFormattedList(message, sizeof message, 0, format, args);
    va_end(args);
    length = appendFormatted(message, sizeof message, length, ":\n");
    appendSystemText(message, sizeof message, length, error);

    runLog("Error %u. Asked: %s", uint32_t(error), message);
    // With nobody to answer, Abort: the installation rolls back rather than
    // wait for ever, or go on past a step that did not happen.
    int answer = IDABORT;
    if (!nobodyToAsk) {
        // Sent from any thread, the owner's own included, where the frame
        // is called at once.
        RetryPrompt prompt = {owner, message, title, 0};
        if (owner)
            SendMessageA(rootWindowOf(owner), WM_RETRY_PROMPT, 0, reinterpret_cast<LPARAM>(&prompt));
        else
            answerRetryPrompt(prompt);
        answer = prompt.answer;
    }
    // A box that could not be shown (0) or that gave some other answer is
    // nobody's Retry: asking again would loop for ever without a word.
    if (answer != IDRETRY && answer != IDIGNORE)
        answer = IDABORT;
    runLog("Answer: %s%s",
           answer == IDRETRY    ? "Retry"
           : answer == IDIGNORE ? "Ignore"
                                : "Abort",
           nobodyToAsk ? " (quiet: nobody to ask)" : "");
    return answer;
}

void answerRetryPrompt(RetryPrompt& prompt)
{
    if (prompt.owner)
        ShowWindow(rootWindowOf(prompt.owner), SW_RESTORE);
    prompt.answer =
        MessageBoxA(prompt.owner, prompt.text, prompt.title, MB_ABORTRETRYIGNORE | MB_ICONWARNING | MB_DEFBUTTON2);
}
