// Action scripts and uninstall scripts for the engine and inspect tests: every
// kind present, each field holding a value of its own.
#pragma once

#include "format/bytes.h"
#include "format/action_script.h"
#include "format/uninstall_script.h"

#include <string>
#include <vector>

namespace samples {

// A text as a package stores it: its bytes and a NUL.
Bytes text(const std::string& value);
std::string stringOf(const Bytes& bytes);
// The bytes of a string literal without the literal's own terminator, for
// items that hold several NUL-terminated texts.
template <size_t N>
Bytes literal(const char (&bytes)[N])
{
    Bytes out;
    out.assign(bytes, N - 1);
    return out;
}

// Gives every field a value of its own through the record's field list:
// texts become "<name>-<seed>", blobs a few bytes derived from the seed (with
// a NUL inside), numbers distinct values (u16 fields within 16 bits).
struct FieldFiller {
    unsigned seed;
    unsigned counter = 0;
    void text(const char* name, Bytes& value) { value = samples::text(std::string(name) + "-" + std::to_string(seed)); }
    void blob(const char*, Bytes& value)
    {
        std::string bytes;
        for (unsigned i = 0; i < 5 + seed % 7; ++i)
            bytes += char((seed * 31 + i * 7) & 0xFF);
        bytes += '\0';
        bytes += "tail";
        value.assign(bytes.data(), bytes.size());
    }
    void payload(const char* name, Bytes& value, PayloadRef& ref)
    {
        blob(name, value);
        ref = PayloadRef();
        ref.size = uint32_t(value.size());
        ref.sizeKnown = true;
    }
    void number(const char*, uint32_t& value, NumberForm = NumberForm::Decimal)
    {
        value = 0x10000000u + seed * 0x100u + ++counter;
    }
    void shortNumber(const char*, uint16_t& value, NumberForm = NumberForm::Decimal)
    {
        value = uint16_t(seed * 0x10 + ++counter);
    }
};

template <typename Record>
void fill(Record& record, unsigned seed)
{
    FieldFiller filler{seed};
    Record::fields(record, filler);
}

// A new action of the kind, every field filled.
Action* filledAction(uint32_t kind, unsigned seed);
UndoEntry* filledUndoEntry(uint32_t kind, unsigned seed);

// A main list with every kind 1 to 14 and two components (a list entry with
// two files, a finish-page entry with one program), with all seventeen texts.
void fillEveryKind(ActionScript& script);
// All six undo kinds, pushed in kind order (so the newest, kind 6, is first).
void fillEveryUndoKind(UninstallScript& script);

// Sets the seventeen texts to empty ones.
void clearTexts(ActionScriptTexts& texts);

// A record's fields as "name=value" lines, for comparing two records.
std::string fieldsOf(const Action& action);
std::string fieldsOf(const UndoEntry& entry);

// The flattened block (or uninstall body) a sink writes.
Bytes serializedActionBlock(const ActionScript& script);
Bytes serializedUninstallBody(const UninstallScript& script);

// Whole package files over the host tests' sample stub image.
Bytes installPackageWith(const ActionScript& script);
Bytes uninstallPackageWith(const UninstallScript& script);

// A WriteFileAction with a path, contents and FILETIME.
WriteFileAction* writeFile(const std::string& path, const std::string& contents, uint64_t fileTime = 0);

// A fresh folder under the temporary folder, removed with its contents.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A file written to a path (for commands that take a file name).
bool writeBytes(const std::string& path, const Bytes& bytes);

}  // namespace samples
