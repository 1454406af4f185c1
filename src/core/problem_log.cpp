#include "platform/diagnostics.h"

#include <QDebug>

QString visibleLine(const QString& line) {
    QString shown;
    shown.reserve(line.size());
    for (const QChar c : line) {
        if (c == QLatin1Char('\n'))
            shown += QLatin1String("\\n");
        else if (c.category() == QChar::Other_Control)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

void reportProblem(const QString& line) {
    qWarning().noquote() << "quorlen:" << visibleLine(line);
}
