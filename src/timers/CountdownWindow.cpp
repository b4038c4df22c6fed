// SPDX-License-Identifier: GPL-3.0-or-later
#include "CountdownWindow.h"

#include "common/Error.h"
#include "controls/MessageBox.h"
#include "platform/SoundOut.h"
#include "ui_CountdownWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QStyle>
#include <QTimer>

#include <utility>

namespace hv {

namespace {

// The sound of a wave path: a path that names no playable file, "AlarmWav"
// included, plays the default sound. An empty path names no file.
Sound alarmSound(const QString& wave)
{
    return Sound::fromFile(wave == QStringView(CountdownWindow::kNoWave) ? QString() : wave);
}

} // namespace

CountdownWindow::CountdownWindow(const TimersContext& context, QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::CountdownWindow)
    , m_context(context)
    , m_tickTimer(new QTimer(this))
{
    ui->setupUi(this);
    setUpTimerWindow(*this, *ui->timeLeft, m_context);
    m_fields = {ui->hoursField, ui->minutesField, ui->secondsField};
    ui->hoursSeparator->setText(m_context.timeSeparator);
    ui->minutesSeparator->setText(m_context.timeSeparator);
    ui->startButton->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    ui->soundButton->setIcon(style()->standardIcon(QStyle::SP_MediaVolume));
    ui->finishedButton->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    ui->helpButton->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));

    for (int field = 0; field < DurationFields::kFields; ++field) {
        QLineEdit* edit = m_fields[field];
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this,
                [this, field](const QString& text) { typed(DurationFields::Field(field), text); });
    }
    connect(ui->spinUpButton, &QToolButton::clicked, this, [this] { spin(+1); });
    connect(ui->spinDownButton, &QToolButton::clicked, this, [this] { spin(-1); });
    connect(ui->startButton, &QToolButton::clicked, this, &CountdownWindow::setRunning);
    connect(ui->soundButton, &QToolButton::clicked, this, &CountdownWindow::chooseSound);
    connect(ui->finishedButton, &QToolButton::clicked, this, &QWidget::close);
    connect(ui->helpButton, &QToolButton::clicked, this, &CountdownWindow::showHelp);
    m_tickTimer->setObjectName(QStringLiteral("tickTimer"));
    m_tickTimer->setInterval(1000);
    connect(m_tickTimer, &QTimer::timeout, this, &CountdownWindow::tick);

    ui->hoursField->setFocus();
}

CountdownWindow::~CountdownWindow() = default;

void CountdownWindow::tick()
{
    // A field that cannot be read counts with the last duration the fields
    // gave: its error was reported when it was typed.
    const CountdownRun::Tick result =
        m_run.tick(readTimerClock(m_context.clock), m_duration.seconds(), m_context.timeSeparator);
    // The window manager answers a request for the focus a moment later: a
    // second on, a window still without it was refused (the window manager
    // keeps the focus where the user is working), and the urgency hint marks
    // it for the user instead. Qt takes the hint off when the window gets the
    // focus.
    if (std::exchange(m_frontAsked, false) && !isActiveWindow())
        QApplication::alert(this);
    if (result.alarmStarted) {
        ui->startButton->setChecked(false);
        ui->startButton->setEnabled(false);
        ui->editPanel->setEnabled(false);
    }
    ui->timeLeft->setText(result.display);
    if (result.alert) {
        bringToFront();
        m_context.sound.play(alarmSound(m_alarmWave), SoundOut::Mode::AsyncNoStop);
    }
}

void CountdownWindow::bringToFront()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
    m_frontAsked = true;
}

void CountdownWindow::setRunning(bool running)
{
    if (m_run.state() == CountdownRun::State::Alarm)
        return;
    ui->startButton->setChecked(running);
    if (running) {
        m_run.start(readTimerClock(m_context.clock));
        ui->startButton->setToolTip(QStringLiteral("Pause timer"));
        ui->startButton->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
        m_tickTimer->start();
    } else {
        m_run.pause(readTimerClock(m_context.clock));
        ui->startButton->setToolTip(QStringLiteral("Start timer"));
        ui->startButton->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
        m_tickTimer->stop();
    }
}

void CountdownWindow::spin(int delta)
{
    if (!m_spinTarget || !ui->editPanel->isEnabled())
        return;
    m_fields[*m_spinTarget]->setFocus();
    step(*m_spinTarget, delta);
}

void CountdownWindow::chooseSound()
{
    if (!m_context.chooseSound)
        return;
    const QString current = m_alarmWave == QStringView(kNoWave) ? QString() : m_alarmWave;
    if (const std::optional<QString> chosen = m_context.chooseSound(current, this))
        m_alarmWave = chosen->isEmpty() ? QString::fromUtf16(kNoWave) : *chosen;
}

void CountdownWindow::showHelp()
{
    if (m_context.help)
        m_context.help(kWindowHelp);
}

std::optional<DurationFields::Field> CountdownWindow::fieldOf(const QObject* object) const
{
    for (int field = 0; field < DurationFields::kFields; ++field) {
        if (m_fields[field] == object)
            return DurationFields::Field(field);
    }
    return std::nullopt;
}

void CountdownWindow::typed(DurationFields::Field field, const QString& text)
{
    try {
        m_duration.setText(field, text);
    } catch (const Error& error) {
        showFields();
        reportError(error.message());
        return;
    }
    showFields();
}

void CountdownWindow::step(DurationFields::Field field, int delta)
{
    try {
        m_duration.step(field, delta);
    } catch (const Error& error) {
        showFields();
        reportError(error.message());
        return;
    }
    showFields();
    m_fields[field]->selectAll();
}

void CountdownWindow::showFields()
{
    for (int field = 0; field < DurationFields::kFields; ++field) {
        const QString& text = m_duration.text(DurationFields::Field(field));
        if (m_fields[field]->text() != text)
            m_fields[field]->setText(text);
    }
}

bool CountdownWindow::eventFilter(QObject* watched, QEvent* event)
{
    const std::optional<DurationFields::Field> field = fieldOf(watched);
    if (!field)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        m_duration.setFocused(*field);
        m_spinTarget = *field;
        // Selected now, and again once the focus has settled: the press of
        // a mouse that brought the focus clears the selection.
        m_fields[*field]->selectAll();
        QTimer::singleShot(0, m_fields[*field], &QLineEdit::selectAll);
        break;
    case QEvent::FocusOut:
        m_duration.setFocused(std::nullopt);
        m_duration.leave();
        showFields();
        break;
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) && key->modifiers() == Qt::NoModifier) {
            step(*field, key->key() == Qt::Key_Up ? +1 : -1);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void CountdownWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && m_context.help) {
        const QWidget* focused = focusWidget();
        m_context.help(focused && ui->editPanel->isAncestorOf(focused) ? kDurationHelp
                       : focused == ui->description                    ? kDescriptionHelp
                                                                       : kWindowHelp);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CountdownWindow::closeEvent(QCloseEvent* event)
{
    // The default sound; one that already plays, the alarm's own included,
    // plays to its end.
    m_context.sound.play(Sound::fromFile(QString()), SoundOut::Mode::AsyncNoStop);
    QWidget::closeEvent(event);
}

void CountdownWindow::reportError(const QString& message)
{
    MessageBox::critical(this, QApplication::applicationName(), message);
}

} // namespace hv
