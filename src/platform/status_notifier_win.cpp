#include "platform/tray_qt.h"

// The Windows shell reports double clicks on tray icons.
bool statusNotifierHostRegistered() {
    return false;
}
