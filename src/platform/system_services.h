#pragma once

#include <memory>

class DesktopWallpaper;
class FolderLister;
class SettingsStore;

// The user's own store: an INI file under the XDG config folder on Unix, the registry on Windows.
std::unique_ptr<SettingsStore> makeUserSettingsStore();

// Lists plain files the way this system's file manager would show them.
std::unique_ptr<FolderLister> makeFolderLister();

// Picks the binding for the running session; says which on stderr.
std::unique_ptr<DesktopWallpaper> chooseDesktopWallpaper();
