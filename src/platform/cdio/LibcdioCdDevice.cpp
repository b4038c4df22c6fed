// SPDX-License-Identifier: GPL-3.0-or-later
#include "LibcdioCdDevice.h"

#include "common/Logging.h"
#include "platform/cdio/CdAudioSink.h"
#include "platform/cdio/CdPcmStream.h"

#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QWaitCondition>

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cdio/mmc.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>
#include <deque>
#include <functional>
#include <vector>

namespace hv {

namespace {

// About two seconds of audio between the reader and the sink.
constexpr qint64 kStreamBytes = 150 * qint64(kCdBytesPerFrame);
// Sectors per read from an image; a drive reads one at a time through paranoia.
constexpr int kImageSectorsPerRead = 25;

// libcdio's errors go to the log rather than to stderr; its warnings about
// images (short pregaps and the like) are not the user's concern.
void logFromCdio(cdio_log_level_t level, const char* message)
{
    if (level >= CDIO_LOG_ERROR)
        qCWarning(lcSound) << "libcdio:" << message;
}

bool isCueFile(const QString& path)
{
    return path.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive);
}

} // namespace

// The thread that does all I/O on the disc. Commands queue up and run in
// order; a read runs until its range is done, its generation is over, or
// another command arrives.
class CdioReader final : public QThread
{
public:
    using TocRead =
        std::function<void(const QString& path, const CdToc& toc, bool trayOpen, const QString& error)>;
    using ReadFailed = std::function<void(int generation)>;

    CdioReader(CdPcmStream& stream, TocRead tocRead, ReadFailed readFailed)
        : m_stream(stream)
        , m_tocRead(std::move(tocRead))
        , m_readFailed(std::move(readFailed))
    {}

    ~CdioReader() override
    {
        post([this] { m_quit = true; });
        m_stream.cancel();
        wait();
    }

    void post(std::function<void()> command)
    {
        QMutexLocker lock(&m_mutex);
        m_commands.push_back(std::move(command));
        m_wake.wakeAll();
    }

    // Commands, each run on the reader thread.
    void openDisc(const QString& path, bool isImage)
    {
        post([this, path, isImage] { doOpen(path, isImage); });
    }
    void read(int generation, int from, int to)
    {
        post([this, generation, from, to] {
            m_generation = generation;
            m_next = from;
            m_end = to;
            m_reading = true;
            if (m_paranoia)
                cdio_paranoia_seek(m_paranoia, from, SEEK_SET);
        });
    }
    void stopReading()
    {
        post([this] { m_reading = false; });
    }
    void ejectDisc(const QString& path, bool closeTray)
    {
        post([this, path, closeTray] {
            m_reading = false;
            if (closeTray) {
                driver_id_t driver = DRIVER_DEVICE;
                cdio_close_tray(path.toLocal8Bit().constData(), &driver);
                doOpen(path, false);
                return;
            }
            release(false);
            CdIo_t* cdio = cdio_open(path.toLocal8Bit().constData(), DRIVER_DEVICE);
            if (cdio && cdio_eject_media(&cdio) != DRIVER_OP_SUCCESS)
                qCWarning(lcSound) << "CD: eject failed on" << path;
            if (cdio)
                cdio_destroy(cdio);
            m_tocRead(path, CdToc{}, true, QString());
        });
    }
    void releaseDisc()
    {
        post([this] { release(true); });
    }

protected:
    void run() override
    {
        while (true) {
            std::function<void()> command;
            {
                QMutexLocker lock(&m_mutex);
                while (m_commands.empty() && !m_reading)
                    m_wake.wait(&m_mutex);
                if (!m_commands.empty()) {
                    command = std::move(m_commands.front());
                    m_commands.pop_front();
                }
            }
            if (command) {
                command();
                if (m_quit)
                    break;
                continue;
            }
            readSome();
        }
        release(true);
    }

private:
    void release(bool forget)
    {
        m_reading = false;
        if (m_paranoia)
            cdio_paranoia_free(m_paranoia);
        m_paranoia = nullptr;
        if (m_drive)
            cdio_cddap_close_no_free_cdio(m_drive);
        m_drive = nullptr;
        if (m_cdio)
            cdio_destroy(m_cdio);
        m_cdio = nullptr;
        if (forget)
            m_path.clear();
    }

    void doOpen(const QString& path, bool isImage)
    {
        release(true);
        m_path = path;
        const QByteArray native = path.toLocal8Bit();
        m_cdio = isImage ? cdio_open_cue(native.constData()) : cdio_open(native.constData(), DRIVER_DEVICE);
        if (!m_cdio) {
            m_tocRead(path, {}, false, QStringLiteral("Cannot open %1.").arg(path));
            return;
        }
        if (!isImage && mmc_get_tray_status(m_cdio) == 1) {
            release(false);
            m_tocRead(path, {}, true, QString());
            return;
        }
        CdToc toc;
        const track_t first = cdio_get_first_track_num(m_cdio);
        const track_t count = cdio_get_num_tracks(m_cdio);
        if (first != CDIO_INVALID_TRACK && count != CDIO_INVALID_TRACK) {
            for (track_t t = first; t < first + count; ++t)
                toc.trackStarts.append(cdio_get_track_lsn(m_cdio, t));
            toc.leadOut = cdio_get_track_lsn(m_cdio, CDIO_CDROM_LEADOUT_TRACK);
        }
        if (!toc.isValid()) {
            release(false);
            m_tocRead(path, {}, false, QString());
            return;
        }
        if (!isImage) {
            // A drive is read with paranoia, which corrects jitter and retries
            // scratches; an image has neither.
            m_drive = cdio_cddap_identify_cdio(m_cdio, CDDA_MESSAGE_FORGETIT, nullptr);
            if (m_drive && cdio_cddap_open(m_drive) == 0) {
                m_paranoia = cdio_paranoia_init(m_drive);
                cdio_paranoia_modeset(m_paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
            }
        }
        m_tocRead(path, toc, false, QString());
    }

    void readSome()
    {
        if (m_next >= m_end || !m_cdio) {
            m_stream.finish(m_generation);
            m_reading = false;
            return;
        }
        if (m_paranoia) {
            const int16_t* sector = cdio_paranoia_read(m_paranoia, nullptr);
            if (!sector) {
                fail();
                return;
            }
            if (!m_stream.push(m_generation, reinterpret_cast<const char*>(sector), kCdBytesPerFrame)) {
                m_reading = false;
                return;
            }
            ++m_next;
            return;
        }
        const int count = std::min(kImageSectorsPerRead, m_end - m_next);
        m_buffer.resize(std::size_t(count) * kCdBytesPerFrame);
        if (cdio_read_audio_sectors(m_cdio, m_buffer.data(), m_next, unsigned(count)) != DRIVER_OP_SUCCESS) {
            fail();
            return;
        }
        if (!m_stream.push(m_generation, m_buffer.data(), qint64(m_buffer.size()))) {
            m_reading = false;
            return;
        }
        m_next += count;
    }

    void fail()
    {
        qCWarning(lcSound) << "CD: cannot read sector" << m_next << "of" << m_path;
        m_stream.finish(m_generation);
        m_reading = false;
        m_readFailed(m_generation);
    }

    CdPcmStream& m_stream;
    TocRead m_tocRead;
    ReadFailed m_readFailed;
    QMutex m_mutex;
    QWaitCondition m_wake;
    std::deque<std::function<void()>> m_commands;

    // Reader thread only.
    bool m_quit = false;
    bool m_reading = false;
    int m_generation = 0;
    int m_next = 0;
    int m_end = 0;
    QString m_path;
    CdIo_t* m_cdio = nullptr;
    cdrom_drive_t* m_drive = nullptr;
    cdrom_paranoia_t* m_paranoia = nullptr;
    std::vector<char> m_buffer;
};

LibcdioCdDevice::LibcdioCdDevice(std::unique_ptr<CdAudioSink> sink, QObject* parent)
    : CdDevice(parent)
    , m_sink(std::move(sink))
    , m_stream(std::make_unique<CdPcmStream>(kStreamBytes))
{
    cdio_log_set_handler(logFromCdio);
    m_reader = std::make_unique<CdioReader>(
        *m_stream,
        [this](const QString& path, const CdToc& toc, bool trayOpen, const QString& error) {
            QMetaObject::invokeMethod(
                this, [=, this] { onTocRead(path, toc, trayOpen, error); }, Qt::QueuedConnection);
        },
        [this](int generation) {
            QMetaObject::invokeMethod(
                this, [=, this] { onReadFailed(generation); }, Qt::QueuedConnection);
        });
    m_playbackTimer.setInterval(40);
    connect(&m_playbackTimer, &QTimer::timeout, this, &LibcdioCdDevice::checkPlayback);
    m_retryTimer.setInterval(2000);
    connect(&m_retryTimer, &QTimer::timeout, this, &LibcdioCdDevice::retryWhenNotReady);
}

LibcdioCdDevice::~LibcdioCdDevice()
{
    // The sound ends with the device: stop the sink before its source goes.
    if (m_sink)
        m_sink->stop();
    m_reader.reset();
}

QString LibcdioCdDevice::firstDrive()
{
    char** devices = cdio_get_devices(DRIVER_DEVICE);
    QString first;
    if (devices && devices[0])
        first = QString::fromLocal8Bit(devices[0]);
    cdio_free_device_list(devices);
    return first;
}

bool LibcdioCdDevice::open(const QString& device)
{
    close();
    m_error.clear();
    const QString path = device.isEmpty() ? firstDrive() : device;
    if (path.isEmpty()) {
        m_error = QStringLiteral("No CD drive was found.");
        return false;
    }
    if (!QFileInfo::exists(path)) {
        m_error = QStringLiteral("%1 does not exist.").arg(path);
        return false;
    }
    // The thread starts on first use: a clock that plays no CD never has it.
    if (!m_reader->isRunning())
        m_reader->start();
    m_path = path;
    m_isImage = isCueFile(path);
    m_doorOpen = false;
    m_disc = Disc::Reading;
    m_reader->openDisc(path, m_isImage);
    Q_EMIT changed();
    return true;
}

void LibcdioCdDevice::close()
{
    replacePendingNotice(false, false);
    haltPlayback(m_frame);
    m_retryTimer.stop();
    if (m_disc != Disc::None)
        m_reader->releaseDisc();
    m_disc = Disc::None;
    m_toc = {};
    m_path.clear();
    m_state = Mode::Stopped;
}

CdDevice::Mode LibcdioCdDevice::mode() const
{
    if (m_doorOpen || m_disc == Disc::TrayOpen)
        return Mode::Open;
    if (!isReady())
        return Mode::NotReady;
    return m_state;
}

int LibcdioCdDevice::heardFrames() const
{
    if (m_silent)
        return int(m_elapsed.elapsed() * kCdFramesPerSecond / 1000);
    const qint64 heard = m_stream->bytesPulled() - (m_sink ? m_sink->bufferedBytes() : 0);
    return int(std::max<qint64>(0, heard) / kCdBytesPerFrame);
}

int LibcdioCdDevice::currentFrame() const
{
    if (m_state != Mode::Playing)
        return m_frame;
    return std::min(m_playStart + heardFrames(), m_playEnd);
}

Tmsf LibcdioCdDevice::position() const
{
    if (!isReady())
        return {};
    return m_toc.position(currentFrame());
}

void LibcdioCdDevice::startReading(int from, int to)
{
    m_playStart = from;
    m_playEnd = to;
    m_readFailed = false;
    m_generation = m_stream->restart();
    m_reader->read(m_generation, from, to);
    m_silent = !m_sink || !m_sink->start(m_stream.get());
    if (m_silent) {
        m_reader->stopReading();
        m_elapsed.start();
    }
    m_state = Mode::Playing;
    m_playbackTimer.start();
}

void LibcdioCdDevice::haltPlayback(int atFrame)
{
    m_playbackTimer.stop();
    if (m_state == Mode::Playing || m_state == Mode::Paused) {
        if (m_sink)
            m_sink->stop();
        m_stream->cancel();
        m_reader->stopReading();
    }
    m_frame = atFrame;
    m_state = Mode::Stopped;
}

void LibcdioCdDevice::play(std::optional<Tmsf> from, std::optional<Tmsf> to, bool notify)
{
    replacePendingNotice(true, notify);
    if (!isReady()) {
        if (notify)
            postNotify(Result::Failure);
        return;
    }
    const int start = from ? m_toc.absoluteFrame(*from) : currentFrame();
    const int end = to ? m_toc.absoluteFrame(*to) : m_toc.leadOut;
    haltPlayback(start);
    if (end <= start) {
        if (notify)
            postNotify(Result::Successful);
        Q_EMIT changed();
        return;
    }
    owePlayNotice(notify);
    startReading(start, end);
    Q_EMIT changed();
}

void LibcdioCdDevice::stop(bool notify)
{
    replacePendingNotice(false, notify);
    if (isReady())
        haltPlayback(currentFrame());
    if (notify)
        postNotify(isReady() ? Result::Successful : Result::Failure);
    Q_EMIT changed();
}

void LibcdioCdDevice::pause(bool notify)
{
    replacePendingNotice(false, notify);
    if (isReady() && m_state == Mode::Playing) {
        // Playing again starts a new read from here: a paused play holds no
        // stream open.
        haltPlayback(currentFrame());
        m_state = Mode::Paused;
    }
    if (notify)
        postNotify(isReady() ? Result::Successful : Result::Failure);
    Q_EMIT changed();
}

void LibcdioCdDevice::seek(Tmsf to, bool notify)
{
    replacePendingNotice(false, notify);
    if (isReady())
        haltPlayback(m_toc.absoluteFrame(to));
    if (notify)
        postNotify(isReady() ? Result::Successful : Result::Failure);
    Q_EMIT changed();
}

void LibcdioCdDevice::eject()
{
    replacePendingNotice(false, false);
    haltPlayback(m_toc.trackStarts.value(0));
    if (m_path.isEmpty())
        return;
    if (m_isImage) {
        m_doorOpen = !m_doorOpen;
        Q_EMIT changed();
        return;
    }
    const bool closeTray = m_disc == Disc::TrayOpen;
    m_disc = closeTray ? Disc::Reading : Disc::TrayOpen;
    m_toc = {};
    m_reader->ejectDisc(m_path, closeTray);
    Q_EMIT changed();
}

void LibcdioCdDevice::onTocRead(const QString& path, const CdToc& toc, bool trayOpen, const QString& error)
{
    if (path != m_path)
        return; // an answer for a device chosen before
    if (!error.isEmpty())
        m_error = error;
    m_toc = toc;
    m_disc = trayOpen ? Disc::TrayOpen : toc.isValid() ? Disc::Ready : Disc::Missing;
    m_frame = toc.trackStarts.value(0);
    m_state = Mode::Stopped;
    if (m_disc == Disc::Ready || m_isImage)
        m_retryTimer.stop();
    else
        m_retryTimer.start();
    Q_EMIT changed();
}

void LibcdioCdDevice::retryWhenNotReady()
{
    if (m_isImage || m_path.isEmpty() || m_disc == Disc::Ready || m_disc == Disc::Reading)
        return;
    m_disc = Disc::Reading;
    m_reader->openDisc(m_path, false);
}

void LibcdioCdDevice::onReadFailed(int generation)
{
    if (generation == m_generation)
        m_readFailed = true;
}

void LibcdioCdDevice::checkPlayback()
{
    if (m_state != Mode::Playing)
        return;
    const bool allHeard = m_playStart + heardFrames() >= m_playEnd;
    const bool dry = m_stream->isFinished() && m_stream->bytesAvailable() == 0 &&
                     (!m_sink || m_sink->bufferedBytes() == 0);
    if (!allHeard && !(dry && !m_silent))
        return;
    const bool failed = m_readFailed && !allHeard;
    haltPlayback(failed ? currentFrame() : m_playEnd);
    settlePlayNotice(failed ? Result::Failure : Result::Successful);
    Q_EMIT changed();
}

} // namespace hv
