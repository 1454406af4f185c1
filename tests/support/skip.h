// SPDX-License-Identifier: MIT
#pragma once

#include <QTest>

// Skips a test that cannot run here for want of a tool. Where every tool is meant to be installed (the test
// script sets QUORLEN_NO_SKIPS), such a skip would hide a fault, so the test fails instead.
#define SKIP_WITHOUT_TOOL(reason)                                                                                      \
    do {                                                                                                               \
        if (qEnvironmentVariableIsSet("QUORLEN_NO_SKIPS"))                                                             \
            QFAIL(qPrintable(QStringLiteral("cannot run: %1").arg(reason)));                                           \
        QSKIP(qPrintable(QString(reason)));                                                                            \
    } while (false)
