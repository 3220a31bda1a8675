// The action lists of a manifest: the `files` and `actions` arrays of the top
// level and of every component.
#pragma once

#include "builder/manifest/manifest.h"
#include "builder/manifest/table_reader.h"

// Reads the `files` entries, then the `actions` entries, of the table that
// `owner` reads, in the order written.
void readActionList(TableReader& owner, ManifestList& out);
