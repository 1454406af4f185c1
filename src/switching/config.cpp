// SPDX-License-Identifier: MIT
#include "switching/config.h"

#include "core/ports/settings_store.h"
#include "core/problem_log.h"
#include "core/text_forms.h"

namespace {

QString readKey(const SettingsStore& store, const QString& key, const QString& fallback) {
    return store.read(config::App, config::Section, key, fallback);
}

template <typename Value>
Value convertOrDefault(const QString& key, const QString& text, const std::optional<Value>& converted, Value fallback,
                       const QString& fallbackText) {
    if (converted)
        return *converted;
    reportProblem(QStringLiteral("stored %1 \"%2\" is not understood; using %3").arg(key, text, fallbackText));
    return fallback;
}

qint32 loadWholeNumber(const SettingsStore& store, const QString& key, qint32 fallback) {
    const QString fallbackText = formatWholeNumber(fallback);
    const QString text = readKey(store, key, fallbackText);
    return convertOrDefault(key, text, parseWholeNumber32(text), fallback, fallbackText);
}

bool loadBoolean(const SettingsStore& store, const QString& key, bool fallback) {
    const QString fallbackText = formatBoolean(fallback);
    const QString text = readKey(store, key, fallbackText);
    return convertOrDefault(key, text, parseBoolean(text), fallback, fallbackText);
}

} // namespace

QString defaultFolder() {
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\");
#else
    return QStringLiteral("/");
#endif
}

StoredSettings loadSettings(const SettingsStore& store) {
    StoredSettings loaded;
    loaded.intervalSecs = loadWholeNumber(store, config::IntervalKey, 300);
    loaded.switchingOn = loadBoolean(store, config::PauseKey, true);
    loaded.folder = readKey(store, config::DirNameKey, defaultFolder());
    loaded.updateRegistry = loadBoolean(store, config::UpdateRegistryKey, false);
    // A folder that cannot be opened now is kept all the same: it may be on a stick that is not plugged in.
    // An empty one names no folder at all.
    if (loaded.folder.isEmpty())
        loaded.folder = defaultFolder();
    return loaded;
}

bool saveSettings(const StoredSettings& values, SettingsStore& store, QString* error) {
    return store.write(config::App, config::Section, config::IntervalKey, formatWholeNumber(values.intervalSecs),
                       error) &&
           store.write(config::App, config::Section, config::DirNameKey, values.folder, error) &&
           store.write(config::App, config::Section, config::UpdateRegistryKey, formatBoolean(values.updateRegistry),
                       error) &&
           savePause(values.switchingOn, store, error);
}

bool savePause(bool switchingOn, SettingsStore& store, QString* error) {
    return store.write(config::App, config::Section, config::PauseKey, formatBoolean(switchingOn), error);
}
