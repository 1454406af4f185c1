#pragma once

#include "platform/desktop_wallpaper.h"

#include <QString>

#include <utility>

// Stands in when the session offers no interface this program knows: every call fails with a
// message, which gives the reason when there is one, and switching goes on regardless.
class UnsupportedWallpaper final : public DesktopWallpaper {
public:
    explicit UnsupportedWallpaper(QString reason = QString()) : reason_(std::move(reason)) {}
    QString name() const override;
    bool setWallpaper(const QString& path, QString* error) override;

private:
    QString reason_;
};
