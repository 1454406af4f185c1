#include "platform/settings_store_qsettings.h"
#include "platform/system_services.h"

// On Windows the values stay where earlier versions kept them, so an existing user's settings carry over.
std::unique_ptr<SettingsStore> makeUserSettingsStore() {
    return std::make_unique<QSettingsStore>([](const QString& app) {
        return QSettingsStore::Location{QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") +
                                            app,
                                        QSettings::NativeFormat};
    });
}
