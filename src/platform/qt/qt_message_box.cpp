// SPDX-License-Identifier: MIT
#include "platform/qt/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>

void QtMessageBox::show(const QString& text, MessageStyle style) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QStringLiteral("Quorlen"));
    box.setIcon(style == MessageStyle::Information ? QMessageBox::Information : QMessageBox::NoIcon);
    // Plain text keeps runs of spaces as they are; Qt breaks lines on LF alone, so CR LF pairs
    // are shown as one line break rather than as a stray CR glyph.
    box.setTextFormat(Qt::PlainText);
    QString shown = text;
    box.setText(shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}
