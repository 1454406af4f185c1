#pragma once

#include "platform/settings_store.h"

#include <QSettings>
#include <functional>

// A store kept through QSettings: `locate` gives, for an application name, the file or registry
// path and the format to open; the section is the group inside it.
class QSettingsStore final : public SettingsStore {
public:
    struct Location {
        QString path;
        QSettings::Format format;
    };
    explicit QSettingsStore(std::function<Location(const QString& app)> locate) : locate_(std::move(locate)) {}

    QString read(const QString& app, const QString& section, const QString& key,
                 const QString& fallback) const override;
    bool write(const QString& app, const QString& section, const QString& key, const QString& text,
               QString* error) override;

private:
    std::function<Location(const QString& app)> locate_;
};
