// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QString>

#include <functional>
#include <memory>

class DesktopWallpaper;
class FolderLister;
class QObject;
class SettingsStore;

// What the program takes from the system it runs on: the system's side of the ports, and a few facts about it.
// linux/ and windows/ each implement them for their system; qt/ holds what Qt does the same way on both.

// The user's own store: an INI file under the XDG config folder on Unix, the registry on Windows.
std::unique_ptr<SettingsStore> makeUserSettingsStore();

// Lists plain files the way this system's file manager would show them.
std::unique_ptr<FolderLister> makeFolderLister();

// Picks the binding for the running session; says which on stderr.
std::unique_ptr<DesktopWallpaper> chooseDesktopWallpaper();

// The folder that a change to the drive `root` opens. On Windows every drive keeps a current folder (the process's
// own for its drive, the one a command prompt left for the others), and a change of drive goes there, as it always
// did; elsewhere a volume has no current folder, and its root is opened.
QString currentFolderOnDrive(const QString& root);

// The colour the system draws menu text in: black in the standard schemes. The window uses it as its background.
QColor menuTextColour();

// Runs `onRequest` on the event thread when the system asks the program to end (SIGTERM, SIGHUP or SIGINT on Unix,
// as at logout or shutdown; the end of the session on Windows), so it leaves through its normal close path.
void onTerminationRequest(QObject* context, std::function<void()> onRequest);
