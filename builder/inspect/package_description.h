// Describes a loaded package field by field, by the names the readers use.
#pragma once

#include "builder/inspect/loaded_package.h"
#include "builder/inspect/report.h"

#include <string>

ReportNode describePackage(const LoadedPackage& package, const std::string& fileName);

// The parts, for callers and tests that need one of them.
ReportNode describeText(const Bytes& text);
// A list of NUL-terminated items ended by an empty one (or by the item's end).
ReportNode describeTextList(const Bytes& list);
// A list of (first, second) NUL-terminated pairs ended by an empty first.
ReportNode describeTextPairs(const Bytes& pairs, const char* firstName, const char* secondName);
ReportNode describeBlob(const Bytes& blob);
// A file's contents left in the package, by the digest taken as it loaded.
ReportNode describeDigest(const ItemDigest& digest);
ReportNode describeBanner(const Bytes& info, const Bytes& bits);
// Contents left in the package are described by their digests.
ReportNode describeAction(const Action& action, const PayloadDigests* digests = nullptr);
ReportNode describeUndoEntry(const UndoEntry& entry);
// A FILETIME as "YYYY-MM-DDTHH:MM:SS.fffffffZ" (UTC); null for 0.
ReportNode describeFileTime(uint64_t fileTime);
