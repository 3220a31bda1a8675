#include "linkstatic/link_contrast.h"

namespace {

// Relative luminance in units of 1/(10000 * 255 * 255): the channels' weights
// of the sRGB definition, over channels made linear by squaring them. The
// square stands for the sRGB curve (an exponent of about 2.2) within a few
// hundredths of the scale, which moves the ratio of colours near the
// threshold a little and no colour scheme across it by much: the rule is
// there to catch colours that can hardly be told apart, not to grade them.
// Integers only, no floating point in the stub; at most 650,250,000.
uint32_t luminance(uint32_t colour)
{
    uint32_t red = colour & 0xFF;
    uint32_t green = (colour >> 8) & 0xFF;
    uint32_t blue = (colour >> 16) & 0xFF;
    return 2126 * red * red + 7152 * green * green + 722 * blue * blue;
}

// The 0.05 that the contrast ratio adds to both luminances, for the light a
// screen reflects, on the same scale.
constexpr uint32_t kFlare = 32512500;

// The background luminance from which the blue for light backgrounds stands
// out more than the one for dark backgrounds: where the two ratios are
// equal, at the geometric mean of the blues' luminances with the flare
// (about 137,000,000 and 328,000,000), less the flare.
constexpr uint32_t kLightFrom = 179500000;

}  // namespace

bool isReadableOn(uint32_t foreground, uint32_t background)
{
    uint32_t lighter = luminance(foreground) + kFlare;
    uint32_t darker = luminance(background) + kFlare;
    if (lighter < darker) {
        uint32_t swap = lighter;
        lighter = darker;
        darker = swap;
    }
    // At most 3 * 682,762,500: within 32 bits.
    return lighter >= 3 * darker;
}

uint32_t readableLinkColour(uint32_t link, uint32_t background)
{
    if (isReadableOn(link, background))
        return link;
    return luminance(background) >= kLightFrom ? kLinkBlueOnLight : kLinkBlueOnDark;
}
