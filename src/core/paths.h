// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Joins a folder and a file name with exactly one separator between them.
QString joinPath(const QString& folder, const QString& name);

// Whether two spellings name the same folder: separators, a trailing separator, "." and "..", and a relative path
// against the working folder make no difference; on Windows, letter case makes none either. Empty text names none.
bool sameFolder(const QString& a, const QString& b);
