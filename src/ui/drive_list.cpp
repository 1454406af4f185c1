// SPDX-License-Identifier: MIT
#include "ui/drive_list.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSignalBlocker>
#include <QStorageInfo>

#include <algorithm>

namespace {

// File systems the kernel and the desktop keep their own books in; nobody stores pictures there.
const QSet<QByteArray>& pseudoFileSystems() {
    static const QSet<QByteArray> types{"proc",       "sysfs",    "devtmpfs",  "devpts",    "cgroup",      "cgroup2",
                                        "securityfs", "pstore",   "bpf",       "tracefs",   "debugfs",     "configfs",
                                        "fusectl",    "mqueue",   "hugetlbfs", "autofs",    "binfmt_misc", "nsfs",
                                        "rpc_pipefs", "efivarfs", "ramfs",     "selinuxfs", "fuse.portal"};
    return types;
}

bool isAtOrUnder(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

bool isAtOrUnderAny(const QString& path, std::initializer_list<const char*> folders) {
    return std::any_of(folders.begin(), folders.end(),
                       [&path](const char* folder) { return isAtOrUnder(path, QString::fromLatin1(folder)); });
}

#ifdef Q_OS_WIN
QStringList windowsDrives() {
    QStringList drives;
    for (const QFileInfo& drive : QDir::drives())
        drives << QDir::toNativeSeparators(drive.absoluteFilePath());
    drives.sort(Qt::CaseInsensitive);
    if (drives.isEmpty())
        drives << QDir::toNativeSeparators(QDir::rootPath());
    return drives;
}

#else
bool isRootFirstOrder(const QString& a, const QString& b) {
    const QString root = QStringLiteral("/");
    if (a == root || b == root)
        return a == root && b != root;
    return a < b;
}

QStringList unixVolumes() {
    QStringList roots{QStringLiteral("/")};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        if (!DriveList::isRealVolume(volume.fileSystemType(), volume.device(), volume.rootPath()))
            continue;
        // Containers bind single files (/etc/hosts); only folders can be opened.
        if (!roots.contains(volume.rootPath()) && QFileInfo(volume.rootPath()).isDir())
            roots << volume.rootPath();
    }
    std::sort(roots.begin(), roots.end(), isRootFirstOrder);
    return roots;
}
#endif

// The longest offered root that holds `folder` (native separators on both sides).
int indexOfHoldingRoot(const QStringList& roots, const QString& folder) {
    const Qt::CaseSensitivity cs = QDir::separator() == QLatin1Char('\\') ? Qt::CaseInsensitive : Qt::CaseSensitive;
    int best = -1;
    for (int i = 0; i < roots.size(); ++i) {
        QString root = roots.at(i);
        if (!root.endsWith(QDir::separator()))
            root += QDir::separator();
        const bool holds = folder.startsWith(root, cs) || (folder + QDir::separator()).compare(root, cs) == 0;
        if (holds && (best < 0 || roots.at(i).size() > roots.at(best).size()))
            best = i;
    }
    return best;
}

} // namespace

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    fillDrives();
    connect(this, &QComboBox::activated, this, &DriveList::onActivated);
}

void DriveList::showDriveOf(const QString& path) {
    const QString folder =
        QDir::toNativeSeparators(QDir::cleanPath(QDir(QDir::fromNativeSeparators(path)).absolutePath()));
    QStringList roots;
    for (int i = 0; i < count(); ++i)
        roots << itemText(i);
    int index = indexOfHoldingRoot(roots, folder);
#ifndef Q_OS_WIN
    // A symbolic link may lead onto another volume: the more specific of the two offered roots wins.
    const int volumeIndex = roots.indexOf(QStorageInfo(folder).rootPath());
    if (volumeIndex >= 0 && (index < 0 || roots.at(volumeIndex).size() > roots.at(index).size()))
        index = volumeIndex;
#endif
    if (index < 0)
        return;
    const QSignalBlocker quiet(this);
    setCurrentIndex(index);
    shownDrive_ = itemText(index);
}

QStringList DriveList::availableDrives() {
#ifdef Q_OS_WIN
    return windowsDrives();
#else
    return unixVolumes();
#endif
}

bool DriveList::isRealVolume(const QByteArray& fileSystemType, const QByteArray& device, const QString& rootPath) {
    if (rootPath == QLatin1String("/"))
        return true; // whatever backs it, the root holds the system's files
    if (fileSystemType.isEmpty() && device.isEmpty())
        return false;
    if (pseudoFileSystems().contains(fileSystemType))
        return false;
    if (isAtOrUnderAny(rootPath, {"/proc", "/sys"}))
        return false;
    if (fileSystemType == "tmpfs" && isAtOrUnderAny(rootPath, {"/run", "/sys", "/dev", "/proc"}))
        return false;
    if (fileSystemType == "squashfs" && isAtOrUnder(rootPath, QStringLiteral("/snap")))
        return false;
    if (fileSystemType == "overlay" && isAtOrUnderAny(rootPath, {"/var/lib/docker", "/run/containerd"}))
        return false;
    return true;
}

void DriveList::showPopup() {
    fillDrives();
    QComboBox::showPopup();
}

void DriveList::fillDrives() {
    const QString shown = currentText();
    const QSignalBlocker quiet(this);
    clear();
    addItems(availableDrives());
    const int index = findText(shown);
    setCurrentIndex(std::max(index, 0));
    // When the shown drive has gone (a stick pulled out), any pick, even of the first entry, is a change.
    if (index >= 0 || shown.isEmpty())
        shownDrive_ = currentText();
}

void DriveList::onActivated(int index) {
    const QString picked = itemText(index);
    if (picked.isEmpty() || picked == shownDrive_)
        return;
    shownDrive_ = picked;
    emit driveChosen(picked);
}
