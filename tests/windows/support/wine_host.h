// The Linux side of the Wine session, for what Win32 under Wine cannot make:
// symbolic links (Wine shows them as reparse points), links to device nodes,
// and whole trees removed whatever they hold.
#pragma once

#include <string>
#include <vector>

// The Linux path of a Windows path (Wine's own mapping); empty when unknown.
std::string unixPathOf(const std::string& windowsPath);

// Starts a Linux program (its Linux path, then its arguments). Wine can
// neither wait for such a program nor report its exit code: check its effect.
bool runOnHost(const std::vector<std::string>& arguments);

// Makes `link` (a Windows path) a symbolic link to `unixTarget`; true once
// the link is there.
bool makeHostSymlink(const std::string& unixTarget, const std::string& link);

// Removes a test folder and everything in it, links included (never what
// they point to), and waits until it is gone. Only folders made by
// makeTestFolder are touched.
void removeTestTree(const std::string& windowsFolder);
