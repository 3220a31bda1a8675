#include "builder/build/file_collector.h"

#include "builder/build/file_system.h"

#include <algorithm>

namespace {

std::vector<std::string> splitPath(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '/' || c == '\\') {
            if (!part.empty() && part != ".")
                parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty() && part != ".")
        parts.push_back(part);
    return parts;
}

// '*' any run of characters, '?' one character, within one name.
bool nameMatches(const char* pattern, const char* name)
{
    const char* starPattern = nullptr;
    const char* starName = nullptr;
    while (*name) {
        if (*pattern == '*') {
            starPattern = ++pattern;
            starName = name;
        } else if (*pattern == '?' || *pattern == *name) {
            ++pattern;
            ++name;
        } else if (starPattern) {
            pattern = starPattern;
            name = ++starName;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == 0;
}

bool partsMatch(const std::vector<std::string>& pattern, size_t p, const std::vector<std::string>& path, size_t i)
{
    if (p == pattern.size())
        return i == path.size();
    if (pattern[p] == "**") {
        for (size_t skip = i; skip <= path.size(); ++skip) {
            if (partsMatch(pattern, p + 1, path, skip))
                return true;
        }
        return false;
    }
    return i < path.size() && nameMatches(pattern[p].c_str(), path[i].c_str()) && partsMatch(pattern, p + 1, path, i + 1);
}

bool excluded(const std::vector<std::string>& exclude, const std::string& relative)
{
    std::vector<std::string> path = splitPath(relative);
    for (const std::string& glob : exclude) {
        std::vector<std::string> pattern = splitPath(glob);
        bool nameOnly = glob.find('/') == std::string::npos && glob.find('\\') == std::string::npos;
        if (nameOnly ? !path.empty() && nameMatches(glob.c_str(), path.back().c_str())
                     : partsMatch(pattern, 0, path, 0))
            return true;
    }
    return false;
}

// Every file below `folder`, depth first, names in byte order.
bool walkFolder(const std::string& folder, const std::string& prefix, std::vector<CollectedFile>& out,
                std::string& problem, int depth)
{
    // Deeper than any Windows path can be: a loop of folder links.
    if (depth > 128) {
        problem = "folders nested too deeply below " + folder;
        return false;
    }
    std::vector<std::string> names;
    if (!listFolder(folder, names, problem)) {
        problem = "cannot read the folder " + folder + ": " + problem;
        return false;
    }
    for (const std::string& name : names) {
        std::string path = joinPath(folder, name);
        std::string relative = prefix.empty() ? name : prefix + "/" + name;
        PathInfo info;
        if (!examinePath(path, info)) {
            problem = "cannot examine " + path;
            return false;
        }
        if (info.isFolder) {
            if (!walkFolder(path, relative, out, problem, depth + 1))
                return false;
        } else if (info.isFile) {
            out.push_back(CollectedFile{path, relative, info.size, info.fileTime});
        }
    }
    return true;
}

}  // namespace

bool hasWildcard(const std::string& text)
{
    return text.find_first_of("*?") != std::string::npos;
}

bool globMatches(const std::string& pattern, const std::string& path)
{
    return partsMatch(splitPath(pattern), 0, splitPath(path), 0);
}

bool collectFiles(const std::string& baseFolder, const std::string& source, const std::vector<std::string>& exclude,
                  std::vector<CollectedFile>& out, std::string& problem)
{
    out.clear();
    if (source.empty()) {
        problem = "no source given";
        return false;
    }
    bool absolute = isAbsolutePath(source);
    std::vector<std::string> parts = splitPath(source);
    // The glob's fixed part: the names before the first one with a wildcard.
    size_t fixed = 0;
    while (fixed < parts.size() && !hasWildcard(parts[fixed]))
        ++fixed;
    // Relative sources start at the manifest's folder; an absolute one at
    // the root or at its drive, which is then its first name.
    std::string start;
    if (source[0] == '/' || source[0] == '\\')
        start = "/";
    else if (!absolute)
        start = baseFolder;
    for (size_t i = 0; i < fixed; ++i)
        start = start.empty() ? parts[i] : joinPath(start, parts[i]);
    if (start.empty())
        start = ".";

    std::vector<CollectedFile> found;
    if (fixed == parts.size()) {
        PathInfo info;
        if (!examinePath(start, info)) {
            problem = "no file or folder " + start;
            return false;
        }
        if (info.isFile) {
            std::string name = parts.empty() ? start : parts.back();
            found.push_back(CollectedFile{start, name, info.size, info.fileTime});
        } else if (!walkFolder(start, "", found, problem, 0)) {
            return false;
        }
    } else {
        PathInfo info;
        if (!examinePath(start, info) || !info.isFolder) {
            problem = "no folder " + start + " to match the glob in";
            return false;
        }
        std::vector<CollectedFile> all;
        if (!walkFolder(start, "", all, problem, 0))
            return false;
        std::vector<std::string> pattern(parts.begin() + long(fixed), parts.end());
        for (CollectedFile& file : all) {
            if (partsMatch(pattern, 0, splitPath(file.relative), 0))
                found.push_back(std::move(file));
        }
    }
    for (CollectedFile& file : found) {
        if (!excluded(exclude, file.relative))
            out.push_back(std::move(file));
    }
    std::sort(out.begin(), out.end(),
              [](const CollectedFile& a, const CollectedFile& b) { return a.relative < b.relative; });
    if (out.empty()) {
        problem = fixed == parts.size() ? "the folder " + start + " holds no files" : "the glob matches no file";
        return false;
    }
    return true;
}
