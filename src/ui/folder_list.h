// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QWidget>

class QTreeWidget;
class QTreeWidgetItem;

// The folder list of the main window: the folders along the current path from the root down, the
// current one shown open, and below it the current folder's subfolders. Opening a row (double click,
// or Enter on the highlighted row) moves there; highlighting alone changes nothing. Enter on the open row
// is left to the window.
class FolderList final : public QWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr); // starts on QDir::currentPath()
    // The opened folder, absolute, with native separators.
    QString path() const;
    // Opens `folder`. Emits changed(path()) before returning when that changes the path; setting the
    // path it already shows emits nothing. A folder that does not exist or cannot be read is refused:
    // the path stays, false with a message in *error.
    bool setPath(const QString& folder, QString* error = nullptr);
    // Shows `folder` as the open one without telling anyone, also while it cannot be opened: then its folders from
    // the root and no subfolders.
    void showPath(const QString& folder);

signals:
    void changed(const QString& path);
    // What the list could not do, for its owner to report: a row that could not be opened, or a folder with too
    // many subfolders to list them all.
    void problem(const QString& message);

private:
    void rebuildRows();
    bool openRow(QTreeWidgetItem* row);

    QTreeWidget* rows_;
    QString path_; // cleaned absolute path with '/' separators
};
