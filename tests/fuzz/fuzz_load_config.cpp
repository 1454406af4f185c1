// SPDX-License-Identifier: MIT
// The settings load through the real settings store over an arbitrary settings file. Properties: the load ends; a value
// it gives is one of the file's own texts or the default; and a save over whatever the file held goes through
// whole and loads back unchanged.

#include "core/ports/settings_store.h"
#include "fuzz_support.h"
#include "platform/system_services.h"
#include "switching/config.h"

#include <QDir>
#include <QFile>

namespace {

quint64 round = 0;

const QString PictureFolder = QStringLiteral("/pictures");

// A fresh config home each round: QSettings caches a file it has read and would miss a rewrite of the same size
// within the same second.
QString freshConfigHome() {
    const QString home = workspace().filePath(QString::number(++round));
    QDir().mkpath(home + QStringLiteral("/Tivelo"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home));
    return home;
}

bool same(const StoredSettings& a, const StoredSettings& b) {
    return a.intervalSecs == b.intervalSecs && a.switchingOn == b.switchingOn && a.folder == b.folder &&
           a.updateRegistry == b.updateRegistry;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    silenceMessages();
    return workspace().isValid() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString home = freshConfigHome();
    {
        QFile file(home + QStringLiteral("/Tivelo/Tivelo.conf"));
        FUZZ_CHECK(file.open(QIODevice::WriteOnly));
        FUZZ_CHECK(file.write(bytesOf(data, size)) == qint64(size));
    }
    const std::unique_ptr<SettingsStore> store = makeUserSettingsStore();
    const StoredSettings loaded = loadSettings(*store);
    // The stored folder is kept as it is, whether or not it can be opened; none, or an empty one, is the default.
    const QString storedFolder = store->read(config::App, config::Section, config::DirNameKey, QString());
    FUZZ_CHECK(loaded.folder == (storedFolder.isEmpty() ? defaultFolder() : storedFolder));

    const StoredSettings saved{loaded.intervalSecs ^ 0x5A5A, !loaded.switchingOn, PictureFolder,
                               !loaded.updateRegistry};
    QString error;
    FUZZ_CHECK(saveSettings(saved, *store, &error));
    FUZZ_CHECK(same(loadSettings(*store), saved));
    QDir(home).removeRecursively();
    return 0;
}
