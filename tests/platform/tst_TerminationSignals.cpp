// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/TerminationSignals.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <memory>

using namespace hv;

class TestTerminationSignals : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void signalArrivesInTheEventLoop_data();
    void signalArrivesInTheEventLoop();
    void onlyOneWatcherAtATime();
};

void TestTerminationSignals::signalArrivesInTheEventLoop_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

// Each row builds a new watcher after the last one was destroyed: the handler
// is installed again each time, or the raise() would end the test.
void TestTerminationSignals::signalArrivesInTheEventLoop()
{
    QFETCH(int, signal);
    TerminationSignals watcher;
    QVERIFY(watcher.isWatching());
    QSignalSpy requested(&watcher, &TerminationSignals::terminationRequested);

    QCOMPARE(::raise(signal), 0);
    // Inside the handler nothing but the pipe is touched: the Qt signal waits
    // for the event loop.
    QCOMPARE(requested.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(requested.count(), 1, 5000);
    QCOMPARE(requested.at(0).at(0).toInt(), signal);
}

void TestTerminationSignals::onlyOneWatcherAtATime()
{
    auto first = std::make_unique<TerminationSignals>();
    QVERIFY(first->isWatching());
    TerminationSignals second;
    QVERIFY(!second.isWatching());
    QSignalSpy requested(first.get(), &TerminationSignals::terminationRequested);
    QCOMPARE(::raise(SIGTERM), 0);
    QTRY_COMPARE_WITH_TIMEOUT(requested.count(), 1, 5000);

    first.reset();
    TerminationSignals third;
    QVERIFY(third.isWatching());
}

QTEST_GUILESS_MAIN(TestTerminationSignals)
#include "tst_TerminationSignals.moc"
