#pragma once

#include <functional>

class QObject;

// Runs `onRequest` on the event thread when the system asks the program to end (SIGTERM, SIGHUP or
// SIGINT on Unix, as at logout or shutdown; the end of the session on Windows), so it leaves through its normal
// close path.
void onTerminationRequest(QObject* context, std::function<void()> onRequest);
