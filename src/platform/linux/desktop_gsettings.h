// SPDX-License-Identifier: MIT
#pragma once

#include "core/ports/desktop_wallpaper.h"
#include "platform/linux/path_spelling.h"

#include <QString>
#include <QStringList>

#include <optional>

// The GSettings schema and keys through which a desktop takes its wallpaper.
struct GSettingsTarget {
    QString displayName;
    QString schemaId;
    QStringList requiredKeys;
    QStringList optionalKeys; // written only when the installed schema has them
    PictureValueForm form = PictureValueForm::FileUri;
    // The desktop caches pictures per file and trusts the cache: it is handed copies named after their content.
    bool copiesByContent = false;
};

GSettingsTarget gnomeFamilyTarget(); // GNOME, Unity, Budgie, Pantheon
GSettingsTarget cinnamonTarget();
GSettingsTarget mateTarget();

// Writes the picture to a desktop's GSettings keys (GNOME family, Cinnamon, MATE).
class GSettingsWallpaper final : public DesktopWallpaper {
public:
    explicit GSettingsWallpaper(GSettingsTarget target);
    QString name() const override;
    bool setWallpaper(const QString& path, QString* error) override;

private:
    GSettingsTarget target_;
};

// Whether the schema is installed; creating settings for a missing one would abort the process.
bool gsettingsSchemaPresent(const QString& schemaId);

// The string stored under a key, or nothing when the schema or key is missing.
std::optional<QString> gsettingsString(const QString& schemaId, const QString& key);
