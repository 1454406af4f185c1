// SPDX-License-Identifier: MIT
#include "platform/linux/desktop_gsettings.h"

#include "core/problem_log.h"
#include "platform/linux/wallpaper_copies.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <memory>
#include <utility>

// GIO's headers use "signals" as a member name, which Qt defines as a keyword.
#undef signals
#include <gio/gio.h>

namespace {

struct SchemaUnref {
    void operator()(GSettingsSchema* schema) const { g_settings_schema_unref(schema); }
};
struct SchemaKeyUnref {
    void operator()(GSettingsSchemaKey* key) const { g_settings_schema_key_unref(key); }
};
struct ObjectUnref {
    void operator()(GSettings* settings) const { g_object_unref(settings); }
};
using SchemaPtr = std::unique_ptr<GSettingsSchema, SchemaUnref>;
using SchemaKeyPtr = std::unique_ptr<GSettingsSchemaKey, SchemaKeyUnref>;
using SettingsPtr = std::unique_ptr<GSettings, ObjectUnref>;

// Looked up first because g_settings_new() aborts the whole process for a missing schema.
SchemaPtr lookupSchema(const QString& schemaId) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default(); // not owned; null without schemas
    if (!source) {
        return {};
    }
    return SchemaPtr(g_settings_schema_source_lookup(source, schemaId.toUtf8().constData(), TRUE));
}

// Setting a key of another type, or a missing one, is a critical error in GIO; ask first.
bool hasStringKey(GSettingsSchema* schema, const QString& key) {
    const QByteArray keyName = key.toUtf8();
    if (!g_settings_schema_has_key(schema, keyName.constData())) {
        return false;
    }
    const SchemaKeyPtr schemaKey(g_settings_schema_get_key(schema, keyName.constData()));
    return g_variant_type_equal(g_settings_schema_key_get_value_type(schemaKey.get()), G_VARIANT_TYPE_STRING);
}

QString readString(GSettings* settings, const QString& key) {
    gchar* value = g_settings_get_string(settings, key.toUtf8().constData());
    QString text = QString::fromUtf8(value);
    g_free(value);
    return text;
}

// GIO takes a write at once and leaves storing it to the settings service (dconf): a value the service could not
// store, when its database cannot be written, is only a warning of GLib's. Once synced, reading the key back gives
// the old value then.
bool checkStored(GSettings* settings, const QString& schemaId, const QStringList& keys, const QStringList& values,
                 QString* error) {
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (readString(settings, keys.at(i)) != values.at(i)) {
            return fail(error, QStringLiteral("the setting %1 %2 was not stored: the settings service refused it")
                                   .arg(schemaId, keys.at(i)));
        }
    }
    return true;
}

// The required keys, all of which must exist, and the optional ones this schema has.
std::optional<QStringList> keysToWrite(GSettingsSchema* schema, const GSettingsTarget& target, QString* error) {
    for (const QString& key : target.requiredKeys) {
        if (!hasStringKey(schema, key)) {
            fail(error, QStringLiteral("the settings schema %1 has no text key %2").arg(target.schemaId, key));
            return std::nullopt;
        }
    }
    QStringList keys = target.requiredKeys;
    for (const QString& key : target.optionalKeys) {
        if (hasStringKey(schema, key)) {
            keys.append(key);
        }
    }
    return keys;
}

} // namespace

GSettingsTarget gnomeFamilyTarget() {
    return {QStringLiteral("GNOME"),         QStringLiteral("org.gnome.desktop.background"),
            {QStringLiteral("picture-uri")}, {QStringLiteral("picture-uri-dark")},
            PictureValueForm::FileUri,       true};
}

GSettingsTarget cinnamonTarget() {
    return {QStringLiteral("Cinnamon"),
            QStringLiteral("org.cinnamon.desktop.background"),
            {QStringLiteral("picture-uri")},
            {},
            PictureValueForm::FileUri};
}

GSettingsTarget mateTarget() {
    return {QStringLiteral("MATE"),
            QStringLiteral("org.mate.background"),
            {QStringLiteral("picture-filename")},
            {},
            PictureValueForm::PlainPath};
}

GSettingsWallpaper::GSettingsWallpaper(GSettingsTarget target) : target_(std::move(target)) {}

QString GSettingsWallpaper::name() const {
    return target_.displayName;
}

// The desktops compare the new value with the old one and do nothing when it is unchanged, so the same path twice
// would leave the old picture on screen. Each call therefore writes the spelling of the path that differs from the
// stored one ("/dir/pic.bmp" and "/dir/./pic.bmp"): the key really changes, every listener is told, and the stored
// value still names the file. An empty value first would not do: listeners read the key when the notice arrives,
// often after the second write, and then see no change.
//
// GNOME Shell goes further: it keeps each picture it loaded per file, and both spellings are one file to it, so the
// same name with new content (temp.bmp, every conversion) may show the old picture. It is handed a copy named after
// the content instead, which changes the key exactly when the picture changes.
bool GSettingsWallpaper::setWallpaper(const QString& path, QString* error) {
    if (!QFileInfo(path).isFile()) {
        return fail(error, QStringLiteral("the picture %1 does not exist").arg(path));
    }
    const SchemaPtr schema = lookupSchema(target_.schemaId);
    if (!schema) {
        return fail(error, QStringLiteral("the settings schema %1 is not installed").arg(target_.schemaId));
    }
    const std::optional<QStringList> keys = keysToWrite(schema.get(), target_, error);
    if (!keys) {
        return false;
    }
    const SettingsPtr settings(g_settings_new_full(schema.get(), nullptr, nullptr));
    const QString shown = fileNamedBy(readString(settings.get(), keys->constFirst()), target_.form);
    std::optional<QString> copy;
    if (target_.copiesByContent && !(copy = WallpaperCopies::place(path, error))) {
        return false;
    }
    QStringList written;
    for (const QString& key : *keys) {
        written.append(copy ? pictureValue(*copy, target_.form, false)
                            : nextPictureValue(path, target_.form, readString(settings.get(), key)));
        if (!g_settings_set_string(settings.get(), key.toUtf8().constData(),
                                   written.constLast().toUtf8().constData())) {
            return fail(error, QStringLiteral("the setting %1 %2 cannot be written").arg(target_.schemaId, key));
        }
    }
    // Written before we return, so the desktop has the value however soon the program ends.
    g_settings_sync();
    // The copy shown before stays until the next switch: the desktop may still be fading from it.
    if (copy) {
        WallpaperCopies::keepOnly(*copy, shown);
    }
    return checkStored(settings.get(), target_.schemaId, *keys, written, error);
}

bool gsettingsSchemaPresent(const QString& schemaId) {
    return lookupSchema(schemaId) != nullptr;
}

std::optional<QString> gsettingsString(const QString& schemaId, const QString& key) {
    const SchemaPtr schema = lookupSchema(schemaId);
    if (!schema || !hasStringKey(schema.get(), key)) {
        return std::nullopt;
    }
    const SettingsPtr settings(g_settings_new_full(schema.get(), nullptr, nullptr));
    return readString(settings.get(), key);
}
