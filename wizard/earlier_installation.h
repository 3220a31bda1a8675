// The search for an earlier installation of the product under the system's
// Uninstall key.
#pragma once

// True when an uninstall command that has not run yet in this run was found;
// it is then in runState.uninstallCommand.
bool findEarlierInstallation();
// Adds the found command to the commands already started in this run.
bool rememberStartedUninstallCommand();
