// SPDX-License-Identifier: MIT
#pragma once

#include "switching/switcher_state.h"
#include "switching/wallpaper_changer.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QTimer>

class Clock;
class DesktopWallpaper;
class FolderLister;
class RandomSource;
class SettingsStore;

// The services switching works through; tests hand in fakes.
struct SwitchingServices {
    Clock& clock;
    RandomSource& random;
    SettingsStore& settings;
    FolderLister& lister;
    DesktopWallpaper& desktop;
};

// The timed switch step and the commands that drive it. Works on its owner's SwitcherState; whether its timer
// runs is whether switching is on.
class Switcher final : public QObject {
    Q_OBJECT
public:
    Switcher(const SwitchingServices& services, SwitcherState& state, QObject* parent = nullptr);

    bool isSwitching() const { return timer_.isActive(); }
    // How long the timer waits before the next step, in milliseconds.
    int timerIntervalMs() const { return timer_.interval(); }

    // The step each tick of the timer runs: switches when the due moment has come, then re-arms the timer for the
    // time still to wait, never more than a minute.
    void step();

    // Takes the seconds text and the folder, rescans, saves and switches at once; returns the seconds text to
    // show (the value in force). A folder that cannot be opened is kept and scanned all the same (it finds nothing),
    // and said once until it can be opened again.
    QString apply(const QString& secondsText, const QString& folder);
    // Shows the next picture at once (scanning the folder first when no list exists yet). When that turns
    // switching back on after Stop, it is stored, so that the next start resumes it.
    void next();
    // Stops switching and stores that.
    void stop();

signals:
    // The file name of the picture being applied.
    void pictureChosen(const QString& name);

private:
    void switchToNextPicture();
    void rearm(qint64 remainingSecs);
    void scan();
    void reportBadPicture(const QString& path, const QString& error);

    // What a bad picture's file looked like when it was reported: the same file is not reported again.
    struct FileStamp {
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const FileStamp&) const = default;
    };

    SwitchingServices services_;
    SwitcherState& state_;
    WallpaperChanger changer_;
    QTimer timer_;
    QHash<QString, FileStamp> reportedPictures_;
    QString unreachableFolder_; // the folder whose last scan could not open it, once that was said
};
