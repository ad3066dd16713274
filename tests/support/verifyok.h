#pragma once
// QVERIFY for a store step: fails with the engine's message.

#include "store/dberror.h"

#include <QTest>

#define VERIFY_OK(expression)                                                                                          \
    do {                                                                                                               \
        const store::DbError error_ = (expression);                                                                    \
        QVERIFY2(error_.ok(), qPrintable(error_.message));                                                             \
    } while (false)
