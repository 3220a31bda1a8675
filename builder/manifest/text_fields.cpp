#include "builder/manifest/text_fields.h"

#include "builder/assembly/path_texts.h"

namespace {

// The frame's caption is expanded into 256 bytes.
constexpr size_t kCaptionLength = 255;

}  // namespace

const TextField kTextFields[] = {
    {"title", &InstallScript::title, false, kCaptionLength, "{name} {version} Setup"},
    {"back_text", &InstallScript::backText, true, 0, "< &Back"},
    {"next_text", &InstallScript::nextText, true, 0, "&Next >"},
    {"install_text", &InstallScript::installText, true, 0, "&Install"},
    {"remove_text", &InstallScript::removeText, true, 0, "&Remove"},
    {"finish_text", &InstallScript::finishText, true, 0, "&Finish"},
    {"cancel_text", &InstallScript::cancelText, true, 0, "Cancel"},
    {"components_label", &InstallScript::componentsLabel, true, 0, "Choose the components you want to install:"},
    {"program_group_label", &InstallScript::programGroupLabel, true, 0, "Shortcuts go to this Start menu group:"},
    {"folder_label", &InstallScript::folderLabel, true, 0, "{name} will be installed in this folder:"},
    {"browse_text", &InstallScript::browseText, true, 0, "B&rowse..."},
    {"welcome_text", &InstallScript::welcomeText, true, 0,
     "Welcome to the setup of {name} {version}.\n\n"
     "This wizard installs {name} by {publisher} on your computer. "
     "Close other programs before you continue."},
    {"hint_text", &InstallScript::hintText, true, 0, "Click Next to continue."},
    {"license_hint", &InstallScript::licenseHint, true, 0,
     "Please read the licence agreement. Clicking Next means you accept it."},

    {"previous_version_text", &ActionScriptTexts::previousVersionText, true, 0,
     "An earlier installation of {name} was found on this computer.\n\n"
     "Setup removes it before it installs {name} {version}."},
    {"removing_previous_text", &ActionScriptTexts::removingPreviousText, true, 0,
     "Removing the earlier installation of {name}..."},
    {"progress_hint", &ActionScriptTexts::progressHint, true, 0, "Please wait..."},
    {"ready_to_install_hint", &ActionScriptTexts::readyToInstallHint, true, 0,
     "Click Install to install {name} in $PROGRAMFILESFOLDER$."},
    {"ready_to_remove_hint", &ActionScriptTexts::readyToRemoveHint, true, 0,
     "Click Remove to remove {name} from your computer."},
    {"success_text", &ActionScriptTexts::successText, true, 0,
     "{name} {version} has been installed in $PROGRAMFILESFOLDER$."},
    {"failure_text", &ActionScriptTexts::failureText, true, 0,
     "{name} could not be installed. The changes Setup made have been undone."},
    {"finish_hint", &ActionScriptTexts::finishHint, true, 0, "Click Finish to close this wizard."},
    {"files_step_caption", &ActionScriptTexts::filesStepCaption, true, 0, "Installing files"},
    {"uninstall_title", &ActionScriptTexts::uninstallTitle, false, kCaptionLength, "{name} {version} Uninstall"},
    {"uninstall_welcome_text", &ActionScriptTexts::uninstallWelcomeText, true, 0,
     "This wizard removes {name} {version} from $PROGRAMFILESFOLDER$.\n\n"
     "Close {name} before you continue."},
    {"uninstall_success_text", &ActionScriptTexts::uninstallSuccessText, true, 0,
     "{name} has been removed from your computer."},
    {"remove_files_step_caption", &ActionScriptTexts::removeFilesStepCaption, true, 0, "Removing files"},
    {"uninstall_failure_text", &ActionScriptTexts::uninstallFailureText, true, 0,
     "{name} could not be removed completely."},
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

Bytes& textOf(const TextField& field, InstallScript& installScript, ActionScriptTexts& actionTexts)
{
    return field.installText ? installScript.*field.installText : actionTexts.*field.actionText;
}
