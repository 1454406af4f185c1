#include "platform/settings_store_qsettings.h"
#include "platform/system_services.h"

#include <QStandardPaths>

// On Unix the values live in an INI file under the user's config folder:
// $XDG_CONFIG_HOME/<app>/<app>.conf, one group per section.
std::unique_ptr<SettingsStore> makeUserSettingsStore() {
    return std::make_unique<QSettingsStore>([](const QString& app) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        return QSettingsStore::Location{
            folder + QLatin1Char('/') + app + QLatin1Char('/') + app + QStringLiteral(".conf"), QSettings::IniFormat};
    });
}
