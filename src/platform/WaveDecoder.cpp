// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WaveDecoder.h"

#include "platform/Riff.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <optional>
#include <sndfile.h>
#include <vector>

namespace hv {

namespace {

// libsndfile reads through these, so a memory image and a file take the same path,
// and no read or seek ever goes outside the device, whatever a header claims.
sf_count_t ioLength(void* device)
{
    return static_cast<QIODevice*>(device)->size();
}

sf_count_t ioSeek(sf_count_t offset, int whence, void* user)
{
    auto* device = static_cast<QIODevice*>(user);
    const qint64 size = device->size();
    const qint64 base = whence == SEEK_CUR ? device->pos() : whence == SEEK_END ? size : 0;
    // Compared before adding, so that a huge offset cannot overflow.
    const qint64 to = offset > size - base ? size : offset < -base ? 0 : base + offset;
    device->seek(to);
    return device->pos();
}

sf_count_t ioRead(void* data, sf_count_t count, void* user)
{
    const qint64 got = static_cast<QIODevice*>(user)->read(static_cast<char*>(data), count);
    return std::max<qint64>(got, 0);
}

sf_count_t ioWrite(const void*, sf_count_t, void*)
{
    return 0;
}

sf_count_t ioTell(void* device)
{
    return static_cast<QIODevice*>(device)->pos();
}

struct DataChunk
{
    qint64 offset = 0;    // of the first sample byte
    quint32 declared = 0; // bytes, as the chunk header says
};

// The "data" chunk of a RIFF WAVE image. Nothing when the image does not have
// that form; libsndfile then judges it on its own.
std::optional<DataChunk> findDataChunk(QIODevice& device)
{
    const auto readAt = [&](qint64 at, qint64 length) {
        return device.seek(at) ? device.read(length) : QByteArray();
    };
    std::optional<DataChunk> data;
    riff::walkChunks(device.size(), "WAVE", readAt, [&](const riff::Chunk& chunk) {
        if (chunk.id == "data")
            data = DataChunk{chunk.body, chunk.size};
        return !data;
    });
    return data;
}

// Float files may hold NaN and values beyond full scale. They are made silence and
// clipped as they are read, before interpolation could spread them to neighbours.
float sanitized(float value)
{
    return std::isnan(value) ? 0.0f : std::clamp(value, -1.0f, 1.0f);
}

// Full scale is 32768 either way, so that 16-bit input comes out unchanged.
qint16 toInt16(float value)
{
    return static_cast<qint16>(std::clamp(std::lrint(value * 32768.0f), -32768L, 32767L));
}

qint64 ceilDiv(qint64 a, qint64 b)
{
    return (a + b - 1) / b;
}

} // namespace

struct WaveDecoder::Private
{
    QByteArray image;
    QBuffer buffer;
    QFile file;
    QIODevice* device = nullptr;
    SNDFILE* sound = nullptr;
    SF_INFO info{};
    OutputFormat output;
    QString error;
    bool truncated = false;

    qint64 outFrames = 0;
    qint64 outRead = 0;

    // The resampler. Output frame k lies at source position k * sourceRate /
    // outputRate, kept as a whole frame index plus a remainder in units of
    // 1/outputRate, so that no product can overflow on long sounds.
    qint64 sourceIndex = 0;
    qint64 remainder = 0;
    qint64 step = 0;
    qint64 stepRemainder = 0;
    // Source frames from heldStart on, already mapped to the output channels.
    std::vector<float> held;
    qint64 heldStart = 0;
    std::vector<float> raw; // one block as libsndfile returns it

    ~Private() { close(); }

    void close()
    {
        if (sound != nullptr)
            sf_close(sound);
        sound = nullptr;
        if (device != nullptr)
            device->close();
        device = nullptr;
        image.clear();
        info = {};
        truncated = false;
        outFrames = outRead = 0;
        held.clear();
        raw.clear();
        heldStart = sourceIndex = remainder = 0;
    }

    bool fail(QString message)
    {
        close();
        error = std::move(message);
        return false;
    }

    qint64 heldFrames() const { return qint64(held.size()) / output.channels; }

    bool open(OutputFormat wanted)
    {
        if (wanted.sampleRate < 1 || wanted.channels < 1 || wanted.channels > 2)
            return fail(QStringLiteral("unsupported output format"));
        output = wanted;
        const std::optional<DataChunk> data = findDataChunk(*device);
        device->seek(0);

        static SF_VIRTUAL_IO io{ioLength, ioSeek, ioRead, ioWrite, ioTell};
        sound = sf_open_virtual(&io, SFM_READ, &info, device);
        if (sound == nullptr)
            return fail(QStringLiteral("not a sound file: %1").arg(QString::fromUtf8(sf_strerror(nullptr))));
        const int container = info.format & SF_FORMAT_TYPEMASK;
        if (container != SF_FORMAT_WAV && container != SF_FORMAT_WAVEX)
            return fail(QStringLiteral("not a wave file"));
        if (info.channels < 1 || info.samplerate < 1)
            return fail(QStringLiteral("damaged wave header"));
        if (info.frames < 1)
            return fail(QStringLiteral("the wave file holds no sound"));
        // libsndfile opens a short data chunk without complaint and counts only
        // the frames present; the flag tells the caller that the end is missing.
        // 0 and 0xFFFFFFFF stand for "unknown" in files written as streams.
        truncated = data && data->declared != 0 && data->declared != 0xFFFFFFFFu &&
                    data->offset + qint64(data->declared) > device->size();

        const qint64 in = info.frames;
        const qint64 from = info.samplerate;
        const qint64 to = output.sampleRate;
        outFrames = (in / from) * to + ceilDiv((in % from) * to, from);
        step = from / to;
        stepRemainder = from % to;
        raw.resize(std::size_t(std::max(1, 65536 / info.channels) * info.channels));
        error.clear();
        return true;
    }

    // Makes source frames first..last available in `held`; false when the data
    // ends before `last`.
    bool hold(qint64 first, qint64 last)
    {
        while (heldStart + heldFrames() <= last) {
            const qint64 drop = std::min(first - heldStart, heldFrames());
            if (drop > 0) {
                held.erase(held.begin(), held.begin() + drop * output.channels);
                heldStart += drop;
            }
            const qint64 blockFrames = qint64(raw.size()) / info.channels;
            const sf_count_t got = sf_readf_float(sound, raw.data(), blockFrames);
            if (got <= 0)
                return false;
            for (sf_count_t f = 0; f < got; ++f) {
                const float* frame = raw.data() + f * info.channels;
                // Beyond two channels, the front pair: the first two in WAVE order.
                const float left = sanitized(frame[0]);
                const float right = info.channels > 1 ? sanitized(frame[1]) : left;
                if (output.channels == 2) {
                    held.push_back(left);
                    held.push_back(right);
                } else {
                    held.push_back((left + right) / 2);
                }
            }
        }
        return true;
    }
};

WaveDecoder::WaveDecoder()
    : d(std::make_unique<Private>())
{}

WaveDecoder::~WaveDecoder() = default;

bool WaveDecoder::openImage(const QByteArray& image, OutputFormat output)
{
    d->close();
    d->image = image;
    d->buffer.setData(d->image);
    if (!d->buffer.open(QIODevice::ReadOnly))
        return d->fail(QStringLiteral("cannot read the image"));
    d->device = &d->buffer;
    return d->open(output);
}

bool WaveDecoder::openFile(const QString& path, OutputFormat output)
{
    d->close();
    if (path.isEmpty())
        return d->fail(QStringLiteral("no file name"));
    // Only regular files: a FIFO or a device would block or never end.
    const QFileInfo info(path);
    if (!info.isFile())
        return d->fail(QStringLiteral("%1: %2").arg(path, info.exists() ? QStringLiteral("not a regular file")
                                                                        : QStringLiteral("no such file")));
    d->file.setFileName(path);
    if (!d->file.open(QIODevice::ReadOnly))
        return d->fail(QStringLiteral("%1: %2").arg(path, d->file.errorString()));
    d->device = &d->file;
    return d->open(output);
}

bool WaveDecoder::isOpen() const
{
    return d->sound != nullptr;
}

QString WaveDecoder::errorString() const
{
    return d->error;
}

int WaveDecoder::sourceSampleRate() const
{
    return d->info.samplerate;
}

int WaveDecoder::sourceChannels() const
{
    return d->info.channels;
}

qint64 WaveDecoder::sourceFrames() const
{
    return d->info.frames;
}

bool WaveDecoder::isTruncated() const
{
    return d->truncated;
}

WaveDecoder::OutputFormat WaveDecoder::outputFormat() const
{
    return d->output;
}

qint64 WaveDecoder::frames() const
{
    return d->outFrames;
}

qint64 WaveDecoder::framesLeft() const
{
    return d->outFrames - d->outRead;
}

qint64 WaveDecoder::durationMs() const
{
    return isOpen() ? d->outFrames * 1000 / d->output.sampleRate : 0;
}

// Linear interpolation between neighbouring source frames. That is enough here:
// the word sounds are 8-bit at 11025 Hz, whose quantisation noise (about -48 dB)
// lies above the images that interpolation leaves when it raises the rate, and
// wave files at 44.1 or 48 kHz hold little energy above the output's Nyquist
// frequency to alias when it lowers it. Equal rates copy the samples unchanged.
qint64 WaveDecoder::read(qint16* out, qint64 maxFrames)
{
    if (!isOpen())
        return 0;
    const int channels = d->output.channels;
    const qint64 last = d->info.frames - 1;
    const auto outRate = float(d->output.sampleRate);
    qint64 written = 0;
    while (written < maxFrames && d->outRead < d->outFrames) {
        const qint64 i = d->sourceIndex;
        const qint64 j = std::min(i + 1, last);
        if (!d->hold(i, j)) {
            d->outFrames = d->outRead; // the data ended early
            break;
        }
        const float fraction = float(d->remainder) / outRate;
        const float* a = d->held.data() + (i - d->heldStart) * channels;
        const float* b = d->held.data() + (j - d->heldStart) * channels;
        for (int c = 0; c < channels; ++c)
            out[written * channels + c] = toInt16(a[c] + (b[c] - a[c]) * fraction);
        ++written;
        ++d->outRead;
        d->sourceIndex += d->step;
        d->remainder += d->stepRemainder;
        if (d->remainder >= d->output.sampleRate) {
            d->remainder -= d->output.sampleRate;
            ++d->sourceIndex;
        }
    }
    return written;
}

QByteArray WaveDecoder::readAll()
{
    const qint64 bytesPerFrame = qint64(sizeof(qint16)) * d->output.channels;
    QByteArray bytes(framesLeft() * bytesPerFrame, Qt::Uninitialized);
    // qint16 alignment: QByteArray data is allocated with at least pointer alignment.
    const qint64 got = read(reinterpret_cast<qint16*>(bytes.data()), framesLeft());
    bytes.resize(got * bytesPerFrame);
    return bytes;
}

} // namespace hv
