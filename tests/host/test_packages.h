// Packages made for the host tests with the real writer.
#pragma once

#include "format/install_script.h"
#include "format/unique_resource.h"
#include "format/package_container.h"
#include "builder/package/package_writer.h"
#include "format/byte_sink.h"
#include "sample_package.h"

#include <memory>
#include <stdio.h>
#include <string>
#include <utility>
#include <vector>

// A plausible stub image: a PE header without a security directory.
Bytes sampleStubImage();
// A whole install package file over sampleStubImage().
Bytes buildSamplePackage(const InstallScript& script);
// Writes the bytes to a temporary file and opens them with openPackage.
PackageKind openFromMemory(const Bytes& file, OpenedPackage& out);
// Sets a text field.
void setText(Bytes& field, const std::string& text);
Bytes bytesOf(const std::string& raw);
std::string asString(const Bytes& bytes);

// The byte fields of a record with their names, in stream order, as its
// field list walks them (a banner as its two parts).
template <typename Record>
auto byteFieldsOf(Record& record)
{
    using Field = std::conditional_t<std::is_const<Record>::value, const Bytes, Bytes>;
    std::vector<std::pair<std::string, Field*>> fields;
    forEachByteField(record, [&](const char* name, Field& field) { fields.emplace_back(name, &field); });
    return fields;
}

// What `write(script, sink)` writes, flattened as a package holds it; null
// when writing fails.
template <typename Script, typename Write>
Bytes flattenedWith(const Script& script, Write write)
{
    ByteSink sink;
    Bytes flat;
    if (!write(script, sink) || !sink.flatten(flat))
        flat.reset();
    return flat;
}

// Decoded block 0 of a script, as the writer flattens it.
inline Bytes flattenedBlock0(const InstallScript& script)
{
    return flattenedWith(script, serializeInstallScript);
}
// A framed block (csize, usize, properties, stream) made with a fast preset.
Bytes framedBlock(const Bytes& decoded);
// The stub built by this tree; empty when it cannot be read.
Bytes realStubImage();

// Decoded block 1 whose `actions` records all name item 1 (of `itemSize`
// bytes) as their data or path: WriteFile records (kind 1) name it as data,
// RemoveOnUninstall records (kind 4) as path. A hostile package does this to
// make its reader copy one item again and again.
Bytes fannedOutBlock1(uint32_t kind, uint32_t actions, uint32_t itemSize);
// The same as a whole install package file over sampleStubImage().
Bytes fannedOutPackage(uint32_t kind, uint32_t actions, uint32_t itemSize);

// A FILE holding the bytes, positioned at the start; closed by its owner.
using FileHandle = UniqueFile;
FileHandle fileWith(const Bytes& bytes);

// A fresh folder under the temporary folder, removed with its contents.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// True when a program of that name is on the PATH.
bool hostToolExists(const char* name);
// Runs a shell command and returns its exit status; what it printed (both
// streams) goes to `output` when given, so a failing test can show it.
int runCommand(const std::string& command, std::string* output = nullptr);
