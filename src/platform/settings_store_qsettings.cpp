#include "platform/settings_store_qsettings.h"

#include <QStringList>

namespace {

// A hand-edited value with a comma reads back as a list; the store deals in plain text only.
QString plainText(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

QString describe(QSettings::Status status) {
    return status == QSettings::AccessError ? QStringLiteral("access denied") : QStringLiteral("the file is damaged");
}

} // namespace

QString QSettingsStore::read(const QString& app, const QString& section, const QString& key,
                             const QString& fallback) const {
    const Location where = locate_(app);
    QSettings settings(where.path, where.format);
    settings.beginGroup(section);
    return settings.contains(key) ? plainText(settings.value(key)) : fallback;
}

bool QSettingsStore::write(const QString& app, const QString& section, const QString& key, const QString& text,
                           QString* error) {
    const Location where = locate_(app);
    QSettings settings(where.path, where.format);
    settings.beginGroup(section);
    settings.setValue(key, text);
    settings.endGroup();
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    if (error)
        *error = QStringLiteral("cannot store %1 in %2: %3").arg(key, where.path, describe(settings.status()));
    return false;
}
