#include "platform/termination.h"

// Windows ends a session through window messages, which Qt turns into closing the window.
void onTerminationRequest(QObject*, std::function<void()>) {}
