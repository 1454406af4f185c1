// SPDX-License-Identifier: MIT
#pragma once

#include "core/ports/desktop_wallpaper.h"

#include <QString>
#include <QStringList>

// XFCE: xfdesktop takes its picture from the xfconf channel "xfce4-desktop", one property
// per screen, monitor and workspace, set here over D-Bus.
class XfceWallpaper final : public DesktopWallpaper {
public:
    QString name() const override;
    bool setWallpaper(const QString& path, QString* error) override;
};

// The properties to write: every existing one naming a backdrop picture, or, when there is
// none yet, one for the first workspace of each monitor (connector names, as xfdesktop uses).
QStringList xfceImageProperties(const QStringList& existingProperties, const QStringList& monitorNames);
