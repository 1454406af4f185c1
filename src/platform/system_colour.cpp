// SPDX-License-Identifier: MIT
#include "platform/system_services.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

QColor menuTextColour() {
#ifdef Q_OS_WIN
    const COLORREF colour = GetSysColor(COLOR_MENUTEXT);
    return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour));
#else
    return Qt::black;
#endif
}
