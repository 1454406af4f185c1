// SPDX-License-Identifier: MIT
#pragma once

#include "core/ports/desktop_wallpaper.h"

#include <QString>

// KDE Plasma: plasmashell's scripting interface over D-Bus sets the picture of every desktop
// that shows a single image.
class PlasmaWallpaper final : public DesktopWallpaper {
public:
    QString name() const override;
    bool setWallpaper(const QString& path, QString* error) override;

private:
    qint64 lastMarker_ = 0;
};

// `text` as a JavaScript string literal that no character of it can break out of.
QString javaScriptStringLiteral(const QString& text);

// The file URI of `path` with a query that differs on every call (`marker`); Plasma ignores
// the query when it opens the file.
QString plasmaImageUri(const QString& path, qint64 marker);

// The plasmashell script that makes `imageUri` the picture of every image desktop; it fails
// when no desktop shows a single image.
QString plasmaWallpaperScript(const QString& imageUri);
