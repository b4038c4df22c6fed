// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/LinuxClockChanges.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <time.h>

using hv::ClockChanges;
using hv::LinuxClockChanges;

namespace {

const QString kLogindService = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kMarkerInterface = QStringLiteral("org.horavox.Test");

QDBusMessage prepareForSleep(bool start)
{
    QDBusMessage signal = QDBusMessage::createSignal(
        kLogindPath, QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"));
    signal << start;
    return signal;
}

} // namespace

// The logind side runs on a private bus of the test's own: one connection owns
// logind's name, another is a stranger, and the backend listens on a third.
class TestClockChanges : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void settingTheClockTellsTimeSet();
    void logindSignals_data();
    void logindSignals();

public Q_SLOTS:
    void marker() { ++m_markers; }

private:
    QProcess m_bus;
    QString m_busAddress;
    int m_markers = 0;
};

void TestClockChanges::initTestCase()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        QSKIP("dbus-daemon is not installed (scripts/setup installs it); the logind signals cannot be tried");
    m_bus.start(daemon,
                {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    QVERIFY(m_bus.waitForStarted());
    QTRY_VERIFY(m_bus.canReadLine());
    m_busAddress = QString::fromUtf8(m_bus.readLine().trimmed());
    QVERIFY(!m_busAddress.isEmpty());

    for (const char* name : {"listener", "logind", "stranger"})
        QVERIFY(QDBusConnection::connectToBus(m_busAddress, QString::fromLatin1(name)).isConnected());
    QVERIFY(QDBusConnection(QStringLiteral("logind")).registerService(kLogindService));
    QVERIFY(QDBusConnection(QStringLiteral("listener"))
                .connect(kLogindService, kLogindPath, kMarkerInterface, QStringLiteral("Marker"), this,
                         SLOT(marker())));
}

void TestClockChanges::cleanupTestCase()
{
    for (const char* name : {"listener", "logind", "stranger"})
        QDBusConnection::disconnectFromBus(QString::fromLatin1(name));
    if (m_bus.state() != QProcess::NotRunning) {
        m_bus.terminate();
        if (!m_bus.waitForFinished(5000))
            m_bus.kill();
    }
}

// Sets the real-time clock to what it reads: it steps back by the microseconds
// between the two calls, and the kernel still counts it as set.
void TestClockChanges::settingTheClockTellsTimeSet()
{
    LinuxClockChanges changes(QDBusConnection(QStringLiteral("no such bus")));
    QVERIFY(changes.watchesTimeSet());
    QVERIFY(!changes.watchesResume());
    QSignalSpy spy(&changes, &ClockChanges::clockChanged);

    // Twice: the timer must be armed again after the first change.
    for (int round = 1; round <= 2; ++round) {
        timespec now{};
        QCOMPARE(::clock_gettime(CLOCK_REALTIME, &now), 0);
        if (::clock_settime(CLOCK_REALTIME, &now) != 0) {
            if (errno == EPERM)
                QSKIP("setting the system clock needs CAP_SYS_TIME, which this test does not have");
            QFAIL(std::strerror(errno));
        }
        QTRY_COMPARE(spy.size(), round);
        QCOMPARE(spy.last().at(0).value<ClockChanges::Reason>(), ClockChanges::Reason::TimeSet);
    }
}

void TestClockChanges::logindSignals_data()
{
    QTest::addColumn<QString>("sender");
    QTest::addColumn<bool>("start");
    QTest::addColumn<bool>("resumed");

    QTest::newRow("woke up") << QStringLiteral("logind") << false << true;
    QTest::newRow("going to sleep") << QStringLiteral("logind") << true << false;
    QTest::newRow("not from logind") << QStringLiteral("stranger") << false << false;
}

void TestClockChanges::logindSignals()
{
    QFETCH(QString, sender);
    QFETCH(bool, start);
    QFETCH(bool, resumed);

    LinuxClockChanges changes(QDBusConnection(QStringLiteral("listener")));
    QVERIFY(changes.watchesResume());
    QSignalSpy spy(&changes, &ClockChanges::clockChanged);

    QDBusConnection from(sender);
    QVERIFY(from.send(prepareForSleep(start)));
    // The bus passes on each connection's messages in order; an answer to the
    // stranger means its signal went out before logind's marker below.
    QVERIFY(from.interface()->isServiceRegistered(kLogindService).value());

    // The listener gets the marker after the signal, so once the marker is in,
    // whatever the signal caused has happened.
    const int markers = m_markers;
    QVERIFY(QDBusConnection(QStringLiteral("logind"))
                .send(QDBusMessage::createSignal(kLogindPath, kMarkerInterface, QStringLiteral("Marker"))));
    QTRY_COMPARE(m_markers, markers + 1);

    QCOMPARE(spy.size(), resumed ? 1 : 0);
    if (resumed)
        QCOMPARE(spy.first().at(0).value<ClockChanges::Reason>(), ClockChanges::Reason::Resumed);
}

QTEST_GUILESS_MAIN(TestClockChanges)
#include "tst_ClockChanges.moc"
