#include "switching/switcher.h"

#include "platform/clock.h"
#include "platform/diagnostics.h"
#include "platform/services.h"
#include "settings/config.h"
#include "settings/text_forms.h"
#include "switching/wallpaper.h"

#include <algorithm>

namespace {

constexpr qint64 LongestWaitSecs = 60;
constexpr int DesignIntervalMs = 3000;

} // namespace

Switcher::Switcher(Services& services, SwitcherState& state, QObject* parent)
    : QObject(parent), services_(services), state_(state) {
    SwitchTimer.setInterval(DesignIntervalMs);
}

void Switcher::SwitchTimer_Timer() {
    qint64 remaining = secondsBetween(services_.clock.now(), state_.NextSwitch);
    if (remaining <= 1) {
        if (state_.PictureFiles.size() > 1)
            switchToNextPicture();
        state_.NextSwitch = addSeconds(services_.clock.now(), state_.IntervalSecs);
        remaining = state_.IntervalSecs;
    }
    rearm(remaining);
}

void Switcher::switchToNextPicture() {
    const qint32 idx = state_.ShowOrder[static_cast<std::size_t>(state_.OrderPos - 1)];
    ++state_.OrderPos;
    if (state_.OrderPos > state_.FileCount)
        ShuffleOrder(state_, services_.random);
    const QString name = state_.PictureFiles.at(idx - 1);
    emit pictureChosen(name);
    QString error;
    // A picture that cannot be shown is skipped: the schedule moves on to the next one.
    if (!ApplyWallpaper(name, joinPath(state_.DirName, name), state_.DirName, services_.desktop, &error))
        reportProblem(error);
}

void Switcher::rearm(qint64 remaining) {
    // Never below a second, so that a stored interval of 0 cannot make the timer spin.
    const qint64 seconds = std::clamp<qint64>(remaining, 1, LongestWaitSecs);
    SwitchTimer.start(static_cast<int>(seconds * 1000));
}

void Switcher::scan() {
    QString error;
    if (!ReadFiles(state_, state_.DirName, services_.lister, services_.random, &error))
        reportProblem(error);
}

QString Switcher::apply(const QString& secsText, const QString& dirText) {
    if (const std::optional<qint16> seconds = parseWholeNumber16(secsText))
        state_.IntervalSecs = *seconds;
    state_.IntervalSecs = std::max(state_.IntervalSecs, 1);
    SwitchTimer.stop();
    state_.NextSwitch = services_.clock.now();
    state_.DirName = dirText;
    scan();
    // Apply always ends with switching on, so that is what the next start resumes.
    QString error;
    if (!SaveConfig({state_.IntervalSecs, true, state_.DirName, state_.UpdateRegistry}, services_.settings, &error))
        reportProblem(error);
    SwitchTimer_Timer();
    return formatWholeNumber(state_.IntervalSecs);
}

void Switcher::next() {
    state_.NextSwitch = services_.clock.now();
    if (!state_.Scanned)
        scan();
    SwitchTimer_Timer();
}

void Switcher::stop() {
    SwitchTimer.stop();
    QString error;
    if (!SavePause(false, services_.settings, &error))
        reportProblem(error);
}
