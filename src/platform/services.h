#pragma once

#include <functional>

class Clock;
class RandomSource;
class SettingsStore;
class FolderLister;
class MessageBoxService;
class DesktopWallpaper;
class TrayIcon;

// The runtime services the program works through; tests hand in fakes.
struct Services {
    Clock& clock;
    RandomSource& random;
    SettingsStore& settings;
    FolderLister& lister;
    MessageBoxService& messages;
    DesktopWallpaper& desktop;
    TrayIcon& tray;
    // Ends the program at once, from inside a handler.
    std::function<void()> endProgram;
};
