// SPDX-License-Identifier: MIT
// The text forms of whole numbers and Booleans over arbitrary text, in several number formats. Properties: a
// number read back from its own text is itself; the 16-bit reading agrees with the 32-bit one wherever it gives a
// value; a Boolean's text reads back as that Boolean.

#include "core/text_forms.h"
#include "fuzz_support.h"

#include <QLocale>

namespace {

const QLocale& localeFor(uint8_t selector) {
    static const QLocale locales[] = {QLocale::c(),
                                      QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Germany),
                                      QLocale(QLocale::French, QLocale::France),
                                      QLocale(QLocale::Arabic, QLocale::Egypt),
                                      QLocale(QLocale::Hindi, QLocale::India),
                                      QLocale(QLocale::Russian, QLocale::Russia),
                                      QLocale(QLocale::Swedish, QLocale::Sweden)};
    return locales[selector % std::size(locales)];
}

void checkWholeNumbers(const QString& text, const QLocale& locale) {
    const std::optional<qint32> wide = parseWholeNumber32(text, locale);
    const std::optional<qint16> narrow = parseWholeNumber16(text, locale);
    if (narrow)
        FUZZ_CHECK(wide && *wide == *narrow);
    if (wide) {
        const QString written = formatWholeNumber(*wide);
        FUZZ_CHECK(parseWholeNumber32(written, QLocale::c()) == wide);
        FUZZ_CHECK(!written.contains(QLatin1Char(' ')));
    }
}

void checkBooleans(const QString& text, const QLocale& locale) {
    const std::optional<bool> value = parseBoolean(text, locale);
    if (value)
        FUZZ_CHECK(parseBoolean(formatBoolean(*value), locale) == value);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    silenceMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const QLocale& locale = localeFor(data[0]);
    const QByteArray bytes = bytesOf(data + 1, size - 1);
    const QString asUtf8 = QString::fromUtf8(bytes);
    const QString asUtf16 = QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
    for (const QString& text : {asUtf8, asUtf16}) {
        checkWholeNumbers(text, locale);
        checkBooleans(text, locale);
    }
    return 0;
}
