// SPDX-License-Identifier: MIT
#include "platform/system_services.h"

#include <QGuiApplication>
#include <QSessionManager>

// Windows asks every program whether the session may end (WM_QUERYENDSESSION), which Qt passes on as
// commitDataRequest; the program then leaves as if its window were closed. A later veto by another program cannot
// bring it back, as on Unix after SIGTERM.
void onTerminationRequest(QObject* context, std::function<void()> onRequest) {
    QObject::connect(
        qApp, &QGuiApplication::commitDataRequest, context,
        [onRequest = std::move(onRequest)](QSessionManager&) { onRequest(); }, Qt::DirectConnection);
}
