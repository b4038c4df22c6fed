// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alarms/AlarmActions.h"
#include "platform/Platform.h"

#include <QObject>
#include <QPointer>

#include <optional>

class QWidget;

namespace hv {

class AppState;
class CdPlayerWindow;
class MessageAlarmWindow;
class Notices;

// What firing alarms do on this desktop: sounds through the sound service,
// programs and the launcher through the process launcher, message windows.
// A program that cannot be started is told to the user through `notices`,
// once per command line; message windows of alarms that fire together
// cascade, so that none hides another.
class DesktopAlarmActions final : public QObject, public AlarmActions
{
    Q_OBJECT

public:
    // `state`, the services of `platform` and `notices` must outlive the actions.
    DesktopAlarmActions(AppState& state, const Platform& platform, Notices& notices,
                        QObject* parent = nullptr);
    ~DesktopAlarmActions() override;

    void playWave(const QString& path) override;
    void startProgram(const QString& commandLine, bool minimized,
                      std::function<void(LaunchedWindow)> launched) override;
    void closeWindow(LaunchedWindow window) override;
    void runPagedeck(const QString& page, bool launch) override;
    void showMessage(AlarmId alarm, const QString& text, const QString& wave) override;
    // Also the clock window's CD button and menu item: one player window at
    // a time, brought forward when it is open.
    void showCdPlayer() override;
    void alarmsChanged() override;

    // The message windows now open, for tests and for closing at exit.
    QList<MessageAlarmWindow*> messageWindows() const;
    // The CD player window while it is open, else null.
    CdPlayerWindow* cdPlayerWindow() const;

Q_SIGNALS:
    // An open alarm editor rebuilds its list.
    void tableChanged();

private:
    // The start time and rule of the program alarm that runs `commandLine`,
    // as the alarm list shows them; empty when no alarm runs it.
    QString programAlarmNamed(const QString& commandLine) const;

    AppState& m_state;
    Platform m_platform;
    Notices& m_notices;
    QList<QPointer<MessageAlarmWindow>> m_messages;
    QPointer<CdPlayerWindow> m_cdPlayer;
    // The device the CD device was opened on; opening it again would stop a
    // disc that plays on after its window closed.
    std::optional<QString> m_cdDeviceOpened;
};

} // namespace hv
