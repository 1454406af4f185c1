// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The problem log: one line for each failure the user cannot see in the window. On Linux it is stderr; a Windows
// program has none, so there every message goes to the debugger output (OutputDebugString, which DebugView shows),
// and the program's own lines, and what ends it, also go to a small file in the user's local application data.

// Writes one line to the problem log. Control characters (a newline in a file name, say) are shown escaped, so the
// report stays one line.
void reportProblem(const QString& line);

// The text as reportProblem writes it.
QString visibleLine(const QString& line);

// Puts `message` into *error when the caller asked for it and returns false, so that a failing step reads
// `return fail(error, ...)`.
inline bool fail(QString* error, const QString& message) {
    if (error)
        *error = message;
    return false;
}

// Sends the log where it can be read, as said above; nothing to do where stderr keeps it. Call once, after the
// application's name is set.
void installProblemLog();
