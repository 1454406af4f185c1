#include "platform/system_colour.h"

#include <windows.h>

QColor menuTextColour() {
    const COLORREF colour = GetSysColor(COLOR_MENUTEXT);
    return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}
