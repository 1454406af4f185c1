// SPDX-License-Identifier: MIT
#include "switching/messages.h"

#include "core/ports/message_box.h"

namespace {

// The contact line keeps a wide, fixed gap so the two addresses read as two columns.
constexpr int AddressGap = 18;

QString aboutText(const QString& title, const QString& site, const QString& mail) {
    const QString contacts = site + QString(AddressGap, QLatin1Char(' ')) + mail;
    return title + QStringLiteral("\r\n\r\n") + contacts;
}

} // namespace

QString aboutVersion1Text() {
    return aboutText(QStringLiteral("Quorlen v1.0 wallpaper switcher utility"),
                     QStringLiteral("http://www.example.com"), QStringLiteral("quorlen@example.com"));
}

QString aboutVersion2Text() {
    return aboutText(QStringLiteral("Quorlen v2.0 wallpaper switcher utility"),
                     QStringLiteral("http://quorlen.example.org"), QStringLiteral("support@example.org"));
}

QString startupTipText() {
    // One paragraph: the configuration lines are set apart by runs of spaces, not line breaks.
    return QStringLiteral(
        "Посмотрим config.sys . Первой строкой в нём у тебя должна стоять"
        "        DOS=HIGH,UMB,NOAUTO  Ключ NOAUTO появился в новых версиях Windows: без него Windows сама"
        " грузит драйверы HIMEM.SYS, IFSHLP.SYS и SETVER.EXE. А SETVER.EXE нужен разве что"
        " устаревшим программам, и в 99,9% случаев ты без него обойдёшься. Поэтому ставим NOAUTO"
        " и грузим нужное сами. Для этого допиши две строки: DEVICE=C:\\WINDOWS\\HIMEM.SYS TESTMEM:OFF"
        " и      DEVICEHIGH=C:\\WINDOWS\\IFSHLP.SYS . Дальше найди строку, что начинается с Country=  и ничего"
        " в ней не трогай. Больше в config.sys ничего не надо, хотя твоей машине могут понадобиться и другие"
        " драйверы, о них тут речи нет. Теперь в autoexec.bat убери из строки PATH две папки,"
        " что туда дописала Windows (C:\\WINDOWS и C:\\WINDOWS\\COMMAND): они и так там есть по умолчанию."
        " Потом добавь строки SET TEMP=C:\\WINDOWS\\TEMP и SET TMP=C:\\WINDOWS\\TEMP : эти переменные всё равно"
        " не убрать, так пусть хоть работают как положено.");
}

void showAboutVersion1(MessageBoxService& messages) {
    messages.show(aboutVersion1Text(), MessageStyle::Information);
}

void showAboutVersion2(MessageBoxService& messages) {
    messages.show(aboutVersion2Text(), MessageStyle::Information);
}

void showStartupTip(MessageBoxService& messages) {
    messages.show(startupTipText(), MessageStyle::Plain);
}
