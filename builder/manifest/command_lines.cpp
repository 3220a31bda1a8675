#include "builder/manifest/command_lines.h"

#include <ctype.h>
#include <stdint.h>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

}  // namespace

bool holdsPathVariable(const std::string& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '$')
            continue;
        if (i + 1 < text.size() && text[i + 1] == '$')
            ++i;  // a dollar sign
        else
            return true;
    }
    return false;
}

std::string commandLineOf(const std::string& program, const std::string& arguments)
{
    bool quote = holdsPathVariable(program);
    for (char c : program)
        quote = quote || isBlank(c);
    std::string line = quote ? "\"" + program + "\"" : program;
    if (!arguments.empty())
        line += " " + arguments;
    return line;
}

std::string unquotedProgramProblem(const std::string& commandLine)
{
    if (commandLine.empty() || isBlank(commandLine[0]))
        return "the command line does not start with the program to run";
    if (commandLine[0] == '"')
        return commandLine.find('"', 1) == std::string::npos ? "the quote before the program path is not closed" : "";
    size_t end = 0;
    while (end < commandLine.size() && !isBlank(commandLine[end]))
        ++end;
    if (!holdsPathVariable(commandLine.substr(0, end)))
        return "";
    return "the program path is not quoted, and its path variable may expand to a path with a blank (Windows "
           "would then try to start another program); quote it, or give 'program' and 'arguments' instead";
}

bool isAbsolutePathText(const std::string& path)
{
    if (path.size() >= 2 && path[0] == '$' && path[1] != '$')
        return true;
    return path.size() >= 3 && isalpha(uint8_t(path[0])) && path[1] == ':' && path[2] == '\\';
}
