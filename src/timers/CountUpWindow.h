// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timers/CountUp.h"
#include "timers/TimersContext.h"

#include <QScopedPointer>
#include <QWidget>

class QTimer;

namespace Ui {
class CountUpWindow;
}

namespace hv {

// "Up": a count-up timer that runs, pauses and resumes, and shows its
// running time either as hours, minutes and seconds or as money at an hourly
// rate. The rates used are remembered in the rate list, newest first. Any
// number of these windows may be open; each deletes itself when closed.
class CountUpWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kRateHelp = 43;
    static constexpr int kDescriptionHelp = 44;
    static constexpr int kWindowHelp = 42;

    explicit CountUpWindow(const TimersContext& context, QWidget* parent = nullptr);
    ~CountUpWindow() override;

    const CountUpRun& run() const { return m_run; }

public Q_SLOTS:
    // Once a second while running.
    void tick();
    // The run button went down (start, resume) or came up (pause).
    void setRunning(bool running);
    // The money button went down or came up.
    void setMoneyShown(bool shown);
    void showHelp();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fillRates(const QStringList& rates, const QString& current);
    // The running time as of the latest tick, as money when the money button
    // is down and the rate is a number other than zero, else as time.
    void showFigured();
    // Adds the rate to the list in the file, read again first so that a rate
    // another window added meanwhile stays.
    void rememberRate(const QString& rate);
    void reportError(const QString& message);

    QScopedPointer<Ui::CountUpWindow> ui;
    TimersContext m_context;
    QString m_rateFile;
    CountUpRun m_run;
    QTimer* m_tickTimer;
};

} // namespace hv
