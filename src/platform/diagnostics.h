#pragma once

#include <QString>

// One line on stderr for a failure the user cannot see in the window.
void reportProblem(const QString& line);
