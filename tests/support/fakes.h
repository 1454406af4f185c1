// SPDX-License-Identifier: MIT
#pragma once

// Scriptable stand-ins for the runtime services, for driving the program without a desktop.

#include "app/controller.h"
#include "app/main_view.h"
#include "core/clock.h"
#include "core/ports/desktop_wallpaper.h"
#include "core/ports/folder_lister.h"
#include "core/ports/message_box.h"
#include "core/ports/settings_store.h"
#include "core/ports/tray_icon.h"
#include "core/random_source.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>

class FakeClock final : public Clock {
public:
    QDateTime moment = QDateTime(QDate(2026, 3, 1), QTime(12, 0, 0));
    QDateTime now() const override { return moment; }
    void advance(qint64 seconds) { moment = moment.addSecs(seconds); }
};

// Replays scripted draws in order, then repeats the last one (0 when none was scripted).
class FakeRandom final : public RandomSource {
public:
    QList<float> draws;
    int drawn = 0;
    int seeded = 0;
    void seedFromClock() override { ++seeded; }
    float draw() override;
};

class FakeSettingsStore final : public SettingsStore {
public:
    QHash<QString, QString> values; // key -> text, for application and section "Tivelo"
    QStringList writes;             // keys in the order they were written
    QSet<QString> refusedKeys;      // writes of these keys fail
    QString read(const QString& app, const QString& section, const QString& key,
                 const QString& fallback) const override;
    bool write(const QString& app, const QString& section, const QString& key, const QString& text,
               QString* error) override;
};

// Lists a scripted folder, or fails for folders in `unreadable`; both are keyed by clean paths with "/", and a folder
// asked for with Windows separators or a trailing one is found under them too.
class FakeFolderLister final : public FolderLister {
public:
    QHash<QString, QStringList> folders;
    QSet<QString> unreadable;
    mutable int listings = 0;
    bool list(const QString& folder, const std::function<bool(const QString&)>& wanted,
              const std::function<bool(const QString&)>& onName, QString* error) const override;
};

class FakeMessageBox final : public MessageBoxService {
public:
    struct Shown {
        QString text;
        MessageStyle style;
    };
    QList<Shown> shown;
    void show(const QString& text, MessageStyle style) override { shown.append({text, style}); }
};

class FakeDesktop final : public DesktopWallpaper {
public:
    QStringList paths;          // every path handed to the desktop
    QList<QByteArray> contents; // the file's bytes at the moment of each call
    bool refuse = false;
    QString name() const override { return QStringLiteral("fake"); }
    bool setWallpaper(const QString& path, QString* error) override;
};

class FakeTray final : public TrayIcon {
public:
    bool hostAvailable = true;
    bool singleClickHost = false;
    bool shown = false;
    int adds = 0;
    int removes = 0;
    QString tip;
    bool isHostAvailable() const override { return hostAvailable; }
    bool clickRestores() const override { return singleClickHost; }
    void add(const QString& tip) override;
    void remove() override;
    void activate(TrayActivation how) { emit activated(how); }
};

// Stands in for the window: keeps what it was told to show.
class FakeView final : public MainView {
public:
    QString seconds;
    QString pictureName;
    QString folder;
    QStringList opened;       // folders opened as the user would open them
    QSet<QString> unopenable; // folders that cannot be opened
    bool presented = false;
    bool minimized = false;
    int presentations = 0;
    void showSeconds(const QString& text) override { seconds = text; }
    void showPictureName(const QString& name) override { pictureName = name; }
    void showFolder(const QString& shown) override { folder = shown; }
    bool openFolder(const QString& shown, QString* error) override;
    void present() override;
    void conceal() override { presented = false; }
    void minimize() override { minimized = true; }
    bool isPresented() const override { return presented; }
};

// All fakes together, wired into the services of the program.
struct FakeRig {
    FakeClock clock;
    FakeRandom random;
    FakeSettingsStore settings;
    FakeFolderLister lister;
    FakeMessageBox messages;
    FakeDesktop desktop;
    FakeTray tray;
    int endRequests = 0;
    SwitchingServices switching{clock, random, settings, lister, desktop};
    AppServices services{switching, tray, messages, [this] { ++endRequests; },
                         [](const QString& root) { return root; }};
};
