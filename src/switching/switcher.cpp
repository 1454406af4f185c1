// SPDX-License-Identifier: MIT
#include "switching/switcher.h"

#include "core/clock.h"
#include "core/paths.h"
#include "core/problem_log.h"
#include "core/text_forms.h"
#include "switching/config.h"

#include <QFileInfo>

#include <algorithm>

namespace {

constexpr qint64 LongestWaitSecs = 60;

} // namespace

Switcher::Switcher(const SwitchingServices& services, SwitcherState& state, QObject* parent)
    : QObject(parent), services_(services), state_(state), changer_(services.desktop) {
    connect(&timer_, &QTimer::timeout, this, &Switcher::step);
}

void Switcher::step() {
    qint64 remaining = secondsBetween(services_.clock.now(), state_.nextSwitch);
    if (remaining <= 1) {
        if (state_.pictures.names.size() > 1)
            switchToNextPicture();
        state_.nextSwitch = addSeconds(services_.clock.now(), state_.intervalSecs);
        remaining = state_.intervalSecs;
    }
    rearm(remaining);
}

void Switcher::switchToNextPicture() {
    PictureList& pictures = state_.pictures;
    const qsizetype shown = pictures.order[static_cast<std::size_t>(pictures.next)];
    // The picture is taken before a finished cycle deals the next one.
    if (++pictures.next >= pictures.names.size())
        shuffleOrder(pictures, services_.random);
    const QString name = pictures.names.at(shown);
    emit pictureChosen(name);
    const QString path = joinPath(state_.folder, name);
    QString error;
    // A picture that cannot be shown is skipped: the schedule moves on to the next one.
    if (changer_.apply(name, path, state_.folder, &error))
        reportedPictures_.remove(path);
    else
        reportBadPicture(path, error);
}

// Said once, not at every turn of the picture: again only when its file has changed or the folder was scanned anew.
void Switcher::reportBadPicture(const QString& path, const QString& error) {
    const QFileInfo file(path);
    const FileStamp stamp{file.exists() ? file.size() : -1, file.lastModified()};
    const auto reported = reportedPictures_.constFind(path);
    if (reported != reportedPictures_.cend() && *reported == stamp)
        return;
    reportedPictures_.insert(path, stamp);
    reportProblem(error);
}

void Switcher::rearm(qint64 remainingSecs) {
    // Never below a second, so that a stored interval of 0 cannot make the timer spin.
    const qint64 seconds = std::clamp<qint64>(remainingSecs, 1, LongestWaitSecs);
    timer_.start(static_cast<int>(seconds * 1000));
}

void Switcher::scan() {
    reportedPictures_.clear();
    QString error;
    const bool listed = scanFolder(state_.pictures, state_.folder, services_.lister, services_.random, &error);
    // A folder out of reach (an unplugged stick, say) is said once, and again only after it was back in between.
    if (!listed && unreachableFolder_ != state_.folder)
        reportProblem(error);
    unreachableFolder_ = listed ? QString() : state_.folder;
}

QString Switcher::apply(const QString& secondsText, const QString& folder) {
    if (const std::optional<qint16> seconds = parseWholeNumber16(secondsText))
        state_.intervalSecs = *seconds;
    state_.intervalSecs = std::max(state_.intervalSecs, 1);
    timer_.stop();
    state_.nextSwitch = services_.clock.now();
    // The folder changes only when another one was chosen: the same one as the folder list spells it keeps the
    // spelling that was stored.
    if (!sameFolder(folder, state_.folder))
        state_.folder = folder;
    scan();
    // Apply always ends with switching on, so that is what the next start resumes.
    QString error;
    if (!saveSettings({state_.intervalSecs, true, state_.folder, state_.updateRegistry}, services_.settings, &error))
        reportProblem(error);
    step();
    return formatWholeNumber(state_.intervalSecs);
}

void Switcher::next() {
    const bool wasStopped = !isSwitching();
    state_.nextSwitch = services_.clock.now();
    if (!state_.pictures.scanned)
        scan();
    step();
    QString error;
    if (wasStopped && !savePause(true, services_.settings, &error))
        reportProblem(error);
}

void Switcher::stop() {
    timer_.stop();
    QString error;
    if (!savePause(false, services_.settings, &error))
        reportProblem(error);
}
