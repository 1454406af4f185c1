// SPDX-License-Identifier: MIT
#include "platform/qt/qsettings_store.h"

#include "core/atomic_file.h"
#include "core/problem_log.h"
#include "platform/system_services.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace {

// A hand-edited value with a comma reads back as a list; the store deals in plain text only.
QString plainText(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

// QSettings says "access error" also when the disk is full or the folder is missing; the file system tells which.
QString describe(const QSettingsStore::Location& where, QSettings::Status status) {
    if (status != QSettings::AccessError)
        return QStringLiteral("the file is damaged");
    if (where.format != QSettings::IniFormat)
        return QStringLiteral("access denied");
    const QFileInfo file(where.path);
    const QFileInfo folder(file.absolutePath());
    if (file.isSymLink() && !file.exists())
        return QStringLiteral("it links to a place that does not exist");
    if (!folder.isDir())
        return QStringLiteral("its folder cannot be made");
    if (!folder.isWritable() || (file.exists() && (!file.isReadable() || !file.isWritable())))
        return QStringLiteral("access denied");
    return QStringLiteral("the file cannot be written (is the disk full?)");
}

// Why QSettings must not open the settings file, or an empty text when it may: it would block for ever on a
// named pipe, read a device without end, and only say "access denied" about a folder. A symbolic link counts as
// what it points to; one that points nowhere is a file still to be made.
QString refusal(const QSettingsStore::Location& where) {
    if (where.format != QSettings::IniFormat)
        return {};
    const QFileInfo file(where.path);
    if (!file.exists() || file.isFile())
        return {};
    return file.isDir() ? QStringLiteral("it is a folder") : QStringLiteral("it is not a plain file");
}

// A file this program wrote always holds its section; a non-empty one without it is someone else's or garbage.
bool lacksSection(const QSettingsStore::Location& where, const QSettings& settings, const QString& section) {
    return where.format == QSettings::IniFormat && QFileInfo(where.path).size() > 0 &&
           !settings.childGroups().contains(section);
}

// QSettings writes the file through QSaveFile, which syncs the new file before renaming it into place; the rename
// itself lasts through a crash of the machine only once the folder is synced too.
QSettings::Status store(const QSettingsStore::Location& where, const QString& section, const QString& key,
                        const QString& text) {
    QSettings settings(where.path, where.format);
    settings.beginGroup(section);
    settings.setValue(key, text);
    settings.endGroup();
    settings.sync();
    if (where.format == QSettings::IniFormat && settings.status() == QSettings::NoError)
        syncFolder(QFileInfo(where.path).absolutePath());
    return settings.status();
}

} // namespace

void QSettingsStore::reportOnce(const QString& line) const {
    if (!reported_.contains(line))
        reportProblem(line);
    reported_.insert(line);
}

QString QSettingsStore::read(const QString& app, const QString& section, const QString& key,
                             const QString& fallback) const {
    const Location where = locate_(app);
    if (const QString why = refusal(where); !why.isEmpty()) {
        reportOnce(QStringLiteral("cannot read the settings %1: %2; using the defaults").arg(where.path, why));
        return fallback;
    }
    QSettings settings(where.path, where.format);
    if (settings.status() == QSettings::AccessError)
        reportOnce(QStringLiteral("cannot read the settings %1: access denied; using the defaults").arg(where.path));
    else if (settings.status() == QSettings::FormatError)
        reportOnce(QStringLiteral("the settings %1 are damaged; using what can be read").arg(where.path));
    else if (lacksSection(where, settings, section))
        reportOnce(QStringLiteral("the settings %1 hold no [%2] section; using the defaults").arg(where.path, section));
    settings.beginGroup(section);
    return settings.contains(key) ? plainText(settings.value(key)) : fallback;
}

bool QSettingsStore::write(const QString& app, const QString& section, const QString& key, const QString& text,
                           QString* error) {
    const Location where = locate_(app);
    QString why = refusal(where);
    if (why.isEmpty()) {
        QSettings::Status status = store(where, section, key, text);
        // A damaged file is rewritten from what could be read of it, and the status then tells only of the damage,
        // not whether the value went in; a second pass over the rewritten file tells that.
        if (status == QSettings::FormatError)
            status = store(where, section, key, text);
        if (status == QSettings::NoError)
            return true;
        why = describe(where, status);
    }
    if (error)
        *error = QStringLiteral("cannot store %1 in %2: %3").arg(key, where.path, why);
    return false;
}

std::unique_ptr<SettingsStore> makeUserSettingsStore() {
    return std::make_unique<QSettingsStore>([](const QString& app) {
#ifdef Q_OS_WIN
        // The values stay where earlier versions kept them, so an existing user's settings carry over.
        return QSettingsStore::Location{QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") +
                                            app,
                                        QSettings::NativeFormat};
#else
        // An INI file under the user's config folder, $XDG_CONFIG_HOME/<app>/<app>.conf, one group per section.
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        return QSettingsStore::Location{
            folder + QLatin1Char('/') + app + QLatin1Char('/') + app + QStringLiteral(".conf"), QSettings::IniFormat};
#endif
    });
}
