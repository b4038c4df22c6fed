// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timers/Countdown.h"
#include "timers/TimersContext.h"

#include <QScopedPointer>
#include <QWidget>

#include <array>

class QLineEdit;
class QTimer;

namespace Ui {
class CountdownWindow;
}

namespace hv {

// "Down": a countdown from a duration of up to 23:59:59 that runs, pauses and
// resumes, and at zero blinks "00:00:00", plays its alarm sound on five ticks
// of every sixty and comes to the front with each burst, until the user
// closes it. Any number of these windows may be open; each deletes itself
// when closed.
class CountdownWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kDurationHelp = 46;
    static constexpr int kDescriptionHelp = 44;
    static constexpr int kWindowHelp = 45;
    // The alarm path that means no wave was chosen: the default sound plays.
    static constexpr char16_t kNoWave[] = u"AlarmWav";

    explicit CountdownWindow(const TimersContext& context, QWidget* parent = nullptr);
    ~CountdownWindow() override;

    const CountdownRun& run() const { return m_run; }
    const QString& alarmWave() const { return m_alarmWave; }

public Q_SLOTS:
    // Once a second while running and after zero.
    void tick();
    // The start button went down (start, resume) or came up (pause).
    void setRunning(bool running);
    // The spin button's halves: +1 or -1 on the field that last had the focus.
    void spin(int delta);
    void chooseSound();
    void showHelp();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::optional<DurationFields::Field> fieldOf(const QObject* object) const;
    void typed(DurationFields::Field field, const QString& text);
    void step(DurationFields::Field field, int delta);
    // Shows the fields' texts; the one being typed in keeps its cursor.
    void showFields();
    void bringToFront();
    void reportError(const QString& message);

    QScopedPointer<Ui::CountdownWindow> ui;
    TimersContext m_context;
    std::array<QLineEdit*, DurationFields::kFields> m_fields;
    DurationFields m_duration;
    CountdownRun m_run;
    QString m_alarmWave = QString::fromUtf16(kNoWave);
    std::optional<DurationFields::Field> m_spinTarget; // the field that last had the focus
    QTimer* m_tickTimer;
    bool m_frontAsked = false; // the last tick asked for the focus
};

} // namespace hv
