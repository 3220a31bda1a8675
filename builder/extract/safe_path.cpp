#include "builder/extract/safe_path.h"

#include "format/file_names.h"

#include "builder/windows1252.h"

#include <ctype.h>
#include <string.h>

namespace {

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

// The digits Windows accepts after COM and LPT: 1 to 9 and, in
// Windows-1252, the superscripts one, two and three.
bool isPortDigit(unsigned char c)
{
    return (c >= '1' && c <= '9') || c == 0xB9 || c == 0xB2 || c == 0xB3;
}

bool isDeviceName(const std::string& name)
{
    // Windows opens the device for the bare name and for the name with any
    // extension ("nul.txt"), in any case, and drops the blanks (and dots)
    // that end the part before the extension: "NUL .txt" is NUL too.
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && (base.back() == ' ' || base.back() == '.'))
        base.pop_back();
    for (char& c : base)
        c = char(toupper(static_cast<unsigned char>(c)));
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices)
        if (base == device)
            return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           isPortDigit(static_cast<unsigned char>(base[3]));
}

// One name of the path, made safe; empty when the name vanishes.
std::string safeName(const std::string& name)
{
    if (name.empty() || name == ".")
        return std::string();
    if (name.find_first_not_of(". ") == std::string::npos)
        return "_";
    std::string safe = name;
    for (char& c : safe)
        if (isForbiddenInName(static_cast<unsigned char>(c)))
            c = '_';
    // Windows drops trailing dots and blanks, which would make "a." and "a"
    // one file.
    for (size_t i = safe.size(); i > 0 && (safe[i - 1] == '.' || safe[i - 1] == ' '); --i)
        safe[i - 1] = '_';
    if (isDeviceName(safe))
        safe.insert(0, "_");
    return safe;
}

}  // namespace

std::vector<std::string> safeRelativeNames(const std::string& packagePath)
{
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= packagePath.size()) {
        size_t end = start;
        while (end < packagePath.size() && !isSeparator(packagePath[end]))
            ++end;
        std::string name = safeName(packagePath.substr(start, end - start));
        if (!name.empty())
            names.push_back(windows1252ToUtf8(name));
        start = end + 1;
    }
    if (names.empty())
        names.push_back("_");
    return names;
}

std::string joinNames(const std::vector<std::string>& names)
{
    std::string joined;
    for (const std::string& name : names) {
        if (!joined.empty())
            joined += '/';
        joined += name;
    }
    return joined;
}
