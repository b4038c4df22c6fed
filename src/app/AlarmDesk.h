#pragma once

#include "Platform.h"
#include "alarms/AlarmActions.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace hv {

class AppState;
class TMsgAlrm;

// What firing alarms do on this desktop: sounds through the sound service,
// programs and the launcher through the process launcher, message windows.
class AlarmDesk final : public QObject, public AlarmActions
{
    Q_OBJECT

public:
    AlarmDesk(AppState& state, const Platform& platform, QObject* parent = nullptr);
    ~AlarmDesk() override;

    void playWave(const QString& path) override;
    void startProgram(const QString& commandLine, bool minimized,
                      std::function<void(LaunchedWindow)> launched) override;
    void closeWindow(LaunchedWindow window) override;
    void runPagedeck(const QString& page, bool launch) override;
    void showMessage(AlarmId alarm, const QString& text, const QString& wave) override;
    void showCdPlayer() override;
    void alarmsChanged() override;

    // The message windows now open, for tests and for closing at exit.
    QList<TMsgAlrm*> messageWindows() const;

Q_SIGNALS:
    // An open alarm editor rebuilds its list.
    void tableChanged();

private:
    AppState& m_state;
    Platform m_platform;
    QList<QPointer<TMsgAlrm>> m_messages;
};

} // namespace hv
