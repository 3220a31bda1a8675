#include "builder/manifest/text_fields.h"

#include "builder/build/path_texts.h"

namespace {

// The frame's caption is expanded into 256 bytes.
constexpr size_t kCaptionLength = 255;

}  // namespace

const TextField kTextFields[] = {
    {"title", TextBlock::Install, 0, false, kCaptionLength, "{name} {version} Setup"},
    {"back_text", TextBlock::Install, 3, true, 0, "< &Back"},
    {"next_text", TextBlock::Install, 4, true, 0, "&Next >"},
    {"install_text", TextBlock::Install, 5, true, 0, "&Install"},
    {"remove_text", TextBlock::Install, 6, true, 0, "&Remove"},
    {"finish_text", TextBlock::Install, 7, true, 0, "&Finish"},
    {"cancel_text", TextBlock::Install, 8, true, 0, "Cancel"},
    {"components_label", TextBlock::Install, 9, true, 0, "Choose the components you want to install:"},
    {"program_group_label", TextBlock::Install, 10, true, 0, "Shortcuts go to this Start menu group:"},
    {"folder_label", TextBlock::Install, 12, true, 0, "{name} will be installed in this folder:"},
    {"browse_text", TextBlock::Install, 14, true, 0, "B&rowse..."},
    {"welcome_text", TextBlock::Install, 15, true, 0,
     "Welcome to the setup of {name} {version}.\n\n"
     "This wizard installs {name} by {publisher} on your computer. "
     "Close other programs before you continue."},
    {"hint_text", TextBlock::Install, 16, true, 0, "Click Next to continue."},
    {"license_hint", TextBlock::Install, 18, true, 0,
     "Please read the licence agreement. Clicking Next means you accept it."},

    {"previous_version_text", TextBlock::Actions, 0, true, 0,
     "An earlier installation of {name} was found on this computer.\n\n"
     "Setup removes it before it installs {name} {version}."},
    {"removing_previous_text", TextBlock::Actions, 1, true, 0, "Removing the earlier installation of {name}..."},
    {"progress_hint", TextBlock::Actions, 2, true, 0, "Please wait..."},
    {"ready_to_install_hint", TextBlock::Actions, 3, true, 0, "Click Install to install {name} in $PROGRAMFILESFOLDER$."},
    {"ready_to_remove_hint", TextBlock::Actions, 4, true, 0, "Click Remove to remove {name} from your computer."},
    {"success_text", TextBlock::Actions, 5, true, 0, "{name} {version} has been installed in $PROGRAMFILESFOLDER$."},
    {"failure_text", TextBlock::Actions, 6, true, 0,
     "{name} could not be installed. The changes Setup made have been undone."},
    {"finish_hint", TextBlock::Actions, 7, true, 0, "Click Finish to close this wizard."},
    {"files_step_caption", TextBlock::Actions, 8, true, 0, "Installing files"},
    {"uninstall_title", TextBlock::Actions, 12, false, kCaptionLength, "{name} {version} Uninstall"},
    {"uninstall_welcome_text", TextBlock::Actions, 13, true, 0,
     "This wizard removes {name} {version} from $PROGRAMFILESFOLDER$.\n\n"
     "Close {name} before you continue."},
    {"uninstall_success_text", TextBlock::Actions, 14, true, 0, "{name} has been removed from your computer."},
    {"remove_files_step_caption", TextBlock::Actions, 15, true, 0, "Removing files"},
    {"uninstall_failure_text", TextBlock::Actions, 16, true, 0, "{name} could not be removed completely."},
};

const size_t kTextFieldCount = sizeof kTextFields / sizeof kTextFields[0];

std::string defaultText(const TextField& field, const ProductFacts& product)
{
    auto escaped = [&](const std::string& words) {
        std::string out;
        for (char c : escapeDollars(words)) {
            out += c;
            if (c == '&' && field.mnemonic)
                out += '&';
        }
        return out;
    };
    std::string out;
    for (const char* p = field.english; *p; ++p) {
        if (*p == '{') {
            std::string rest(p);
            const char* placeholders[] = {"{name}", "{version}", "{publisher}"};
            const std::string* values[] = {&product.name, &product.version, &product.publisher};
            bool replaced = false;
            for (int i = 0; i < 3 && !replaced; ++i) {
                std::string placeholder = placeholders[i];
                if (rest.compare(0, placeholder.size(), placeholder) == 0) {
                    out += escaped(*values[i]);
                    p += placeholder.size() - 1;
                    replaced = true;
                }
            }
            if (replaced)
                continue;
        }
        out += *p;
    }
    return out;
}
