// The Abort/Retry/Ignore prompt that every install and uninstall step shows
// when a system call fails.
#pragma once

#include "engine/page_link.h"

#include <windows.h>

// The message buffer of the prompt, in bytes with the NUL: the step's text,
// ":\n" and the system's text are cut to fit it.
constexpr size_t kRetryMessageSize = 2048;

// Shows `format` filled with the arguments (%s and %d), ":\n" and the system's
// text for the calling thread's last error (or "Error code %d" when the system
// has none) in a warning box owned by `owner`, with Abort, Retry and Ignore
// and Retry as the default. A minimised wizard is restored first, so the
// question is seen. Returns IDRETRY, IDIGNORE or IDABORT; a box that could
// not be shown counts as Abort, so no caller asks again for ever. The box is
// asked of the owner's frame (WM_RETRY_PROMPT), whose thread shows it: a
// worker waits for the answer. A frame that does not answer the message
// shows nothing, which counts as Abort too.
int askRetry(HWND owner, const char* format, const char* title, ...);

// The frame's part of WM_RETRY_PROMPT: restores the wizard, shows the box
// and sets the prompt's answer.
void answerRetryPrompt(RetryPrompt& prompt);
