#include "linkstatic/link_styles.h"

#include "platform/theme_library.h"

#include <string.h>
#include <vssym32.h>

// Filled by the first control rather than initialised here, so the image
// carries no data section for them.
LinkStyleSet linkStyles;
LinkStyleSet tipStyles;
bool bufferedPainting;

void initLinkStyles(HWND window)
{
    static bool done;
    if (done)
        return;
    done = true;
    // The system's hot-light colour where it has one (Windows 98 and 2000
    // on); older systems answer black for a colour they do not know.
    COLORREF colour = GetSysColor(COLOR_HOTLIGHT);
    if (!colour)
        colour = RGB(0, 0, 128);
    for (int state = 0; state < 3; ++state) {
        linkStyles.colour[state] = colour;
        linkStyles.underline[state] = 1;
        tipStyles.colour[state] = RGB(0, 130, 0);
    }
    const ThemeLibrary& themes = themeEntries();
    if (themes.openThemeData && themes.closeThemeData && themes.getThemeColor && themes.getThemeFont) {
        // Null while no theme is on: the classic colours stay.
        UniqueTheme theme(themes.openThemeData(window, L"TEXTSTYLE"));
        for (int state = 0; theme && state < 3; ++state) {
            themes.getThemeColor(theme.get(), TEXT_HYPERLINKTEXT, state + 1, TMT_TEXTCOLOR, &linkStyles.colour[state]);
            LOGFONTW font;
            if (SUCCEEDED(themes.getThemeFont(theme.get(), nullptr, TEXT_HYPERLINKTEXT, state + 1, TMT_FONT, &font)))
                linkStyles.underline[state] = font.lfUnderline;
        }
    }
    bufferedPainting =
        themes.bufferedPaintInit && themes.bufferedPaintUnInit && themes.beginBufferedPaint && themes.endBufferedPaint;
    // Tips keep their green, underlined as the links are.
    memcpy(tipStyles.underline, linkStyles.underline, sizeof tipStyles.underline);
}
