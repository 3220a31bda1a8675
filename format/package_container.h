// The package container: stub image, magic, body, u32 trailer, and in signed
// files the certificate table behind the trailer.
#pragma once

#include "format/block_reader.h"
#include "format/bytes.h"
#include "format/install_script.h"

#include <stdint.h>
#include <stdio.h>

constexpr uint32_t kInstallMagic = 0x07677069;    // "ipg" 07
constexpr uint32_t kUninstallMagic = 0x02677075;  // "upg" 02

// The bytes a package file holds beside its stub image and its body: the
// magic in front of the body, zero filler and the trailer behind it.
struct PackageFrame {
    uint8_t magic[4];
    uint32_t fillerSize;
    uint8_t trailer[4];
};

// Frames a body of `bodySize` bytes behind a stub image of `stubSize` bytes.
// An install package gets the filler that makes the file's length a
// multiple of 8, so that a signing tool appends its certificate table right
// behind the trailer; an uninstall package gets none. False when the package
// or the trailer's offset would not fit in a u32.
bool framePackage(uint32_t magic, uint64_t stubSize, uint64_t bodySize, PackageFrame& out);

// File offset of the certificate table named by the PE security directory,
// or 0 when there is none. An offset below 4, beyond the end of the file or
// beyond what the runtime's seek addresses counts as none.
uint32_t certificateOffset(FILE* file);

// Where a package stands in its file. P = trailerOffset - length.
struct PackageLocation {
    uint32_t trailerOffset = 0;  // T
    uint32_t length = 0;         // L, from the magic to the trailer
    uint32_t magic = 0;
    uint32_t start() const { return trailerOffset - length; }  // P
};

// Finds the trailer: first at the certificate table, then at the end of the
// file. A trailer at the certificate offset counts only when it leads to a
// valid package (4 <= L <= T and a known magic at P); otherwise the end of the
// file is tried too, so an uninstaller made from a signed installer always
// opens, however long it is.
bool locatePackage(FILE* file, PackageLocation& out);

enum class PackageKind { None, Install, Uninstall };

// What became of opening a package. The stub shows one message for every
// answer but Ok; the builder's tools name the answer.
enum class PackageResult {
    Ok,
    NoPackage,            // no trailer leads to a package magic
    Truncated,            // the stub image or the uninstall body cannot be read whole
    OutOfMemory,          // for the stub image or the uninstall body
    Block0Damaged,        // block 0 does not decode: OpenedPackage::block0Result says why
    InstallScriptDamaged  // block 0 decodes, but its records read past its stream or pool
};

struct OpenedPackage {
    // Set by the caller: keep the decoded block 0 in `block0` (the builder's
    // tools describe it); the stub releases it once the script is read.
    bool keepBlock0 = false;

    PackageKind kind = PackageKind::None;
    PackageLocation location;
    Bytes stubImage;  // bytes 0 to P
    InstallScript installScript;
    Bytes block0;
    BlockResult block0Result = BlockResult::Ok;
    // The body of an uninstall package, L - 4 bytes, for its reader.
    Bytes uninstallBody;
    // Install packages: bytes from behind block 0 to the trailer, which
    // stands at a 32-bit offset. (No 64-bit member: a caller's frame holding
    // the structure needs no 8-byte alignment.)
    uint32_t remainingAfterBlock0 = 0;
};

// Locates the package, keeps the stub image, and decodes block 0 of an
// install package (the file stays open behind it) or reads the body of an
// uninstall package. kind is None unless the answer is Ok.
PackageResult openPackage(FILE* file, OpenedPackage& out);
