// SPDX-License-Identifier: GPL-3.0-or-later
#include "CdDevice.h"

#include <algorithm>

namespace hv {

bool CdToc::isValid() const
{
    if (trackStarts.isEmpty())
        return false;
    for (int i = 0; i < trackStarts.size(); ++i) {
        const int next = i + 1 < trackStarts.size() ? trackStarts[i + 1] : leadOut;
        if (trackStarts[i] < 0 || next <= trackStarts[i])
            return false;
    }
    return true;
}

int CdToc::trackFrames(int track) const
{
    if (track < 1 || track > trackCount())
        return 0;
    const int next = track < trackCount() ? trackStarts[track] : leadOut;
    return next - trackStarts[track - 1];
}

int CdToc::absoluteFrame(Tmsf position) const
{
    if (trackStarts.isEmpty())
        return 0;
    const int track = std::clamp(position.track, 1, trackCount());
    return trackStarts[track - 1] + std::clamp(position.framesIntoTrack(), 0, trackFrames(track));
}

Tmsf CdToc::position(int absoluteFrame) const
{
    if (trackStarts.isEmpty())
        return {};
    if (absoluteFrame <= trackStarts.first())
        return Tmsf{1, 0, 0, 0};
    // The last track that starts at or before the frame.
    const auto after = std::upper_bound(trackStarts.cbegin(), trackStarts.cend(), absoluteFrame);
    const int track = int(after - trackStarts.cbegin());
    const int into = std::min(absoluteFrame, leadOut) - trackStarts[track - 1];
    return Tmsf::fromFrames(track, into);
}

DiscNumbers DiscNumbers::of(const CdToc& toc)
{
    if (!toc.isValid())
        return {};
    const int first = toc.trackStarts.first();
    const int firstEnd = toc.trackCount() > 1 ? toc.trackStarts[1] : toc.leadOut;
    return {toc.trackCount(), packMsf(firstEnd - first), packMsf(toc.leadOut - first)};
}

Tmsf CdDevice::trackStart(int track) const
{
    if (track < 1 || track > trackCount())
        return {};
    return Tmsf{track, 0, 0, 0};
}

void CdDevice::nextTrack(bool notify)
{
    const Tmsf at = position();
    if (at.track < 1 || at.track >= trackCount())
        return;
    const Tmsf target{at.track + 1, 0, 0, 0};
    if (mode() == Mode::Playing)
        play(target, std::nullopt, notify);
    else
        seek(target, false);
}

void CdDevice::previousTrack(bool notify)
{
    const Tmsf at = position();
    if (at.track < 1)
        return;
    const bool nearStart = at.framesIntoTrack() < kCdFramesPerSecond;
    const Tmsf target{nearStart && at.track > 1 ? at.track - 1 : at.track, 0, 0, 0};
    if (mode() == Mode::Playing)
        play(target, std::nullopt, notify);
    else
        seek(target, false);
}

void CdDevice::replacePendingNotice(bool nextIsPlay, bool nextNotifies)
{
    if (!m_playNoticeOwed)
        return;
    m_playNoticeOwed = false;
    postNotify(nextIsPlay && nextNotifies ? Result::Superseded : Result::Aborted);
}

void CdDevice::settlePlayNotice(Result result)
{
    if (!m_playNoticeOwed)
        return;
    m_playNoticeOwed = false;
    postNotify(result);
}

void CdDevice::postNotify(Result result)
{
    QMetaObject::invokeMethod(
        this, [this, result] { Q_EMIT notify(result); }, Qt::QueuedConnection);
}

QString chooseCdDevice(const QString& setting, const QProcessEnvironment& env)
{
    const QString fromEnv = env.value(QStringLiteral("HORAVOX_CD_DEVICE"));
    return fromEnv.isEmpty() ? setting : fromEnv;
}

} // namespace hv
