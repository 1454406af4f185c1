#include "platform/diagnostics.h"

#include <QDebug>

void reportProblem(const QString& line) {
    qWarning().noquote() << "quorlen:" << line;
}
