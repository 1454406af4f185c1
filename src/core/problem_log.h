#pragma once

#include <QString>

// One line on stderr for a failure the user cannot see in the window. Control characters (a newline in a file
// name, say) are shown escaped, so the report stays one line.
void reportProblem(const QString& line);

// The text as reportProblem prints it.
QString visibleLine(const QString& line);

// Puts `message` into *error when the caller asked for it and returns false, so that a failing step reads
// `return fail(error, ...)`.
inline bool fail(QString* error, const QString& message) {
    if (error)
        *error = message;
    return false;
}
