#pragma once
#include <QtTest>
#include <functional>

#include "link/link.h"

// Waits for `done` while the link keeps writing. An ECU session writes after every reply, so once
// nothing went out for the reply watchdog plus a margin, what is awaited cannot come: a wrong
// reply fails the test in seconds instead of at a long time-out.
inline bool waitWhileTalking(Link &link, const std::function<bool()> &done, int marginMs = 2000)
{
    QElapsedTimer quiet;
    quiet.start();
    QObject guard;
    QObject::connect(&link, &Link::sent, &guard, [&quiet] { quiet.restart(); });
    const int limit = link.timing().replyWatchdogMs + marginMs;
    while (!done() && quiet.elapsed() < limit)
        QTest::qWait(10);
    return done();
}
