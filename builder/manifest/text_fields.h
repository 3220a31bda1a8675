// The wizard's and the uninstaller's texts as a manifest names them in its
// [texts] table, with the English text each has when the manifest leaves it
// out. Block 0 and block 1 each hold some of them; defaultFolder,
// defaultProgramGroup, the licence, the info switches and the uninstall
// entry are set elsewhere in the manifest.
#pragma once

#include <stddef.h>

#include <string>

enum class TextBlock { Install, Actions };

struct TextField {
    const char* key;        // name in [texts]
    TextBlock block;
    int index;              // installScriptField() or actionScriptText() index
    bool mnemonic;          // shown in a control where '&' marks an access key
    size_t maxLength;       // characters left after expansion at most; 0: no limit
    const char* english;    // with {name}, {version} and {publisher}
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
