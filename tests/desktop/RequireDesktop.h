// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a desktop test does when the test desktop, or a tool it needs, is not
// there: a developer's run skips it, while CI (HORAVOX_REQUIRE_DESKTOP=1, set by
// .ci/run) fails it, since there a missing tool is a broken machine and a skipped
// test would pass unseen.

#include <QTest>
#include <QtGlobal>

#define HV_DESKTOP_MISSING(reason)                                                                           \
    do {                                                                                                     \
        if (qEnvironmentVariableIntValue("HORAVOX_REQUIRE_DESKTOP") == 1)                                    \
            QFAIL(reason);                                                                                   \
        QSKIP(reason);                                                                                       \
    } while (false)
