// Block 0 of an install package: the install wizard's texts, banner and
// defaults, and the table of info switches answered on standard output.
#pragma once

#include "format/bytes.h"
#include "format/wizard_texts.h"
#include "format/record_fields.h"

// Every field is an owned copy; nothing points into the decoded block. The
// sizes of the two banner parts are their Bytes' sizes.
struct InstallScript : WizardFrameTexts {
    Bytes installText;
    Bytes componentsLabel;
    Bytes programGroupLabel;
    Bytes defaultProgramGroup;
    Bytes folderLabel;
    Bytes defaultFolder;
    Bytes browseText;
    Bytes licenseText;
    Bytes licenseHint;
    Bytes infoSwitches;  // pairs of NUL-terminated key and text, ended by an empty key

    // The twenty items in stream order.
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.text("title", s.title);
        v.banner("banner", s.bannerInfo, s.bannerBits);
        v.text("backText", s.backText);
        v.text("nextText", s.nextText);
        v.text("installText", s.installText);
        v.text("removeText", s.removeText);
        v.text("finishText", s.finishText);
        v.text("cancelText", s.cancelText);
        v.text("componentsLabel", s.componentsLabel);
        v.text("programGroupLabel", s.programGroupLabel);
        v.text("defaultProgramGroup", s.defaultProgramGroup);
        v.text("folderLabel", s.folderLabel);
        v.text("defaultFolder", s.defaultFolder);
        v.text("browseText", s.browseText);
        v.text("welcomeText", s.welcomeText);
        v.text("hintText", s.hintText);
        v.text("licenseText", s.licenseText);
        v.text("licenseHint", s.licenseHint);
        v.textPairs("infoSwitches", s.infoSwitches, "key", "text");
    }
};

// Builds the script from a cursor attached to decoded block 0. False when the
// block is damaged: an index or item past its record stream or pool.
bool readInstallScript(ByteCursor& cursor, InstallScript& out);
bool serializeInstallScript(const InstallScript& script, ByteSink& sink);

// The text paired with the first key equal to the whole command-line tail, or
// null. The table is never read past its stored length, whether or not it
// ends with its empty key.
const char* findInfoSwitch(const InstallScript& script, const char* tail, size_t* textLength);

// The licence is streamed as RTF when it starts with the five bytes "{\rtf".
bool licenseIsRtf(const InstallScript& script);

// True when the banner pair is complete: a header the platform understands,
// its whole colour table, and at least as many bits as the header describes.
// A pair that fails is never handed to the platform.
bool bannerIsComplete(const uint8_t* info, size_t infoSize, size_t bitsSize);
