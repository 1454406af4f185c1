// SPDX-License-Identifier: MIT
#include "ui/folder_list.h"

#include "core/paths.h"
#include "core/problem_log.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace {

constexpr int PathRole = Qt::UserRole;
// A folder with more subfolders than this, or one that takes longer to list, is shown cut short:
// the list is for moving around, and the window must stay responsive.
constexpr int MaxSubfolders = 5000;
constexpr qint64 ListingBudgetMs = 500;
constexpr int MaxDepth = 512;

// Scrolls so that the open folder is in view together with as many of its ancestors as fit.
void showOpenFolder(QTreeWidget* rows) {
    rows->scrollToTop();
    if (rows->currentItem())
        rows->scrollToItem(rows->currentItem());
}

// The tree of rows: a left double click opens the row under the pointer; Enter and Return open the
// highlighted row instead of passing on to the window. On the row already open they pass on, so the window's
// default button applies it.
class FolderRows final : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;
    // Opens the row; false when it is the one already open.
    std::function<bool(QTreeWidgetItem*)> onOpen;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const bool isEnter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (isEnter && currentItem() && onOpen && onOpen(currentItem())) {
            event->accept();
            return;
        }
        QTreeWidget::keyPressEvent(event);
    }

    // Opens the row under the pointer even when the press before the double click did not land on it.
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        QTreeWidgetItem* row = event->button() == Qt::LeftButton ? itemAt(event->position().toPoint()) : nullptr;
        if (row && onOpen) {
            event->accept();
            onOpen(row);
            return;
        }
        QTreeWidget::mouseDoubleClickEvent(event);
    }

    // The nesting is shown by indentation alone; the rows cannot be folded.
    void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

    void resizeEvent(QResizeEvent* event) override {
        QTreeWidget::resizeEvent(event);
        showOpenFolder(this);
    }
};

QString normalizedFolder(const QString& folder) {
    QString path = QDir::fromNativeSeparators(folder);
#ifdef Q_OS_WIN
    if (path.size() == 2 && path.at(1) == QLatin1Char(':'))
        path += QLatin1Char('/'); // a bare drive letter means that drive's root
#endif
    return QDir::cleanPath(QDir(path).absolutePath());
}

bool checkReadableFolder(const QString& path, QString* error) {
    const QFileInfo info(path);
    const QString shown = QDir::toNativeSeparators(path);
    if (!info.exists())
        return fail(error, QStringLiteral("Folder \"%1\" does not exist").arg(shown));
    if (!info.isDir())
        return fail(error, QStringLiteral("\"%1\" is not a folder").arg(shown));
    bool readable = info.isReadable();
#ifndef Q_OS_WIN
    readable = readable && info.isExecutable(); // a folder's entries are reachable only with search permission
#endif
    if (!readable)
        return fail(error, QStringLiteral("Folder \"%1\" cannot be read").arg(shown));
    return true;
}

// "/a/b" gives "/", "/a", "/a/b"; "C:/a" gives "C:/", "C:/a".
QStringList foldersFromRoot(const QString& path) {
    QStringList chain{path};
    for (QString parent = QFileInfo(path).path(); chain.size() < MaxDepth; parent = QFileInfo(parent).path()) {
        if (parent.isEmpty() || parent == QLatin1String(".") || parent == chain.first())
            break;
        chain.prepend(parent);
    }
    return chain;
}

QString rowLabel(const QString& folder) {
    const QString name = QFileInfo(folder).fileName();
    return name.isEmpty() ? QDir::toNativeSeparators(folder) : name;
}

QString childPath(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

void sortFolderNames(QStringList& names) {
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
}

// One level only, without hidden folders; stops early on a huge or slow folder, and says so in *note.
QStringList listSubfolders(const QString& folder, QString* note) {
    QElapsedTimer clock;
    clock.start();
    QStringList names;
    QDirIterator entries(folder, QDir::Dirs | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        if (names.size() >= MaxSubfolders || clock.hasExpired(ListingBudgetMs)) {
            *note = QStringLiteral("Folder \"%1\" has too many subfolders to list; showing the first %2")
                        .arg(QDir::toNativeSeparators(folder))
                        .arg(names.size());
            break;
        }
        entries.next();
        names << entries.fileName();
    }
    sortFolderNames(names);
    return names;
}

QTreeWidgetItem* makeRow(const QString& folder, const QString& label, const QIcon& icon) {
    auto* row = new QTreeWidgetItem(QStringList{label});
    row->setIcon(0, icon);
    row->setData(0, PathRole, folder);
    row->setToolTip(0, QDir::toNativeSeparators(folder));
    return row;
}

} // namespace

FolderList::FolderList(QWidget* parent) : QWidget(parent) {
    auto* rows = new FolderRows(this);
    rows->onOpen = [this](QTreeWidgetItem* row) { return openRow(row); };
    rows->setHeaderHidden(true);
    rows->setColumnCount(1);
    rows->setRootIsDecorated(false);
    rows->setItemsExpandable(false);
    rows->setExpandsOnDoubleClick(false);
    rows->setUniformRowHeights(true);
    rows->setIndentation(rows->fontMetrics().horizontalAdvance(QLatin1Char('M')));
    rows->setSelectionMode(QAbstractItemView::SingleSelection);
    rows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    rows_ = rows;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(rows_);
    setFocusProxy(rows_);
    setFocusPolicy(rows_->focusPolicy());

    path_ = normalizedFolder(QDir::currentPath());
    rebuildRows();
}

QString FolderList::path() const {
    return QDir::toNativeSeparators(path_);
}

bool FolderList::setPath(const QString& folder, QString* error) {
    if (folder.isEmpty())
        return fail(error, QStringLiteral("No folder given"));
    const QString target = normalizedFolder(folder);
    if (!checkReadableFolder(target, error))
        return false;
    const bool moved = !sameFolder(target, path_);
    if (moved)
        path_ = target;
    rebuildRows(); // also for the same folder: its subfolders may have changed meanwhile
    if (moved)
        emit changed(path());
    return true;
}

void FolderList::showPath(const QString& folder) {
    if (folder.isEmpty())
        return;
    path_ = normalizedFolder(folder);
    rebuildRows();
}

bool FolderList::openRow(QTreeWidgetItem* row) {
    // Take the path before setPath rebuilds the rows and deletes this one.
    const QString folder = row->data(0, PathRole).toString();
    if (sameFolder(folder, path_))
        return false;
    QString error;
    if (!setPath(folder, &error))
        emit problem(error);
    return true;
}

void FolderList::rebuildRows() {
    rows_->clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon, nullptr, this);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirIcon, nullptr, this);

    QTreeWidgetItem* current = nullptr;
    for (const QString& folder : foldersFromRoot(path_)) {
        QTreeWidgetItem* row = makeRow(folder, rowLabel(folder), openIcon);
        if (current)
            current->addChild(row);
        else
            rows_->addTopLevelItem(row);
        current = row;
    }
    QString note;
    QList<QTreeWidgetItem*> subfolders;
    for (const QString& name : listSubfolders(path_, &note))
        subfolders << makeRow(childPath(path_, name), name, closedIcon);
    current->addChildren(subfolders);

    rows_->expandAll();
    rows_->setCurrentItem(current);
    showOpenFolder(rows_);
    if (!note.isEmpty())
        emit problem(note);
}
