#include "AlarmDesk.h"

#include "AppState.h"
#include "alarms/Mymsgbox.h"
#include "platform/ProcessLauncher.h"
#include "platform/SoundOut.h"

#include <QLoggingCategory>

namespace hv {

namespace {
Q_LOGGING_CATEGORY(lcAlarms, "horavox.alarms")
}

AlarmDesk::AlarmDesk(AppState& state, const Platform& platform, QObject* parent)
    : QObject(parent)
    , m_state(state)
    , m_platform(platform)
{}

AlarmDesk::~AlarmDesk()
{
    // A message window acts on the alarm table, which goes with the program.
    for (const QPointer<TMsgAlrm>& window : std::as_const(m_messages))
        delete window.data();
}

void AlarmDesk::playWave(const QString& path)
{
    m_platform.soundOut->play(Sound::fromFile(path), SoundOut::Mode::Async);
}

void AlarmDesk::startProgram(const QString& commandLine, bool minimized,
                             std::function<void(LaunchedWindow)> launched)
{
    if (m_platform.launcher->start(commandLine, minimized, std::move(launched)) == 0)
        qCInfo(lcAlarms) << "an alarm could not start" << commandLine;
}

void AlarmDesk::closeWindow(LaunchedWindow window)
{
    m_platform.launcher->closeWindow(window);
}

void AlarmDesk::runPagedeck(const QString& page, bool launch)
{
    // The folder is read at each use: the alarm editor may have changed it.
    const QString folder = m_state.profile().readString(u"Pagedeck", u"Path");
    m_platform.launcher->runPagedeck(folder, page, launch);
}

void AlarmDesk::showMessage(AlarmId alarm, const QString& text, const QString& wave)
{
    const MessageAlarmContext context{m_state.alarms(),          *m_platform.soundOut,
                                      *m_platform.clock,         m_state.extras().snoozeTime,
                                      m_state.paths().dataDir(), [this] { alarmsChanged(); }};
    auto* window = new TMsgAlrm(context, alarm, text, wave);
    m_messages.removeAll(nullptr);
    m_messages.append(window);
    window->show();
}

void AlarmDesk::showCdPlayer()
{
    // The CD player window takes up the start request when it exists; until
    // then the request waits in the program-wide state.
    qCInfo(lcAlarms) << "a CD alarm fired; the CD player window is not available in this version";
}

void AlarmDesk::alarmsChanged()
{
    Q_EMIT tableChanged();
}

QList<TMsgAlrm*> AlarmDesk::messageWindows() const
{
    QList<TMsgAlrm*> open;
    for (const QPointer<TMsgAlrm>& window : m_messages) {
        if (window)
            open.append(window.data());
    }
    return open;
}

} // namespace hv
