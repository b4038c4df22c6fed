// SPDX-License-Identifier: GPL-3.0-or-later
// The MPRIS player on a private bus of its own: what a desktop panel sends
// reaches the player, and what the player shows reaches the panel.
#include "media/MediaKeys.h"
#include "media/MprisPlayer.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using namespace hv;

namespace {

const QString kService = QString::fromLatin1(MprisPlayer::kServiceName);
const QString kPath = QString::fromLatin1(MprisPlayer::kObjectPath);
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

class FakeMediaKeys final : public MediaKeys
{
public:
    QStringList calls;
    Status state = Status::Stopped;
    Metadata data;

    void play() override { calls.append(QStringLiteral("play")); }
    void pause() override { calls.append(QStringLiteral("pause")); }
    void playPause() override { calls.append(QStringLiteral("playPause")); }
    void stop() override { calls.append(QStringLiteral("stop")); }
    void next() override { calls.append(QStringLiteral("next")); }
    void previous() override { calls.append(QStringLiteral("previous")); }
    Status status() const override { return state; }
    Metadata metadata() const override { return data; }

    void set(Status s, Metadata m)
    {
        state = s;
        data = std::move(m);
        Q_EMIT changed();
    }
};

// Receives PropertiesChanged of the player interface.
class PropertiesListener : public QObject
{
    Q_OBJECT

public:
    QList<QVariantMap> changes;

public Q_SLOTS:
    void onChanged(const QString& interface, const QVariantMap& changed, const QStringList&)
    {
        if (interface == kPlayer)
            changes.append(changed);
    }
};

} // namespace

class TestMprisPlayer : public QObject
{
    Q_OBJECT

    QProcess m_daemon;
    QString m_address;

    QDBusConnection busFor(const QString& name) { return QDBusConnection::connectToBus(m_address, name); }

    QVariant property(QDBusConnection& bus, const QString& name)
    {
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, kPath, kProperties, QStringLiteral("Get"));
        call << kPlayer << name;
        // The player answers on this same thread: keep its event loop running.
        const QDBusMessage reply = bus.call(call, QDBus::BlockWithGui);
        if (reply.type() != QDBusMessage::ReplyMessage)
            return {};
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is not installed");
        m_daemon.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                QStringLiteral("--nosyslog"), QStringLiteral("--print-address=1")});
        QVERIFY(m_daemon.waitForStarted());
        QTRY_VERIFY(m_daemon.canReadLine());
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        QVERIFY(!m_address.isEmpty());
    }
    void cleanupTestCase()
    {
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }

    void holdsTheNameWhileItExists()
    {
        QDBusConnection bus = busFor(QStringLiteral("player"));
        QDBusConnection panel = busFor(QStringLiteral("panel"));
        FakeMediaKeys keys;
        {
            MprisPlayer player(keys, bus);
            QVERIFY(player.isRegistered());
            QVERIFY(panel.interface()->isServiceRegistered(kService));
            // A second clock on the same bus leaves the name to the first.
            QDBusConnection other = busFor(QStringLiteral("other"));
            MprisPlayer second(keys, other);
            QVERIFY(!second.isRegistered());
            QDBusConnection::disconnectFromBus(QStringLiteral("other"));
        }
        QTRY_VERIFY(!panel.interface()->isServiceRegistered(kService));
    }

    void withoutABusItDoesNothing()
    {
        FakeMediaKeys keys;
        MprisPlayer player(keys, QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent"),
                                                               QStringLiteral("none")));
        QVERIFY(!player.isRegistered());
        Q_EMIT keys.changed();
    }

    void actionsReachThePlayer_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("call");
        QTest::newRow("Play") << "Play"
                              << "play";
        QTest::newRow("Pause") << "Pause"
                               << "pause";
        QTest::newRow("PlayPause") << "PlayPause"
                                   << "playPause";
        QTest::newRow("Stop") << "Stop"
                              << "stop";
        QTest::newRow("Next") << "Next"
                              << "next";
        QTest::newRow("Previous") << "Previous"
                                  << "previous";
    }
    void actionsReachThePlayer()
    {
        QFETCH(QString, method);
        QFETCH(QString, call);
        QDBusConnection bus = busFor(QStringLiteral("player"));
        QDBusConnection panel = busFor(QStringLiteral("panel"));
        FakeMediaKeys keys;
        MprisPlayer player(keys, bus);
        panel.asyncCall(QDBusMessage::createMethodCall(kService, kPath, kPlayer, method));
        QTRY_COMPARE(keys.calls, QStringList{call});
    }

    void statusAndMetadataReachThePanel()
    {
        QDBusConnection bus = busFor(QStringLiteral("player"));
        QDBusConnection panel = busFor(QStringLiteral("panel"));
        FakeMediaKeys keys;
        MprisPlayer player(keys, bus);
        PropertiesListener listener;
        QVERIFY(panel.connect(kService, kPath, kProperties, QStringLiteral("PropertiesChanged"), &listener,
                              SLOT(onChanged(QString, QVariantMap, QStringList))));

        QCOMPARE(property(panel, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));

        keys.set(MediaKeys::Status::Playing, {QStringLiteral("Tones"), QStringLiteral("Middle A"), 2, 3000});
        QTRY_COMPARE(listener.changes.size(), 1);
        QCOMPARE(listener.changes.at(0).value(QStringLiteral("PlaybackStatus")).toString(),
                 QStringLiteral("Playing"));
        QCOMPARE(property(panel, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Playing"));
        const auto metadata = qdbus_cast<QVariantMap>(property(panel, QStringLiteral("Metadata")));
        QCOMPARE(metadata.value(QStringLiteral("xesam:album")).toString(), QStringLiteral("Tones"));
        QCOMPARE(metadata.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("Middle A"));
        QCOMPARE(metadata.value(QStringLiteral("xesam:trackNumber")).toInt(), 2);
        QCOMPARE(metadata.value(QStringLiteral("mpris:length")).toLongLong(), 3'000'000);

        // A change that changes nothing says nothing.
        Q_EMIT keys.changed();
        keys.set(MediaKeys::Status::Paused, keys.data);
        QTRY_COMPARE(listener.changes.size(), 2);
        QCOMPARE(listener.changes.at(1).keys(), QStringList{QStringLiteral("PlaybackStatus")});
    }
};

QTEST_GUILESS_MAIN(TestMprisPlayer)
#include "tst_MprisPlayer.moc"
