// SPDX-License-Identifier: MIT
#pragma once

#include "switching/picture_list.h"

#include <QDateTime>
#include <QString>

// Everything the switcher keeps while it runs. Whether switching is on is not stored here: it is whether the
// switch timer runs.
struct SwitcherState {
    qint32 intervalSecs = 0;     // seconds between two pictures
    QString folder;              // the picture folder
    QDateTime nextSwitch;        // when the next picture is due
    bool updateRegistry = false; // stored by an earlier version; carried from load to save, nothing else
    PictureList pictures;
};
