// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "media/MediaKeys.h"

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

namespace hv {

// The CD player as an MPRIS player on the session bus, so that the desktop's
// media keys and panels control it: the bus name
// org.mpris.MediaPlayer2.horavox is held while this object exists. Every
// action goes to `keys`; the status and metadata come from there, and panels
// hear of changes through PropertiesChanged. Without a bus, or with the name
// taken by another clock, it does nothing and says so only in the log.
class MprisPlayer final : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.horavox";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

    explicit MprisPlayer(MediaKeys& keys, QDBusConnection bus = QDBusConnection::sessionBus(),
                         QObject* parent = nullptr);
    ~MprisPlayer() override;

    // The name is held on the bus.
    bool isRegistered() const { return m_registered; }

    MediaKeys& keys() const { return m_keys; }
    QString playbackStatus() const;
    QVariantMap metadata() const;

private:
    void onChanged();

    MediaKeys& m_keys;
    QDBusConnection m_bus;
    bool m_registered = false;
    QString m_lastStatus;
    QVariantMap m_lastMetadata;
};

} // namespace hv
