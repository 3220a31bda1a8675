// Command lines and library paths as a manifest gives them: a program path
// with its arguments made into one command line, and the checks that keep
// Windows from starting or loading something else than the package meant.
// Texts are package texts (code page bytes, path variables unexpanded).
#pragma once

#include <string>

// True when the text holds a path variable or registry look-up ("$$" is a
// dollar sign, not a variable).
bool holdsPathVariable(const std::string& text);

// The command line that starts `program` with `arguments`. The program path
// is quoted when it holds a blank or a path variable, which may expand to a
// path with one ($PROGRAMFILESFOLDER$ usually does): unquoted, Windows would
// try "C:\Program.exe" first.
std::string commandLineOf(const std::string& program, const std::string& arguments);

// Empty when the program path at the start of a command line is read as
// one path wherever the package is installed; otherwise what is wrong.
std::string unquotedProgramProblem(const std::string& commandLine);

// True when the path names one place whatever the current folder: it
// starts with a path variable or a drive ("C:\"). A library named any other
// way is searched for, and may be found elsewhere first.
bool isAbsolutePathText(const std::string& path);
