// SPDX-License-Identifier: MIT
#include "support/fakes.h"

#include <QDir>
#include <QFile>

float FakeRandom::draw() {
    const float r = draws.isEmpty() ? 0.0f : draws.at(std::min<qsizetype>(drawn, draws.size() - 1));
    ++drawn;
    return r;
}

QString FakeSettingsStore::read(const QString&, const QString&, const QString& key, const QString& fallback) const {
    return values.value(key, fallback);
}

bool FakeSettingsStore::write(const QString&, const QString&, const QString& key, const QString& text, QString* error) {
    if (refusedKeys.contains(key)) {
        if (error)
            *error = QStringLiteral("the store refused %1").arg(key);
        return false;
    }
    values.insert(key, text);
    writes.append(key);
    return true;
}

bool FakeFolderLister::list(const QString& folder, const std::function<bool(const QString&)>& wanted,
                            const std::function<bool(const QString&)>& onName, QString* error) const {
    ++listings;
    // The program names folders natively ("C:\\pics" on Windows); the tests name them with "/".
    const QString key = QDir::cleanPath(QDir::fromNativeSeparators(folder));
    if (unreadable.contains(key)) {
        if (error)
            *error = QStringLiteral("cannot read %1").arg(folder);
        return false;
    }
    for (const QString& name : folders.value(key)) {
        if (wanted(name) && !onName(name))
            break;
    }
    return true;
}

bool FakeDesktop::setWallpaper(const QString& path, QString* error) {
    paths.append(path);
    QFile file(path);
    contents.append(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    if (refuse && error)
        *error = QStringLiteral("the desktop refused");
    return !refuse;
}

void FakeTray::add(const QString& shownTip) {
    ++adds;
    tip = shownTip;
    shown = hostAvailable;
}

void FakeTray::remove() {
    ++removes;
    shown = false;
}

bool FakeView::openFolder(const QString& shown, QString* error) {
    if (unopenable.contains(shown)) {
        if (error)
            *error = QStringLiteral("cannot open %1").arg(shown);
        return false;
    }
    opened.append(shown);
    return true;
}

void FakeView::present() {
    presented = true;
    minimized = false;
    ++presentations;
}
