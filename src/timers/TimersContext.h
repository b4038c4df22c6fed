// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChar>
#include <QString>

#include <functional>
#include <optional>

class QLabel;
class QWidget;

namespace hv {

class AppState;
class Clock;
class SoundOut;
struct Platform;

// What every timer window takes from the program, all of it outliving the
// windows.
struct TimersContext
{
    const Clock& clock;
    SoundOut& sound;
    // The locale's separators: between hours, minutes and seconds, and before
    // the decimals of a rate and an amount.
    QChar timeSeparator = u':';
    QChar decimalSeparator = u'.';
    // The folder of the rate list.
    QString dataDir;
    // Opens a help topic by its context number. May be empty.
    std::function<void(int topic)> help;
    // Chooses or records a wave for the countdown's alarm, starting from
    // `current` (empty for none): the path to use, or nothing when the user
    // cancelled. May be empty: the sound button then does nothing.
    std::function<std::optional<QString>(const QString& current, QWidget* parent)> chooseSound;
};

// The context for the running program: its clock and sound, the regional
// settings of `state`, the system locale's decimal separator and the data
// folder; the recorder for the alarm sound. `help` as above.
TimersContext timersContext(AppState& state, const Platform& platform, std::function<void(int)> help);

// What both timer windows are: a window of its own that deletes itself when
// closed, with a fixed frame (system menu, minimize and close boxes), and a
// large time display that starts at zero.
void setUpTimerWindow(QWidget& window, QLabel& display, const TimersContext& context);

} // namespace hv
