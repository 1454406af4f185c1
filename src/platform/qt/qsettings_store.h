// SPDX-License-Identifier: MIT
#pragma once

#include "core/ports/settings_store.h"

#include <QSet>
#include <QSettings>
#include <functional>

// A store kept through QSettings: `locate` gives, for an application name, the file or registry
// path and the format to open; the section is the group inside it. A settings file that cannot be
// read, or is damaged, is reported on stderr once; its readable values are still used.
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
    void reportOnce(const QString& line) const;

    std::function<Location(const QString& app)> locate_;
    mutable QSet<QString> reported_;
};
