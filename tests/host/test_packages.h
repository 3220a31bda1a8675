// Packages made for the host tests with the real writer.
#pragma once

#include "app/install_script.h"
#include "app/package_container.h"
#include "builder/package/package_writer.h"

#include <string>

// A plausible stub image: a PE header without a security directory.
Bytes sampleStubImage();
// A script with every text filled and a small valid banner.
InstallScript sampleInstallScript();
// Decoded block 1 of a package without actions.
Bytes emptyActionBlock();
// A whole install package file over sampleStubImage().
Bytes buildSamplePackage(const InstallScript& script);
// Writes the bytes to a temporary file and opens them with openPackage.
PackageKind openFromMemory(const Bytes& file, OpenedPackage& out);
// Sets a text field.
void setText(Bytes& field, const std::string& text);
Bytes bytesOf(const std::string& raw);
