#pragma once

#include <QString>
#include <QtGlobal>

// The folder that a change to the drive `root` opens. On Windows every drive keeps a current folder (the process's
// own for its drive, the one a command prompt left for the others), and a change of drive goes there, as it always
// did; elsewhere a volume has no current folder, and its root is opened.
#ifdef Q_OS_WIN
QString currentFolderOnDrive(const QString& root);
#else
inline QString currentFolderOnDrive(const QString& root) {
    return root;
}
#endif
