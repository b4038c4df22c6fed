// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClockProgram.h"

#include "AppState.h"
#include "DesktopAlarmActions.h"
#include "Help.h"
#include "RecordedWaves.h"
#include "app/AlarmEditor.h"
#include "common/Error.h"
#include "controls/MessageBox.h"
#include "media/RecorderDialog.h"
#include "options/OptionsDialog.h"
#include "platform/SoundOut.h"
#include "timers/CountUpWindow.h"
#include "timers/CountdownWindow.h"

#include <QPointer>
#include <QTimer>

namespace hv {

namespace {

std::unique_ptr<AlarmActions> desktopActions(AppState& state, const Platform& platform, Notices& notices,
                                             DesktopAlarmActions*& created)
{
    auto actions = std::make_unique<DesktopAlarmActions>(state, platform, notices);
    created = actions.get();
    return actions;
}

} // namespace

ClockProgram::ClockProgram(AppState& state, const Platform& platform)
    : m_state(state)
    , m_platform(platform)
    , m_window(state)
    , m_actions(nullptr)
    , m_session(state, platform, m_window, m_window, desktopActions(state, platform, m_window, m_actions))
{
    // Without a sound output the clock goes on silently; the user hears of it once.
    if (platform.soundOut) {
        QObject::connect(platform.soundOut, &SoundOut::unavailable, &m_window, [this](const QString& reason) {
            m_window.tell(
                QStringLiteral("sound"), QStringLiteral("Horavox: no sound"),
                QStringLiteral("Sounds cannot be played: %1. The clock goes on without them.").arg(reason));
        });
    }
    // The recorder's Help opens its topic as the clock window's Help does.
    setRecorderHelp([window = QPointer<ClockWindow>(&m_window)](int context) {
        if (window)
            showHelp(context, *window);
    });
    QObject::connect(&m_window, &ClockWindow::firstShown, &m_session, &ClockSession::start);
    QObject::connect(&m_window, &ClockWindow::cdPlayerRequested, m_actions,
                     &DesktopAlarmActions::showCdPlayer);
    QObject::connect(&m_window, &ClockWindow::optionsRequested, &m_window, [this] { showOptions(); });
    QObject::connect(&m_window, &ClockWindow::alarmsRequested, &m_window, [this] { openAlarmEditor(); });
    QObject::connect(&m_session, &ClockSession::hideRequested, &m_window, [this] {
        if (!m_window.isHiddenInTray())
            m_window.hideToTray();
    });
    // The reminder is a modal dialog: offered once the tick that asked for it
    // has returned.
    QObject::connect(&m_session, &ClockSession::firstTickDone, &m_window, &ClockWindow::offerStartupReminder,
                     Qt::QueuedConnection);

    // Each timer command opens a window of its own, so several run at once.
    const auto help = [this](int topic) { showHelp(topic, m_window); };
    const auto open = [this](QWidget* timer) {
        m_timers.removeAll(nullptr);
        m_timers.append(timer);
        timer->show();
    };
    QObject::connect(&m_window, &ClockWindow::countUpRequested, &m_window, [&state, platform, help, open] {
        open(new CountUpWindow(timersContext(state, platform, help)));
    });
    QObject::connect(&m_window, &ClockWindow::countdownRequested, &m_window, [&state, platform, help, open] {
        open(new CountdownWindow(timersContext(state, platform, help)));
    });
}

ClockProgram::~ClockProgram()
{
    qDeleteAll(m_timers);
}

void ClockProgram::showOptions()
{
    OptionsDialog dialog(m_state, m_platform, &m_window);
    QObject::connect(&dialog, &OptionsDialog::helpRequested, &dialog,
                     [this](int context) { showHelp(context, m_window); });
    if (dialog.exec() == QDialog::Accepted)
        adoptOptions(dialog);
}

void ClockProgram::adoptOptions(const OptionsDialog& dialog)
{
    const bool liveAutoRun = m_state.settings().autoRun;
    m_state.settings() = dialog.settingsCopy();
    m_state.extras().currentInterval = m_state.settings().voice.howOften;
    QStringList problems;
    try {
        adoptAutoRun(m_state.autostart(), liveAutoRun, m_state.settings().autoRun);
    } catch (const Error& error) {
        problems << error.message(); // the rest of the settings still apply
    }
    m_session.settingsAdopted();
    m_window.applySettings();
    // Only now that the copy is live can it be told which recordings nothing names.
    deleteUnusedRecordings(m_state, dialog.droppedWaves());
    try {
        m_state.saveSettings();
    } catch (const Error& error) {
        problems << error.message();
    }
    if (!problems.isEmpty())
        MessageBox::critical(&m_window, QStringLiteral("Horavox"), problems.join(u'\n'));
}

void ClockProgram::openAlarmEditor()
{
    const auto help = [this](int topic) { showHelp(topic, m_window); };
    AlarmEditorServices services{*m_platform.clock, help, {}, {}, {}};
    if (WaveDevice* device = m_platform.waveDevice) {
        services.record = [this, device](const QString& current, QWidget* parent) {
            return runRecorder(m_state, *device, current, parent);
        };
    }
    AlarmEditor editor(m_state, std::move(services), &m_window);
    // While the editor is open, alarms that fire, snooze or delete themselves
    // show in its list at once.
    QObject::connect(m_actions, &DesktopAlarmActions::tableChanged, &editor, &AlarmEditor::alarmsChanged);
    editor.exec();
    try {
        m_state.saveSettings();
    } catch (const Error& error) {
        MessageBox::warning(&m_window, QStringLiteral("Horavox"), error.message());
    }
}

} // namespace hv
