// SPDX-License-Identifier: GPL-3.0-or-later
#include "MessageAlarmWindow.h"

#include "alarms/Snooze.h"
#include "controls/WindowPlacement.h"
#include "platform/Clock.h"
#include "platform/SoundOut.h"
#include "ui_MessageAlarmWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTextOption>
#include <QTimer>

namespace hv {

MessageAlarmWindow::MessageAlarmWindow(const MessageAlarmContext& context, AlarmId alarm, const QString& text,
                                       const QString& wave, QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::MessageAlarmWindow)
    , m_context(context)
    , m_alarm(alarm)
    , m_tickTimer(new QTimer(this))
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    // A dialog frame whose only button is the close box, above every other window.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFixedSize(size());

    QPalette memoPalette = ui->messageText->palette();
    memoPalette.setColor(QPalette::Base, Qt::white);
    memoPalette.setColor(QPalette::Text, Qt::black);
    ui->messageText->setPalette(memoPalette);
    ui->messageText->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
    ui->messageText->setPlainText(text);

    m_wave = wave.isEmpty() ? QString::fromUtf16(kNoWave) : wave;
    ui->snoozeMinutes->setValue(m_context.snoozeTime); // clamped to 1..59

    connect(ui->okButton, &QPushButton::clicked, this, &MessageAlarmWindow::acknowledge);
    connect(ui->snoozeButton, &QPushButton::clicked, this, &MessageAlarmWindow::snooze);
    m_tickTimer->setObjectName(QStringLiteral("tickTimer"));
    m_tickTimer->setInterval(1000);
    connect(m_tickTimer, &QTimer::timeout, this, &MessageAlarmWindow::tick);
    m_tickTimer->start();
}

MessageAlarmWindow::~MessageAlarmWindow() = default;

void MessageAlarmWindow::tick()
{
    if (m_nextTick == 1 && m_wave != QStringView(kNoWave))
        m_context.sound.play(Sound::fromFile(m_wave), SoundOut::Mode::AsyncNoStop);
    m_nextTick = m_nextTick >= kWaveRepeatTicks ? 1 : m_nextTick + 1;
}

void MessageAlarmWindow::acknowledge()
{
    m_context.sound.beep();
    AlarmTable& alarms = m_context.alarms;
    if (const std::optional<int> slot = alarms.slotOf(m_alarm); slot && alarms.slot(*slot).AutoDelete) {
        alarms.autoDelete(*slot, m_context.programDir);
        // The editor's list expects the used slots without gaps.
        alarms.closeGaps();
    }
    alarms.sort();
    tableChanged();
    close();
}

void MessageAlarmWindow::snooze()
{
    m_context.sound.beep();
    m_context.snoozeTime = ui->snoozeMinutes->value();
    if (const std::optional<int> slot = m_context.alarms.slotOf(m_alarm)) {
        m_context.alarms.slot(*slot).NextDue = snoozeUntil(m_context.clock.now(), m_context.snoozeTime);
        tableChanged();
    }
    close();
}

void MessageAlarmWindow::tableChanged()
{
    if (m_context.alarmsChanged)
        m_context.alarmsChanged();
}

void MessageAlarmWindow::placeInCascade()
{
    centreOnScreen(*this);
    const QScreen* shown = screen();
    if (!shown || m_cascadePlace <= 0)
        return;
    const int caption = geometry().top() - frameGeometry().top();
    const int step = std::max(kCascadeStep, caption);
    // How many steps fit below and right of the centre on this screen.
    const QRect room = shown->availableGeometry();
    const QRect frame = frameGeometry();
    const int steps = std::min(room.right() - frame.right(), room.bottom() - frame.bottom()) / step;
    const int place = m_cascadePlace % (std::max(steps, 0) + 1);
    move(pos() + QPoint(place * step, place * step));
}

void MessageAlarmWindow::showEvent(QShowEvent* event)
{
    placeInCascade();
    QDialog::showEvent(event);
    if (!std::exchange(m_alerted, true))
        QApplication::alert(this);
}

void MessageAlarmWindow::keyPressEvent(QKeyEvent* event)
{
    // The window has no Cancel button: Escape does what the close box does,
    // leaving the alarm as it is.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace hv
