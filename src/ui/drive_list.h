// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QComboBox>
#include <QString>
#include <QStringList>

// The drive list of the main window: a drop-down of the drives by their root path. It tells only of
// the user's own picks; selecting a drive from code stays silent.
class DriveList final : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);
    // Selects the drive holding `path`, without emitting anything.
    void showDriveOf(const QString& path);
    // The drives offered: drive letters on Windows; elsewhere the mounted volumes that hold real files,
    // "/" first, the rest sorted by root path.
    static QStringList availableDrives();
    // Should a mount of this type, device and root be offered? Pseudo and container-internal file
    // systems are not.
    static bool isRealVolume(const QByteArray& fileSystemType, const QByteArray& device, const QString& rootPath);

signals:
    // Only when the user picks a drive other than the one shown.
    void driveChosen(const QString& root);

protected:
    // Volumes come and go (USB sticks), so the list is read again each time it drops down.
    void showPopup() override;

private:
    void fillDrives();
    void onActivated(int index);

    QString shownDrive_;
};
