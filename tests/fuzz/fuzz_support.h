// SPDX-License-Identifier: MIT
#pragma once

// Shared by the fuzz targets: a check that stops the run, and a quiet message handler.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

// A broken property is a finding: libFuzzer keeps the input that aborted.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);                   \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

// The program's stderr lines and Qt's decoder warnings would drown libFuzzer's own output and slow it down.
inline void silenceMessages() {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", qPrintable(message));
            std::abort();
        }
    });
}

inline QByteArray bytesOf(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// A private folder for the run, removed when libFuzzer ends the process through exit().
inline QTemporaryDir& workspace() {
    static QTemporaryDir* folder = [] {
        auto* made = new QTemporaryDir();
        std::atexit([] { delete folder; });
        return made;
    }();
    return *folder;
}
