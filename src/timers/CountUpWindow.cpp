// SPDX-License-Identifier: GPL-3.0-or-later
#include "CountUpWindow.h"

#include "common/Error.h"
#include "controls/MessageBox.h"
#include "timers/RateList.h"
#include "ui_CountUpWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>

namespace hv {

CountUpWindow::CountUpWindow(const TimersContext& context, QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::CountUpWindow)
    , m_context(context)
    , m_rateFile(rateList::pathIn(context.dataDir))
    , m_tickTimer(new QTimer(this))
{
    ui->setupUi(this);
    setUpTimerWindow(*this, *ui->elapsed, m_context);
    ui->runPauseButton->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    ui->finishedButton->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    ui->helpButton->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));

    const QStringList rates = rateList::read(m_rateFile);
    fillRates(rates, rates.value(0));

    connect(ui->runPauseButton, &QToolButton::clicked, this, &CountUpWindow::setRunning);
    connect(ui->moneyButton, &QToolButton::clicked, this, &CountUpWindow::setMoneyShown);
    connect(ui->finishedButton, &QToolButton::clicked, this, &QWidget::close);
    connect(ui->helpButton, &QToolButton::clicked, this, &CountUpWindow::showHelp);
    m_tickTimer->setObjectName(QStringLiteral("tickTimer"));
    m_tickTimer->setInterval(1000);
    connect(m_tickTimer, &QTimer::timeout, this, &CountUpWindow::tick);
}

CountUpWindow::~CountUpWindow() = default;

void CountUpWindow::fillRates(const QStringList& rates, const QString& current)
{
    const QSignalBlocker blocker(ui->rateBox);
    ui->rateBox->clear();
    ui->rateBox->addItems(rates);
    ui->rateBox->setEditText(current);
}

void CountUpWindow::tick()
{
    m_run.tick(readTimerClock(m_context.clock));
    showFigured();
}

void CountUpWindow::setRunning(bool running)
{
    ui->runPauseButton->setChecked(running);
    if (running) {
        ui->runPauseButton->setToolTip(QStringLiteral("Pause Timer"));
        ui->runPauseButton->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
        m_run.start(readTimerClock(m_context.clock));
        m_tickTimer->start();
    } else {
        ui->runPauseButton->setToolTip(QStringLiteral("Start Timer"));
        ui->runPauseButton->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
        m_run.pause(readTimerClock(m_context.clock));
        m_tickTimer->stop();
    }
}

void CountUpWindow::setMoneyShown(bool shown)
{
    ui->moneyButton->setChecked(shown);
    ui->rateBox->setEnabled(!shown);
    if (!shown) {
        ui->moneyButton->setToolTip(QStringLiteral("Use Dollar Amount"));
        ui->elapsed->setText(durationText(m_run.figuredSeconds(), m_context.timeSeparator));
        return;
    }
    ui->moneyButton->setToolTip(QStringLiteral("See Elapsed Time"));
    QString rateText = ui->rateBox->currentText();
    if (rateText.trimmed().isEmpty()) {
        rateText = QStringLiteral("0");
        ui->rateBox->setEditText(rateText);
    }
    const std::optional<double> rate = readRate(rateText, m_context.decimalSeparator);
    if (!rate) {
        // The button stays down; every tick shows the time until the rate is mended.
        reportError(QStringLiteral("'%1' is not a valid floating point value").arg(rateText));
        return;
    }
    if (*rate != 0)
        rememberRate(rateText);
    ui->elapsed->setText(moneyText(m_run.figuredSeconds(), *rate, m_context.decimalSeparator));
}

void CountUpWindow::rememberRate(const QString& rate)
{
    QStringList rates = rateList::read(m_rateFile);
    if (!rateList::addRate(rates, rate))
        return;
    try {
        rateList::write(m_rateFile, rates);
    } catch (const Error& error) {
        reportError(error.message());
    }
    fillRates(rates, rate);
}

void CountUpWindow::showFigured()
{
    if (ui->moneyButton->isChecked()) {
        const std::optional<double> rate = readRate(ui->rateBox->currentText(), m_context.decimalSeparator);
        if (rate && *rate != 0) {
            ui->elapsed->setText(moneyText(m_run.figuredSeconds(), *rate, m_context.decimalSeparator));
            return;
        }
    }
    ui->elapsed->setText(durationText(m_run.figuredSeconds(), m_context.timeSeparator));
}

void CountUpWindow::showHelp()
{
    if (m_context.help)
        m_context.help(kWindowHelp);
}

void CountUpWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && m_context.help) {
        const QWidget* focused = focusWidget();
        const bool inRate = focused && (focused == ui->rateBox || ui->rateBox->isAncestorOf(focused));
        m_context.help(inRate ? kRateHelp : focused == ui->description ? kDescriptionHelp : kWindowHelp);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CountUpWindow::reportError(const QString& message)
{
    MessageBox::critical(this, QApplication::applicationName(), message);
}

} // namespace hv
