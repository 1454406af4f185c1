// SPDX-License-Identifier: MIT
#include "ui/drive_list.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Stands for a volume mounted somewhere below the root; it needs to exist only in the list.
const QString kExtraVolume = QStringLiteral("/quorlen-test-volume");

QStringList itemsOf(const QComboBox& box) {
    QStringList items;
    for (int i = 0; i < box.count(); ++i)
        items << box.itemText(i);
    return items;
}

} // namespace

class TestDriveList final : public QObject {
    Q_OBJECT

private slots:
    void isRealVolume_data() {
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QByteArray>("device");
        QTest::addColumn<QString>("root");
        QTest::addColumn<bool>("offered");
        QTest::newRow("ext4 root") << QByteArray("ext4") << QByteArray("/dev/sda1") << "/" << true;
        QTest::newRow("btrfs home") << QByteArray("btrfs") << QByteArray("/dev/nvme0n1p2") << "/home" << true;
        QTest::newRow("vfat EFI partition") << QByteArray("vfat") << QByteArray("/dev/sda2") << "/boot/efi" << true;
        QTest::newRow("USB stick") << QByteArray("exfat") << QByteArray("/dev/sdc1") << "/media/u/STICK" << true;
        QTest::newRow("network share") << QByteArray("nfs4") << QByteArray("nas:/export") << "/mnt/nas" << true;
        QTest::newRow("tmpfs at /tmp holds the user's files")
            << QByteArray("tmpfs") << QByteArray("tmpfs") << "/tmp" << true;
        QTest::newRow("tmpfs whose name only starts like /run")
            << QByteArray("tmpfs") << QByteArray("tmpfs") << "/runtime" << true;
        QTest::newRow("squashfs image outside /snap")
            << QByteArray("squashfs") << QByteArray("/dev/loop0") << "/mnt/image" << true;
        QTest::newRow("overlay root of a container") << QByteArray("overlay") << QByteArray("overlay") << "/" << true;
        QTest::newRow("proc") << QByteArray("proc") << QByteArray("proc") << "/proc" << false;
        QTest::newRow("sysfs") << QByteArray("sysfs") << QByteArray("sysfs") << "/sys" << false;
        QTest::newRow("devtmpfs") << QByteArray("devtmpfs") << QByteArray("udev") << "/dev" << false;
        QTest::newRow("devpts") << QByteArray("devpts") << QByteArray("devpts") << "/dev/pts" << false;
        QTest::newRow("cgroup2") << QByteArray("cgroup2") << QByteArray("cgroup2") << "/sys/fs/cgroup" << false;
        QTest::newRow("efivarfs") << QByteArray("efivarfs") << QByteArray("efivarfs") << "/sys/firmware/efi/efivars"
                                  << false;
        QTest::newRow("autofs") << QByteArray("autofs") << QByteArray("systemd-1") << "/proc/sys/fs/binfmt_misc"
                                << false;
        QTest::newRow("hugetlbfs") << QByteArray("hugetlbfs") << QByteArray("hugetlbfs") << "/dev/hugepages" << false;
        QTest::newRow("tmpfs at /run") << QByteArray("tmpfs") << QByteArray("tmpfs") << "/run" << false;
        QTest::newRow("tmpfs under /run") << QByteArray("tmpfs") << QByteArray("tmpfs") << "/run/user/1000" << false;
        QTest::newRow("tmpfs under /dev") << QByteArray("tmpfs") << QByteArray("shm") << "/dev/shm" << false;
        QTest::newRow("tmpfs under /sys") << QByteArray("tmpfs") << QByteArray("tmpfs") << "/sys/fs/cgroup" << false;
        QTest::newRow("overlay under /var/lib/docker")
            << QByteArray("overlay") << QByteArray("overlay") << "/var/lib/docker/overlay2/ab12/merged" << false;
        QTest::newRow("overlay under /run/containerd")
            << QByteArray("overlay") << QByteArray("overlay") << "/run/containerd/io.containerd/rootfs" << false;
        QTest::newRow("squashfs snap") << QByteArray("squashfs") << QByteArray("/dev/loop3") << "/snap/core22/1122"
                                       << false;
        QTest::newRow("neither type nor device") << QByteArray() << QByteArray() << "/mnt/x" << false;
    }
    void isRealVolume() {
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, device);
        QFETCH(QString, root);
        QFETCH(bool, offered);
        QCOMPARE(DriveList::isRealVolume(type, device, root), offered);
    }

#ifndef Q_OS_WIN
    // Windows lists drive letters instead.
    void availableDrivesStartWithRootThenSorted() {
        const QStringList drives = DriveList::availableDrives();
        QVERIFY(!drives.isEmpty());
        QCOMPARE(drives.first(), QStringLiteral("/"));
        QStringList rest = drives.mid(1);
        rest.sort();
        QCOMPARE(drives.mid(1), rest);
        QCOMPARE(QSet<QString>(drives.begin(), drives.end()).size(), drives.size());
        QVERIFY(!drives.contains("/proc"));
        QVERIFY(!drives.contains("/sys"));
    }
#endif

    void offersTheAvailableDrives() {
        DriveList chooser;
        QCOMPARE(itemsOf(chooser), DriveList::availableDrives());
        QCOMPARE(chooser.currentText(), chooser.itemText(chooser.currentIndex()));
    }

#ifndef Q_OS_WIN
    // Unix roots; Windows has drive letters.
    void showDriveOfSelectsQuietly_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expectedDrive");
        QTest::newRow("folder on the root volume") << "/usr/share"
                                                   << "/";
        QTest::newRow("the root itself") << "/"
                                         << "/";
        QTest::newRow("folder on another volume") << kExtraVolume + "/pictures/2024" << kExtraVolume;
        QTest::newRow("another volume's own root") << kExtraVolume << kExtraVolume;
        QTest::newRow("sibling that only shares the name's start") << kExtraVolume + "-other"
                                                                   << "/";
    }
    void showDriveOfSelectsQuietly() {
        QFETCH(QString, path);
        QFETCH(QString, expectedDrive);
        DriveList chooser;
        chooser.addItem(kExtraVolume);
        QSignalSpy chosen(&chooser, &DriveList::driveChosen);
        QSignalSpy activated(&chooser, &QComboBox::activated);

        chooser.showDriveOf(path);

        QCOMPARE(chooser.currentText(), expectedDrive);
        QCOMPARE(chosen.count(), 0);
        QCOMPARE(activated.count(), 0);
    }
#endif

    void userPick_data() {
        QTest::addColumn<bool>("byKeyboard");
        QTest::addColumn<bool>("pickOther");
        QTest::addColumn<QStringList>("expectedChosen");
        QTest::newRow("arrow key onto another drive") << true << true << QStringList{kExtraVolume};
        QTest::newRow("picking another drive from the list") << false << true << QStringList{kExtraVolume};
        QTest::newRow("picking the drive already shown") << false << false << QStringList{};
    }
    void userPick() {
        QFETCH(bool, byKeyboard);
        QFETCH(bool, pickOther);
        QFETCH(QStringList, expectedChosen);
        DriveList chooser;
        chooser.showDriveOf(QStringLiteral("/"));
        const int shown = chooser.currentIndex();
        chooser.insertItem(shown + 1, kExtraVolume);
        QSignalSpy chosen(&chooser, &DriveList::driveChosen);

        if (byKeyboard) {
            QTest::keyClick(&chooser, Qt::Key_Down);
        } else {
            const int picked = pickOther ? shown + 1 : shown;
            chooser.setCurrentIndex(picked); // what the popup does before it reports the pick
            emit chooser.activated(picked);
        }

        QStringList roots;
        for (const QList<QVariant>& call : chosen)
            roots << call.first().toString();
        QCOMPARE(roots, expectedChosen);
    }

    void programmaticSelectionStaysSilent() {
        DriveList chooser;
        chooser.addItem(kExtraVolume);
        QSignalSpy chosen(&chooser, &DriveList::driveChosen);
        chooser.setCurrentIndex(chooser.count() - 1);
        chooser.setCurrentIndex(0);
        QCOMPARE(chosen.count(), 0);
    }
};

QTEST_MAIN(TestDriveList)
#include "test_drive_list.moc"
