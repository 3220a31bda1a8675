// Shell shortcuts.
#pragma once

// Loads an existing shortcut and clears its hot key, so a shortcut about to
// be replaced or deleted gives its key up.
bool clearShortcutHotkey(const char* path);
