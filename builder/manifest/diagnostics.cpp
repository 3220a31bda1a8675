#include "builder/manifest/diagnostics.h"

#include "builder/text_escape.h"

#include <algorithm>

void Diagnostics::error(const std::string& file, SourcePosition at, std::string message)
{
    errors_.push_back(Diagnostic{file, at, std::move(message)});
}

std::string formatPlace(const std::string& file, SourcePosition at)
{
    if (!at.known())
        return file;
    return file + ":" + std::to_string(at.line) + ":" + std::to_string(at.column);
}

void Diagnostics::warning(const std::string& file, SourcePosition at, std::string message)
{
    warnings_.push_back(Diagnostic{file, at, std::move(message)});
}

namespace {

// Files in the order they were first mentioned, positions ascending within
// each; equal places keep the order they were found in.
std::string render(const std::vector<Diagnostic>& all, const char* severity)
{
    std::vector<std::string> files;
    for (const Diagnostic& d : all) {
        if (std::find(files.begin(), files.end(), d.file) == files.end())
            files.push_back(d.file);
    }
    std::vector<const Diagnostic*> sorted;
    for (const Diagnostic& d : all)
        sorted.push_back(&d);
    std::stable_sort(sorted.begin(), sorted.end(), [&](const Diagnostic* a, const Diagnostic* b) {
        if (a->file != b->file)
            return std::find(files.begin(), files.end(), a->file) < std::find(files.begin(), files.end(), b->file);
        return a->position < b->position;
    });
    // Messages name files of the source folder, whose names may hold any
    // bytes; escaped here, none of them reaches a terminal raw, whichever
    // message carries it.
    std::string out;
    for (const Diagnostic* d : sorted) {
        out += escapeText(formatPlace(d->file, d->position), EscapeStyle::Message) + ": " + severity + ": " +
               escapeText(d->message, EscapeStyle::Message) + "\n";
    }
    return out;
}

}  // namespace

std::string Diagnostics::report() const
{
    return render(errors_, "error");
}

std::string Diagnostics::warningReport() const
{
    return render(warnings_, "warning");
}
