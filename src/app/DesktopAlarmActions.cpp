#include "DesktopAlarmActions.h"

#include "AppState.h"
#include "alarms/MessageAlarmWindow.h"
#include "common/Logging.h"
#include "platform/ProcessLauncher.h"
#include "platform/SoundOut.h"

namespace hv {

DesktopAlarmActions::DesktopAlarmActions(AppState& state, const Platform& platform, QObject* parent)
    : QObject(parent)
    , m_state(state)
    , m_platform(platform)
{}

DesktopAlarmActions::~DesktopAlarmActions()
{
    // A message window acts on the alarm table, which goes with the program.
    for (const QPointer<MessageAlarmWindow>& window : std::as_const(m_messages))
        delete window.data();
}

void DesktopAlarmActions::playWave(const QString& path)
{
    m_platform.soundOut->play(Sound::fromFile(path), SoundOut::Mode::Async);
}

void DesktopAlarmActions::startProgram(const QString& commandLine, bool minimized,
                                       std::function<void(LaunchedWindow)> launched)
{
    if (m_platform.launcher->start(commandLine, minimized, std::move(launched)) == 0)
        qCInfo(lcAlarms) << "an alarm could not start" << commandLine;
}

void DesktopAlarmActions::closeWindow(LaunchedWindow window)
{
    m_platform.launcher->closeWindow(window);
}

void DesktopAlarmActions::runPagedeck(const QString& page, bool launch)
{
    // The folder is read at each use: the alarm editor may have changed it.
    const QString folder = m_state.profile().readString(u"Pagedeck", u"Path");
    m_platform.launcher->runPagedeck(folder, page, launch);
}

void DesktopAlarmActions::showMessage(AlarmId alarm, const QString& text, const QString& wave)
{
    const MessageAlarmContext context{m_state.alarms(),          *m_platform.soundOut,
                                      *m_platform.clock,         m_state.extras().snoozeTime,
                                      m_state.paths().dataDir(), [this] { alarmsChanged(); }};
    auto* window = new MessageAlarmWindow(context, alarm, text, wave);
    m_messages.removeAll(nullptr);
    m_messages.append(window);
    window->show();
}

void DesktopAlarmActions::showCdPlayer()
{
    // The CD player window takes up the start request when it exists; until
    // then the request waits in the program-wide state.
    qCInfo(lcAlarms) << "a CD alarm fired; the CD player window is not available in this version";
}

void DesktopAlarmActions::alarmsChanged()
{
    Q_EMIT tableChanged();
}

QList<MessageAlarmWindow*> DesktopAlarmActions::messageWindows() const
{
    QList<MessageAlarmWindow*> open;
    for (const QPointer<MessageAlarmWindow>& window : m_messages) {
        if (window)
            open.append(window.data());
    }
    return open;
}

} // namespace hv
