// SPDX-License-Identifier: GPL-3.0-or-later
#include "SingleInstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QtDebug>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace hv {

namespace {

constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions kGroupOrOther = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                             QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

// Pause between attempts to reach a first instance that holds the lock but
// does not listen yet.
constexpr int kRetryPauseMs = 20;

QString userTag()
{
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    const QString name = qEnvironmentVariable("USERNAME");
    return name.isEmpty() ? QStringLiteral("user") : name;
#endif
}

// A folder in a place shared with other users is trusted only when it is a
// real folder of ours that nobody else can enter.
bool isPrivateFolder(const QString& path)
{
    QFileInfo info(path);
    if (info.isSymLink() || !info.isDir())
        return false;
#ifdef Q_OS_UNIX
    if (info.ownerId() != ::getuid())
        return false;
#endif
    if (info.permissions() & kGroupOrOther) {
        if (!QFile::setPermissions(path, kOwnerOnly))
            return false;
        info.refresh();
        return !(info.permissions() & kGroupOrOther);
    }
    return true;
}

// Moves a folder that stands where a file of ours belongs out of the way:
// removed when empty, else renamed, so that nothing in it is lost.
bool clearFolder(const QString& path)
{
    if (QDir().rmdir(path))
        return true;
    const QString aside = QStringLiteral("%1.moved-%2").arg(path).arg(QCoreApplication::applicationPid());
    return QDir().rename(path, aside);
}

// Removes what stands in the lock's place unless a live process holds it. A
// clock holds its lock file open with an exclusive flock() from the moment it
// makes it (QLockFile does, and the kernel lets go when the process ends), so
// whatever can be flocked here is no live clock's: a crashed clock's lock, an
// empty or garbled file, a folder. Its contents are not trusted either way.
bool removeUnheldLock(const QString& path)
{
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(path);
    struct stat status = {};
    if (::lstat(native.constData(), &status) != 0)
        return errno == ENOENT;
    if (S_ISLNK(status.st_mode))
        return ::unlink(native.constData()) == 0;
    // O_NONBLOCK: a FIFO in the lock's place must not hang the start.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    bool removed = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        removed = S_ISDIR(status.st_mode) ? clearFolder(path) : ::unlink(native.constData()) == 0;
    ::close(fd);
    return removed;
#else
    Q_UNUSED(path);
    return false;
#endif
}

} // namespace

SingleInstance::SingleInstance(QString runtimeDir, QObject* parent)
    : QObject(parent)
    , m_runtimeDir(std::move(runtimeDir))
{
    if (!m_runtimeDir.isEmpty()) {
        m_lock = std::make_unique<QLockFile>(lockFilePath());
        // Only a dead owner makes a lock stale, never its age: a clock runs for days.
        m_lock->setStaleLockTime(0);
    }
}

SingleInstance::~SingleInstance()
{
    release();
}

void SingleInstance::release()
{
    // The socket goes before the lock: once the lock is free, a new first
    // instance may put its own socket in the same place.
    if (m_server)
        m_server->close();
    if (m_lock)
        m_lock->unlock();
}

QString SingleInstance::defaultRuntimeDir()
{
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg) && QFileInfo(xdg).isDir())
        return xdg;

    const QString folder = QDir::tempPath() + QStringLiteral("/horavox-") + userTag();
    if (!QFileInfo::exists(folder))
        QDir().mkdir(folder, kOwnerOnly);
    return isPrivateFolder(folder) ? folder : QString();
}

QString SingleInstance::lockFilePath() const
{
    return m_runtimeDir.isEmpty() ? QString() : m_runtimeDir + QStringLiteral("/horavox.lock");
}

QString SingleInstance::socketPath() const
{
    return m_runtimeDir.isEmpty() ? QString() : m_runtimeDir + QStringLiteral("/horavox.socket");
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

bool SingleInstance::claim()
{
    if (m_lock && m_lock->isLocked())
        return true;
    if (!m_lock) {
        qWarning("horavox: no private runtime folder; another clock may be running");
        return true;
    }
    if (!QFileInfo::exists(m_runtimeDir)) {
        if (QDir().mkpath(m_runtimeDir))
            QFile::setPermissions(m_runtimeDir, kOwnerOnly);
    }

    // QLockFile takes over a lock that names a dead process; anything else in
    // the lock's place would keep every start out for good.
    bool locked = m_lock->tryLock(0);
    if (!locked && m_lock->error() == QLockFile::LockFailedError && removeUnheldLock(lockFilePath()))
        locked = m_lock->tryLock(0);
    if (!locked) {
        if (m_lock->error() == QLockFile::LockFailedError)
            return false;
        qWarning("horavox: cannot create %s; another clock may be running", qPrintable(lockFilePath()));
        return true;
    }

    // A socket file left behind by a crashed clock would make listen() fail.
    // Holding the lock, we know that no live clock is serving it.
    if (QFileInfo info(socketPath()); info.isDir() && !info.isSymLink())
        clearFolder(socketPath());
    QLocalServer::removeServer(socketPath());
    m_server = new QLocalServer(this);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    if (!m_server->listen(socketPath())) {
        m_listenError = m_server->errorString();
        qWarning("horavox: cannot listen on %s: %s", qPrintable(socketPath()), qPrintable(m_listenError));
    }
    return true;
}

qint64 SingleInstance::lockOwner() const
{
    qint64 pid = 0;
    QString hostName;
    QString appName;
    return m_lock && m_lock->getLockInfo(&pid, &hostName, &appName) ? pid : 0;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readLines(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // Data may have arrived before the connection was taken up.
        readLines(socket);
    }
}

void SingleInstance::readLines(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        QByteArray line = socket->readLine();
        line.chop(1); // the newline
        if (line.size() > kMaxMessageLength) {
            socket->abort();
            return;
        }
        Q_EMIT messageReceived(line);
    }
    // A line longer than any message is not ours; stop reading it.
    if (socket->bytesAvailable() > kMaxMessageLength)
        socket->abort();
}

bool SingleInstance::send(const QByteArray& message, int timeoutMs)
{
    if (socketPath().isEmpty() || message.contains('\n') || message.size() > kMaxMessageLength)
        return false;

    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    // At least a millisecond per wait, so that a zero timeout still makes one attempt.
    const auto remaining = [&deadline] {
        return static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1));
    };
    for (;;) {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(remaining())) {
            socket.write(message + '\n');
            while (socket.bytesToWrite() > 0 && !deadline.hasExpired()) {
                if (!socket.waitForBytesWritten(remaining()))
                    break;
            }
            const bool written = socket.bytesToWrite() == 0;
            socket.disconnectFromServer();
            if (written)
                return true;
        }
        if (deadline.hasExpired())
            return false;
        QThread::msleep(
            static_cast<unsigned long>(std::min<qint64>(kRetryPauseMs, deadline.remainingTime())));
    }
}

} // namespace hv
