#pragma once

#include "pictures/picture_list.h"
#include "platform/tray_icon.h"

#include <QDateTime>
#include <QString>

// Everything the switcher keeps while it runs. Whether switching is on is not stored here:
// it is whether the switch timer runs.
struct SwitcherState : PictureList {
    qint32 IntervalSecs = 0;     // seconds between two pictures
    QString DirName;             // the picture folder
    QDateTime NextSwitch;        // when the next picture is due
    bool UpdateRegistry = false; // carried from load to save, nothing else
    TrayIconRecord TrayIconData;
};
