// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>
#include <unistd.h>

using namespace hv;

namespace {

// The PID of a process that has ended and been reaped.
qint64 deadPid()
{
    QProcess process;
    process.start(QStringLiteral("true"), {});
    if (!process.waitForStarted(5000))
        return 0;
    const qint64 pid = process.processId();
    process.waitForFinished(5000);
    return pid;
}

// The contents of a lock file in this platform's own format, naming `pid`
// and, on the next line, the program `name`.
QByteArray lockNaming(const QString& folder, qint64 pid, const QByteArray& name)
{
    const QString model = folder + QStringLiteral("/model.lock");
    QLockFile lock(model);
    if (!lock.tryLock(0))
        return {};
    QFile file(model);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    lines[0] = QByteArray::number(pid);
    lines[1] = name;
    return lines.join('\n');
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

constexpr QFile::Permissions kGroupOrOther = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                             QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void laterStartDeliversToFirst();
    void firstInstanceEndingFreesThePlace();
    void staleLockAndSocketAreTakenOver();
    void lockHeldByNoLiveClockIsTakenOver_data();
    void lockHeldByNoLiveClockIsTakenOver();
    void heldLockWithoutListenerIsUnreachable();
    void socketThatCannotListenIsReported();
    void sendWithoutListenerFailsInTime();
    void sendWaitsForAFirstInstanceAboutToListen();
    void sendRefusesWhatIsNotOneLine_data();
    void sendRefusesWhatIsNotOneLine();
    void defaultRuntimeDirIsPrivate_data();
    void defaultRuntimeDirIsPrivate();
    void defaultRuntimeDirPrefersXdg();
};

void TestSingleInstance::laterStartDeliversToFirst()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    SingleInstance first(dir.path());
    QSignalSpy received(&first, &SingleInstance::messageReceived);
    QVERIFY(first.claim());
    QVERIFY(first.isListening());

    SingleInstance later(dir.path());
    QVERIFY(!later.claim());
    QVERIFY(!later.isListening());
    QVERIFY(later.send("raise"));
    QVERIFY(later.send("speak"));

    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 2, 5000);
    QCOMPARE(received.at(0).at(0).toByteArray(), QByteArray("raise"));
    QCOMPARE(received.at(1).at(0).toByteArray(), QByteArray("speak"));
}

void TestSingleInstance::firstInstanceEndingFreesThePlace()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    auto first = std::make_unique<SingleInstance>(dir.path());
    QVERIFY(first->claim());
    first.reset();
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("horavox.lock"))));

    SingleInstance next(dir.path());
    QSignalSpy received(&next, &SingleInstance::messageReceived);
    QVERIFY(next.claim());
    SingleInstance later(dir.path());
    QVERIFY(!later.claim());
    QVERIFY(later.send("raise"));
    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 5000);
}

void TestSingleInstance::staleLockAndSocketAreTakenOver()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    // A lock file in this platform's own format, then made to name a dead process.
    const QString model = dir.filePath(QStringLiteral("model.lock"));
    {
        QLockFile lock(model);
        QVERIFY(lock.tryLock(0));
        QFile file(model);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = file.readAll().split('\n');
        const qint64 pid = deadPid();
        QVERIFY(pid > 0);
        lines[0] = QByteArray::number(pid);
        QFile stale(dir.filePath(QStringLiteral("horavox.lock")));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write(lines.join('\n'));
    }
    // A crashed clock's socket file: nothing listens on it.
    {
        QFile socketFile(dir.filePath(QStringLiteral("horavox.socket")));
        QVERIFY(socketFile.open(QIODevice::WriteOnly));
    }

    SingleInstance restarted(dir.path());
    QSignalSpy received(&restarted, &SingleInstance::messageReceived);
    QVERIFY(restarted.claim());
    QVERIFY(restarted.isListening());

    SingleInstance later(dir.path());
    QVERIFY(!later.claim());
    QVERIFY(later.send("speak"));
    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 5000);
}

void TestSingleInstance::lockHeldByNoLiveClockIsTakenOver_data()
{
    QTest::addColumn<QString>("state");
    QTest::newRow("empty file") << QStringLiteral("empty");
    QTest::newRow("garbage") << QStringLiteral("garbage");
    QTest::newRow("empty folder") << QStringLiteral("folder");
    QTest::newRow("folder with a file in it") << QStringLiteral("full folder");
    QTest::newRow("names a live process of another program") << QStringLiteral("other program");
    // This very program, alive, but it does not hold the lock: a lock file
    // copied or written by hand, or a process number reused by a later clock.
    QTest::newRow("names a live clock that does not hold it") << QStringLiteral("unheld");
    QTest::newRow("folder at the socket path") << QStringLiteral("socket folder");
}

// Each state made every start end at once, in silence, for good.
void TestSingleInstance::lockHeldByNoLiveClockIsTakenOver()
{
    QFETCH(QString, state);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString lockPath = dir.filePath(QStringLiteral("horavox.lock"));

    QProcess other;
    const auto endOther = qScopeGuard([&other] {
        other.kill();
        other.waitForFinished(5000);
    });
    if (state == QStringLiteral("empty")) {
        QVERIFY(writeFile(lockPath, {}));
    } else if (state == QStringLiteral("garbage")) {
        QVERIFY(writeFile(lockPath, "\x01\xffnot a lock\n-7\n"));
    } else if (state == QStringLiteral("folder")) {
        QVERIFY(QDir().mkdir(lockPath));
    } else if (state == QStringLiteral("full folder")) {
        QVERIFY(QDir().mkdir(lockPath));
        QVERIFY(writeFile(lockPath + QStringLiteral("/keep.txt"), "mine"));
    } else if (state == QStringLiteral("other program")) {
        other.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(other.waitForStarted(5000));
        const QByteArray lock = lockNaming(dir.path(), other.processId(), "sleep");
        QVERIFY(!lock.isEmpty());
        QVERIFY(writeFile(lockPath, lock));
    } else if (state == QStringLiteral("unheld")) {
        const QByteArray lock =
            lockNaming(dir.path(), QCoreApplication::applicationPid(),
                       QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8());
        QVERIFY(!lock.isEmpty());
        QVERIFY(writeFile(lockPath, lock));
    } else if (state == QStringLiteral("socket folder")) {
        QVERIFY(QDir().mkdir(dir.filePath(QStringLiteral("horavox.socket"))));
    }

    SingleInstance restarted(dir.path());
    QSignalSpy received(&restarted, &SingleInstance::messageReceived);
    QVERIFY(restarted.claim());
    QVERIFY(restarted.isListening());
    QVERIFY(restarted.listenError().isEmpty());
    QVERIFY(QFileInfo(lockPath).isFile());

    SingleInstance later(dir.path());
    QVERIFY(!later.claim());
    QVERIFY(later.send("raise"));
    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 5000);

    // A folder that was in the way is moved aside, never emptied.
    if (state == QStringLiteral("full folder")) {
        const QStringList moved =
            QDir(dir.path()).entryList({QStringLiteral("horavox.lock.moved-*")}, QDir::Dirs);
        QCOMPARE(moved.size(), 1);
        QVERIFY(QFileInfo::exists(dir.filePath(moved.first() + QStringLiteral("/keep.txt"))));
    }
}

// A clock that holds the lock but does not answer (hung, or it could not
// listen): a later start is not taken for the first, and its message fails
// within the time it was given.
void TestSingleInstance::heldLockWithoutListenerIsUnreachable()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QLockFile held(dir.filePath(QStringLiteral("horavox.lock")));
    QVERIFY(held.tryLock(0));

    SingleInstance later(dir.path());
    QVERIFY(!later.claim());
    QCOMPARE(later.lockOwner(), QCoreApplication::applicationPid());
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(!later.send("raise", 300));
    QVERIFY2(elapsed.elapsed() < 3000, qPrintable(QString::number(elapsed.elapsed())));
    QVERIFY(held.isLocked());
}

void TestSingleInstance::socketThatCannotListenIsReported()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A socket's path holds at most 107 bytes; this folder's is longer.
    const QString deep = dir.filePath(QString(120, u'd'));
    QVERIFY(QDir().mkpath(deep));

    SingleInstance first(deep);
    QVERIFY(first.claim());
    QVERIFY(!first.isListening());
    QVERIFY(!first.listenError().isEmpty());
}

void TestSingleInstance::sendWithoutListenerFailsInTime()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    SingleInstance later(dir.path());
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(!later.send("raise", 200));
    QVERIFY2(elapsed.elapsed() < 2000, qPrintable(QString::number(elapsed.elapsed())));

    QVERIFY(!later.send("raise", 0));
}

void TestSingleInstance::sendWaitsForAFirstInstanceAboutToListen()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString socketPath = dir.filePath(QStringLiteral("horavox.socket"));

    // The first instance holds the lock and begins to listen a moment later.
    QByteArray line;
    std::unique_ptr<QThread> server(QThread::create([&socketPath, &line] {
        QThread::msleep(150);
        QLocalServer listener;
        if (!listener.listen(socketPath) || !listener.waitForNewConnection(5000))
            return;
        QLocalSocket* socket = listener.nextPendingConnection();
        while (!socket->canReadLine() && socket->waitForReadyRead(5000)) {
        }
        line = socket->readLine();
    }));
    server->start();

    SingleInstance later(dir.path());
    QVERIFY(later.send("raise", 5000));
    QVERIFY(server->wait(10000));
    QCOMPARE(line, QByteArray("raise\n"));
}

void TestSingleInstance::sendRefusesWhatIsNotOneLine_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("two lines") << QByteArray("raise\nspeak");
    QTest::newRow("longer than any message") << QByteArray(SingleInstance::kMaxMessageLength + 1, 'x');
}

void TestSingleInstance::sendRefusesWhatIsNotOneLine()
{
    QFETCH(QByteArray, message);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SingleInstance first(dir.path());
    QSignalSpy received(&first, &SingleInstance::messageReceived);
    QVERIFY(first.claim());

    SingleInstance later(dir.path());
    QVERIFY(!later.send(message, 100));
    QVERIFY(later.send("raise"));
    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 5000);
    QCOMPARE(received.at(0).at(0).toByteArray(), QByteArray("raise"));
}

void TestSingleInstance::defaultRuntimeDirIsPrivate_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("usable");

    QTest::newRow("missing folder is made private") << QStringLiteral("missing") << true;
    QTest::newRow("open folder is closed") << QStringLiteral("open") << true;
    QTest::newRow("symbolic link is refused") << QStringLiteral("link") << false;
    QTest::newRow("plain file is refused") << QStringLiteral("file") << false;
}

void TestSingleInstance::defaultRuntimeDirIsPrivate()
{
    QFETCH(QString, setup);
    QFETCH(bool, usable);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QByteArray savedTmp = qgetenv("TMPDIR");
    const QByteArray savedXdg = qgetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    qunsetenv("XDG_RUNTIME_DIR");
    const auto restore = qScopeGuard([&] {
        qputenv("TMPDIR", savedTmp);
        if (savedXdg.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", savedXdg);
    });

    const QString folder = QDir(QDir::tempPath()).filePath(QStringLiteral("horavox-%1").arg(::getuid()));
    if (setup == QStringLiteral("open")) {
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                  QFile::ReadOther | QFile::WriteOther | QFile::ExeOther));
    } else if (setup == QStringLiteral("link")) {
        QVERIFY(QDir().mkdir(tmp.filePath(QStringLiteral("elsewhere"))));
        QVERIFY(QFile::link(tmp.filePath(QStringLiteral("elsewhere")), folder));
    } else if (setup == QStringLiteral("file")) {
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    const QString dir = SingleInstance::defaultRuntimeDir();
    if (!usable) {
        QVERIFY2(dir.isEmpty(), qPrintable(dir));
        return;
    }
    QCOMPARE(dir, folder);
    QFileInfo info(dir);
    QVERIFY(info.isDir());
    QCOMPARE(info.permissions() & kGroupOrOther, QFile::Permissions());
}

void TestSingleInstance::defaultRuntimeDirPrefersXdg()
{
    QTemporaryDir runtime;
    QVERIFY(runtime.isValid());
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const auto restore = qScopeGuard([&] {
        if (saved.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", saved);
    });
    QCOMPARE(SingleInstance::defaultRuntimeDir(), runtime.path());
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_SingleInstance.moc"
