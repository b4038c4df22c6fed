// SPDX-License-Identifier: GPL-3.0-or-later
#include "TimersContext.h"

#include "app/AppState.h"
#include "platform/Platform.h"

#include <QLocale>

namespace hv {

namespace {

// recorder: the countdown's sound button opens the wave recorder on the
// current wave and takes the file it ends on at OK. Until the recorder is
// in, the button leaves the sound as it is.
std::optional<QString> recordAlarmSound(AppState& state, const Platform& platform, const QString& current,
                                        QWidget* parent)
{
    Q_UNUSED(state);
    Q_UNUSED(platform);
    Q_UNUSED(current);
    Q_UNUSED(parent);
    return std::nullopt;
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

} // namespace hv
