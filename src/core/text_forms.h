// SPDX-License-Identifier: MIT
#pragma once

#include <QLocale>
#include <QString>
#include <optional>

// Text forms of stored and typed values. Numbers are read in the user's number format with
// surrounding blanks ignored, fractions rounded to the nearest whole number (a half to the even
// neighbour); text that is no number, or a number outside the target range, gives nothing.
std::optional<qint32> parseWholeNumber32(const QString& text, const QLocale& locale = QLocale());
std::optional<qint16> parseWholeNumber16(const QString& text, const QLocale& locale = QLocale());
// Plain decimal digits with a leading minus for a negative value; no blanks, no grouping.
QString formatWholeNumber(qint64 value);

// "True"/"False" in any letter case, or a number (zero is false).
std::optional<bool> parseBoolean(const QString& text, const QLocale& locale = QLocale());
QString formatBoolean(bool value);
