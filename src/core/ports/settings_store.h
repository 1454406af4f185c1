// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// A per-user store of text values, addressed by application, section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or `fallback` when the key is absent.
    virtual QString read(const QString& app, const QString& section, const QString& key,
                         const QString& fallback) const = 0;
    // Creates or replaces the value; false with a message when it could not be stored.
    virtual bool write(const QString& app, const QString& section, const QString& key, const QString& text,
                       QString* error) = 0;
};
