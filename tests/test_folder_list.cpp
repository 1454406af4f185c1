// SPDX-License-Identifier: MIT
#include "support/hostile.h"
#include "support/skip.h"
#include "ui/folder_list.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

enum class Gesture { Click, DoubleClick, Return, Enter, ArrowDown };
enum class Target { Subfolder, Parent, Current };

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

void makeFolders(const QString& root, const QStringList& names) {
    for (const QString& name : names)
        QVERIFY(QDir(root).mkpath(name));
}

void makeFiles(const QString& root, const QStringList& names) {
    for (const QString& name : names) {
        QFile file(root + QLatin1Char('/') + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

QTreeWidget* rowsOf(FolderList& chooser) {
    return chooser.findChild<QTreeWidget*>();
}

QList<QTreeWidgetItem*> allRows(FolderList& chooser) {
    QList<QTreeWidgetItem*> rows;
    for (QTreeWidgetItemIterator it(rowsOf(chooser)); *it; ++it)
        rows << *it;
    return rows;
}

QTreeWidgetItem* rowFor(FolderList& chooser, const QString& folder) {
    for (QTreeWidgetItem* row : allRows(chooser)) {
        if (row->data(0, Qt::UserRole).toString() == QDir::cleanPath(folder))
            return row;
    }
    return nullptr;
}

int depthOf(const QTreeWidgetItem* row) {
    int depth = 0;
    for (const QTreeWidgetItem* up = row->parent(); up; up = up->parent())
        ++depth;
    return depth;
}

// Labels of the ancestor rows for `folder`: the root as "/" (or "C:\"), then one name per level.
QStringList ancestorLabels(const QString& folder) {
    QStringList labels;
    QDir dir(folder);
    do {
        labels.prepend(dir.isRoot() ? native(dir.absolutePath()) : dir.dirName());
    } while (dir.cdUp());
    return labels;
}

void perform(Gesture gesture, QTreeWidget* rows, QTreeWidgetItem* row) {
    const QPoint centre = rows->visualItemRect(row).center();
    switch (gesture) {
    case Gesture::Click:
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, centre);
        break;
    case Gesture::DoubleClick:
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, centre); // a real double click starts as a click
        QTest::mouseDClick(rows->viewport(), Qt::LeftButton, {}, centre);
        break;
    case Gesture::Return:
    case Gesture::Enter:
    case Gesture::ArrowDown:
        rows->setCurrentItem(row);
        const Qt::Key key = gesture == Gesture::Return  ? Qt::Key_Return
                            : gesture == Gesture::Enter ? Qt::Key_Enter
                                                        : Qt::Key_Down;
        QTest::keyClick(rows, key);
        break;
    }
}

} // namespace

class TestFolderList final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // As root no folder is unreadable; the whole test runs as "nobody" instead, its folders made afterwards.
        permissionsBind_ = permissionsBind(&whyPermissionsDoNotBind_);
        temp_ = std::make_unique<QTemporaryDir>();
        QVERIFY(temp_->isValid());
        root_ = QDir::cleanPath(temp_->path());
        makeFolders(root_, {"Alpha/inner", "beta", "charlie", ".hidden"});
        makeFiles(root_, {"file.txt"});
    }

    void startsOnWorkingFolder_data() {
        QTest::addColumn<bool>("moveIntoTemp");
        QTest::newRow("the process's working folder") << false;
        QTest::newRow("a working folder set before") << true;
    }
    void startsOnWorkingFolder() {
        QFETCH(bool, moveIntoTemp);
        const QString before = QDir::currentPath();
        if (moveIntoTemp)
            QVERIFY(QDir::setCurrent(root_ + "/beta"));
        FolderList chooser;
        const QString expected = native(QDir::currentPath());
        QDir::setCurrent(before);
        QCOMPARE(chooser.path(), expected);
    }

    void setPath_data() {
        QTest::addColumn<QString>("spelling"); // %T stands for the temporary folder
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("changes");
        QTest::newRow("a subfolder") << "%T/Alpha" << true << true;
        QTest::newRow("a folder two levels down") << "%T/Alpha/inner" << true << true;
        QTest::newRow("the parent") << "%T/.." << true << true;
        QTest::newRow("the same folder") << "%T" << true << false;
        QTest::newRow("the same folder with a trailing separator") << "%T/" << true << false;
        QTest::newRow("the same folder through a detour") << "%T/Alpha/../." << true << false;
        QTest::newRow("a missing folder") << "%T/missing" << false << false;
        QTest::newRow("a plain file") << "%T/file.txt" << false << false;
        QTest::newRow("empty text") << "" << false << false;
    }
    void setPath() {
        QFETCH(QString, spelling);
        QFETCH(bool, accepted);
        QFETCH(bool, changes);
        FolderList chooser;
        QVERIFY(chooser.setPath(root_));
        QSignalSpy spy(&chooser, &FolderList::changed);
        const QString folder = spelling.replace("%T", root_);

        QString error;
        QCOMPARE(chooser.setPath(folder, &error), accepted);

        // The spy is read before any event is processed: the notification ran inside setPath.
        QCOMPARE(spy.count(), changes ? 1 : 0);
        QCOMPARE(error.isEmpty(), accepted);
        const QString expected = changes ? native(QDir::cleanPath(folder)) : native(root_);
        QCOMPARE(chooser.path(), expected);
        if (changes)
            QCOMPARE(spy.first().first().toString(), expected);
    }

#ifdef Q_OS_UNIX
    // Windows has no such folder permissions.
    void refusesUnreadableFolder() {
        QTemporaryDir temp;
        const QString locked = temp.path() + "/locked";
        QVERIFY(QDir().mkpath(locked));
        QVERIFY(QFile::setPermissions(locked, QFileDevice::WriteOwner));
        if (!permissionsBind_)
            SKIP_WITHOUT_TOOL(whyPermissionsDoNotBind_);
        FolderList chooser;
        QVERIFY(chooser.setPath(temp.path()));
        QSignalSpy spy(&chooser, &FolderList::changed);
        QString error;
        QVERIFY(!chooser.setPath(locked, &error));
        QVERIFY(error.contains("cannot be read"));
        QCOMPARE(spy.count(), 0);
        QCOMPARE(chooser.path(), native(QDir::cleanPath(temp.path())));
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
#endif

    void rowsShowAncestorsThenSubfolders_data() {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("expectedSubfolders");
        QTest::newRow("sorted without regard to case")
            << QStringList{"beta", "Alpha", "charlie", "Delta"} << QStringList{}
            << QStringList{"Alpha", "beta", "charlie", "Delta"};
        QTest::newRow("hidden folders left out")
            << QStringList{".git", "visible", ".cache"} << QStringList{} << QStringList{"visible"};
        QTest::newRow("files are no rows")
            << QStringList{"pictures"} << QStringList{"a.jpg", "b.bmp"} << QStringList{"pictures"};
        QTest::newRow("only one level deep") << QStringList{"top/middle/bottom"} << QStringList{} << QStringList{"top"};
        QTest::newRow("no subfolders") << QStringList{} << QStringList{"only.txt"} << QStringList{};
    }
    void rowsShowAncestorsThenSubfolders() {
        QFETCH(QStringList, folders);
        QFETCH(QStringList, files);
        QFETCH(QStringList, expectedSubfolders);
        QTemporaryDir temp;
        const QString folder = QDir::cleanPath(temp.path());
        makeFolders(folder, folders);
        makeFiles(folder, files);
        FolderList chooser;
        QVERIFY(chooser.setPath(folder));

        const QStringList ancestors = ancestorLabels(folder);
        const QList<QTreeWidgetItem*> rows = allRows(chooser);
        QCOMPARE(rows.size(), ancestors.size() + expectedSubfolders.size());
        for (int i = 0; i < rows.size(); ++i) {
            const bool isAncestor = i < ancestors.size();
            QCOMPARE(rows.at(i)->text(0), isAncestor ? ancestors.at(i) : expectedSubfolders.at(i - ancestors.size()));
            QCOMPARE(depthOf(rows.at(i)), isAncestor ? i : int(ancestors.size()));
            QVERIFY(!rows.at(i)->icon(0).isNull());
        }
        QCOMPARE(rowsOf(chooser)->currentItem(), rows.at(ancestors.size() - 1));
    }

    void gestures_data() {
        QTest::addColumn<Gesture>("gesture");
        QTest::addColumn<Target>("target");
        QTest::addColumn<bool>("opens");
        QTest::newRow("double click on a subfolder") << Gesture::DoubleClick << Target::Subfolder << true;
        QTest::newRow("double click on the parent") << Gesture::DoubleClick << Target::Parent << true;
        QTest::newRow("double click on the current folder") << Gesture::DoubleClick << Target::Current << false;
        QTest::newRow("Return on a highlighted subfolder") << Gesture::Return << Target::Subfolder << true;
        QTest::newRow("keypad Enter on a highlighted subfolder") << Gesture::Enter << Target::Subfolder << true;
        QTest::newRow("Return on the highlighted parent") << Gesture::Return << Target::Parent << true;
        QTest::newRow("single click on a subfolder") << Gesture::Click << Target::Subfolder << false;
        QTest::newRow("single click on the parent") << Gesture::Click << Target::Parent << false;
        QTest::newRow("arrow key onto the next row") << Gesture::ArrowDown << Target::Subfolder << false;
    }
    void gestures() {
        QFETCH(Gesture, gesture);
        QFETCH(Target, target);
        QFETCH(bool, opens);
        FolderList chooser;
        chooser.resize(300, 600);
        QVERIFY(chooser.setPath(root_));
        chooser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chooser));
        const QString folder = target == Target::Subfolder ? root_ + "/Alpha"
                               : target == Target::Parent  ? QFileInfo(root_).path()
                                                           : root_;
        QTreeWidgetItem* row = rowFor(chooser, folder);
        QVERIFY(row);
        QSignalSpy spy(&chooser, &FolderList::changed);

        perform(gesture, rowsOf(chooser), row);

        QCOMPARE(spy.count(), opens ? 1 : 0);
        QCOMPARE(chooser.path(), native(opens ? folder : root_));
        if (opens)
            QVERIFY(rowFor(chooser, folder + "/inner") || target != Target::Subfolder);
    }

    void openingVanishedFolderKeepsPathAndReports() {
        QTemporaryDir temp;
        const QString folder = QDir::cleanPath(temp.path());
        makeFolders(folder, {"gone"});
        FolderList chooser;
        chooser.resize(300, 600);
        QVERIFY(chooser.setPath(folder));
        chooser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chooser));
        QTreeWidgetItem* row = rowFor(chooser, folder + "/gone");
        QVERIFY(row);
        QVERIFY(QDir(folder + "/gone").removeRecursively());
        QSignalSpy spy(&chooser, &FolderList::changed);
        QSignalSpy problems(&chooser, &FolderList::problem);

        perform(Gesture::DoubleClick, rowsOf(chooser), row);

        QCOMPARE(spy.count(), 0);
        QCOMPARE(chooser.path(), native(folder));
        QCOMPARE(problems.count(), 1);
        QVERIFY(problems.at(0).at(0).toString().contains(QRegularExpression("gone.*does not exist")));
    }

    void focusGoesToTheList() {
        FolderList chooser;
        QCOMPARE(chooser.focusProxy(), rowsOf(chooser));
        QVERIFY(rowsOf(chooser)->focusPolicy() & Qt::TabFocus);
    }

private:
    std::unique_ptr<QTemporaryDir> temp_;
    bool permissionsBind_ = false;
    QString whyPermissionsDoNotBind_;
    QString root_;
};

QTEST_MAIN(TestFolderList)
#include "test_folder_list.moc"
