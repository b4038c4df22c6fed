// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alarms/AlarmTable.h"

#include <QDialog>
#include <QScopedPointer>
#include <QString>

#include <functional>

class QTimer;

namespace Ui {
class MessageAlarmWindow;
}

namespace hv {

class Clock;
class SoundOut;

// What every message window shares with the application, all of it outliving
// the windows.
struct MessageAlarmContext
{
    AlarmTable& alarms;
    SoundOut& sound;
    const Clock& clock;
    // The snooze length in minutes, SnoozeTime of the settings: the spin box
    // starts from it, and Snooze stores the spin box's value back.
    int& snoozeTime;
    // Where recorded wave files of an auto-deleted alarm live.
    QString programDir;
    // The table has changed (auto delete, gaps closed, sorted, snoozed): an
    // open alarm editor rebuilds its list. May be empty.
    std::function<void()> alarmsChanged;
};

// "Message Alarm!": the window a fired message alarm opens, one per firing,
// never modal. It shows the alarm's text, plays the alarm's wave once a
// tick-minute of 59 s until the user reacts, and ends with OK (the alarm is
// done; removed when it auto deletes) or Snooze (it fires again in the chosen
// number of minutes). The close box, and Escape like it, end it without
// touching the alarm. It asks the window manager for the user's attention
// when it appears.
//
// Windows that are open together cascade: the window in place k of the
// cascade sits k steps (the title bar's height, at least kCascadeStep) below
// and right of the centred place, wrapping back to the centre before it would
// leave the screen.
//
// The window holds the alarm's identity, not its slot: an alarm that the table
// moved meanwhile is still found, and one that was deleted meanwhile is left
// alone, along with whatever alarm took its slot. The window deletes itself
// when it closes.
class MessageAlarmWindow : public QDialog
{
    Q_OBJECT

public:
    // Ticks of the window's timer (seconds) from one play of the wave to the next.
    static constexpr int kWaveRepeatTicks = 59;
    // The wave that means none.
    static constexpr char16_t kNoWave[] = u"NONE";
    // Pixels from one window of a cascade to the next, at the least.
    static constexpr int kCascadeStep = 24;

    // `wave` is the alarm's WaveA; empty counts as "NONE".
    MessageAlarmWindow(const MessageAlarmContext& context, AlarmId alarm, const QString& text,
                       const QString& wave, QWidget* parent = nullptr);
    ~MessageAlarmWindow() override;

    AlarmId alarm() const { return m_alarm; }
    // The count the next tick carries, 1..59: the wave plays on tick 1.
    int nextTick() const { return m_nextTick; }

    // The window's place in the cascade of open message windows, 0 for the
    // centre; set before the window is shown.
    int cascadePlace() const { return m_cascadePlace; }
    void setCascadePlace(int place) { m_cascadePlace = place; }

public Q_SLOTS:
    // Once a second: plays the wave on the first tick and every 59th after it.
    void tick();
    // Beeps, auto deletes the alarm when it is set to, sorts the table, closes.
    void acknowledge();
    // Beeps, keeps the spin box's value as the snooze length, moves the alarm's
    // next due moment to that many minutes from the current minute, closes.
    void snooze();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void tableChanged();
    void placeInCascade();

    QScopedPointer<Ui::MessageAlarmWindow> ui;
    MessageAlarmContext m_context;
    AlarmId m_alarm;
    QString m_wave; // "NONE" for no wave
    int m_nextTick = 1;
    int m_cascadePlace = 0;
    bool m_alerted = false;
    QTimer* m_tickTimer;
};

} // namespace hv
