// Field sets that actions and the undo entries they leave share: one list of
// fields, in stream order, for each.
#pragma once

#include "format/bytes.h"
#include "format/record_fields.h"

#include <stdint.h>

// A registry value: root, sub-key and value name.
struct RegistryValueFields {
    uint32_t root = 0;
    Bytes subKey;
    Bytes valueName;
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.number("root", s.root, NumberForm::RegistryRoot);
        v.text("subKey", s.subKey);
        v.text("valueName", s.valueName);
    }
};

// A program run with its own step caption.
struct ProgramStepFields {
    Bytes stepCaption;
    Bytes commandLine;
    Bytes workingFolder;
    uint16_t show = 0;
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.text("caption", s.stepCaption);
        v.text("commandLine", s.commandLine);
        v.text("workingFolder", s.workingFolder);
        v.shortNumber("show", s.show);
    }
};

// A library entry point called with its own step caption.
struct LibraryStepFields {
    Bytes stepCaption;
    Bytes library;
    Bytes entryName;
    Bytes argument;
    template <typename Self, typename V>
    static void fields(Self& s, V& v)
    {
        v.text("caption", s.stepCaption);
        v.text("library", s.library);
        v.text("entryName", s.entryName);
        v.text("argument", s.argument);
    }
};
