// SPDX-License-Identifier: GPL-3.0-or-later
#include "TimersContext.h"

#include "app/AppState.h"
#include "media/RecorderDialog.h"
#include "platform/Platform.h"
#include "timers/TimerClock.h"

#include <QLabel>
#include <QLocale>
#include <QWidget>

namespace hv {

namespace {

// The countdown's sound button opens the wave recorder on the current wave
// and takes the file it ends on at OK. Without a wave device it does nothing.
// The countdown adopts a new recording at once, and the program keeps it from
// being deleted while it runs (a countdown's sound is in no alarm or setting).
std::optional<QString> recordAlarmSound(AppState& state, const Platform& platform, const QString& current,
                                        QWidget* parent)
{
    if (!platform.waveDevice)
        return std::nullopt;
    const std::optional<QString> chosen = runRecorder(state, *platform.waveDevice, current, parent);
    if (chosen) {
        state.removeLiveWave(current);
        if (!chosen->isEmpty())
            state.addLiveWave(*chosen);
        state.setPendingRecording({});
    }
    return chosen;
}

} // namespace

TimersContext timersContext(AppState& state, const Platform& platform, std::function<void(int)> help)
{
    const QString decimal = QLocale().decimalPoint();
    return {*platform.clock,
            *platform.soundOut,
            state.formats().timeSeparator,
            decimal.isEmpty() ? QChar(u'.') : decimal.front(),
            state.paths().dataDir(),
            std::move(help),
            [&state, platform](const QString& current, QWidget* parent) {
                return recordAlarmSound(state, platform, current, parent);
            }};
}

void setUpTimerWindow(QWidget& window, QLabel& display, const TimersContext& context)
{
    window.setAttribute(Qt::WA_DeleteOnClose);
    window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint);
    window.setFixedSize(window.size());
    QFont shown(QStringLiteral("Arial"));
    shown.setPixelSize(27);
    display.setFont(shown);
    QPalette black = display.palette();
    black.setColor(QPalette::WindowText, Qt::black);
    display.setPalette(black);
    display.setText(durationText(0, context.timeSeparator));
}

} // namespace hv
