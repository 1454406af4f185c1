#pragma once

#include "switching/switcher_state.h"

#include <QObject>
#include <QTimer>

struct Services;

// The timed switch step and the commands that drive it. Works on the window's SwitcherState; the
// running state of SwitchTimer is whether switching is on.
class Switcher final : public QObject {
    Q_OBJECT
public:
    Switcher(Services& services, SwitcherState& state, QObject* parent = nullptr);

    QTimer& timer() { return SwitchTimer; }
    bool isSwitching() const { return SwitchTimer.isActive(); }

    // The step the owner runs on every tick of timer(): switches when the due moment has come, then re-arms the timer
    // for the time still to wait, never more than a minute.
    void SwitchTimer_Timer();

    // Takes the seconds and folder texts, rescans, saves and switches at once; returns the seconds
    // text to show (the value in force).
    QString apply(const QString& secsText, const QString& dirText);
    // Shows the next picture at once; scans the folder first when no list exists yet.
    void next();
    // Stops switching and records that.
    void stop();

signals:
    // The file name of the picture being applied, for FileLabel.
    void pictureChosen(const QString& name);

private:
    void switchToNextPicture();
    void rearm(qint64 remaining);
    void scan();

    Services& services_;
    SwitcherState& state_;
    QTimer SwitchTimer;
};
