// What one file or folder name may hold: a single rule for the stub's
// extract-all names, the builder's checks of the manifest and of the files
// it packs, and `slipway extract`, so that a name the builder accepts is one
// the stub can write and `slipway extract` can write back unchanged.
#pragma once

#include <string.h>

// The marks Windows refuses in names, the backslash first: a check of a
// whole path, whose backslashes separate names, takes them from the second on.
inline constexpr char kForbiddenNameMarks[] = "\\<>:\"/|?*";

// Forbidden in a name: the control characters 0x00 to 0x1F, and < > : " |
// ? * and both slashes, which Windows refuses in names (the slashes separate
// names: a caller that takes a whole path splits it there first). DEL (0x7F)
// is refused too although Windows allows it: no product names a file with
// it, and where it stands in a name the name cannot be typed or shown.
inline bool isForbiddenInName(unsigned char c)
{
    return c < 0x20 || c == 0x7F || (c && strchr(kForbiddenNameMarks, c) != nullptr);
}
