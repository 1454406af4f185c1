#pragma once

#include <QString>
#include <QtGlobal>

// Where problem reports (reportProblem's lines, and what ends the program) can be read. A Windows program has no
// stderr: there every message goes to the debugger output (OutputDebugString, which DebugView shows), and the
// program's own reports also go to a small log file in the user's local application data, problemLogPath().
// Elsewhere stderr keeps them, and nothing changes. Call once, after the application's name is set.
#ifdef Q_OS_WIN
void installProblemLog();
QString problemLogPath();
#else
inline void installProblemLog() {}
#endif
