#pragma once

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

// A property that does not hold is a crash, so libFuzzer keeps the input and the replay fails.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);            \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

// The parsers log what they skip; the fuzzer's output stays readable without it.
inline void SilenceQtMessages()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}
