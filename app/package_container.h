// The package container: stub image, magic, body, u32 trailer, and in signed
// files the certificate table behind the trailer.
#pragma once

#include "app/bytes.h"
#include "app/install_script.h"

#include <stdint.h>
#include <stdio.h>

constexpr uint32_t kInstallMagic = 0x07677069;    // "ipg" 07
constexpr uint32_t kUninstallMagic = 0x02677075;  // "upg" 02

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

struct OpenedPackage {
    PackageKind kind = PackageKind::None;
    Bytes stubImage;  // bytes 0 to P
    InstallScript installScript;
    // The body of an uninstall package, L - 4 bytes, for its reader.
    Bytes uninstallBody;
    // Install packages: bytes from behind block 0 to the trailer.
    uint64_t remainingAfterBlock0 = 0;
};

// Locates the package, keeps the stub image, and decodes block 0 of an
// install package (the file stays open behind it) or reads the body of an
// uninstall package. kind is None for a damaged or missing package.
void openPackage(FILE* file, OpenedPackage& out);
