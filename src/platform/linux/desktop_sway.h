// SPDX-License-Identifier: MIT
#pragma once

#include "core/ports/desktop_wallpaper.h"

#include <QString>

#include <utility>

// sway: the command `output * bg PATH fill` over its IPC socket ($SWAYSOCK). sway starts its background helper
// anew for every such command, so the file is read again also when the path is the same.
class SwayWallpaper final : public DesktopWallpaper {
public:
    explicit SwayWallpaper(QString socketPath) : socketPath_(std::move(socketPath)) {}
    QString name() const override;
    bool setWallpaper(const QString& path, QString* error) override;

private:
    QString socketPath_;
};

// Whether a sway answers on the socket: its version query gets a well-formed reply in time.
bool swayAnswers(const QString& socketPath);
