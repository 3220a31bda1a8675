// The wizard's and the uninstaller's texts as a manifest names them in its
// [texts] table, with the English text each has when the manifest leaves it
// out. Block 0 and block 1 each hold some of them; defaultFolder,
// defaultProgramGroup, the licence, the info switches and the uninstall
// entry are set elsewhere in the manifest.
#pragma once

#include "format/install_script.h"
#include "format/action_script.h"

#include <stddef.h>

#include <string>

struct TextField {
    constexpr TextField(const char* key, Bytes InstallScript::*text, bool mnemonic, size_t maxLength,
                        const char* english)
        : key(key), installText(text), mnemonic(mnemonic), maxLength(maxLength), english(english)
    {
    }
    constexpr TextField(const char* key, Bytes ActionScriptTexts::*text, bool mnemonic, size_t maxLength,
                        const char* english)
        : key(key), actionText(text), mnemonic(mnemonic), maxLength(maxLength), english(english)
    {
    }

    const char* key;                                 // name in [texts]
    Bytes InstallScript::*installText = nullptr;     // the block 0 text it sets, or
    Bytes ActionScriptTexts::*actionText = nullptr;  // the block 1 text it sets
    bool mnemonic;                                   // shown in a control where '&' marks an access key
    size_t maxLength;                                // characters left after expansion at most; 0: no limit
    const char* english;                             // with {name}, {version} and {publisher}
};

extern const TextField kTextFields[];
extern const size_t kTextFieldCount;

// The product's own words, in the package's code page, as written.
struct ProductFacts {
    std::string name;
    std::string version;
    std::string publisher;
};

// The English default for a field, with the product's words filled in and
// escaped for the field's use: every text is expanded, so a dollar sign
// becomes "$$", and in a control '&' becomes "&&".
std::string defaultText(const TextField& field, const ProductFacts& product);

// The text a field names, in whichever of the two blocks it lives.
Bytes& textOf(const TextField& field, InstallScript& installScript, ActionScriptTexts& actionTexts);
