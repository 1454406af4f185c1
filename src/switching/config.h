// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class SettingsStore;

// The four values kept per user between runs.
struct StoredSettings {
    qint32 intervalSecs = 300;
    bool switchingOn = true; // the key "pause": true while switching runs
    QString folder;
    bool updateRegistry = false;
};

namespace config {
inline const QString App = QStringLiteral("Tivelo");
inline const QString Section = QStringLiteral("Tivelo");
inline const QString IntervalKey = QStringLiteral("Interval");
inline const QString PauseKey = QStringLiteral("pause");
inline const QString DirNameKey = QStringLiteral("DirName");
inline const QString UpdateRegistryKey = QStringLiteral("UpdateRegistry");
} // namespace config

// The folder used when none is stored: the root of the system drive.
QString defaultFolder();

// Reads the four values; a value that cannot be converted falls back to its default with a line on
// stderr. The stored folder is taken as it is, also when it cannot be opened now; none, or an empty one, is
// defaultFolder().
StoredSettings loadSettings(const SettingsStore& store);

// Writes Interval, DirName, UpdateRegistry and pause in that order; stops at the first refused write.
bool saveSettings(const StoredSettings& values, SettingsStore& store, QString* error);
bool savePause(bool switchingOn, SettingsStore& store, QString* error);
