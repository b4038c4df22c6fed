// SPDX-License-Identifier: GPL-3.0-or-later
// The player over the libcdio device on a generated image of 42 tracks: the
// disc is known again by the numbers its table of contents gives, so a name
// saved in one run is there in the next; and the tracks past the 40 the
// catalogue names play.
#include "media/CdPlayer.h"
#include "media/DiscCatalogue.h"
#include "platform/CdImage.h"
#include "platform/cdio/CdAudioSink.h"
#include "platform/cdio/LibcdioCdDevice.h"
#include "platform/fake/FakeClock.h"

#include <QIODevice>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace hv;
using namespace hv::test;
using namespace Qt::StringLiterals;

namespace {

// Takes the audio only when asked, so the position stays where the play began.
class HeldSink final : public CdAudioSink
{
public:
    QIODevice* source = nullptr;

    bool start(QIODevice* s) override
    {
        source = s;
        return true;
    }
    void suspend() override {}
    void resume() override {}
    void stop() override { source = nullptr; }
    qint64 bufferedBytes() const override { return 0; }

    // The next `bytes` bytes of the play, waiting for the reader thread.
    QByteArray take(qint64 bytes)
    {
        QByteArray taken;
        [[maybe_unused]] const bool got = QTest::qWaitFor([&] {
            if (source)
                taken += source->read(bytes - taken.size());
            return taken.size() >= bytes;
        });
        return taken;
    }
};

// One run of the program: the device on the image, the catalogue in `folder`
// and the player over them, its window shown.
struct Run
{
    Run(const QString& cuePath, const QString& folder)
        : catalogue(folder)
    {
        auto held = std::make_unique<HeldSink>();
        sink = held.get();
        device = std::make_unique<LibcdioCdDevice>(std::move(held));
        if (!device->open(cuePath))
            qWarning() << device->errorString();
        [[maybe_unused]] const bool ready =
            QTest::qWaitFor([this] { return device->mode() == CdDevice::Mode::Stopped; });
        player = std::make_unique<CdPlayer>(state, CdPlayerRequests{start, mode, stop, open}, catalogue,
                                            *device, clock);
        player->windowShown();
    }
    void browseTo(int track)
    {
        while (player->state().currentTrack < track)
            QVERIFY(player->press(CdButton::Next));
    }

    HeldSink* sink = nullptr;
    std::unique_ptr<LibcdioCdDevice> device;
    FakeClock clock{46000.5};
    DiscCatalogue catalogue;
    CdPlayerState state;
    bool start = false;
    int mode = CdPlayerState::Loop;
    bool stop = false;
    bool open = false;
    std::unique_ptr<CdPlayer> player;
};

} // namespace

class TestCdPlayerImage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fortyTwoTracks()
    {
        QTemporaryDir folder;
        const CdImage image = writeCdImage(folder.path(), u"many"_s, hv::test::fortyTwoTracks());
        {
            Run first(image.cuePath, folder.path());
            QCOMPARE(first.player->trackCount(), 42);
            QCOMPARE(first.player->display().discName, u"Unknown");
            QVERIFY(first.catalogue.current().setTrackName(25, u"Twenty-five"_s));
            QVERIFY(first.catalogue.save());
        }

        Run second(image.cuePath, folder.path());
        QCOMPARE(second.catalogue.position(), 0);
        second.browseTo(25);
        QCOMPARE(second.player->display().trackName, u"Twenty-five");

        // Single on track 41, then on 42: each plays, under its default name.
        second.player->cycleMode();
        second.player->cycleMode();
        QCOMPARE(second.player->display().modeName, u"Single");
        for (const int track : {41, 42}) {
            second.browseTo(track);
            QCOMPARE(second.player->display().trackName, u"Untitled %1"_s.arg(track));
            QVERIFY(second.player->press(CdButton::Play));
            QCOMPARE(second.device->mode(), CdDevice::Mode::Playing);
            QCOMPARE(second.device->position(), (Tmsf{track, 0, 0, 0}));
            const int from = image.trackStart(track);
            QCOMPARE(second.sink->take(kCdBytesPerFrame), image.bytes(from, from + 1));
            QVERIFY(second.player->press(CdButton::Stop));
        }
    }
};

QTEST_GUILESS_MAIN(TestCdPlayerImage)
#include "tst_CdPlayerImage.moc"
