// The texts the stub itself shows: its message boxes, the questions its
// steps ask, and what it writes to the console. A package brings the texts of
// its wizard and its steps (the install script's); these are the stub's own,
// the same for every package, and tests and users compare them byte for byte.
// Portable, so that the host tests see the same bytes as the stub. Each
// entry is its literal, not an array: the compiler aligns an array of 32
// bytes or more to 32 in the image, and a literal to nothing.
#pragma once

// ------------------------------------------------------------ box titles

inline constexpr const char* kErrorTitle = "Error";
// The title of the switch list that /? and /help show.
inline constexpr const char* kSetupTitle = "Setup";

// ------------------------------------------------ the steps' retry questions
//
// Each is followed by ":\n" and the system's text for the error, and asked
// with Abort, Retry and Ignore.

inline constexpr const char* kCannotCreateFile = "Cannot create file \"%s\"";
inline constexpr const char* kCannotDeleteFile = "Cannot delete file \"%s\"";
inline constexpr const char* kCannotExecute = "Cannot execute \"%s\"";
inline constexpr const char* kCannotLoad = "Cannot load \"%s\"";
inline constexpr const char* kCannotGetEntryPoint = "Cannot get entry point \"%s\" of \"%s\"";
// In place of the system's text when the system has none for the error.
inline constexpr const char* kErrorCode = "Error code %d";

// ------------------------------------------------------------------ start-up

// The first line of -installerinfo.
inline constexpr const char* kInstallerBanner =
    "Slipway setup 1.0, made with Slipway: small, fast, dependable Windows installers.\n";
// The banner's second part, and the box of /? and /help.
inline constexpr const char* kSwitchList =
    "Switches: /passive, /quiet (no window, no question, no finish programs), /norestart, "
    "/dir=\"FOLDER\", /log=FILE, /nouninstall, /allowdowngrade, /? or /help; - for / works too; "
    "-extractallfiles, -ip PACKAGE, -installerinfo.\n"
    "Exit codes: 0 done, 3010 done but restart needed, 1602 cancelled, 1603 failed, "
    "1620 damaged package, 1638 another version is installed (downgrade refused), 1 no administrator rights.\n";
// Followed by the system's text for the error of the elevation.
inline constexpr const char* kElevationFailed = "Setup could not acquire administrative privileges:\n\n";
// Shown whenever a package cannot be read, whatever the reason.
inline constexpr const char* kDamagedPackage = "The setup package is damaged. Please try again with original file.";
// The /dir= folder and what is wrong with it (one of the four below).
inline constexpr const char* kUnusableInstallFolder = "The install folder \"%s\" cannot be used: %s.";
inline constexpr const char* kFolderNotFullPath = "it is not a full path";
inline constexpr const char* kFolderTooLong = "it is too long";
inline constexpr const char* kFolderBadCharacter = "it holds a character that a folder name cannot hold";
inline constexpr const char* kFolderIsAFile = "it is a file";

// ------------------------------------------------------------------- wizard

// The earlier installation found: the step row of its removal, and the
// line below the package's page text, by how its version ("Installed now"
// is its name and version) stands to the one this setup installs.
inline constexpr const char* kRemovingEarlier = "Removing %s";
inline constexpr const char* kEarlierUpgrade = "Installed now: %s. Setup upgrades it to version %s.";
inline constexpr const char* kEarlierReinstall =
    "Installed now: %s, the version this setup installs. Setup installs it again.";
inline constexpr const char* kEarlierDowngrade =
    "Installed now: %s, newer than version %s that this setup installs. Setup replaces it with the older "
    "version.";
inline constexpr const char* kEarlierInstalled = "Installed now: %s.";
// The check box a downgrade needs ticked before Next goes on.
inline constexpr const char* kConfirmDowngrade = "&Replace the newer version with this older one";

// Asked, Yes or No, when Cancel is pressed while the files are written.
inline constexpr const char* kCancelQuestion = "Are you sure?";

// A folder chosen in the browser that, with the product's own sub-path
// behind it, would not fit: the chosen folder, a backslash unless it ends
// with one, and the sub-path.
inline constexpr const char* kChosenFolderTooLong =
    "The installation folder would be longer than 259 characters:\n\n%s%s%s\n\n"
    "Please choose a folder with a shorter path.";

// The line of the component and folder pages under the list and the rows,
// with a size ("12.3 MB").
inline constexpr const char* kSpaceRequired = "Space required: %s";

// Asked when a restart is needed and the system's own question (advpack's)
// cannot be read.
inline constexpr const char* kRestartQuestion =
    "You must restart your computer before the new settings will take effect.\n\n"
    "Do you want to restart your computer now?";

// --------------------------------------------------------------- uninstaller

inline constexpr const char* kUninstallerCopyFailed = "The uninstaller could not run from the temporary folder.";
