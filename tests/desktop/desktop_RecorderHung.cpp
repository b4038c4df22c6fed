// SPDX-License-Identifier: GPL-3.0-or-later
// The recorder on the real wave device against a sound server that takes the
// connection and never answers: the dialog comes at once, keeps its event
// loop running, says that nothing can be recorded or played, and closes at
// once. A process of its own, since Qt Multimedia connects once per process.

#include "app/AppState.h"
#include "desktop/RequireDesktop.h"
#include "media/RecorderDialog.h"
#include "platform/fake/FakeAutostart.h"
#include "platform/qt/QtWaveDevice.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace hv;

namespace {

// ms: "at once" for the interface thread, generous for a loaded machine; the
// server's own time-out, which a waiting thread would meet, is 30 s.
constexpr int kAtOnce = 1000;

// A unix socket that the kernel accepts connections on (into the listen
// backlog) while nothing ever reads or answers.
class HungServer
{
public:
    explicit HungServer(const QString& path)
    {
        const QByteArray native = QFile::encodeName(path);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (std::size_t(native.size()) >= sizeof(address.sun_path))
            return;
        std::copy(native.begin(), native.end(), address.sun_path);
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            ::listen(m_fd, 64) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~HungServer()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    HungServer(const HungServer&) = delete;
    HungServer& operator=(const HungServer&) = delete;
    bool isListening() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

} // namespace

class TestRecorderHung : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void recorderNeverWaitsForTheServer();

private:
    QTemporaryDir m_dir;
};

void TestRecorderHung::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("HORAVOX_TEST_SINK"))
        HV_DESKTOP_MISSING("needs the test desktop: run through scripts/with-desktop");
}

void TestRecorderHung::recorderNeverWaitsForTheServer()
{
    const QString socket = m_dir.filePath(QStringLiteral("hung-pulse"));
    const HungServer server(socket);
    QVERIFY(server.isListening());
    qputenv("PULSE_SERVER", QFile::encodeName(QStringLiteral("unix:") + socket));

    // The longest the interface thread went without running its event loop.
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestStall = std::max(longestStall, sinceTick.restart()); });
    ticker.start(20);
    sinceTick.start();

    FakeAutostart autostart;
    AppState state(DataPaths(m_dir.path(), m_dir.path()), autostart);
    auto device = std::make_unique<QtWaveDevice>();
    QElapsedTimer shown;
    shown.start();
    auto dialog = std::make_unique<RecorderDialog>(state, *device, QString());
    dialog->show();
    const qint64 showMs = shown.elapsed();
    auto* note = dialog->findChild<QLabel*>(QStringLiteral("deviceNote"));
    QCOMPARE(note->text(), QStringLiteral("Looking for the audio devices..."));
    QTRY_VERIFY_WITH_TIMEOUT(note->text().contains(QStringLiteral("no audio input")),
                             QtWaveDevice::kLookupWaitMs + 3000);
    const qint64 toldMs = shown.elapsed();
    QVERIFY(!dialog->findChild<QPushButton*>(QStringLiteral("recordButton"))->isEnabled());
    QVERIFY(!dialog->findChild<QPushButton*>(QStringLiteral("playButton"))->isEnabled());
    QTest::qWait(300);
    QElapsedTimer closing;
    closing.start();
    dialog->reject();
    dialog.reset();
    device.reset();
    const qint64 closeMs = closing.elapsed();
    qInfo("shown in %lld ms, told after %lld ms, closed in %lld ms; the longest stall %lld ms", showMs,
          toldMs, closeMs, longestStall);
    QVERIFY(showMs < kAtOnce);
    QVERIFY(closeMs < kAtOnce);
    QVERIFY(longestStall < kAtOnce);
}

QTEST_MAIN(TestRecorderHung)
#include "desktop_RecorderHung.moc"
