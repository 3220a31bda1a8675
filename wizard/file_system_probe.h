// The folder rules' question (wizard/install_folder_choice.h) answered by
// the file system.
#pragma once

#include "wizard/install_folder_choice.h"

#include <windows.h>

class FileSystemProbe final : public FolderProbe {
public:
    bool exists(const char* folder) override { return GetFileAttributesA(folder) != INVALID_FILE_ATTRIBUTES; }
};
