// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;

namespace hv {

// Keeps one clock running per user. A lock file decides which start is the
// first; the first then listens on a local socket, through which later starts
// hand it one-line messages ("raise", "speak") before they end.
//
// The lock comes first because a socket alone cannot decide: two starts at the
// same moment would both find no server and both listen, and a listen that
// replaces the socket file would cut off a live server.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxMessageLength = 1024; // bytes, newline excluded

    // The messages a later start sends.
    static inline const QByteArray kRaise = QByteArrayLiteral("raise"); // bring the clock forward
    static inline const QByteArray kSpeak = QByteArrayLiteral("speak"); // speak the time now

    // runtimeDir: a folder only this user can enter. It holds horavox.lock and
    // horavox.socket; it is created (mode 0700) when missing.
    explicit SingleInstance(QString runtimeDir, QObject* parent = nullptr);
    // Releases the place (release()).
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR when it is set and a folder, else "horavox-<uid>" under
    // QDir::tempPath(), created 0700. Empty when that folder exists but belongs
    // to another user or cannot be made private: it cannot be trusted then.
    static QString defaultRuntimeDir();

    QString lockFilePath() const;
    QString socketPath() const;

    // True when this is the first instance; it then listens for messages.
    // A lock that no live clock holds is taken over: one left by a crashed
    // clock, and anything else in its place (an empty or garbled file, a
    // folder). A folder in the socket's place is cleared too. When the folder
    // cannot be used at all, this also answers true (and nothing listens): a
    // clock that cannot tell is better running twice than not at all.
    bool claim();

    // From a later start: deliver one message (no newline in it) to the first
    // instance. Retries until the first instance listens or timeoutMs has run
    // out, since it takes the lock a moment before it listens. False when the
    // message could not be delivered.
    bool send(const QByteArray& message, int timeoutMs = 1000);

    bool isListening() const;
    // Stops listening and frees the lock, for a process about to end without
    // running its destructors.
    void release();
    // Why the first instance does not listen, for the user; empty when it
    // listens or has not claimed.
    QString listenError() const { return m_listenError; }

    // For a later start whose message did not arrive: the process that holds
    // the lock, as the lock file names it; 0 when it names none.
    qint64 lockOwner() const;

Q_SIGNALS:
    // One message from a later start, without its newline.
    void messageReceived(const QByteArray& message);

private:
    void acceptConnections();
    void readLines(QLocalSocket* socket);

    QString m_runtimeDir;
    std::unique_ptr<QLockFile> m_lock; // null without a usable folder
    QLocalServer* m_server = nullptr;
    QString m_listenError;
};

} // namespace hv
