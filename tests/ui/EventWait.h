#pragma once

// Waiting in the event loop for something to happen, bounded so that a fault fails the test
// instead of hanging it. (Qt's QTRY_ macros report to Qt's test runner, not to GoogleTest.)

#include <QDeadlineTimer>
#include <QTest>

namespace testenv {

// Runs the event loop until `condition` holds; false when it still does not after `limitMs`.
template <class Condition>
bool WaitUntil(Condition&& condition, int limitMs = 30000) {
    const QDeadlineTimer deadline(limitMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QTest::qWait(5);
    }
    return true;
}

}  // namespace testenv
