// The texts and banner every wizard frame shows, the install wizard's and the
// uninstall wizard's alike: declared once, so the uninstall package carries
// the same fields the install package gave it. Each script still lists them
// in its own stream order.
#pragma once

#include "format/bytes.h"

#include <stdint.h>

struct WizardFrameTexts {
    Bytes title;
    Bytes bannerInfo;  // BITMAPINFOHEADER and colour table
    Bytes bannerBits;
    Bytes backText;
    Bytes nextText;
    Bytes removeText;
    Bytes finishText;
    Bytes cancelText;
    Bytes welcomeText;
    Bytes hintText;

    uint32_t bannerInfoSize() const { return uint32_t(bannerInfo.size()); }
    uint32_t bannerBitsSize() const { return uint32_t(bannerBits.size()); }
};
