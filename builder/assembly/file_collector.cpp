#include "builder/assembly/file_collector.h"

#include "builder/assembly/file_system.h"

#include <algorithm>
#include <set>
#include <utility>

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
    return i < path.size() && nameMatches(pattern[p].c_str(), path[i].c_str()) &&
           partsMatch(pattern, p + 1, path, i + 1);
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

// What one walk of a source keeps between folders.
struct Walk {
    const CollectOptions& options;
    std::vector<std::string>& warnings;
    std::string root;  // the source folder with every link resolved
    std::set<std::pair<uint64_t, uint64_t>> visited;
    uint64_t entries = 0;
    // Links out of the source that the manifest refuses, "PATH (a link to
    // TARGET)": the walk goes on past them, so one run names them all.
    std::vector<std::string> refusedLinks;
};

// Folder links can make a tree's paths grow exponentially (a diamond) or
// endless (a loop); each real folder is walked once, and a walk that meets
// more entries than any installer holds stops.
constexpr uint64_t kMaxWalkEntries = 1000000;

bool isInside(const std::string& root, const std::string& path)
{
    if (path.compare(0, root.size(), root) != 0)
        return false;
    if (path.size() == root.size() || root.empty())
        return true;
    char last = root.back();
    char next = path[root.size()];
    return last == '/' || last == '\\' || next == '/' || next == '\\';
}

// A link met in the walk that leads out of the source folder: a warning
// naming it, or, when the manifest refuses such links, a note of it and
// false, so the walk leaves out what it leads to.
bool checkLink(const std::string& path, Walk& walk)
{
    std::string target;
    if (!resolvedPath(path, target) || isInside(walk.root, target))
        return true;
    if (walk.options.refuseOutsideLinks) {
        walk.refusedLinks.push_back(path + " (a link to " + target + ")");
        return false;
    }
    walk.warnings.push_back(path + " is a link to " + target + ", outside the folder " + walk.root +
                            "; what it leads to is packaged (set outside_links = \"refuse\" to refuse such links)");
    return true;
}

// The problem that ends a walk which met refused links, naming each.
std::string refusedLinksProblem(const Walk& walk)
{
    const std::vector<std::string>& links = walk.refusedLinks;
    std::string problem = links.size() == 1 ? "a link leads" : std::to_string(links.size()) + " links lead";
    problem += " outside the folder " + walk.root + ", and outside_links = \"refuse\" forbids packaging " +
               (links.size() == 1 ? "it: " : "them: ");
    for (size_t i = 0; i < links.size(); ++i)
        problem += (i == 0 ? "" : ", ") + links[i];
    return problem;
}

// Every file below `folder` (whose facts are `self`), depth first, names in
// byte order.
bool walkFolder(const std::string& folder, const PathInfo& self, const std::string& prefix,
                std::vector<CollectedFile>& out, std::string& problem, Walk& walk)
{
    if (!walk.visited.insert({self.device, self.inode}).second) {
        walk.warnings.push_back(folder +
                                " leads to a folder already walked through another path (a folder "
                                "link); its files are packaged once, under the first path");
        return true;
    }
    std::vector<std::string> names;
    if (!listFolder(folder, names, problem)) {
        problem = "cannot read the folder " + folder + ": " + problem;
        return false;
    }
    for (const std::string& name : names) {
        if (++walk.entries > kMaxWalkEntries) {
            problem = "more than " + std::to_string(kMaxWalkEntries) + " files and folders below " + walk.root +
                      "; no installer holds that many";
            return false;
        }
        std::string path = joinPath(folder, name);
        std::string relative = prefix.empty() ? name : prefix + "/" + name;
        PathInfo info;
        if (!examinePath(path, info)) {
            // A link that leads nowhere is left out like any other non-file.
            if (info.exists) {
                problem = "cannot examine " + path;
                return false;
            }
            walk.warnings.push_back("skipped " + path + ": it leads to nothing that exists (a broken link)");
            continue;
        }
        if (!info.isFolder && !info.isFile) {
            // Skipped whatever leads to it, even a link out of the source
            // that the manifest refuses: refusing keeps what lies outside out
            // of the package, and nothing of this goes into it.
            std::string target;
            std::string through =
                info.isLink && resolvedPath(path, target) ? ", reached through a link to " + target : "";
            walk.warnings.push_back("skipped " + path + ": it is " + std::string(info.specialKind) + through +
                                    "; only regular files are packaged");
            continue;
        }
        if (info.isLink && !checkLink(path, walk))
            continue;
        if (info.isFolder) {
            if (!walkFolder(path, info, relative, out, problem, walk))
                return false;
        } else {
            out.push_back(CollectedFile{path, relative, info.size, info.fileTime});
        }
    }
    return true;
}

// Walks a source folder from its top.
bool walkSource(const std::string& start, const PathInfo& info, std::vector<CollectedFile>& out, std::string& problem,
                const CollectOptions& options, std::vector<std::string>& warnings)
{
    Walk walk{options, warnings, std::string(), {}, 0, {}};
    if (!resolvedPath(start, walk.root))
        walk.root = start;
    if (!walkFolder(start, info, "", out, problem, walk))
        return false;
    if (!walk.refusedLinks.empty()) {
        problem = refusedLinksProblem(walk);
        return false;
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
                  const CollectOptions& options, std::vector<CollectedFile>& out, std::vector<std::string>& warnings,
                  std::string& problem)
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
        } else if (!info.isFolder) {
            problem = start + " is " + std::string(info.specialKind) + ", not a file or folder";
            return false;
        } else if (!walkSource(start, info, found, problem, options, warnings)) {
            return false;
        }
    } else {
        PathInfo info;
        if (!examinePath(start, info) || !info.isFolder) {
            problem = "no folder " + start + " to match the glob in";
            return false;
        }
        std::vector<CollectedFile> all;
        if (!walkSource(start, info, all, problem, options, warnings))
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
