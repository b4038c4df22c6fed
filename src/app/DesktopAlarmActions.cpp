// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopAlarmActions.h"

#include "AppState.h"
#include "Help.h"
#include "Notices.h"
#include "alarms/AlarmDescription.h"
#include "alarms/MessageAlarmWindow.h"
#include "common/Logging.h"
#include "media/CdPlayerWindow.h"
#include "platform/CdDevice.h"
#include "platform/ProcessLauncher.h"
#include "platform/SoundOut.h"

namespace hv {

DesktopAlarmActions::DesktopAlarmActions(AppState& state, const Platform& platform, Notices& notices,
                                         QObject* parent)
    : QObject(parent)
    , m_state(state)
    , m_platform(platform)
    , m_notices(notices)
{}

DesktopAlarmActions::~DesktopAlarmActions()
{
    // A message window acts on the alarm table, which goes with the program.
    for (const QPointer<MessageAlarmWindow>& window : std::as_const(m_messages))
        delete window.data();
    // The player works on the program-wide state too.
    delete m_cdPlayer.data();
}

void DesktopAlarmActions::playWave(const QString& path)
{
    m_platform.soundOut->play(Sound::fromFile(path), SoundOut::Mode::Async);
}

void DesktopAlarmActions::startProgram(const QString& commandLine, bool minimized,
                                       std::function<void(LaunchedWindow)> launched)
{
    if (m_platform.launcher->start(commandLine, minimized, std::move(launched)) != 0)
        return;
    QString why = m_platform.launcher->lastError();
    if (why.isEmpty())
        why = QStringLiteral("the program could not be run");
    const QString alarm = programAlarmNamed(commandLine);
    const QString text = (alarm.isEmpty() ? QStringLiteral("An alarm could not start \"%2\": %3.")
                                          : QStringLiteral("The alarm \"%1\" could not start \"%2\": %3."))
                             .arg(alarm, commandLine, why);
    qCWarning(lcAlarms).noquote() << text;
    m_notices.tell(QStringLiteral("program:") + commandLine, QStringLiteral("Horavox: an alarm failed"),
                   text);
}

QString DesktopAlarmActions::programAlarmNamed(const QString& commandLine) const
{
    const AlarmTable& alarms = m_state.alarms();
    for (int n = 1; n <= AlarmTable::kSlots; ++n) {
        const AlarmRecord& alarm = alarms.slot(n);
        if (alarm.isUsed() && alarm.AlarmKind == KindProgram && alarm.Target.text() == commandLine)
            return describeAlarm(alarm, m_state.formats()).left(kDescriptionHeadLength).simplified();
    }
    return {};
}

void DesktopAlarmActions::closeWindow(LaunchedWindow window)
{
    m_platform.launcher->closeWindow(window);
}

void DesktopAlarmActions::runPagedeck(const QString& page, bool launch)
{
    // The folder is read at each use: the alarm editor may have changed it.
    const QString folder = m_state.profile().readString(u"Pagedeck", u"Path");
    // The editor writes "NONE" when no folder was chosen: that is no folder,
    // not one named NONE beside the clock's working directory.
    if (folder.trimmed().isEmpty() || folder == QLatin1String("NONE")) {
        qCWarning(lcAlarms).noquote()
            << "a Pagedeck alarm for the page" << page << "did not run: no folder of the launcher is set";
        return;
    }
    m_platform.launcher->runPagedeck(folder, page, launch);
}

void DesktopAlarmActions::showMessage(AlarmId alarm, const QString& text, const QString& wave)
{
    const MessageAlarmContext context{m_state.alarms(),          *m_platform.soundOut,
                                      *m_platform.clock,         m_state.extras().snoozeTime,
                                      m_state.paths().dataDir(), [this] { alarmsChanged(); }};
    auto* window = new MessageAlarmWindow(context, alarm, text, wave);
    m_messages.removeAll(nullptr);
    // The first free place in the cascade: a window that closed leaves its
    // place to the next one, and no two open windows share one.
    int place = 0;
    while (std::any_of(
        m_messages.cbegin(), m_messages.cend(),
        [place](const QPointer<MessageAlarmWindow>& open) { return open->cascadePlace() == place; }))
        ++place;
    window->setCascadePlace(place);
    m_messages.append(window);
    window->show();
}

void DesktopAlarmActions::showCdPlayer()
{
    if (m_cdPlayer) {
        m_cdPlayer->showNormal();
        m_cdPlayer->raise();
        m_cdPlayer->activateWindow();
        return;
    }
    const QString title = QStringLiteral("Horavox: CD Player");
    CdDevice* device = m_platform.cdDevice;
    if (!device) {
        m_notices.tell(QStringLiteral("cd-device"), title, QStringLiteral("There is no CD audio device."));
        return;
    }
    const QString chosen = chooseCdDevice(m_state.profile().readString(u"CDForm", u"Device"));
    if (m_cdDeviceOpened != chosen) {
        // Three tries: a drive may be busy for a moment.
        bool opened = false;
        for (int attempt = 0; attempt < 3 && !opened; ++attempt)
            opened = device->open(chosen);
        if (!opened) {
            // Told, not asked: a CD alarm may open the player with nobody there.
            const QString text =
                QStringLiteral("The CD player cannot open its device: %1").arg(device->errorString());
            qCWarning(lcAlarms).noquote() << text;
            m_notices.tell(QStringLiteral("cd-device"), title, text);
            return;
        }
        m_cdDeviceOpened = chosen;
    }
    const CdPlayerContext context{m_state.cdPlayer(),      m_state.cdPlayerRequests(),
                                  m_state.discCatalogue(), *device,
                                  *m_platform.clock,       m_state.profile()};
    auto* window = new CdPlayerWindow(context);
    connect(window, &CdPlayerWindow::helpRequested, this,
            [this](int topic) { hv::showHelp(topic, m_notices); });
    connect(window, &CdPlayerWindow::problem, this, [this](const QString& text) {
        m_notices.tell(QStringLiteral("cd-catalogue"), QStringLiteral("Horavox: CD catalogue"), text);
    });
    m_cdPlayer = window;
    window->show();
}

CdPlayerWindow* DesktopAlarmActions::cdPlayerWindow() const
{
    return m_cdPlayer.data();
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
