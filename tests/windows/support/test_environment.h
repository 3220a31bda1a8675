// Paths and files shared by the Windows-side tests.
#pragma once

#include <string>

// A Linux path as Wine's Z: drive sees it.
std::string windowsPath(const std::string& unixPath);
// The stub image the build made.
std::string stubPath();
// A fresh folder for one test, under the Windows temporary folder.
std::string makeTestFolder(const std::string& name);
// Where tests leave screenshots and other output for people to look at.
std::string testOutputFolder();
