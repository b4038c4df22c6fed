// SPDX-License-Identifier: GPL-3.0-or-later
#include "MprisPlayer.h"

#include "common/Logging.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QStringList>

namespace hv {

namespace {

const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

// org.mpris.MediaPlayer2: who we are. The clock cannot be raised or quit from
// a panel: the CD player is one of its windows, not a program of its own.
class MprisRootAdaptor final : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QStringList SupportedUriSchemes READ none)
    Q_PROPERTY(QStringList SupportedMimeTypes READ none)

public:
    explicit MprisRootAdaptor(QObject* parent)
        : QDBusAbstractAdaptor(parent)
    {}

    bool canQuit() const { return false; }
    bool canRaise() const { return false; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Horavox CD Player"); }
    QStringList none() const { return {}; }

public Q_SLOTS:
    void Raise() {}
    void Quit() {}
};

// org.mpris.MediaPlayer2.Player: the buttons and what plays. No seeking, no
// rate or volume of our own.
class MprisPlayerAdaptor final : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Rate READ one)
    Q_PROPERTY(double MinimumRate READ one)
    Q_PROPERTY(double MaximumRate READ one)
    Q_PROPERTY(double Volume READ one)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ yes)
    Q_PROPERTY(bool CanGoPrevious READ yes)
    Q_PROPERTY(bool CanPlay READ yes)
    Q_PROPERTY(bool CanPause READ yes)
    Q_PROPERTY(bool CanSeek READ no)
    Q_PROPERTY(bool CanControl READ yes)

public:
    explicit MprisPlayerAdaptor(MprisPlayer* player)
        : QDBusAbstractAdaptor(player)
        , m_player(player)
    {}

    QString playbackStatus() const { return m_player->playbackStatus(); }
    QVariantMap metadata() const { return m_player->metadata(); }
    double one() const { return 1.0; }
    qlonglong position() const { return 0; }
    bool yes() const { return true; }
    bool no() const { return false; }

public Q_SLOTS:
    void Play() { m_player->keys().play(); }
    void Pause() { m_player->keys().pause(); }
    void PlayPause() { m_player->keys().playPause(); }
    void Stop() { m_player->keys().stop(); }
    void Next() { m_player->keys().next(); }
    void Previous() { m_player->keys().previous(); }
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString&) {}

Q_SIGNALS:
    void Seeked(qlonglong position);

private:
    MprisPlayer* m_player;
};

} // namespace

MprisPlayer::MprisPlayer(MediaKeys& keys, QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_keys(keys)
    , m_bus(std::move(bus))
{
    if (!m_bus.isConnected())
        return; // no session bus: the player works without media keys
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    if (!m_bus.registerObject(QString::fromLatin1(kObjectPath), this)) {
        qCInfo(lcSound) << "MPRIS: the object path is taken; no media keys";
        return;
    }
    const QString name = QString::fromLatin1(kServiceName);
    const auto reply = m_bus.interface()->registerService(name, QDBusConnectionInterface::DontQueueService,
                                                          QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        qCInfo(lcSound) << "MPRIS: the name" << name << "is taken; no media keys";
        m_bus.unregisterObject(QString::fromLatin1(kObjectPath));
        return;
    }
    m_registered = true;
    m_lastStatus = playbackStatus();
    m_lastMetadata = metadata();
    connect(&m_keys, &MediaKeys::changed, this, &MprisPlayer::onChanged);
}

MprisPlayer::~MprisPlayer()
{
    if (!m_registered)
        return;
    m_bus.unregisterService(QString::fromLatin1(kServiceName));
    m_bus.unregisterObject(QString::fromLatin1(kObjectPath));
}

QString MprisPlayer::playbackStatus() const
{
    switch (m_keys.status()) {
    case MediaKeys::Status::Playing:
        return QStringLiteral("Playing");
    case MediaKeys::Status::Paused:
        return QStringLiteral("Paused");
    case MediaKeys::Status::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

QVariantMap MprisPlayer::metadata() const
{
    const MediaKeys::Metadata data = m_keys.metadata();
    QVariantMap map;
    if (data.trackNumber <= 0) {
        map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(QStringLiteral(
                                                        "/org/mpris/MediaPlayer2/TrackList/NoTrack"))));
        return map;
    }
    map.insert(QStringLiteral("mpris:trackid"),
               QVariant::fromValue(
                   QDBusObjectPath(QStringLiteral("/org/horavox/cd/track/%1").arg(data.trackNumber))));
    map.insert(QStringLiteral("mpris:length"), qlonglong(data.lengthMs) * 1000); // microseconds
    map.insert(QStringLiteral("xesam:title"), data.trackName);
    map.insert(QStringLiteral("xesam:album"), data.discName);
    map.insert(QStringLiteral("xesam:trackNumber"), data.trackNumber);
    return map;
}

void MprisPlayer::onChanged()
{
    QVariantMap changed;
    const QString status = playbackStatus();
    if (status != m_lastStatus)
        changed.insert(QStringLiteral("PlaybackStatus"), status);
    const QVariantMap data = metadata();
    if (data != m_lastMetadata)
        changed.insert(QStringLiteral("Metadata"), data);
    m_lastStatus = status;
    m_lastMetadata = data;
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    m_bus.send(signal);
}

} // namespace hv

#include "MprisPlayer.moc"
