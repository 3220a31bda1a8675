// The wizard's banner: a BITMAPINFO (header and colour table) and its pixel
// bits, as block 0 holds them. Read from a BMP file, or drawn here when the
// manifest names none.
#pragma once

#include "format/bytes.h"

#include <string>

// The size the wizard frame shows a banner at (at 96 dpi).
constexpr int kBannerWidth = 500;
constexpr int kBannerHeight = 60;

struct Banner {
    Bytes info;
    Bytes bits;
};

// Takes a BMP file of 8 bits per pixel with a palette or of 24 bits, not
// compressed, bottom-up or top-down. A BITMAPV4 or V5 header is cut down to
// the BITMAPINFOHEADER that every Windows version reads. False with a
// reason for anything else, and for a bitmap whose parts run past the file.
bool bannerFromBmp(const Bytes& file, Banner& out, std::string& problem);

// A 500 x 60 banner of 256 colours drawn here: a quiet gradient with a
// slipway running into water at the right.
Banner defaultBanner();
