// SPDX-License-Identifier: MIT
#include "core/text_forms.h"

#include <cmath>
#include <limits>

namespace {

std::optional<double> parseNumber(const QString& text, const QLocale& locale) {
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

template <typename Int> std::optional<Int> parseWhole(const QString& text, const QLocale& locale) {
    const std::optional<double> value = parseNumber(text, locale);
    if (!value)
        return std::nullopt;
    // nearbyint rounds in the default mode, which sends a half to the even neighbour.
    const double rounded = std::nearbyint(*value);
    if (rounded < std::numeric_limits<Int>::min() || rounded > std::numeric_limits<Int>::max())
        return std::nullopt;
    return static_cast<Int>(rounded);
}

} // namespace

std::optional<qint32> parseWholeNumber32(const QString& text, const QLocale& locale) {
    return parseWhole<qint32>(text, locale);
}

std::optional<qint16> parseWholeNumber16(const QString& text, const QLocale& locale) {
    return parseWhole<qint16>(text, locale);
}

QString formatWholeNumber(qint64 value) {
    return QString::number(value);
}

std::optional<bool> parseBoolean(const QString& text, const QLocale& locale) {
    const QString word = text.trimmed();
    if (word.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    const std::optional<double> number = parseNumber(word, locale);
    if (!number)
        return std::nullopt;
    return *number != 0.0;
}

QString formatBoolean(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}
