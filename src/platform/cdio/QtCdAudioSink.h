// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/cdio/CdAudioSink.h"

#include <memory>

class QAudioSink;

namespace hv {

// CD audio on the default output of Qt Multimedia: one QAudioSink per play,
// pulling from the device's stream. Without an output start() is false, and
// one warning is logged.
class QtCdAudioSink final : public CdAudioSink
{
public:
    QtCdAudioSink();
    ~QtCdAudioSink() override;

    bool start(QIODevice* source) override;
    void suspend() override;
    void resume() override;
    void stop() override;
    qint64 bufferedBytes() const override;

private:
    std::unique_ptr<QAudioSink> m_sink;
    bool m_warned = false;
};

} // namespace hv
